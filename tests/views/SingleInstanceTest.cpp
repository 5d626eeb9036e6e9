// One program per user: a later start hands its path to the first over the local socket; without a
// first one, or with only a socket left behind by a crash, the later start carries on by itself.
#include "SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace quorvane;

namespace {

// Runs `handOver` on a thread of its own (it blocks until answered) while this thread serves the
// first program's socket, as the two processes would.
bool HandOverFromElsewhere(const QString& name, const QString& path, QSignalSpy* spy) {
    auto later =
        std::async(std::launch::async, [name, path] { return SingleInstance(name).HandOver(path, 3000); });
    while (later.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    if (spy) {
        QCoreApplication::processEvents();
    }
    return later.get();
}

TEST(SingleInstance, ALaterStartHandsItsAbsolutePathToTheFirst) {
    QTemporaryDir dir;
    const QString name = dir.filePath("instance.socket");
    SingleInstance first(name);
    ASSERT_TRUE(first.Listen());
    QSignalSpy received(&first, &SingleInstance::pathReceived);

    const struct {
        QString given;
        QString expected;
    } cases[] = {
        {"/home/someone/Pictures/holiday.kvq", "/home/someone/Pictures/holiday.kvq"},
        {"relative/ä ö.kvq", QDir::current().absoluteFilePath("relative/ä ö.kvq")},
        {QString(), QString()}, // a start without a path only brings the program to the front
    };
    for (const auto& c : cases) {
        received.clear();
        EXPECT_TRUE(HandOverFromElsewhere(name, c.given, &received)) << c.given.toStdString();
        ASSERT_EQ(received.count(), 1);
        EXPECT_EQ(received.at(0).at(0).toString(), c.expected);
    }

    // While the first one runs, a second cannot take its place.
    SingleInstance second(name);
    EXPECT_FALSE(second.Listen());
}

TEST(SingleInstance, WithoutARunningProgramTheLaterStartCarriesOn) {
    QTemporaryDir dir;
    const QString name = dir.filePath("instance.socket");
    EXPECT_FALSE(SingleInstance(name).HandOver("/x.kvq", 500));
    {
        SingleInstance first(name);
        ASSERT_TRUE(first.Listen());
    }
    // The first one ended and took its socket with it.
    EXPECT_FALSE(QFile::exists(name));
    EXPECT_FALSE(SingleInstance(name).HandOver("/x.kvq", 500));
    SingleInstance again(name);
    EXPECT_TRUE(again.Listen());
}

TEST(SingleInstance, ASocketLeftBehindByACrashIsReplaced) {
    QTemporaryDir dir;
    const QString name = dir.filePath("instance.socket");
    // A bound socket nobody listens on: what a killed program leaves.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(name);
    ASSERT_LT(size_t(path.size()), sizeof(address.sun_path));
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
    ASSERT_TRUE(QFile::exists(name));

    EXPECT_FALSE(SingleInstance(name).HandOver("/x.kvq", 500));
    SingleInstance first(name);
    ASSERT_TRUE(first.Listen());
    QSignalSpy received(&first, &SingleInstance::pathReceived);
    EXPECT_TRUE(HandOverFromElsewhere(name, "/y.kvq", &received));
    ASSERT_EQ(received.count(), 1);
    EXPECT_EQ(received.at(0).at(0).toString(), QStringLiteral("/y.kvq"));
}

TEST(SingleInstance, AnOversizedOrBrokenMessageIsDroppedAndTheProgramKeepsListening) {
    QTemporaryDir dir;
    const QString name = dir.filePath("instance.socket");
    SingleInstance first(name);
    ASSERT_TRUE(first.Listen());
    QSignalSpy received(&first, &SingleInstance::pathReceived);
    auto junk = std::async(std::launch::async, [name] {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (!socket.waitForConnected(2000)) {
            return false;
        }
        socket.write(QByteArray("\xff\xff\xff\xff garbage", 13));
        socket.waitForBytesWritten(2000);
        socket.waitForDisconnected(2000);
        return socket.bytesAvailable() == 0; // no answer for a message it did not take
    });
    while (junk.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_TRUE(junk.get());
    EXPECT_EQ(received.count(), 0);
    EXPECT_TRUE(HandOverFromElsewhere(name, "/z.kvq", &received));
    EXPECT_EQ(received.count(), 1);
}

TEST(SingleInstance, PathsWaitInOrderWhileTheProgramIsNotReady) {
    QTemporaryDir dir;
    const QString name = dir.filePath("instance.socket");
    SingleInstance first(name);
    ASSERT_TRUE(first.Listen());
    bool ready = false; // e.g. an import is running, or a modal dialog is open
    first.SetReadyCheck([&ready] { return ready; }, 10);
    QSignalSpy received(&first, &SingleInstance::pathReceived);
    EXPECT_TRUE(HandOverFromElsewhere(name, "/one.kvq", &received)); // taken, though not yet opened
    EXPECT_TRUE(HandOverFromElsewhere(name, "/two.kvq", &received));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(received.count(), 0);
    ready = true;
    while (received.count() < 2 && received.wait(5000)) {
    }
    ASSERT_EQ(received.count(), 2);
    EXPECT_EQ(received.at(0).at(0).toString(), QStringLiteral("/one.kvq"));
    EXPECT_EQ(received.at(1).at(0).toString(), QStringLiteral("/two.kvq"));
}

// The child half of the next test: a separate process that only hands a path over.
TEST(SingleInstance, ChildHandsOver) {
    const QString name = qEnvironmentVariable("QUORVANE_HANDOVER_SOCKET");
    if (name.isEmpty()) {
        GTEST_SKIP() << "run by ALaterProcessHandsOver";
    }
    EXPECT_TRUE(SingleInstance(name).HandOver(qEnvironmentVariable("QUORVANE_HANDOVER_PATH")));
}

TEST(SingleInstance, ALaterProcessHandsOver) {
    QTemporaryDir dir;
    const QString name = dir.filePath("instance.socket");
    SingleInstance first(name);
    ASSERT_TRUE(first.Listen());
    QSignalSpy received(&first, &SingleInstance::pathReceived);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUORVANE_HANDOVER_SOCKET", name);
    env.insert("QUORVANE_HANDOVER_PATH", "/pictures/second.kvq");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=SingleInstance.ChildHandsOver", "--gtest_brief=1"});
    ASSERT_TRUE(child.waitForStarted());
    while (child.state() != QProcess::NotRunning) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        child.waitForFinished(20);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(child.exitCode(), 0) << child.readAll().toStdString();
    ASSERT_EQ(received.count(), 1);
    EXPECT_EQ(received.at(0).at(0).toString(), QStringLiteral("/pictures/second.kvq"));
}

} // namespace
