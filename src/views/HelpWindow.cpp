#include "HelpWindow.h"

#include "Icons.h"
#include "StringTable.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <array>

namespace quorvane {

namespace {

struct TopicPage {
    HelpTopic topic;
    const char* page;
};

constexpr std::array kPages{
    TopicPage{HelpTopic::Contents, "index"},          TopicPage{HelpTopic::Archives, "archives"},
    TopicPage{HelpTopic::Importing, "importing"},     TopicPage{HelpTopic::Organising, "organising"},
    TopicPage{HelpTopic::RecycleBin, "recycle-bin"},  TopicPage{HelpTopic::Exporting, "exporting"},
    TopicPage{HelpTopic::Viewing, "viewing"},         TopicPage{HelpTopic::AutoClose, "auto-close"},
    TopicPage{HelpTopic::Preferences, "preferences"}, TopicPage{HelpTopic::Security, "security"},
    TopicPage{HelpTopic::Keyboard, "keyboard"},
};

} // namespace

const std::vector<HelpTopic>& AllHelpTopics() {
    static const std::vector<HelpTopic> topics = [] {
        std::vector<HelpTopic> out;
        out.reserve(kPages.size());
        for (const TopicPage& p : kPages) {
            out.push_back(p.topic);
        }
        return out;
    }();
    return topics;
}

QString HelpTopicUrl(HelpTopic topic) {
    for (const TopicPage& p : kPages) {
        if (p.topic == topic) {
            return QStringLiteral("qrc:/help/%1.html").arg(QLatin1String(p.page));
        }
    }
    return QStringLiteral("qrc:/help/index.html");
}

HelpTopic HelpTopicOfDialog(int resource) {
    switch (resource) {
    case kDlgArchiveProperties:
    case kDlgPassword:
    case kDlgConfirmPassword:
    case kDlgFileOpenError:
        return HelpTopic::Archives;
    case kDlgAutoCloseCountdown:
    case kDlgAutoCloseDone:
        return HelpTopic::AutoClose;
    case kDlgEditComment:
    case kDlgFind:
    case kDlgFindEnd:
        return HelpTopic::Organising;
    case kDlgProgress:
        return HelpTopic::Importing;
    default:
        return HelpTopic::Contents;
    }
}

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(QStringLiteral("Quorvane Help"));
    setWindowIcon(QuorvaneIcon(IconId::Application));
    setAccessibleName(QStringLiteral("Quorvane Help"));

    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    auto* contents = new QPushButton(QStringLiteral("&Contents"), this);
    contents->setObjectName(QStringLiteral("contents"));
    back_ = new QPushButton(QStringLiteral("&Back"), this);
    back_->setObjectName(QStringLiteral("back"));
    forward_ = new QPushButton(QStringLiteral("&Forward"), this);
    forward_->setObjectName(QStringLiteral("forward"));
    bar->addWidget(contents);
    bar->addWidget(back_);
    bar->addWidget(forward_);
    bar->addStretch(1);
    layout->addLayout(bar);

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("helpText"));
    browser_->setAccessibleName(QStringLiteral("Help text"));
    // Links to the help's own pages stay in this window; an address on the web goes to the browser.
    browser_->setOpenExternalLinks(true);
    layout->addWidget(browser_, 1);

    connect(contents, &QPushButton::clicked, this, [this] { ShowTopic(HelpTopic::Contents); });
    connect(back_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QPushButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QPushButton::setEnabled);
    back_->setEnabled(false);
    forward_->setEnabled(false);
    // Esc and Ctrl+W put the help away, as they close the program's other small windows.
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        connect(new QShortcut(key, this), &QShortcut::activated, this, &QWidget::close);
    }
    resize(620, 520);
}

void HelpWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    // Without a window manager nothing hands the keys back to the window help was asked from.
    if (QWidget* back = returnTo_.data(); back && back->isVisible() && event->isAccepted()) {
        back->activateWindow();
    }
}

void HelpWindow::ShowTopic(HelpTopic topic) {
    browser_->setSource(QUrl(HelpTopicUrl(topic)));
}

HelpWindow* HelpWindow::Open(HelpTopic topic) {
    static QPointer<HelpWindow> window;
    if (!window) {
        window = new HelpWindow;
        window->setAttribute(Qt::WA_DeleteOnClose);
        // A help window must not keep the program running once the main window has gone.
        window->setAttribute(Qt::WA_QuitOnClose, false);
    }
    if (QWidget* asking = QApplication::activeWindow(); asking && asking != window) {
        window->returnTo_ = asking;
    }
    // Asked from a modal dialog's Help button, a plain window would stay blocked behind the dialog
    // (no keys, no scrolling, and Esc would cancel the dialog instead): over a dialog the help is
    // modal itself until it is put away.
    if (!(window->isVisible() && window->isModal())) {
        const bool overDialog = QApplication::activeModalWidget() != nullptr;
        if (window->isModal() != overDialog) {
            window->hide();
            window->setWindowModality(overDialog ? Qt::ApplicationModal : Qt::NonModal);
        }
    }
    window->ShowTopic(topic);
    window->show();
    window->raise();
    window->activateWindow();
    // The keys go to the text at once: the arrows scroll it, Tab walks its links.
    window->browser_->setFocus();
    return window;
}

void ShowDialogHelp(int resource) {
    HelpWindow::Open(HelpTopicOfDialog(resource));
}

} // namespace quorvane
