#pragma once
// The progress window of long operations and the event pump that runs inside them.
//
// The engine reaches it through WorkspaceHost (ProgressWindow): Open when an operation starts,
// Total, Text and Piece as it goes, Poll after each unit of work, Close at its end. Poll is the
// pump: it runs the event loop once - one processEvents() call, never a loop until the queue is
// empty - so that the main window repaints, timers fire and the animation moves, and says whether
// the user has cancelled. Looking at the window system costs a poll() each time, which for tiny
// units of work (small files) is as much as the work itself; so the full pass runs at most every
// kDispatchMs, and a call in between only delivers the events already posted inside the program
// (queued calls, repaints, deferred cancels). Input and timers therefore wait at most kDispatchMs
// longer, far below a frame. The widgets are rewritten at most every kRefreshMs while pumping, and
// a line only when its text changed.
//
// The window is application-modal and shown with show(), not run in a loop of its own: Qt keeps
// mouse and keys away from every other window while it is up. Cancel, Escape and the title bar's
// close button cancel the operation shown and hide the window at once; the pump keeps running the
// event loop after that (paints and timers go on) until the operation has unwound and closed it.
//
// Operations are told apart by their archive object. An Open for an archive that still has a
// window cancels that window and takes its place (its cancel is not inherited); an Open for another
// archive goes on top of the first and gives the window back to it at its own Close.
//
// Installing it: the main window makes one, with itself as the owner (it is centred on it), and
// hands it to Workspace::SetProgressWindow; it must outlive every operation (clear it from the
// Workspace before destroying it).
#include "ProgressEstimate.h"
#include "ProgressWindow.h"

#include <QDialog>

#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;

namespace quorvane {

class ProgressAnimation;

class ProgressDialog : public QDialog, public ProgressWindow {
    Q_OBJECT

public:
    static constexpr int64_t kRefreshMs = 50;
    static constexpr int64_t kDispatchMs = 2;

    // `clock` gives milliseconds from any monotonic origin (tests inject one); by default the
    // steady clock. It times both the estimate and the refresh of the widgets.
    explicit ProgressDialog(QWidget* owner = nullptr, ProgressEstimate::Clock clock = {});
    ~ProgressDialog() override;
    ProgressDialog(const ProgressDialog&) = delete;
    ProgressDialog& operator=(const ProgressDialog&) = delete;

    // ---- ProgressWindow
    // Kinds 1..5 show the window with their title and first line, line 1 the archive's name; any
    // other kind opens an operation without a window (its Close is still expected).
    void Open(const CCodeArchive* archive, int kind, const QString& archiveName, int thumbnailFormat,
              int quality) override;
    // SetRange(0, total, 1); line 1 keeps the archive's name.
    void Total(int total) override;
    // UpdateProgress with the step, the figures done and planned, and the planned count for line 3.
    void Text(const QString& step, const ProgressCounts& counts) override;
    // ShowPercent with the last step as the name.
    void Piece(int piece, int pieces) override;
    bool Poll() override;
    void Close() override;

    // ---- the window's operations; each acts on the operation shown, and on none does nothing
    void SetRange(int low, int high, int step);
    void SetPosition(int position);
    void SetTitle(const QString& title);
    void SetLine(int line, const QString& text);
    void ShowPercent(const QString& name, int done, int total);
    void UpdateProgress(const QString& stepText, int done, int total, int count);
    // What the Cancel button, Escape and the close button do.
    void Cancel();
    // The operation shown was cancelled (stays so until its Close).
    bool Cancelled() const;
    // Operations with an Open not yet closed, nested ones included.
    int OpenCount() const { return static_cast<int>(operations_.size()); }
    // The archive of the operation shown, or null.
    const CCodeArchive* ShownArchive() const;
    // What the widgets show now (a line's whole text, even where the label had to cut it).
    QString ShownLine(int line) const;
    // Writes what is due to the widgets now rather than at the next refresh of the pump.
    void Refresh();

public slots:
    void reject() override;

private:
    struct Operation;
    Operation* Top() const;
    int64_t Now() const;
    void Changed() { dirty_ = true; }
    void UpdateVisibility();

    ProgressEstimate::Clock clock_;
    std::vector<std::unique_ptr<Operation>> operations_;
    bool dirty_ = false;
    int64_t lastRefresh_ = 0;
    // When the event loop last looked at the window system; none yet when unset.
    std::optional<int64_t> lastDispatch_;

    ProgressAnimation* animation_ = nullptr;
    QLabel* lines_[3] = {};
    QString shown_[3];
    QProgressBar* bar_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace quorvane
