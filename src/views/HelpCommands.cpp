#include "HelpCommands.h"

#include "CommandIds.h"
#include "HelpWindow.h"
#include "Icons.h"
#include "StringTable.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

namespace quorvane {

namespace {

QUrl Checked(const QVariant& value, const QUrl& fallback, bool mailAllowed) {
    if (!value.isValid()) {
        return fallback;
    }
    const QUrl url(value.toString().trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    const bool web =
        (scheme == QLatin1String("https") || scheme == QLatin1String("http")) && !url.host().isEmpty();
    const bool mail = mailAllowed && scheme == QLatin1String("mailto") && !url.path().isEmpty();
    return url.isValid() && (web || mail) ? url : fallback;
}

} // namespace

WebAddresses DefaultWebAddresses() {
    return {QUrl(QStringLiteral("https://quorvane.example/")),
            QUrl(QStringLiteral("mailto:support@quorvane.example?subject=Quorvane%202.5")),
            QUrl(QStringLiteral("https://quorvane.example/updates?version=2.5"))};
}

WebAddresses LoadWebAddresses(QSettings& settings) {
    const WebAddresses defaults = DefaultWebAddresses();
    settings.beginGroup(QStringLiteral("Web"));
    WebAddresses out{Checked(settings.value(QStringLiteral("HomePage")), defaults.homePage, false),
                     Checked(settings.value(QStringLiteral("Support")), defaults.support, true),
                     Checked(settings.value(QStringLiteral("Updates")), defaults.updates, false)};
    settings.endGroup();
    return out;
}

bool OpenWebCommand(int command, const WebAddresses& addresses, const UrlOpener& open) {
    QUrl url;
    switch (command) {
    case kCmdHomePage:
        url = addresses.homePage;
        break;
    case kCmdMailSupport:
        url = addresses.support;
        break;
    case kCmdCheckUpdates:
        url = addresses.updates;
        break;
    default:
        return false;
    }
    if (!url.isValid() || url.isEmpty()) {
        return false;
    }
    return open ? open(url) : QDesktopServices::openUrl(url);
}

QDialog* MakeAboutBox(QWidget* parent) {
    const DialogStrings strings = StringTable::Dialog(kDlgAbout);
    auto* box = new QDialog(parent);
    box->setObjectName(QStringLiteral("aboutBox"));
    box->setWindowTitle(strings.title);
    box->setAccessibleName(strings.title);

    auto* row = new QHBoxLayout;
    auto* icon = new QLabel(box);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    icon->setAccessibleName(QStringLiteral("Quorvane"));
    icon->setPixmap(QuorvanePixmap(IconId::Application, 64, box->devicePixelRatioF()));
    row->addWidget(icon, 0, Qt::AlignTop);

    auto* lines = new QVBoxLayout;
    auto* product = new QLabel(strings.text, box);
    product->setObjectName(QStringLiteral("aboutProduct"));
    product->setTextFormat(Qt::PlainText);
    QFont bold = product->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    product->setFont(bold);
    lines->addWidget(product);
    int n = 0;
    for (const QString& note : strings.notes) {
        auto* line = new QLabel(note, box);
        line->setObjectName(QStringLiteral("aboutLine%1").arg(n++));
        line->setTextFormat(Qt::PlainText);
        line->setWordWrap(true);
        lines->addWidget(line);
    }
    lines->addStretch(1);
    row->addLayout(lines, 1);

    auto* buttons = new QDialogButtonBox(box);
    QPushButton* ok =
        buttons->addButton(strings.buttons.value(0, QStringLiteral("&OK")), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, box, &QDialog::accept);

    auto* layout = new QVBoxLayout(box);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    return box;
}

void ShowAboutBox(QWidget* parent) {
    QDialog* box = MakeAboutBox(parent);
    box->exec();
    delete box;
}

bool RunHelpCommand(int command, QWidget* parent) {
    switch (command) {
    case kCmdHelpTopics:
    case kCmdHelpIndex:
    case kCmdContextHelp:
    case kCmdHelp:
    case kCmdDefaultHelp:
        HelpWindow::Open(HelpTopic::Contents);
        return true;
    case kCmdHomePage:
    case kCmdMailSupport:
    case kCmdCheckUpdates: {
        QSettings settings(QStringLiteral("KVQ"), QStringLiteral("Quorvane"));
        OpenWebCommand(command, LoadWebAddresses(settings));
        return true;
    }
    case kCmdAbout:
        ShowAboutBox(parent);
        return true;
    default:
        return false;
    }
}

} // namespace quorvane
