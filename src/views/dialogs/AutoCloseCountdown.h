#pragma once
// The AutoClose countdown (12309). It is shown with show(), not run in a loop of its own: the
// caller's ordinary check keeps running and calls SetRemaining on each tick. Cancel (the default
// button), Escape and the window's close button emit `cancelled`; Finish closes it without.
#include <QDialog>

class QLabel;

namespace quorvane {

class AutoCloseCountdown : public QDialog {
    Q_OBJECT

public:
    explicit AutoCloseCountdown(QWidget* parent = nullptr);

    // "AutoClose will automatically close all open archives in 14 seconds.", rewritten only when
    // the text changes.
    void SetRemaining(int seconds);
    QString Text() const;
    // Closes the countdown when the time is up.
    void Finish();

signals:
    void cancelled();

public slots:
    void reject() override;

private:
    QLabel* text_ = nullptr;
};

} // namespace quorvane
