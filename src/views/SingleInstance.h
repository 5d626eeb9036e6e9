#pragma once
// One running program per user. The first start listens on a local socket in the user's runtime
// folder; a later start (a second double-click on an archive) hands its path to that program and
// ends, instead of failing on the archive the first one holds locked.
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

class QLocalServer;
class QLocalSocket;

namespace quorvane {

class SingleInstance : public QObject {
    Q_OBJECT

public:
    // `name`: the socket's path; the default is the per-user one (DefaultName). Tests give their own.
    explicit SingleInstance(QString name = DefaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // "<runtime folder>/quorvane-<uid>.socket".
    static QString DefaultName();

    // A second start: gives `path` (made absolute; may be empty, meaning "come to the front") to the
    // running program. True once that program has taken it; false when none answers within
    // `timeoutMs`, and this start should carry on as the first.
    bool HandOver(const QString& path, int timeoutMs = 3000);

    // The first start: listens for later ones. A socket left behind by a program that ended without
    // removing it is removed; false when a live program already listens (or the socket cannot be made).
    bool Listen();
    bool IsListening() const;
    QString name() const { return name_; }

    // A path can arrive at any moment the event loop runs, a long operation's progress pump and a
    // modal dialog's loop included. Until `ready` answers true, received paths wait (in order) and
    // are offered again every `retryMs`.
    void SetReadyCheck(std::function<bool()> ready, int retryMs = 250);

signals:
    // A later start handed over `path` (absolute, or empty when it named none): open it and come to
    // the front.
    void pathReceived(const QString& path);

private:
    void Accept();
    void Read(QLocalSocket* socket);
    void Deliver();

    QString name_;
    QLocalServer* server_ = nullptr;
    std::function<bool()> ready_;
    QStringList pending_;
    QTimer retry_;
};

} // namespace quorvane
