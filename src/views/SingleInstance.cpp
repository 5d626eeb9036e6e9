#include "SingleInstance.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace quorvane {

namespace {

// A message is a 32-bit big-endian length and that many bytes of UTF-8 path; the answer one byte.
constexpr quint32 kMaxMessage = 64 * 1024;
constexpr char kTaken = 'T';

} // namespace

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent)
    , name_(std::move(name)) {
    retry_.setSingleShot(true);
    retry_.setInterval(250);
    connect(&retry_, &QTimer::timeout, this, &SingleInstance::Deliver);
}

void SingleInstance::SetReadyCheck(std::function<bool()> ready, int retryMs) {
    ready_ = std::move(ready);
    retry_.setInterval(retryMs);
}

void SingleInstance::Deliver() {
    while (!pending_.isEmpty()) {
        if (ready_ && !ready_()) {
            retry_.start();
            return;
        }
        emit pathReceived(pending_.takeFirst());
    }
}

SingleInstance::~SingleInstance() {
    if (server_) {
        server_->close(); // removes the socket file
    }
}

QString SingleInstance::DefaultName() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QDir::tempPath();
    }
    return QDir(folder).filePath(QStringLiteral("quorvane-%1.socket").arg(::getuid()));
}

bool SingleInstance::HandOver(const QString& path, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(timeoutMs)) {
        return false;
    }
    const QByteArray bytes = (path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath()).toUtf8();
    if (quint32(bytes.size()) > kMaxMessage) {
        return false;
    }
    QByteArray message;
    {
        QDataStream out(&message, QIODevice::WriteOnly);
        out << quint32(bytes.size());
    }
    message += bytes;
    socket.write(message);
    if (!socket.waitForBytesWritten(timeoutMs)) {
        return false;
    }
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(timeoutMs)) {
            return false;
        }
    }
    char answer = 0;
    return socket.getChar(&answer) && answer == kTaken;
}

bool SingleInstance::Listen() {
    if (server_) {
        return server_->isListening();
    }
    // A socket file is either a live program's (it answers) or one left by a crash. The check comes
    // first because listening with access options replaces an existing file without a word.
    if (QFileInfo::exists(name_)) {
        QLocalSocket probe;
        probe.connectToServer(name_);
        if (probe.waitForConnected(500)) {
            probe.abort();
            return false;
        }
        QLocalServer::removeServer(name_);
    }
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name_)) {
        delete server;
        return false;
    }
    server_ = server;
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::Accept);
    return true;
}

bool SingleInstance::IsListening() const {
    return server_ && server_->isListening();
}

void SingleInstance::Accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
        Read(socket);
    }
}

void SingleInstance::Read(QLocalSocket* socket) {
    if (socket->bytesAvailable() < 4) {
        return;
    }
    QByteArray head = socket->peek(4);
    quint32 length = 0;
    {
        QDataStream in(head);
        in >> length;
    }
    if (length > kMaxMessage) {
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < 4 + qint64(length)) {
        return;
    }
    socket->read(4);
    const QString path = QString::fromUtf8(socket->read(length));
    socket->disconnect(this); // one message per connection
    socket->putChar(kTaken);
    socket->flush();
    socket->disconnectFromServer();
    pending_.append(path);
    Deliver();
}

} // namespace quorvane
