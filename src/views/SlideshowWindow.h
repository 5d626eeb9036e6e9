#pragma once
// The slideshow: a full-screen window over the main window's screen that shows what the preview pane
// holds, one or several images per slide ("SP"), stepping through the list's images on the main
// window's idle tick ("SX", "SW") or on the user's clicks and keys.
//
// Each slide is built in an image of its own as images arrive; painting only copies it, so that an
// extra expose never draws an image into the next slot. An advance that lands on the image already
// shown (a folder with one image) still fills the next slot, without asking the list again.
#include "SlideshowState.h"

#include <QImage>
#include <QPointer>
#include <QSet>
#include <QWidget>

#include <cstdint>
#include <functional>

class QEventLoop;
class QScreen;

namespace quorvane {

class CCodePict;
class ImageBrowser;
class Preferences;

class SlideshowWindow : public QWidget {
    Q_OBJECT

public:
    using Clock = std::function<int64_t()>;
    // Milliseconds of a steady clock.
    static int64_t SteadyMs();

    SlideshowWindow(CCodePict& pane, ImageBrowser& browser, Preferences& preferences, Clock clock = &SteadyMs,
                    QWidget* parent = nullptr);
    ~SlideshowWindow() override;

    // Opens full screen on `screen` (the main window's) and starts with what the pane shows.
    void Open(QScreen* screen);
    // Open, then returns once the slideshow has ended (Esc, Enter, "&End Slideshow", End).
    void Run(QScreen* screen);
    // Closes the window; Run returns.
    void End();
    bool IsOpen() const { return open_; }

    // The main window's idle tick: the next image when one is due.
    void Tick();

    const SlideshowState& State() const { return state_; }
    // The slide as built so far (tests).
    const QImage& Slide() const { return slide_; }
    // The context menu while it is open (tests).
    QWidget* Menu() const;

signals:
    void ended();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    int64_t Now() const { return clock_(); }
    // A new slide from slot 0 with what the pane shows.
    void Restart();
    // The image the pane holds into the next slot, with its texts.
    void DrawSlot();
    void DrawTexts(QPainter& painter, QRect slot, QRect placed);
    void Advance(bool forward);
    void ShowMenu(QPoint at);
    void NewSlideBuffer();

    CCodePict& pane_;
    ImageBrowser& browser_;
    Preferences& prefs_;
    Clock clock_;
    SlideshowState state_;
    QImage slide_;
    bool open_ = false;
    bool advancing_ = false;
    bool arrived_ = false;
    QEventLoop* loop_ = nullptr;
    QPointer<QWidget> menu_;
    // Keys pressed in this window: only their release counts.
    QSet<int> pressed_;
    int menuKey_ = 0; // the key whose press asked for the menu (Menu, or F10 with Shift), 0 none
};

// What the contents list keeps of its slideshow: StartSlideshow, EndSlideshow, the running test and
// the idle tick.
class Slideshow : public QObject {
    Q_OBJECT

public:
    Slideshow(CCodePict& pane, ImageBrowser& browser, Preferences& preferences, QWidget* mainWindow,
              SlideshowWindow::Clock clock = &SlideshowWindow::SteadyMs);
    ~Slideshow() override;

    // Nothing while one runs. When the pane shows an image, or the list's next image is one, the
    // slideshow runs until it ends; otherwise the message "Slideshow could not be started. There
    // are no images in this folder." The list deselects its items before.
    void Start();
    void End();
    bool Running() const;
    void Tick();
    SlideshowWindow* Window() const { return window_.data(); }

signals:
    void started();

private:
    CCodePict& pane_;
    ImageBrowser& browser_;
    Preferences& prefs_;
    QPointer<QWidget> mainWindow_;
    SlideshowWindow::Clock clock_;
    QPointer<SlideshowWindow> window_;
};

} // namespace quorvane
