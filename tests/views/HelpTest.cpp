// The help window (offline, from the resources), the dialogs' help topics, the web commands'
// addresses and the About box.
#include "CommandIds.h"
#include "HelpCommands.h"
#include "HelpWindow.h"
#include "StringTable.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <gtest/gtest.h>

using namespace quorvane;

namespace {

QString ResourcePath(const QString& url) {
    return QString(url).replace(QStringLiteral("qrc:"), QStringLiteral(":"));
}

TEST(Help, EveryTopicOpensFromTheResourcesWithItsTitleAndWorkingLinks) {
    HelpWindow window;
    for (HelpTopic topic : AllHelpTopics()) {
        const QString url = HelpTopicUrl(topic);
        SCOPED_TRACE(url.toStdString());
        QFile file(ResourcePath(url));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll());
        window.ShowTopic(topic);
        EXPECT_EQ(window.browser()->source(), QUrl(url));
        // The page was read and laid out: its title and some of its text are in the document.
        const QString title =
            QRegularExpression(QStringLiteral("<title>(.*)</title>")).match(html).captured(1);
        EXPECT_FALSE(title.isEmpty());
        EXPECT_EQ(window.browser()->documentTitle(), title);
        EXPECT_GT(window.browser()->toPlainText().size(), 200);
        // Every link between the pages leads to a page that exists.
        const QRegularExpression link(QStringLiteral("href=\"([^\"#:]+)\""));
        for (auto it = link.globalMatch(html); it.hasNext();) {
            const QString target = it.next().captured(1);
            EXPECT_TRUE(QFile::exists(QStringLiteral(":/help/") + target)) << target.toStdString();
        }
    }
}

TEST(Help, DialogsOpenTheirTopicInOneWindowThatRemembersWhereItWas) {
    EXPECT_EQ(HelpTopicOfDialog(kDlgArchiveProperties), HelpTopic::Archives);
    EXPECT_EQ(HelpTopicOfDialog(kDlgAutoCloseCountdown), HelpTopic::AutoClose);
    EXPECT_EQ(HelpTopicOfDialog(kDlgFind), HelpTopic::Organising);
    EXPECT_EQ(HelpTopicOfDialog(kDlgWelcome), HelpTopic::Contents);
    EXPECT_EQ(HelpTopicOfDialog(-1), HelpTopic::Contents);

    ShowDialogHelp(kDlgArchiveProperties);
    HelpWindow* window = HelpWindow::Open(HelpTopic::Contents);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    ShowDialogHelp(kDlgAutoCloseCountdown);
    EXPECT_EQ(HelpWindow::Open(HelpTopic::AutoClose), window); // the same window, not a second one
    EXPECT_EQ(window->browser()->source(), QUrl(HelpTopicUrl(HelpTopic::AutoClose)));

    auto* back = window->findChild<QPushButton*>(QStringLiteral("back"));
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(back->isEnabled());
    back->click();
    EXPECT_EQ(window->browser()->source(), QUrl(HelpTopicUrl(HelpTopic::Contents)));
    window->close(); // deletes itself; the next Open makes a new one
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(RunHelpCommand(kCmdHelpTopics, nullptr));
    HelpWindow* again = HelpWindow::Open(HelpTopic::Contents);
    EXPECT_TRUE(again->isVisible());
    again->close();
    EXPECT_FALSE(RunHelpCommand(kCmdCut, nullptr));
}

TEST(WebCommands, AddressesComeFromTheSettingsOnlyWhenTheyAreWebOrMailAddresses) {
    QTemporaryDir dir;
    const WebAddresses defaults = DefaultWebAddresses();
    const struct {
        const char* key;
        QVariant value; // invalid: not set
        QUrl WebAddresses::*field;
        QUrl expected;
    } cases[] = {
        {"HomePage", QVariant(), &WebAddresses::homePage, defaults.homePage},
        {"HomePage", "https://pictures.example.org/quorvane", &WebAddresses::homePage,
         QUrl("https://pictures.example.org/quorvane")},
        {"HomePage", "file:///etc/passwd", &WebAddresses::homePage, defaults.homePage},
        {"HomePage", "mailto:someone@example.org", &WebAddresses::homePage, defaults.homePage},
        {"Updates", "javascript:alert(1)", &WebAddresses::updates, defaults.updates},
        {"Updates", "/usr/bin/xterm", &WebAddresses::updates, defaults.updates},
        {"Updates", "http://updates.example.org/", &WebAddresses::updates,
         QUrl("http://updates.example.org/")},
        {"Support", "mailto:help@example.org", &WebAddresses::support, QUrl("mailto:help@example.org")},
        {"Support", "https://help.example.org/", &WebAddresses::support, QUrl("https://help.example.org/")},
        {"Support", "", &WebAddresses::support, defaults.support},
    };
    int n = 0;
    for (const auto& c : cases) {
        QSettings settings(dir.filePath(QStringLiteral("%1.conf").arg(n++)), QSettings::IniFormat);
        if (c.value.isValid()) {
            settings.setValue(QStringLiteral("Web/") + QLatin1String(c.key), c.value);
        }
        EXPECT_EQ(LoadWebAddresses(settings).*c.field, c.expected)
            << c.key << " " << c.value.toString().toStdString();
    }
}

TEST(WebCommands, EachCommandOpensItsAddressAndAFailureIsOnlyReported) {
    const WebAddresses addresses{QUrl("https://a.example/"), QUrl("mailto:b@example.org"),
                                 QUrl("https://c.example/")};
    QList<QUrl> opened;
    bool succeed = true;
    const UrlOpener open = [&](const QUrl& url) {
        opened.append(url);
        return succeed;
    };
    EXPECT_TRUE(OpenWebCommand(kCmdHomePage, addresses, open));
    EXPECT_TRUE(OpenWebCommand(kCmdMailSupport, addresses, open));
    EXPECT_TRUE(OpenWebCommand(kCmdCheckUpdates, addresses, open));
    EXPECT_EQ(opened, (QList<QUrl>{addresses.homePage, addresses.support, addresses.updates}));
    succeed = false;
    EXPECT_FALSE(OpenWebCommand(kCmdHomePage, addresses, open));
    EXPECT_FALSE(OpenWebCommand(kCmdAbout, addresses, open));
    EXPECT_EQ(opened.size(), 4);
}

TEST(AboutBox, ShowsTheProductTheIconAndThreeLinesAndClosesWithEnter) {
    std::unique_ptr<QDialog> box(MakeAboutBox(nullptr));
    EXPECT_EQ(box->windowTitle(), QStringLiteral("About Quorvane"));
    auto* product = box->findChild<QLabel*>(QStringLiteral("aboutProduct"));
    ASSERT_NE(product, nullptr);
    EXPECT_EQ(product->text(), QStringLiteral("Quorvane\u00ae 2.5"));
    QStringList lines;
    for (int i = 0; auto* line = box->findChild<QLabel*>(QStringLiteral("aboutLine%1").arg(i)); ++i) {
        lines.append(line->text());
    }
    ASSERT_EQ(lines.size(), 3);
    for (const QString& line : lines) {
        EXPECT_FALSE(line.trimmed().isEmpty());
    }
    auto* icon = box->findChild<QLabel*>(QStringLiteral("aboutIcon"));
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
    auto* ok = box->findChild<QPushButton*>(QStringLiteral("ok"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("&OK"));

    int result = -1;
    QTimer::singleShot(0, box.get(), [&box] { QTest::keyClick(box.get(), Qt::Key_Return); });
    result = box->exec();
    EXPECT_EQ(result, QDialog::Accepted);
}

} // namespace
