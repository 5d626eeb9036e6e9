#include "ExportFolderDialog.h"

#include "StringTable.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

namespace quorvane {

namespace {

void Refuse(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Critical, StringTable::Text(kStrApplicationTitle), text, QMessageBox::Ok,
                    parent);
    box.setObjectName(QStringLiteral("messageDialog"));
    box.exec();
}

} // namespace

ExportFolderDialog::ExportFolderDialog(const QString& startFolder, QWidget* parent)
    : QFileDialog(parent) {
    setObjectName(QStringLiteral("exportFolderDialog"));
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::ShowDirsOnly);
    setFileMode(QFileDialog::Directory);
    setAcceptMode(QFileDialog::AcceptOpen);
    setWindowTitle(QStringLiteral("Select Export Folder"));
    setLabelText(QFileDialog::Accept, QStringLiteral("Select"));
    if (!startFolder.isEmpty()) {
        setDirectory(startFolder);
    }

    // The dialog's own file-name row gives way to the folder field; a folder chooser has no file types.
    auto* grid = findChild<QGridLayout*>(QStringLiteral("gridLayout"));
    auto* nameLabel = findChild<QLabel*>(QStringLiteral("fileNameLabel"));
    auto* nameEdit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    auto* label = new QLabel(QStringLiteral("Current Folder"), this);
    folderEdit_ = new QLineEdit(this);
    folderEdit_->setObjectName(QStringLiteral("folderEdit"));
    folderEdit_->setAccessibleName(QStringLiteral("Current Folder"));
    label->setBuddy(folderEdit_);
    if (grid != nullptr && nameLabel != nullptr && nameEdit != nullptr) {
        delete grid->replaceWidget(nameLabel, label);
        delete grid->replaceWidget(nameEdit, folderEdit_);
        nameLabel->hide();
        nameEdit->hide();
        if (auto* list = findChild<QWidget*>(QStringLiteral("listView"))) {
            setTabOrder(list, folderEdit_);
        }
    }
    for (const char* name : {"fileTypeLabel", "fileTypeCombo"}) {
        if (auto* widget = findChild<QWidget*>(QLatin1String(name))) {
            widget->hide();
        }
    }

    auto follow = [this](const QString& folder) { folderEdit_->setText(QDir::toNativeSeparators(folder)); };
    connect(this, &QFileDialog::directoryEntered, this, follow);
    // The folder shown also changes without the user entering one (the dialog's own setDirectory).
    if (auto* model = findChild<QFileSystemModel*>()) {
        connect(model, &QFileSystemModel::rootPathChanged, this, follow);
    }
    follow(directory().absolutePath());
}

void ExportFolderDialog::showEvent(QShowEvent* event) {
    QFileDialog::showEvent(event);
    // A path can be typed at once; the folder view is one Shift+Tab away.
    folderEdit_->setFocus();
    folderEdit_->selectAll();
}

void ExportFolderDialog::accept() {
    QString path = QDir::fromNativeSeparators(folderEdit_->text());
    if (path.isEmpty()) {
        path = directory().absolutePath();
    }
    // A doubled separator is refused anywhere but at the very start.
    if (path.indexOf(QLatin1String("//"), 1) >= 0) {
        Refuse(this, QStringLiteral("Invalid Folder"));
        return;
    }
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/"))) {
        path = QDir::homePath() + path.mid(1);
    }
    if (QDir::isRelativePath(path)) {
        path = directory().absoluteFilePath(path);
    }
    if (path.size() > 1 && path.endsWith(QLatin1Char('/'))) {
        path.chop(1);
    }

    const QFileInfo info(path);
    if (info.exists() && !info.isDir()) {
        // A file of that name: exporting into it could only fail later.
        Refuse(this, QStringLiteral("Invalid Folder"));
        return;
    }
    if (!info.exists()) {
        QMessageBox ask(QMessageBox::Question, StringTable::Text(kStrApplicationTitle),
                        QDir::toNativeSeparators(path) +
                            QStringLiteral("\n\nThis path does not exist. Do you want to create it?"),
                        QMessageBox::Yes | QMessageBox::No, this);
        ask.setObjectName(QStringLiteral("messageDialog"));
        ask.setDefaultButton(QMessageBox::Yes);
        if (ask.exec() != QMessageBox::Yes) {
            // No: the chooser stays open, so that another folder can be picked.
            return;
        }
        QDir().mkpath(path);
        if (!QFileInfo(path).isDir()) {
            Refuse(this, QStringLiteral("Could not create folder:\n") + QDir::toNativeSeparators(path));
            return;
        }
    }
    result_ = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    // QFileDialog's own accept would read its hidden file-name field again.
    done(QDialog::Accepted);
}

} // namespace quorvane
