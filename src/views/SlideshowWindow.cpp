#include "SlideshowWindow.h"

#include "CCodePict.h"
#include "CommandIds.h"
#include "ImageBrowser.h"
#include "ImageWipe.h"
#include "KeyboardMenu.h"
#include "MessageDialog.h"
#include "Preferences.h"
#include "SlideshowLayout.h"
#include "StringTable.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScreen>

#include <chrono>

namespace quorvane {

namespace {

constexpr QRgb kShadow = 0x404040;

QString Label(int command) {
    return StringTable::MenuLabel(StringTable::kSlideshowMenu, command);
}

} // namespace

int64_t SlideshowWindow::SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

SlideshowWindow::SlideshowWindow(CCodePict& pane, ImageBrowser& browser, Preferences& preferences,
                                 Clock clock, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , pane_(pane)
    , browser_(browser)
    , prefs_(preferences)
    , clock_(std::move(clock)) {
    setObjectName(QStringLiteral("slideshow"));
    setWindowTitle(StringTable::Text(kCmdStartSlideshow));
    // Modal, as the slideshow always was: the main window takes no input while it runs.
    setWindowModality(Qt::ApplicationModal);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::BlankCursor);
    QFont font = this->font();
    font.setBold(true);
    font.setPixelSize(15);
    setFont(font);
    connect(&pane_, &CCodePict::itemShown, this, [this] {
        arrived_ = true;
        if (open_ && state_.Active()) {
            DrawSlot();
        }
    });
}

SlideshowWindow::~SlideshowWindow() {
    WipeImage(slide_);
    if (loop_ != nullptr) {
        loop_->quit();
    }
}

QWidget* SlideshowWindow::Menu() const {
    return menu_.data();
}

void SlideshowWindow::Open(QScreen* screen) {
    if (screen != nullptr) {
        setScreen(screen);
        setGeometry(screen->geometry());
    }
    open_ = true;
    pressed_.clear();
    NewSlideBuffer();
    showFullScreen();
    raise();
    activateWindow();
    setFocus();
    Restart();
}

void SlideshowWindow::Run(QScreen* screen) {
    Open(screen);
    if (!open_) {
        return;
    }
    QEventLoop loop;
    loop_ = &loop;
    const QPointer<SlideshowWindow> self(this);
    loop.exec(QEventLoop::DialogExec);
    if (self) {
        loop_ = nullptr;
    }
}

void SlideshowWindow::End() {
    if (!open_) {
        return;
    }
    open_ = false;
    state_.Stop();
    if (menu_) {
        menu_->close();
    }
    pressed_.clear();
    hide();
    WipeImage(slide_);
    pane_.Repaint();
    if (loop_ != nullptr) {
        loop_->quit();
    }
    emit ended();
}

void SlideshowWindow::NewSlideBuffer() {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels(qRound(width() * ratio), qRound(height() * ratio));
    QImage slide(pixels.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    slide.setDevicePixelRatio(ratio);
    slide.fill(pane_.Background());
    WipeImage(slide_);
    slide_ = std::move(slide);
}

void SlideshowWindow::Restart() {
    state_.Start(Now());
    DrawSlot();
}

void SlideshowWindow::DrawSlot() {
    if (!open_ || slide_.isNull()) {
        return;
    }
    const int sp = prefs_.slidesPerScreen;
    const int slot = state_.TakeSlot(Now(), sp);
    const QRect screen(QPoint(0, 0), size());
    const QRect area = SlideshowLayout::SlotRect(screen, sp, slot);
    QPainter painter(&slide_);
    // The first image of a slide clears the screen; the others are added to it.
    if (slot == 0) {
        painter.fillRect(screen, pane_.Background());
    }
    pane_.DrawImage(painter, area, screen, true, slot == 0);
    if (pane_.Shown()) {
        DrawTexts(painter, area, pane_.PlacedRect());
    }
    painter.end();
    update();
}

void SlideshowWindow::DrawTexts(QPainter& painter, QRect slot, QRect placed) {
    const auto draw = [&](QRect band, const QString& text, Qt::Alignment alignment) {
        const QString line = painter.fontMetrics().elidedText(text, Qt::ElideRight, band.width());
        const int flags = static_cast<int>(alignment) | Qt::TextSingleLine;
        painter.setPen(QColor(kShadow));
        painter.drawText(band, flags, line);
        painter.setPen(Qt::white);
        painter.drawText(band.translated(-1, -1), flags, line);
    };
    painter.setFont(font());
    painter.setBackgroundMode(Qt::TransparentMode);
    if (prefs_.slideShowInfo != 0 && !pane_.Name().isEmpty()) {
        draw(SlideshowLayout::NameBand(slot, placed), pane_.Name(), Qt::AlignHCenter | Qt::AlignTop);
    }
    if (prefs_.slideShowComments != 0 && !pane_.Comment().isEmpty()) {
        draw(SlideshowLayout::CommentBand(slot, placed), pane_.Comment(), Qt::AlignCenter);
    }
}

void SlideshowWindow::Tick() {
    if (!open_ || advancing_) {
        return;
    }
    if (state_.AdvanceDue(Now(), prefs_.slideAutoAdvance != 0, prefs_.slideDelay)) {
        Advance(true);
    }
}

void SlideshowWindow::Advance(bool forward) {
    // Asked again from inside the list's step (an error box pumping events): the first one ends.
    if (advancing_ || !open_) {
        return;
    }
    const QPointer<SlideshowWindow> self(this);
    advancing_ = true;
    arrived_ = false;
    if (forward) {
        browser_.NextImage();
    } else {
        browser_.PreviousImage();
    }
    if (!self) {
        return;
    }
    advancing_ = false;
    // Landed on the image already shown (a folder with one image): it fills the next slot all the
    // same, so that the slide comes to its end instead of asking the list again on every tick.
    if (!arrived_ && state_.Active()) {
        DrawSlot();
    }
    state_.SetTick(Now());
}

// ---------------------------------------------------------------- events

void SlideshowWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    if (state_.Active() && !slide_.isNull()) {
        painter.drawImage(QPoint(0, 0), slide_);
    } else {
        painter.fillRect(rect(), pane_.Background());
    }
}

void SlideshowWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!open_) {
        return;
    }
    NewSlideBuffer();
    if (state_.Active()) {
        Restart();
    }
}

void SlideshowWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !open_) {
        return;
    }
    if (isActiveWindow()) {
        if (!state_.Active()) {
            Restart();
        }
    } else if (state_.Active()) {
        state_.Stop();
        update();
    }
}

bool SlideshowWindow::focusNextPrevChild(bool /*next*/) {
    return false; // Tab and Shift+Tab step through the images instead
}

void SlideshowWindow::keyPressEvent(QKeyEvent* event) {
    event->accept();
    if (!state_.Active()) {
        return;
    }
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        End();
        return;
    default:
        if (!event->isAutoRepeat()) {
            pressed_.insert(event->key());
            // Whether it asks for the menu is read from the press: the Shift of Shift+F10 may be
            // let go before the F10.
            menuKey_ = AsksForContextMenu(*event) || event->key() == Qt::Key_Menu ? event->key() : 0;
        }
        return;
    }
}

void SlideshowWindow::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
    // A held key repeats its press and release: only the real release counts, and only for a key
    // pressed here.
    if (event->isAutoRepeat() || !state_.Active() || !pressed_.remove(event->key())) {
        return;
    }
    if (menuKey_ != 0 && event->key() == menuKey_) {
        menuKey_ = 0;
        // The options menu from the keyboard, in the middle of the screen.
        ShowMenu(mapToGlobal(rect().center()));
        return;
    }
    switch (event->key()) {
    case Qt::Key_Tab:
        Advance(!(event->modifiers() & Qt::ShiftModifier));
        break;
    case Qt::Key_Backtab:
    case Qt::Key_Left:
    case Qt::Key_Up:
        Advance(false);
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        Advance(true);
        break;
    default:
        break;
    }
}

void SlideshowWindow::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (!state_.Active()) {
        return;
    }
    if (event->button() == Qt::LeftButton) {
        Advance(!(event->modifiers() & Qt::ShiftModifier));
    } else if (event->button() == Qt::RightButton) {
        ShowMenu(event->globalPosition().toPoint());
    }
}

void SlideshowWindow::ShowMenu(QPoint at) {
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("slideshowMenu"));
    QAction* next = menu.addAction(Label(kCmdNextImage));
    QAction* previous = menu.addAction(Label(kCmdPreviousImage));
    menu.addSeparator();
    QAction* automatic = menu.addAction(Label(kCmdAutoAdvance));
    automatic->setCheckable(true);
    automatic->setChecked(prefs_.slideAutoAdvance != 0);
    menu.addSeparator();
    menu.addAction(Label(kCmdContinueSlideshow));
    menu.addSeparator();
    QAction* end = menu.addAction(Label(kCmdEndSlideshow));

    const QPointer<SlideshowWindow> self(this);
    state_.OpenMenu();
    menu_ = &menu;
    QAction* chosen = menu.exec(at);
    if (!self) {
        return;
    }
    menu_ = nullptr;
    state_.CloseMenu(Now());
    if (chosen == next) {
        Advance(true);
    } else if (chosen == previous) {
        Advance(false);
    } else if (chosen == automatic) {
        prefs_.slideAutoAdvance = prefs_.slideAutoAdvance != 0 ? 0 : 1;
    } else if (chosen == end) {
        End();
    }
}

void SlideshowWindow::closeEvent(QCloseEvent* event) {
    End();
    event->accept();
}

// ---------------------------------------------------------------- the list's slideshow

Slideshow::Slideshow(CCodePict& pane, ImageBrowser& browser, Preferences& preferences, QWidget* mainWindow,
                     SlideshowWindow::Clock clock)
    : pane_(pane)
    , browser_(browser)
    , prefs_(preferences)
    , mainWindow_(mainWindow)
    , clock_(std::move(clock)) {}

Slideshow::~Slideshow() {
    delete window_.data();
}

bool Slideshow::Running() const {
    return window_ && window_->IsOpen();
}

void Slideshow::Start() {
    if (window_) {
        return;
    }
    if (!pane_.Shown() && !browser_.NextImage()) {
        const DialogStrings strings{StringTable::Text(kStrApplicationTitle),
                                    StringTable::Text(kStrNoSlideshowImages),
                                    {},
                                    {QStringLiteral("OK")},
                                    {}};
        MessageDialog message(strings, QMessageBox::Information, mainWindow_.data());
        message.Run();
        return;
    }
    auto* window = new SlideshowWindow(pane_, browser_, prefs_, clock_, mainWindow_.data());
    window_ = window;
    emit started();
    QScreen* screen = mainWindow_ ? mainWindow_->screen() : QGuiApplication::primaryScreen();
    window->Run(screen);
    if (window_) {
        window_->deleteLater();
        window_ = nullptr;
    }
}

void Slideshow::End() {
    if (window_) {
        window_->End();
    }
}

void Slideshow::Tick() {
    if (window_) {
        window_->Tick();
    }
}

} // namespace quorvane
