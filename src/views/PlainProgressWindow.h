#pragma once
// A plain window for long operations: a title, one line naming the unit being worked on, a bar and
// Cancel. It is application-modal and shown with show(), so the operation keeps running on this
// thread while Qt keeps input away from the main window; Poll lets the event loop run once.
// Cancel, Escape and the window's close button all cancel; the flag stays set until the next Open.
#include "ProgressWindow.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace quorvane {

class PlainProgressWindow : public QDialog, public ProgressWindow {
    Q_OBJECT

public:
    explicit PlainProgressWindow(QWidget* parent = nullptr);

    void Open(int kind, const QString& archiveName, int thumbnailFormat, int quality) override;
    void Total(int total) override;
    void Text(const QString& step, const ProgressCounts& counts) override;
    void Piece(int piece, int pieces) override;
    bool Poll() override;
    void Close() override;

    bool Cancelled() const { return cancelled_; }
    QString Line() const;
    int Position() const;

public slots:
    // Escape and Cancel: the operation stops at its next poll; the window stays until it has.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* line_;
    QProgressBar* bar_;
    QPushButton* cancel_;
    bool cancelled_ = false;
    bool open_ = false;
};

} // namespace quorvane
