// A person's session in the main window, driven by keys, mouse and drops: open an encrypted archive
// from the command line, browse it with thumbnails, import a folder tree by dropping it, drag a
// picture onto a folder, delete, undo, delete again, restore, empty the recycle bin, export a folder
// into a folder that does not exist yet, and close the window while an import runs.
#include "MainWindowFixture.h"

#include "CCodeList.h"
#include "CCodePict.h"
#include "CCodeText.h"
#include "CCodeTree.h"
#include "CommandIds.h"
#include "DialogScript.h"
#include "PaneFixture.h"
#include "SlideshowWindow.h"
#include "ThumbnailCache.h"
#include "Workspace.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

constexpr uint32_t kTwofish = 0x0CAB0001;

class MainWindowScenario : public MainWindowFixture {
protected:
    Workspace& Ws() { return window->GetWorkspace(); }
    CCodeArchive* Archive() { return Ws().ArchiveAt(1); }
    int NumberOf(const QString& name, int parent = -1) {
        for (int i = 0; Archive() && i < Archive()->entryCount(); ++i) {
            const CatalogueEntry* e = Archive()->Entry(EntryIndex(i));
            if (e && (parent < 0 || e->parent == parent) && Ws().EntryName(1, i + 1) == name) {
                return i + 1;
            }
        }
        return 0;
    }
    int ParentOf(int number) {
        const CatalogueEntry* e = Archive()->Entry(EntryIndex::OfNumber(number));
        return e ? e->parent : -1;
    }
    // Names directly in `folder`, sorted.
    std::set<QString> NamesIn(int folder) {
        std::set<QString> names;
        for (int i = 1; Archive() && i < Archive()->entryCount(); ++i) {
            const CatalogueEntry* e = Archive()->Entry(EntryIndex(i));
            if (e && e->parent == folder) {
                names.insert(Ws().EntryName(1, i + 1));
            }
        }
        return names;
    }
    QPoint TreeCentre(int folder, int slot = 1) {
        return window->Tree()->visualRect(window->Tree()->Model().IndexOf(slot, folder)).center();
    }
    // After a dialog or a progress window the offscreen platform leaves no window active, and only
    // the active window's widgets take focus from a click.
    void Activate() {
        if (!window->isActiveWindow()) {
            window->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        }
    }
    void ClickTree(int folder, int slot = 1) {
        Activate();
        QTest::mouseClick(window->Tree()->viewport(), Qt::LeftButton, Qt::NoModifier,
                          TreeCentre(folder, slot));
        QCoreApplication::processEvents();
    }
    int ListRow(int number) {
        for (int i = 0; i < window->List()->Model().Count(); ++i) {
            if (window->List()->Model().NumberAt(i) == number) {
                return i;
            }
        }
        return -1;
    }
    QPoint ListCentre(int number) {
        return window->List()
            ->CurrentView()
            ->visualRect(window->List()->Model().index(ListRow(number), 0))
            .center();
    }
    void ClickList(int number) {
        Activate();
        QTest::mouseClick(window->List()->CurrentView()->viewport(), Qt::LeftButton, Qt::NoModifier,
                          ListCentre(number));
        QCoreApplication::processEvents();
    }
    void Key(QKeyCombination key) {
        Activate();
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(), key.key(),
                        key.keyboardModifiers());
        QCoreApplication::processEvents();
    }
    // Answers the message box with the button of `role`'s standard or custom kind.
    static DialogScript::Step Answer(QMessageBox::StandardButton button, QString* said = nullptr) {
        return [button, said](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            ASSERT_NE(box, nullptr) << NameOf(dialog).toStdString();
            if (said) {
                *said = box->text();
            }
            if (QAbstractButton* b = box->button(button)) {
                b->click();
                return;
            }
            // Our own message boxes carry their labels as custom buttons: the first is Yes / OK.
            const QList<QAbstractButton*> buttons = box->buttons();
            QAbstractButton* pick = nullptr;
            for (QAbstractButton* candidate : buttons) {
                const QString text = candidate->text().remove(QLatin1Char('&'));
                if ((button == QMessageBox::Yes && text == QStringLiteral("Yes")) ||
                    (button == QMessageBox::Ok && text == QStringLiteral("OK")) ||
                    (button == QMessageBox::No && text == QStringLiteral("No"))) {
                    pick = candidate;
                }
            }
            ASSERT_NE(pick, nullptr) << box->text().toStdString();
            pick->click();
        };
    }
    static DialogScript::Step Password(const QString& text) {
        return [text](QWidget* dialog) {
            EXPECT_EQ(dialog->objectName(), QStringLiteral("passwordDialog"));
            auto* edit = Child<QLineEdit>(dialog, "password");
            ASSERT_NE(edit, nullptr);
            QTest::keyClicks(edit, text);
            QTest::keyClick(edit, Qt::Key_Return);
        };
    }
    void WriteImage(const QString& path, unsigned seed) {
        QDir().mkpath(QFileInfo(path).path());
        const std::vector<uint8_t> bytes = EncodedImage(70, 50, "jpeg", -1, seed);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    }
    QString Opened() {
        const CreateSettings settings = ScriptedHost::Encrypted(kTwofish, "secret", 8);
        path = PrepareArchive("photos", settings, {{"Trip", {"a.jpg", "b.jpg", "c.jpg"}}, {"Home", {}}});
        MakeWindow(1000, 640);
        Drive({Password(QStringLiteral("secret"))}, [&] { window->StartUp(path); });
        // Focus, and with it the active pane, follows clicks only in the active window.
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        return path;
    }

    QString path;
};

TEST_F(MainWindowScenario, ASessionFromOpeningToEmptyingTheBinAndExporting) {
    Opened();
    ASSERT_EQ(Ws().ArchiveCount(), 1);
    const int trip = NumberOf(QStringLiteral("Trip"), 0);
    const int home = NumberOf(QStringLiteral("Home"), 0);
    ASSERT_GT(trip, 0);
    ASSERT_GT(home, 0);

    // The tree: the archive, its folders by name, the bin last.
    CCodeTree* tree = window->Tree();
    const QModelIndex top = tree->Model().IndexOf(1, 0);
    ASSERT_TRUE(top.isValid());
    tree->expand(top);
    QStringList rows;
    for (QModelIndex i = tree->model()->index(0, 0); i.isValid(); i = tree->indexBelow(i)) {
        rows << i.data().toString();
    }
    EXPECT_EQ(rows, (QStringList{"photos", "Home", "Trip", "Recycle Bin"}));

    // The thumbnails of the folder shown are rendered as they are drawn.
    std::set<int> rendered;
    window->List()->Thumbnails().SetRenderHook([&](int number, int) { rendered.insert(number); });
    window->List()->SetViewMode(CCodeList::kModeThumbnails);
    ClickTree(trip);
    EXPECT_EQ(Ws().CurrentFolder(), trip);
    ASSERT_EQ(window->List()->Model().Count(), 3);
    window->List()->CurrentView()->viewport()->repaint();
    const int a = NumberOf(QStringLiteral("a.jpg"), trip);
    EXPECT_EQ(rendered, (std::set<int>{a, NumberOf(QStringLiteral("b.jpg"), trip),
                                       NumberOf(QStringLiteral("c.jpg"), trip)}));

    // A folder tree from the desktop dropped on Home is imported with its folders.
    const QString fixture = dir.filePath(QStringLiteral("fixture"));
    WriteImage(fixture + QStringLiteral("/one.jpg"), 11);
    WriteImage(fixture + QStringLiteral("/Sub/two.jpg"), 12);
    WriteImage(fixture + QStringLiteral("/Sub/three.jpg"), 13);
    std::unique_ptr<QMimeData> files(FileData({fixture}));
    EXPECT_EQ(DropOn(tree->viewport(), TreeCentre(home), files.get()), Qt::CopyAction);
    ASSERT_TRUE(WaitUntil([&] { return NumberOf(QStringLiteral("fixture"), home) > 0 && !Ws().Busy(); }));
    const int imported = NumberOf(QStringLiteral("fixture"), home);
    EXPECT_EQ(NamesIn(imported), (std::set<QString>{"one.jpg", "Sub"}));
    EXPECT_EQ(NamesIn(NumberOf(QStringLiteral("Sub"), imported)),
              (std::set<QString>{"two.jpg", "three.jpg"}));

    // a.jpg dragged from the list onto Home moves there.
    ClickTree(trip);
    ClickList(NumberOf(QStringLiteral("a.jpg"), trip));
    EXPECT_EQ(window->Active(), ActivePane::List);
    window->List()->SetDragRunner([&](QDrag& drag) {
        const QPoint at = TreeCentre(NumberOf(QStringLiteral("Home"), 0));
        EXPECT_EQ(DragMoveOver(tree->viewport(), at, drag.mimeData()), Qt::MoveAction);
        return DropOn(tree->viewport(), at, drag.mimeData());
    });
    const QPoint from = ListCentre(NumberOf(QStringLiteral("a.jpg"), trip));
    QWidget* listArea = window->List()->CurrentView()->viewport();
    QTest::mousePress(listArea, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(listArea, from + QPoint(QApplication::startDragDistance() + 5, 0));
    QTest::mouseMove(listArea, from + QPoint(2 * QApplication::startDragDistance() + 10, 3));
    QTest::mouseRelease(listArea, Qt::LeftButton, Qt::NoModifier, from);
    ASSERT_TRUE(WaitUntil(
        [&] { return NumberOf(QStringLiteral("a.jpg"), NumberOf(QStringLiteral("Home"), 0)) > 0; }));
    EXPECT_EQ(NumberOf(QStringLiteral("a.jpg"), NumberOf(QStringLiteral("Trip"), 0)), 0);

    // Delete b.jpg (into the bin), undo it, delete it again, restore it from the bin.
    ClickTree(NumberOf(QStringLiteral("Trip"), 0));
    ClickList(NumberOf(QStringLiteral("b.jpg"), NumberOf(QStringLiteral("Trip"), 0)));
    Drive({Answer(QMessageBox::Yes)}, [&] { Key(QKeyCombination(Qt::Key_Delete)); });
    EXPECT_GT(NumberOf(QStringLiteral("b.jpg"), 1), 0);
    EXPECT_EQ(NumberOf(QStringLiteral("b.jpg"), NumberOf(QStringLiteral("Trip"), 0)), 0);
    Key(Qt::CTRL | Qt::Key_Z);
    EXPECT_GT(NumberOf(QStringLiteral("b.jpg"), NumberOf(QStringLiteral("Trip"), 0)), 0);
    EXPECT_EQ(NumberOf(QStringLiteral("b.jpg"), 1), 0);
    ClickList(NumberOf(QStringLiteral("b.jpg"), NumberOf(QStringLiteral("Trip"), 0)));
    Drive({Answer(QMessageBox::Yes)}, [&] { Key(QKeyCombination(Qt::Key_Delete)); });
    ASSERT_GT(NumberOf(QStringLiteral("b.jpg"), 1), 0);
    ClickTree(1);
    ClickList(NumberOf(QStringLiteral("b.jpg"), 1));
    window->Action(kCmdRestore)->trigger();
    QCoreApplication::processEvents();

    // Restored items go to the archive's top level.
    EXPECT_GT(NumberOf(QStringLiteral("b.jpg"), 0), 0);
    EXPECT_EQ(NumberOf(QStringLiteral("b.jpg"), 1), 0);

    // c.jpg into the bin, and the bin emptied: it is gone for good, the others stay.
    ClickTree(NumberOf(QStringLiteral("Trip"), 0));
    ClickList(NumberOf(QStringLiteral("c.jpg"), NumberOf(QStringLiteral("Trip"), 0)));
    Drive({Answer(QMessageBox::Yes)}, [&] { Key(QKeyCombination(Qt::Key_Delete)); });
    ASSERT_GT(NumberOf(QStringLiteral("c.jpg"), 1), 0);
    Drive({Answer(QMessageBox::Yes)}, [&] { Key(Qt::CTRL | Qt::Key_B); });
    ASSERT_TRUE(WaitUntil([&] { return !Ws().Busy(); }));
    EXPECT_TRUE(NamesIn(1).empty());
    EXPECT_EQ(NumberOf(QStringLiteral("c.jpg")), 0);
    EXPECT_TRUE(NamesIn(NumberOf(QStringLiteral("Trip"), 0)).empty());
    EXPECT_EQ(NamesIn(0), (std::set<QString>{"Trip", "Home", "b.jpg"}));

    // Home exported into a folder that does not exist yet, named with a trailing separator.
    ClickTree(NumberOf(QStringLiteral("Home"), 0));
    const QString target = dir.filePath(QStringLiteral("out/pictures")) + QLatin1Char('/');
    QString question;
    Drive({[&](QWidget* chooser) {
               auto* edit = Child<QLineEdit>(chooser, "folderEdit");
               ASSERT_NE(edit, nullptr);
               edit->setText(target);
               edit->setFocus();
               QTest::keyClick(edit, Qt::Key_Return);
           },
           Answer(QMessageBox::Yes, &question)},
          [&] { Key(Qt::CTRL | Qt::Key_S); });
    ASSERT_TRUE(WaitUntil([&] { return !Ws().Busy(); }));
    EXPECT_TRUE(question.endsWith(QStringLiteral("This path does not exist. Do you want to create it?")));
    EXPECT_TRUE(QFileInfo(target + QStringLiteral("Home/a.jpg")).isFile());
    EXPECT_TRUE(QFileInfo(target + QStringLiteral("Home/fixture/Sub/two.jpg")).isFile());

    // "E&xit": the archive is saved and closed, the preferences written.
    QSignalSpy closed(window.get(), &CCodeMain::closed);
    window->Action(kCmdExit)->trigger();
    ASSERT_EQ(closed.count(), 1);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(Stored(QStringLiteral("MTW")).isValid());
    ScriptedHost host;
    std::unique_ptr<CCodeArchive> again = OpenArchive(PosixFileSystem(), host, path.toStdString(), "secret");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(CheckErrors(*again), "");
}

// Ctrl+L makes a folder and opens its name for typing at once.
TEST_F(MainWindowScenario, ANewFolderOpensItsNameForTyping) {
    Opened();
    const int home = NumberOf(QStringLiteral("Home"), 0);
    window->List()->SetViewMode(CCodeList::kModeThumbnails);
    ClickTree(home);
    Key(Qt::CTRL | Qt::Key_L);
    const int made = NumberOf(QStringLiteral("New Folder"), home);
    ASSERT_GT(made, 0);
    ASSERT_TRUE(window->LabelEditing());
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->selectedText(), QStringLiteral("New Folder"));
    // It can be told from the white list around it, and its letters are whole.
    const QImage drawn = editor->grab().toImage();
    EXPECT_NE(drawn.pixelColor(0, drawn.height() / 2), editor->palette().color(QPalette::Base));
    EXPECT_GE(editor->height(), editor->sizeHint().height());
    // The editor sits on the name, not over the icon.
    const QRect item =
        window->List()->CurrentView()->visualRect(window->List()->Model().index(ListRow(made), 0));
    EXPECT_GT(editor->geometry().top(), item.top() + item.height() / 2);
    QTest::keyClicks(editor, QStringLiteral("Holidays"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_FALSE(window->LabelEditing());
    EXPECT_EQ(NumberOf(QStringLiteral("Holidays"), home), made);
}

// A delete deep in a long folder leaves the list where it was, with the picture that took the deleted
// one's row selected and shown, as in a file manager; after the last picture, the new last one.
TEST_F(MainWindowScenario, ADeleteKeepsTheListWhereItWasAndSelectsTheNextPicture) {
    constexpr int kPictures = 40;
    std::vector<std::string> names;
    names.reserve(kPictures);
    for (int i = 0; i < kPictures; ++i) {
        names.push_back(QStringLiteral("p%1.jpg").arg(i, 2, 10, QLatin1Char('0')).toStdString());
    }
    path = PrepareArchive("many", ScriptedHost::Encrypted(kTwofish, "secret", 8), {{"Lots", names}});
    MakeWindow(1000, 640);
    Drive({Password(QStringLiteral("secret"))}, [&] { window->StartUp(path); });
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const int lots = NumberOf(QStringLiteral("Lots"), 0);
    ClickTree(lots);
    QScrollBar* bar = window->List()->CurrentView()->verticalScrollBar();

    struct Step {
        const char* deleted;
        const char* selectedAfter;
    };
    for (const Step step : {Step{"p25.jpg", "p26.jpg"}, Step{"p39.jpg", "p38.jpg"}}) {
        SCOPED_TRACE(step.deleted);
        const int deleted = NumberOf(QString::fromLatin1(step.deleted), lots);
        const int next = NumberOf(QString::fromLatin1(step.selectedAfter), lots);
        window->List()->SelectEntry(deleted, false);
        QCoreApplication::processEvents();
        const int scrolled = bar->value();
        ASSERT_GT(scrolled, 0);
        ClickList(deleted);
        Drive({Answer(QMessageBox::Yes)}, [&] { Key(QKeyCombination(Qt::Key_Delete)); });
        ASSERT_EQ(ParentOf(deleted), 1) << "in the bin";
        // One row shorter: at the end the list can only come back as far down as it now goes.
        EXPECT_EQ(bar->value(), std::min(scrolled, bar->maximum()));
        EXPECT_EQ(window->List()->FocusedEntry(), next);
        EXPECT_EQ(window->Pict()->ShownNumber(), next);
    }
}

// A held arrow key walks the list as fast as it repeats: its repeats only move the selection, and
// the preview decodes what they left selected once they stop coming, not every picture on the way.
TEST_F(MainWindowScenario, AHeldArrowKeyShowsThePictureItStopsAt) {
    std::vector<std::string> names;
    names.reserve(8);
    for (int i = 0; i < 8; ++i) {
        names.push_back(QStringLiteral("p%1.jpg").arg(i).toStdString());
    }
    path = PrepareArchive("held", ScriptedHost::Encrypted(kTwofish, "secret", 8), {{"Lots", names}});
    MakeWindow(1000, 640);
    Drive({Password(QStringLiteral("secret"))}, [&] { window->StartUp(path); });
    const int lots = NumberOf(QStringLiteral("Lots"), 0);
    ClickTree(lots);
    window->List()->SetViewMode(CCodeList::kModeDetails);
    const auto picture = [&](int i) { return NumberOf(QStringLiteral("p%1.jpg").arg(i), lots); };
    ClickList(picture(0));
    ASSERT_EQ(window->Pict()->ShownNumber(), picture(0));

    QWidget* view = window->List()->CurrentView();
    for (int i = 0; i < 5; ++i) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(view, &repeat);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(window->List()->FocusedEntry(), picture(5));
    EXPECT_EQ(window->Pict()->ShownNumber(), picture(0)) << "a picture was decoded while repeats came";
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->Pict()->ShownNumber() == picture(5); }, 2000))
        << "not shown once the repeats stopped";

    // A press of its own shows its picture at once, as a click does.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(view, &press);
    EXPECT_EQ(window->Pict()->ShownNumber(), picture(6));
}

// The list selects its last picture again when it comes back to the folder, but only in the archive
// it was chosen in: another archive's folder opens with nothing selected, not with the picture that
// has the same number there shown in the preview.
TEST_F(MainWindowScenario, AnotherArchiveDoesNotSelectThePictureWithTheSameNumber) {
    const auto settings = ScriptedHost::Encrypted(kTwofish, "secret", 8);
    path = PrepareArchive("one", settings, {{"Lots", {"a.jpg", "b.jpg", "c.jpg"}}});
    const QString other = PrepareArchive("two", settings, {{"Lots", {"a.jpg", "b.jpg", "c.jpg"}}});
    MakeWindow(1000, 640);
    Drive({Password(QStringLiteral("secret"))}, [&] { window->StartUp(path); });
    Drive({Password(QStringLiteral("secret"))}, [&] { EXPECT_EQ(Ws().Open(other), kOk); });
    ASSERT_EQ(Ws().ArchiveCount(), 2);
    const int lots = NumberOf(QStringLiteral("Lots"), 0);
    const int b = NumberOf(QStringLiteral("b.jpg"), lots);
    ClickTree(lots, 1);
    ClickList(b);
    ASSERT_EQ(window->Pict()->ShownNumber(), b);

    ClickTree(lots, 2); // the same numbers in the other archive
    ASSERT_EQ(Ws().CurrentArchive(), 2);
    EXPECT_EQ(window->List()->SelectedCount(), 0);

    ClickTree(lots, 1);
    EXPECT_EQ(window->List()->FocusedEntry(), b);
}

// Pictures picked with Ctrl stay picked when the folder is filled again around them: a file dropped
// into it adds a row but leaves the selection, and the keyboard, where they were. The import leaves
// the tree active and the window without focus (its progress window had it): a drag started with a
// press on the list still carries the list's pictures, not the tree's folder.
TEST_F(MainWindowScenario, AnImportIntoTheShownFolderKeepsEveryPictureSelected) {
    Opened();
    const int trip = NumberOf(QStringLiteral("Trip"), 0);
    const int home = NumberOf(QStringLiteral("Home"), 0);
    const int a = NumberOf(QStringLiteral("a.jpg"), trip);
    const int c = NumberOf(QStringLiteral("c.jpg"), trip);
    ClickTree(trip);
    window->List()->SetViewMode(CCodeList::kModeDetails);
    ClickList(a);
    QWidget* area = window->List()->CurrentView()->viewport();
    QTest::mouseClick(area, Qt::LeftButton, Qt::ControlModifier, ListCentre(c));
    ASSERT_EQ(window->List()->SelectedCount(), 2);

    const QString dropped = dir.filePath(QStringLiteral("desk/d.jpg"));
    WriteImage(dropped, 21);
    std::unique_ptr<QMimeData> files(FileData({dropped}));
    EXPECT_EQ(DropOn(area, QPoint(area->width() - 5, area->height() - 5), files.get()), Qt::CopyAction);
    ASSERT_TRUE(WaitUntil([&] { return NumberOf(QStringLiteral("d.jpg"), trip) > 0 && !Ws().Busy(); }));
    ASSERT_EQ(window->List()->Model().Count(), 4);
    EXPECT_EQ(window->List()->Gather(SelectionPurpose::Export), (std::vector<int>{a, c}));
    EXPECT_EQ(window->List()->FocusedEntry(), c);

    window->List()->SetDragRunner([&](QDrag& drag) {
        const QPoint at = TreeCentre(home);
        EXPECT_EQ(DragMoveOver(window->Tree()->viewport(), at, drag.mimeData()), Qt::MoveAction);
        return DropOn(window->Tree()->viewport(), at, drag.mimeData());
    });
    const QPoint from = ListCentre(c);
    QTest::mousePress(area, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(area, from + QPoint(QApplication::startDragDistance() + 5, 0));
    QTest::mouseMove(area, from + QPoint(2 * QApplication::startDragDistance() + 10, 3));
    QTest::mouseRelease(area, Qt::LeftButton, Qt::NoModifier, from);
    ASSERT_TRUE(WaitUntil([&] { return ParentOf(c) != trip && !Ws().Busy(); }));
    EXPECT_EQ(ParentOf(trip), 0) << "the folder was dragged instead";
    EXPECT_EQ(ParentOf(a), home);
    EXPECT_EQ(ParentOf(c), home);

    // The same for the tree, pressed while the list is active and another window has the focus.
    ClickList(NumberOf(QStringLiteral("b.jpg"), trip));
    ASSERT_EQ(window->Active(), ActivePane::List);
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    QTest::mousePress(window->Tree()->viewport(), Qt::LeftButton, Qt::NoModifier, TreeCentre(trip));
    QTest::mouseRelease(window->Tree()->viewport(), Qt::LeftButton, Qt::NoModifier, TreeCentre(trip));
    EXPECT_EQ(window->Active(), ActivePane::Tree);
}

// What a command selects is shown as a click would show it: Find's match appears in the preview
// once the command is over, and renaming the shown picture renames the caption above it.
TEST_F(MainWindowScenario, FindShowsItsMatchAndARenameRenamesTheCaption) {
    Opened();
    const int trip = NumberOf(QStringLiteral("Trip"), 0);
    const int b = NumberOf(QStringLiteral("b.jpg"), trip);
    ASSERT_GT(b, 0);
    Drive({[](QWidget* dialog) {
              EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Find"));
              QTest::keyClicks(Child<QLineEdit>(dialog, "findText"), QStringLiteral("b.j"));
              Press(Qt::Key_Return);
          }},
          [&] { Key(Qt::CTRL | Qt::Key_F); });
    EXPECT_EQ(Ws().CurrentFolder(), trip);
    EXPECT_EQ(window->Pict()->ShownNumber(), b);
    EXPECT_EQ(window->Caption(2)->Caption(), QStringLiteral("Preview of 'b.jpg'"));

    EXPECT_EQ(Ws().Rename(1, b, QStringLiteral("beach")), kOk);
    EXPECT_EQ(window->Caption(2)->Caption(), QStringLiteral("Preview of 'beach.jpg'"));
}

// After the full-screen slideshow the window takes the keys again, in the list it was started from;
// so it does after the About box.
TEST_F(MainWindowScenario, AfterTheSlideshowAndTheAboutBoxTheWindowTakesTheKeys) {
    Opened();
    const int trip = NumberOf(QStringLiteral("Trip"), 0);
    ClickTree(trip);
    ClickList(NumberOf(QStringLiteral("a.jpg"), trip));
    bool ran = false;
    QTimer::singleShot(0, window.get(), [&] {
        SlideshowWindow* shown = window->SlideshowControl().Window();
        ASSERT_NE(shown, nullptr);
        ran = window->SlideshowControl().Running();
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(shown, &escape);
    });
    Key(Qt::CTRL | Qt::Key_P);
    EXPECT_TRUE(ran);
    EXPECT_FALSE(window->SlideshowControl().Running());
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get(), 1000));
    EXPECT_EQ(QApplication::focusWidget(), window->List()->CurrentView());

    Drive({[](QWidget* box) {
              EXPECT_EQ(box->windowTitle(), QStringLiteral("About Quorvane"));
              Press(Qt::Key_Escape);
          }},
          [&] { window->Execute(kCmdAbout); });
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get(), 1000));
    EXPECT_EQ(QApplication::focusWidget(), window->List()->CurrentView());
}

// The status bar describes the picture the preview shows, and goes blank when the preview lets
// go of it.
TEST_F(MainWindowScenario, TheStatusBarPanesDescribeTheShownImage) {
    Opened();
    const int trip = NumberOf(QStringLiteral("Trip"), 0);
    ClickTree(trip);
    const int a = NumberOf(QStringLiteral("a.jpg"), trip);
    ASSERT_GT(a, 0);
    const CatalogueEntry* entry = Archive()->Entry(EntryIndex::OfNumber(a));
    ASSERT_NE(entry, nullptr);
    const QStringList expected = {QStringLiteral("%1x%2").arg(entry->width).arg(entry->height),
                                  QStringLiteral("JPEG"), QStringLiteral("True Color"),
                                  QString::number(entry->size / 1024.0, 'f', 1) + QStringLiteral("KB")};
    auto panes = [&] {
        QStringList texts;
        for (int pane = 3001; pane <= 3004; ++pane) {
            texts << window->StatusText(pane);
            auto* label = window->findChild<QLabel*>(QStringLiteral("statusPane%1").arg(pane));
            EXPECT_TRUE(label && label->isVisible() && label->text() == texts.last()) << pane;
        }
        return texts;
    };
    EXPECT_EQ(panes(), (QStringList{" ", " ", " ", " "}));
    ClickList(a);
    ASSERT_EQ(window->Pict()->ShownNumber(), a);
    EXPECT_EQ(panes(), expected);
    // The idle refresh keeps them while the picture stays.
    QTest::qWait(30 * CCodeMain::kIdleInterval);
    EXPECT_EQ(panes(), expected);
    window->Execute(kCmdHidePreview);
    EXPECT_FALSE(window->Pict()->Shown());
    EXPECT_TRUE(WaitUntil([&] { return window->StatusText(3001) == QStringLiteral(" "); }));
    EXPECT_EQ(panes(), (QStringList{" ", " ", " ", " "}));
}

// The start-up prompts close with the window active and a pane focused, so that the first key
// typed after them (here Ctrl+Q) reaches the window without a click first.
TEST_F(MainWindowScenario, AfterTheStartUpPromptsTheWindowTakesTheKeys) {
    const CreateSettings settings = ScriptedHost::Encrypted(kTwofish, "secret", 8);
    path = PrepareArchive("photos", settings, {{"Trip", {"a.jpg"}}});
    struct Case {
        const char* what;
        bool welcome;
    };
    for (const Case& c : {Case{"password", false}, Case{"welcome, cancelled", true}}) {
        SCOPED_TRACE(c.what);
        Preset(QStringLiteral("DG1"), c.welcome ? 0 : 1);
        MakeWindow(1000, 640, c.welcome);
        if (c.welcome) {
            Drive({[](QWidget* dialog) {
                      EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Welcome to Quorvane"));
                      Press(Qt::Key_Escape);
                  }},
                  [&] { window->StartUp(QString()); });
        } else {
            Drive({Password(QStringLiteral("secret"))}, [&] { window->StartUp(path); });
            EXPECT_EQ(Ws().ArchiveCount(), 1);
        }
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get(), 1000));
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        EXPECT_TRUE(focus == window->Tree() || focus == window->List()->CurrentView())
            << NameOf(focus).toStdString();
        QSignalSpy closed(window.get(), &CCodeMain::closed);
        QTest::keyClick(focus, Qt::Key_Q, Qt::ControlModifier);
        EXPECT_TRUE(WaitUntil([&] { return closed.count() == 1; }));
        window.reset();
    }
}

TEST_F(MainWindowScenario, ClosingTheWindowDuringAnImportCancelsItAndKeepsTheArchive) {
    Opened();
    ASSERT_EQ(Ws().ArchiveCount(), 1);
    const int home = NumberOf(QStringLiteral("Home"), 0);
    const int before = Archive()->entryCount();
    QStringList many;
    for (int i = 0; i < 40; ++i) {
        const QString file = dir.filePath(QStringLiteral("batch/p%1.jpg").arg(i));
        WriteImage(file, 100 + static_cast<unsigned>(i));
        many << file;
    }
    ClickTree(home);
    // The close arrives from the event loop that the import's progress window runs.
    bool closeAsked = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!closeAsked && modal && modal->objectName() == QStringLiteral("progressDialog") && Ws().Busy()) {
            closeAsked = true;
            window->close();
            EXPECT_TRUE(window->isVisible()); // not yet: the import unwinds first
        }
    });
    poll.start(1);
    QSignalSpy closed(window.get(), &CCodeMain::closed);
    std::unique_ptr<QMimeData> files(FileData(many));
    QWidget* listArea = window->List()->CurrentView()->viewport();
    EXPECT_EQ(DropOn(listArea, QPoint(listArea->width() - 5, listArea->height() - 5), files.get()),
              Qt::CopyAction);
    ASSERT_TRUE(WaitUntil([&] { return closed.count() == 1; }));
    poll.stop();
    EXPECT_TRUE(closeAsked);
    EXPECT_EQ(Ws().ArchiveCount(), 0);

    // The archive opens again, sound, with what it held and at most the pictures imported before
    // the cancel.
    ScriptedHost host;
    std::unique_ptr<CCodeArchive> again = OpenArchive(PosixFileSystem(), host, path.toStdString(), "secret");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(CheckErrors(*again), "");
    EXPECT_GE(again->entryCount(), before);
    EXPECT_LT(again->entryCount(), before + 40);
}

} // namespace
