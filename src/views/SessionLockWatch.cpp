#include "SessionLockWatch.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>

#include <unistd.h>

namespace quorvane {

namespace {

const QString kLogin1 = QStringLiteral("org.freedesktop.login1");
const QString kLogin1Path = QStringLiteral("/org/freedesktop/login1");
const QString kLogin1Manager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kLogin1Session = QStringLiteral("org.freedesktop.login1.Session");

// Only a bus that is there is asked for: without one, the library would try to start one.
bool SessionBusExists() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        return true;
    }
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

bool SystemBusExists() {
    return !qEnvironmentVariableIsEmpty("DBUS_SYSTEM_BUS_ADDRESS") ||
           QFileInfo::exists(QStringLiteral("/run/dbus/system_bus_socket")) ||
           QFileInfo::exists(QStringLiteral("/var/run/dbus/system_bus_socket"));
}

} // namespace

SessionLockWatch::SessionLockWatch(QObject* parent)
    : QObject(parent) {
    if (SessionBusExists()) {
        QDBusConnection session = QDBusConnection::sessionBus();
        if (session.isConnected()) {
            const struct {
                QString service;
                QString path;
            } savers[] = {
                {QStringLiteral("org.freedesktop.ScreenSaver"),
                 QStringLiteral("/org/freedesktop/ScreenSaver")},
                {QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/ScreenSaver")},
                {QStringLiteral("org.gnome.ScreenSaver"), QStringLiteral("/org/gnome/ScreenSaver")},
            };
            for (const auto& saver : savers) {
                const QString interface = saver.service;
                watching_ |=
                    session.connect(saver.service, saver.path, interface, QStringLiteral("ActiveChanged"),
                                    this, SLOT(OnScreenSaverActive(bool)));
            }
        }
    }
    if (SystemBusExists()) {
        QDBusConnection system = QDBusConnection::systemBus();
        if (system.isConnected()) {
            watching_ |=
                system.connect(kLogin1, kLogin1Path, kLogin1Manager, QStringLiteral("PrepareForSleep"), this,
                               SLOT(OnPrepareForSleep(bool)));
            // The session's own object, to hear its Lock signal (loginctl lock-session, lid closed).
            QDBusMessage ask = QDBusMessage::createMethodCall(kLogin1, kLogin1Path, kLogin1Manager,
                                                              QStringLiteral("GetSessionByPID"));
            ask << static_cast<uint>(getpid());
            auto* call = new QDBusPendingCallWatcher(system.asyncCall(ask), this);
            connect(call, &QDBusPendingCallWatcher::finished, this, &SessionLockWatch::OnSessionFound);
        }
    }
}

void SessionLockWatch::OnSessionFound(QDBusPendingCallWatcher* call) {
    call->deleteLater();
    const QDBusPendingReply<QDBusObjectPath> reply = *call;
    if (!reply.isError()) {
        WatchSession(reply.value().path());
        return;
    }
    // Not started inside a session of its own (a terminal of another one): the desktop's session.
    const QString id = qEnvironmentVariable("XDG_SESSION_ID");
    if (id.isEmpty() || sessionWatched_) {
        return;
    }
    sessionWatched_ = true; // asked once only
    QDBusMessage ask =
        QDBusMessage::createMethodCall(kLogin1, kLogin1Path, kLogin1Manager, QStringLiteral("GetSession"));
    ask << id;
    auto* next = new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(ask), this);
    connect(next, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answer) {
        answer->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> found = *answer;
        if (!found.isError()) {
            WatchSession(found.value().path());
        }
    });
}

void SessionLockWatch::WatchSession(const QString& path) {
    if (path.isEmpty()) {
        return;
    }
    sessionWatched_ = true;
    QDBusConnection::systemBus().connect(kLogin1, path, kLogin1Session, QStringLiteral("Lock"), this,
                                         SLOT(OnSessionLock()));
}

void SessionLockWatch::OnScreenSaverActive(bool active) {
    if (active) {
        emit locked();
    }
}

void SessionLockWatch::OnPrepareForSleep(bool start) {
    if (start) {
        emit locked();
    }
}

void SessionLockWatch::OnSessionLock() {
    emit locked();
}

} // namespace quorvane
