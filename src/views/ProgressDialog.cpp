#include "ProgressDialog.h"

#include "ProgressAnimation.h"
#include "StringTable.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <optional>

namespace quorvane {

namespace {

struct KindTexts {
    int kind;
    int title;
    int firstLine;
};

constexpr KindTexts kKinds[] = {
    {kProgressCopy, kStrCopyingTitle, kStrCopyingStart},
    {kProgressEncrypt, kStrEncryptingTitle, kStrEncryptingStart},
    {kProgressExport, kStrExportingTitle, kStrExportingStart},
    {kProgressDefragment, kStrEmptyingTitle, kStrEmptyingStart},
    {kProgressThumbnails, kStrThumbnailsTitle, kStrThumbnailsStart},
};

const KindTexts* TextsOf(int kind) {
    for (const KindTexts& k : kKinds) {
        if (k.kind == kind) {
            return &k;
        }
    }
    return nullptr;
}

int64_t SteadyMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The dialog is 262 dialog units wide, as the window always was: a unit is a quarter of the
// font's average character width.
constexpr int kWidthUnits = 262;

} // namespace

struct ProgressDialog::Operation {
    Operation(const ProgressEstimate::Clock& clock, int thumbnailFormat, int quality)
        : estimate(clock, thumbnailFormat, quality) {}

    const CCodeArchive* archive = nullptr;
    bool hasWindow = false;
    bool inward = true;
    QString title;
    QString archiveName;
    ProgressEstimate estimate;
    int low = 0;
    int high = 0;
    int position = 0;
    QString lastStep;
    bool cancelled = false;
    // The engine's latest figures, kept until the widgets are next written: the estimate and its
    // texts are worked out once per refresh, not for every file.
    struct Figures {
        QString step;
        int done = 0;
        int planned = 0;
    };
    std::optional<Figures> pending;

    // Applies the kept figures, so that whatever comes next lands after them.
    void ApplyPending() {
        if (!pending) {
            return;
        }
        const Figures figures = std::move(*pending);
        pending.reset();
        const ProgressUpdate update =
            estimate.Update(figures.step, figures.done, figures.planned, figures.planned);
        if (update.position) {
            position = *update.position;
        }
    }
};

ProgressDialog::ProgressDialog(QWidget* owner, ProgressEstimate::Clock clock)
    : QDialog(owner)
    , clock_(clock ? std::move(clock) : ProgressEstimate::Clock(&SteadyMilliseconds)) {
    const DialogStrings strings = StringTable::Dialog(kDlgProgress);
    setObjectName(QStringLiteral("progressDialog"));
    setWindowTitle(strings.title);
    setWindowModality(Qt::ApplicationModal);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    const int width = fontMetrics().averageCharWidth() * kWidthUnits / 4;
    auto* layout = new QVBoxLayout(this);
    animation_ = new ProgressAnimation(this);
    layout->addWidget(animation_);
    for (int i = 0; i < 3; ++i) {
        lines_[i] = new QLabel(this);
        lines_[i]->setObjectName(QStringLiteral("line%1").arg(i + 1));
        lines_[i]->setTextFormat(Qt::PlainText);
        lines_[i]->setFixedWidth(width);
        // An empty line keeps its height, so that the window does not jump as lines come and go.
        lines_[i]->setMinimumHeight(fontMetrics().height());
        layout->addWidget(lines_[i]);
    }
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("progressBar"));
    bar_->setTextVisible(false);
    bar_->setRange(0, 1);
    bar_->setValue(0);
    bar_->setFixedWidth(width);
    layout->addWidget(bar_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    cancel_ = new QPushButton(strings.buttons.value(0), this);
    cancel_->setObjectName(QStringLiteral("cancel"));
    // Only the button itself, Escape and the close button cancel; Enter does not.
    cancel_->setAutoDefault(false);
    cancel_->setDefault(false);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(cancel_, &QPushButton::clicked, this, &ProgressDialog::Cancel);
}

ProgressDialog::~ProgressDialog() = default;

ProgressDialog::Operation* ProgressDialog::Top() const {
    return operations_.empty() ? nullptr : operations_.back().get();
}

int64_t ProgressDialog::Now() const {
    return clock_();
}

const CCodeArchive* ProgressDialog::ShownArchive() const {
    const Operation* op = Top();
    return op ? op->archive : nullptr;
}

bool ProgressDialog::Cancelled() const {
    const Operation* op = Top();
    return op && op->cancelled;
}

QString ProgressDialog::ShownLine(int line) const {
    return line >= 1 && line <= 3 ? shown_[line - 1] : QString();
}

// ---------------------------------------------------------------- ProgressWindow

void ProgressDialog::Open(const CCodeArchive* archive, int kind, const QString& archiveName,
                          int thumbnailFormat, int quality) {
    if (archive) {
        // The archive's earlier window is cancelled and gone: the new one starts afresh, with
        // nothing cancelled.
        std::erase_if(operations_,
                      [archive](const std::unique_ptr<Operation>& op) { return op->archive == archive; });
    }
    auto op = std::make_unique<Operation>(clock_, thumbnailFormat, quality);
    op->archive = archive;
    op->archiveName = archiveName;
    if (const KindTexts* texts = TextsOf(kind)) {
        op->hasWindow = true;
        op->inward = kind != kProgressExport;
        op->title = StringTable::Text(texts->title);
        op->estimate.SetLine(1, archiveName);
        op->estimate.SetLine(2, StringTable::Text(texts->firstLine));
    }
    operations_.push_back(std::move(op));
    Refresh();
    UpdateVisibility();
}

void ProgressDialog::Total(int total) {
    Operation* op = Top();
    if (!op) {
        return;
    }
    SetRange(0, total, 1);
    SetLine(1, op->archiveName);
}

void ProgressDialog::Text(const QString& step, const ProgressCounts& counts) {
    Operation* op = Top();
    if (!op) {
        return;
    }
    if (!op->estimate.SetLine(1, op->archiveName).changed.empty()) {
        Changed();
    }
    op->lastStep = step;
    op->pending = Operation::Figures{step, counts.done, counts.planned};
    Changed();
    if (!op->estimate.ClockStarted()) {
        op->ApplyPending(); // the first figures start the estimate's clock now
    }
}

void ProgressDialog::Piece(int piece, int pieces) {
    if (const Operation* op = Top()) {
        ShowPercent(op->lastStep, piece, pieces);
    }
}

bool ProgressDialog::Poll() {
    if (dirty_ && Now() - lastRefresh_ >= kRefreshMs) {
        Refresh();
    }
    // Once: what is waiting now is dispatched, and the operation goes on.
    const int64_t now = Now();
    if (!lastDispatch_ || now - *lastDispatch_ >= kDispatchMs || now < *lastDispatch_) {
        lastDispatch_ = now;
        QCoreApplication::processEvents();
    } else {
        QCoreApplication::sendPostedEvents();
    }
    return Cancelled();
}

void ProgressDialog::Close() {
    if (operations_.empty()) {
        return;
    }
    operations_.pop_back();
    if (!operations_.empty()) {
        Refresh();
    }
    UpdateVisibility();
}

// ---------------------------------------------------------------- the window's operations

void ProgressDialog::SetRange(int low, int high, int /*step*/) {
    if (Operation* op = Top()) {
        op->ApplyPending();
        op->low = low;
        op->high = std::max(low, high);
        op->position = low;
        op->estimate.SetRange(low, high, 1);
        Changed();
    }
}

void ProgressDialog::SetPosition(int position) {
    if (Operation* op = Top()) {
        op->ApplyPending();
        op->position = position;
        Changed();
    }
}

void ProgressDialog::SetTitle(const QString& title) {
    if (Operation* op = Top()) {
        op->title = title;
        Changed();
    }
}

void ProgressDialog::SetLine(int line, const QString& text) {
    Operation* op = Top();
    if (!op) {
        return;
    }
    op->ApplyPending();
    if (!op->estimate.SetLine(line, text).changed.empty()) {
        Changed();
    }
}

void ProgressDialog::ShowPercent(const QString& name, int done, int total) {
    Operation* op = Top();
    if (!op) {
        return;
    }
    op->ApplyPending();
    if (!op->estimate.ShowPercent(name, done, total).changed.empty()) {
        Changed();
    }
}

void ProgressDialog::UpdateProgress(const QString& stepText, int done, int total, int count) {
    if (Operation* op = Top()) {
        op->ApplyPending();
        const ProgressUpdate update = op->estimate.Update(stepText, done, total, count);
        if (update.position) {
            op->position = *update.position;
        }
        Changed();
    }
}

void ProgressDialog::Cancel() {
    if (Operation* op = Top()) {
        op->cancelled = true;
    }
    UpdateVisibility();
}

void ProgressDialog::reject() {
    // Escape and the title bar's close button arrive here.
    Cancel();
}

// ---------------------------------------------------------------- widgets

void ProgressDialog::Refresh() {
    dirty_ = false;
    lastRefresh_ = Now();
    Operation* op = Top();
    if (!op) {
        return;
    }
    op->ApplyPending();
    if (windowTitle() != op->title) {
        setWindowTitle(op->title);
    }
    for (int i = 0; i < 3; ++i) {
        const QString& text = op->estimate.Line(i + 1);
        if (shown_[i] != text) {
            shown_[i] = text;
            // A long name is cut in the middle, where a path or a file name can best spare it.
            lines_[i]->setText(
                lines_[i]->fontMetrics().elidedText(text, Qt::ElideMiddle, lines_[i]->width()));
        }
    }
    // An empty range shows an empty bar (Qt would make 0..0 a busy indicator).
    const int high = op->high > op->low ? op->high : op->low + 1;
    if (bar_->minimum() != op->low || bar_->maximum() != high) {
        bar_->setRange(op->low, high);
    }
    const int position = op->high > op->low ? std::clamp(op->position, op->low, op->high) : op->low;
    if (bar_->value() != position) {
        bar_->setValue(position);
    }
    animation_->SetInward(op->inward);
}

void ProgressDialog::UpdateVisibility() {
    const Operation* op = Top();
    const bool wanted = op && op->hasWindow && !op->cancelled;
    if (wanted && !isVisible()) {
        show();
        activateWindow();
    } else if (!wanted && isVisible()) {
        hide();
    }
}

} // namespace quorvane
