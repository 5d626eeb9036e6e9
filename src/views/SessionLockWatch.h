#pragma once
// Tells when the screen locks or the computer is about to sleep, from the desktop session's screen
// saver (org.freedesktop.ScreenSaver and org.gnome.ScreenSaver, ActiveChanged) and from the login
// manager (org.freedesktop.login1: the manager's PrepareForSleep, this session's Lock). Without a
// session or system bus - a bare X server, a test run - it watches nothing and never reports.
#include <QObject>

class QDBusPendingCallWatcher;

namespace quorvane {

class SessionLockWatch : public QObject {
    Q_OBJECT

public:
    explicit SessionLockWatch(QObject* parent = nullptr);

    // Whether any bus could be watched.
    bool Watching() const { return watching_; }

signals:
    // The screen has locked, or the computer is about to suspend or hibernate.
    void locked();

public slots:
    // The bus's signals arrive here.
    void OnScreenSaverActive(bool active);
    void OnPrepareForSleep(bool start);
    void OnSessionLock();

private slots:
    void OnSessionFound(QDBusPendingCallWatcher* call);

private:
    void WatchSession(const QString& path);

    bool watching_ = false;
    bool sessionWatched_ = false;
};

} // namespace quorvane
