// The import, open and create file dialogs and the export folder chooser, driven through the
// dialog interface in a folder of their own.
#include "DialogScript.h"

#include "QtWorkspaceDialogs.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

void Touch(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

// The names the dialog's list shows, sorted, once the folder has been read.
QStringList ShownNames(QWidget* dialog, int expected) {
    auto* view = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"));
    QStringList names;
    WaitUntil([&] {
        names.clear();
        const QModelIndex root = view->rootIndex();
        for (int row = 0; row < view->model()->rowCount(root); ++row) {
            names << view->model()->index(row, 0, root).data().toString();
        }
        return names.size() == expected;
    });
    names.sort(Qt::CaseInsensitive);
    return names;
}

void ChooseType(QWidget* dialog, int index) {
    auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    types->setCurrentIndex(index);
    emit types->activated(index);
}

void EnterName(QWidget* dialog, const QString& text) {
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    name->setFocus();
    name->setText(text);
    Press(Qt::Key_Return);
}

class FileDialogs : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString Path(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    QtWorkspaceDialogs dialogs;
};

TEST_F(FileDialogs, ImportMatchesExtensionsInAnyCaseAndReturnsFullPaths) {
    for (const char* name : {"a.jpg", "B.JPG", "c.Png", "d.tif", "notes.txt", "README"}) {
        Touch(Path(QString::fromLatin1(name)));
    }
    const QStringList chosen = Drive(
        {[&](QWidget* d) {
            EXPECT_EQ(d->windowTitle(), QStringLiteral("Import"));
            auto* types = d->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            EXPECT_EQ(types->itemText(0), QStringLiteral("Image Documents (*.bmp;*.gif;*.jpg;*.png;*.tif)"));
            EXPECT_EQ(types->count(), 7);
            EXPECT_EQ(ShownNames(d, 4), QStringList({"a.jpg", "B.JPG", "c.Png", "d.tif"}));
            ChooseType(d, 3); // JPG Documents (*.jpg)
            EXPECT_EQ(ShownNames(d, 2), QStringList({"a.jpg", "B.JPG"}));
            ChooseType(d, 6); // All Files (*.*), names without a dot too
            EXPECT_EQ(ShownNames(d, 6).size(), 6);
            ChooseType(d, 0);
            EnterName(d, QStringLiteral("\"a.jpg\" \"B.JPG\""));
        }},
        [&] { return dialogs.ChooseImportFiles(dir.path()); });
    QStringList sorted = chosen;
    sorted.sort();
    EXPECT_EQ(sorted, QStringList({Path("B.JPG"), Path("a.jpg")}));

    EXPECT_TRUE(Drive({[](QWidget*) { Press(Qt::Key_Escape); }}, [&] {
                    return dialogs.ChooseImportFiles(dir.path());
                }).isEmpty());
}

// "Remove the originals after import" starts clear, counts only when the dialog is accepted, and is
// offered ticked the next time.
TEST_F(FileDialogs, ImportRemembersRemoveTheOriginalsOnlyWhenAccepted) {
    Touch(Path("a.jpg"));
    EXPECT_FALSE(dialogs.RemoveOriginalsChosen());
    const auto tickAndLeave = [&](bool accept) {
        return Drive({[&](QWidget* d) {
                         auto* box = d->findChild<QCheckBox*>(QStringLiteral("removeOriginals"));
                         ASSERT_NE(box, nullptr);
                         EXPECT_EQ(box->text(), QStringLiteral("&Remove the originals after import"));
                         EXPECT_FALSE(box->accessibleName().isEmpty());
                         // Alt+R ticks or clears it, as a click would.
                         const bool was = box->isChecked();
                         Press(Qt::Key_R, Qt::AltModifier);
                         EXPECT_TRUE(WaitUntil([&] { return box->isChecked() != was; }));
                         if (accept) {
                             EnterName(d, QStringLiteral("a.jpg"));
                         } else {
                             Press(Qt::Key_Escape);
                         }
                     }},
                     [&] { return dialogs.ChooseImportFiles(dir.path()); });
    };
    EXPECT_TRUE(tickAndLeave(false).isEmpty());
    EXPECT_FALSE(dialogs.RemoveOriginalsChosen());
    EXPECT_EQ(tickAndLeave(true), QStringList({Path("a.jpg")}));
    EXPECT_TRUE(dialogs.RemoveOriginalsChosen());
    // Offered ticked now: unticking and accepting clears it.
    EXPECT_EQ(tickAndLeave(true), QStringList({Path("a.jpg")}));
    EXPECT_FALSE(dialogs.RemoveOriginalsChosen());
}

TEST_F(FileDialogs, OpenAndCreateArchives) {
    for (const char* name : {"Old.kvq", "Other.KVQ", "photo.jpg"}) {
        Touch(Path(QString::fromLatin1(name)));
    }
    const std::optional<QString> opened =
        Drive({[&](QWidget* d) {
                  EXPECT_EQ(d->windowTitle(), QStringLiteral("Open Archive"));
                  EXPECT_EQ(ShownNames(d, 2), QStringList({"Old.kvq", "Other.KVQ"}));
                  EnterName(d, QStringLiteral("Other.KVQ"));
              }},
              [&] { return dialogs.ChooseArchiveToOpen(dir.path()); });
    EXPECT_EQ(opened, Path("Other.KVQ"));

    const std::optional<QString> created =
        Drive({[&](QWidget* d) {
                  EXPECT_EQ(d->windowTitle(), QStringLiteral("Create Archive As"));
                  EXPECT_EQ(d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(),
                            QStringLiteral("Archive.kvq"));
                  EnterName(d, QStringLiteral("Holiday")); // the extension is added
              }},
              [&] { return dialogs.ChooseArchiveToCreate(dir.path(), QString()); });
    EXPECT_EQ(created, Path("Holiday.kvq"));

    // An existing archive is not replaced without asking; No keeps the dialog open.
    bool asked = false;
    const std::optional<QString> kept =
        Drive({[&](QWidget* d) {
                   EnterName(d, QStringLiteral("Old.kvq"));
                   EXPECT_TRUE(asked);
                   EXPECT_TRUE(d->isVisible());
                   Press(Qt::Key_Escape);
               },
               [&](QWidget* d) {
                   asked = qobject_cast<QMessageBox*>(d) != nullptr;
                   Press(Qt::Key_Escape);
               }},
              [&] { return dialogs.ChooseArchiveToCreate(dir.path(), QString()); });
    EXPECT_FALSE(kept.has_value());
}

// One run of the export chooser: the text typed into "Current Folder", then what follows.
std::optional<QString> Export(QtWorkspaceDialogs& dialogs, const QString& typed,
                              std::vector<DialogScript::Step> after = {},
                              const std::function<void(QWidget*)>& check = {}) {
    std::vector<DialogScript::Step> steps;
    steps.push_back([typed, check](QWidget* d) {
        auto* edit = d->findChild<QLineEdit*>(QStringLiteral("folderEdit"));
        edit->setFocus();
        edit->setText(typed);
        Press(Qt::Key_Return);
        if (check) {
            check(d);
        }
        if (d->isVisible()) {
            Press(Qt::Key_Escape);
        }
    });
    steps.insert(steps.end(), after.begin(), after.end());
    return Drive(std::move(steps), [&] { return dialogs.ChooseExportFolder(); });
}

DialogScript::Step Answer(QMessageBox::StandardButton button, QString* text = nullptr) {
    return [button, text](QWidget* d) {
        auto* box = qobject_cast<QMessageBox*>(d);
        ASSERT_NE(box, nullptr);
        if (text != nullptr) {
            *text = box->text();
        }
        box->button(button)->click();
    };
}

TEST_F(FileDialogs, ExportFolderChooser) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    Touch(Path("plain.txt"));
    dialogs.SetExportStartFolder(dir.path());

    // The field follows the folder shown; left empty it stands for that folder.
    EXPECT_EQ(Drive({[&](QWidget* d) {
                        EXPECT_EQ(d->windowTitle(), QStringLiteral("Select Export Folder"));
                        auto* chooser = qobject_cast<QFileDialog*>(d);
                        auto* edit = d->findChild<QLineEdit*>(QStringLiteral("folderEdit"));
                        EXPECT_EQ(edit->text(), dir.path());
                        chooser->setDirectory(Path("sub"));
                        EXPECT_EQ(edit->text(), Path("sub"));
                        edit->clear();
                        edit->setFocus();
                        Press(Qt::Key_Return);
                    }},
                    [&] { return dialogs.ChooseExportFolder(); }),
              Path("sub") + QLatin1Char('/'));

    // With or without a trailing separator, the result ends in exactly one.
    EXPECT_EQ(Export(dialogs, Path("sub")), Path("sub/"));
    EXPECT_EQ(Export(dialogs, Path("sub/")), Path("sub/"));

    // A doubled separator, or a file, is no folder: the chooser says so and stays open.
    for (const QString& bad : {dir.path() + QStringLiteral("//sub"), Path("sub//"), Path("plain.txt")}) {
        QString said;
        bool stayed = false;
        EXPECT_FALSE(Export(dialogs, bad, {Answer(QMessageBox::Ok, &said)}, [&](QWidget* d) {
                         stayed = d->isVisible();
                     }).has_value());
        EXPECT_EQ(said, QStringLiteral("Invalid Folder")) << bad.toStdString();
        EXPECT_TRUE(stayed);
    }

    // A missing chain is created on Yes.
    QString question;
    EXPECT_EQ(Export(dialogs, Path("x/y/z"), {Answer(QMessageBox::Yes, &question)}), Path("x/y/z/"));
    EXPECT_EQ(question,
              Path("x/y/z") + QStringLiteral("\n\nThis path does not exist. Do you want to create it?"));
    EXPECT_TRUE(QFileInfo(Path("x/y/z")).isDir());

    // No keeps the chooser open and creates nothing.
    bool stayed = false;
    EXPECT_FALSE(Export(dialogs, Path("n/m"), {Answer(QMessageBox::No)}, [&](QWidget* d) {
                     stayed = d->isVisible();
                 }).has_value());
    EXPECT_TRUE(stayed);
    EXPECT_FALSE(QFileInfo::exists(Path("n")));

    // A folder that cannot be made says so and keeps the chooser open.
    QString failure;
    stayed = false;
    EXPECT_FALSE(Export(dialogs, Path("plain.txt/inner"),
                        {Answer(QMessageBox::Yes), Answer(QMessageBox::Ok, &failure)},
                        [&](QWidget* d) { stayed = d->isVisible(); })
                     .has_value());
    EXPECT_EQ(failure, QStringLiteral("Could not create folder:\n") + Path("plain.txt/inner"));
    EXPECT_TRUE(stayed);

    // A relative name is taken inside the folder shown.
    EXPECT_EQ(Export(dialogs, QStringLiteral("sub")), Path("sub/"));
}

} // namespace
