#include "PlainProgressWindow.h"

#include "StringTable.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace quorvane {

namespace {

// Title and first line of each kind of operation.
std::pair<int, int> TextsOf(int kind) {
    switch (kind) {
    case kProgressCopy:
        return {kStrCopyingTitle, kStrCopyingStart};
    case kProgressExport:
        return {kStrExportingTitle, kStrExportingStart};
    case kProgressDefragment:
        return {kStrEmptyingTitle, kStrEmptyingStart};
    default:
        return {kStrEncryptingTitle, kStrEncryptingStart};
    }
}

} // namespace

PlainProgressWindow::PlainProgressWindow(QWidget* parent)
    : QDialog(parent)
    , line_(new QLabel(this))
    , bar_(new QProgressBar(this))
    , cancel_(new QPushButton(StringTable::Dialog(kDlgProgress).buttons.value(0), this)) {
    setObjectName(QStringLiteral("progressWindow"));
    setWindowModality(Qt::ApplicationModal);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    line_->setObjectName(QStringLiteral("line"));
    line_->setMinimumWidth(360);
    line_->setTextFormat(Qt::PlainText);
    bar_->setObjectName(QStringLiteral("bar"));
    bar_->setRange(0, 1);
    bar_->setValue(0);
    cancel_->setObjectName(QStringLiteral("cancel"));
    cancel_->setDefault(true);
    connect(cancel_, &QPushButton::clicked, this, &PlainProgressWindow::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(line_);
    layout->addWidget(bar_);
    layout->addWidget(cancel_, 0, Qt::AlignRight);
}

void PlainProgressWindow::Open(int kind, const QString& archiveName, int /*thumbnailFormat*/,
                               int /*quality*/) {
    const auto [title, first] = TextsOf(kind);
    cancelled_ = false;
    open_ = true;
    setWindowTitle(StringTable::Text(title));
    line_->setText(archiveName.isEmpty() ? StringTable::Text(first)
                                         : StringTable::Text(first) + QStringLiteral(" - ") + archiveName);
    bar_->setRange(0, 1);
    bar_->setValue(0);
    cancel_->setEnabled(true);
    if (parentWidget()) {
        adjustSize();
        move(parentWidget()->window()->geometry().center() - rect().center());
    }
    show();
    raise();
    activateWindow();
}

void PlainProgressWindow::Total(int total) {
    // A range of 0..0 would make the bar run its endless busy animation.
    bar_->setRange(0, std::max(total, 1));
}

void PlainProgressWindow::Text(const QString& step, const ProgressCounts& counts) {
    if (line_->text() != step) {
        line_->setText(step);
    }
    if (counts.planned > 0) {
        bar_->setRange(0, std::max(counts.planned, 1));
    }
    bar_->setValue(std::clamp(counts.done, 0, bar_->maximum()));
}

void PlainProgressWindow::Piece(int /*piece*/, int /*pieces*/) {}

bool PlainProgressWindow::Poll() {
    // One pass of the event loop, never "until the queue is empty": a steady stream of paints or
    // timers must not hold the operation up.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return cancelled_;
}

void PlainProgressWindow::Close() {
    open_ = false;
    hide();
}

void PlainProgressWindow::reject() {
    if (!open_) {
        QDialog::reject();
        return;
    }
    cancelled_ = true;
    cancel_->setEnabled(false);
}

void PlainProgressWindow::closeEvent(QCloseEvent* event) {
    // The title bar's close button asks for a cancel; the window goes when the operation has stopped.
    if (open_) {
        event->ignore();
        reject();
        return;
    }
    QDialog::closeEvent(event);
}

QString PlainProgressWindow::Line() const {
    return line_->text();
}

int PlainProgressWindow::Position() const {
    return bar_->value();
}

} // namespace quorvane
