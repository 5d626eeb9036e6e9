// The Workspace's life cycle and item commands over real archives in memory: opening with its
// password attempts, creating, closing, drops from the desktop, new folders, renames, opening
// items, comments, properties and find.
#include "WorkspaceFixture.h"

#include "CommandIds.h"
#include "ImageSamples.h"
#include "StringTable.h"

#include <QSettings>
#include <QTemporaryDir>

#include <map>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

class WorkspaceTest : public WorkspaceFixture {};

QString Error(int code) {
    return StringTable::ErrorText(code);
}

TEST_F(WorkspaceTest, OpenAsksForThePasswordAgainOnlyAfterAWrongOne) {
    ASSERT_EQ(CreateArchive("/a/secret.kvq", "right"), kOk);
    ASSERT_EQ(ws.Close(false), kOk);

    struct Case {
        const char* name;
        std::vector<std::optional<QString>> answers;
        int status;
        int prompts;
        int messages;
    };
    const Case cases[] = {
        {"three wrong passwords give up", {"w1", "w2", "w3", "right"}, kErrPassword, 3, 3},
        {"the second attempt opens", {"wrong", "right"}, kOk, 2, 1},
        {"a cancelled prompt ends at once", {std::nullopt, "right"}, kCancelled, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.passwords.assign(c.answers.begin(), c.answers.end());
        dialogs.calls.clear();
        dialogs.messages.clear();
        EXPECT_EQ(ws.Open("/a/secret.kvq"), c.status);
        EXPECT_EQ(dialogs.Count("AskPassword secret"), c.prompts);
        EXPECT_EQ(dialogs.messages.size(), static_cast<size_t>(c.messages));
        EXPECT_EQ(ws.ArchiveCount(), c.status == kOk ? 1 : 0);
        if (ws.ArchiveCount() == 1) {
            EXPECT_EQ(ws.CurrentArchive(), 1);
            ASSERT_EQ(ws.Close(false), kOk);
        }
    }
}

TEST_F(WorkspaceTest, AFileThatIsNoArchiveGivesOneMessageAndNoRetry) {
    fs.Put("/a/holiday.kvq", EncodedImage(16, 16, "png"));
    dialogs.passwords = {"x", "x", "x"};
    EXPECT_EQ(ws.Open("/a/holiday.kvq"), kErrPassword);
    EXPECT_EQ(dialogs.messages, QStringList{Error(kErrPassword)});
    EXPECT_EQ(dialogs.Count("AskPassword holiday"), 0);
    EXPECT_EQ(ws.ArchiveCount(), 0);
}

TEST_F(WorkspaceTest, OpenWithoutAPathUsesTheDialogAndRemembersItsFolder) {
    fs.MakeDirectory("/b");
    ASSERT_EQ(CreateArchive("/b/box.kvq"), kOk);
    ASSERT_EQ(ws.Close(false), kOk);
    frame.layout = PaneLayout::HideArchive;
    prefs.archiveFolder = "/elsewhere/";

    EXPECT_EQ(ws.Open(), kOk) << "a cancelled dialog ends the command without a word";
    EXPECT_TRUE(dialogs.Saw("ChooseArchiveToOpen /elsewhere/"));
    EXPECT_EQ(ws.ArchiveCount(), 0);

    dialogs.openChoices.push_back(QString("/b/box.kvq"));
    EXPECT_EQ(ws.DispatchCommand(kCmdOpen), kOk);
    EXPECT_EQ(ws.ArchiveCount(), 1);
    EXPECT_EQ(prefs.archiveFolder, "/b/");
    EXPECT_EQ(frame.layout, PaneLayout::ShowAll) << "the archive pane is made visible";
    EXPECT_EQ(frame.captions[1], "Contents of 'box'");
}

TEST_F(WorkspaceTest, CreateOffersArchiveKvqAndGettingStartedLeadsToImport) {
    prefs.alertGettingStarted = 0;
    ArchivePropertiesForm form;
    form.encryption = true;
    form.thumbnails = false;
    dialogs.createChoices.push_back(QString("/a/new.kvq"));
    // A password under four characters is refused and the dialog shown again.
    dialogs.createSettings = {form, form};
    dialogs.passwords = {"abc", "right"};
    // A confirmation that differs is refused with 9008 and asked again.
    dialogs.confirmPasswords = {"Right", "right"};
    dialogs.gettingStarted.push_back(true);
    fs.Put("/src/p.dat", {1, 2, 3});
    dialogs.importChoices.push_back(QStringList{"/src/p.dat"});

    EXPECT_EQ(ws.DispatchCommand(kCmdNew), kOk);
    EXPECT_TRUE(dialogs.Saw("ChooseArchiveToCreate /a/ Archive.kvq"));
    EXPECT_EQ(dialogs.messages,
              (QStringList{"The password must be at least 4 characters long.", Error(kErrConfirmPassword)}));
    EXPECT_EQ(dialogs.Count("AskCreateSettings"), 2);
    EXPECT_EQ(dialogs.createPrefills, (std::vector<QString>{"", "abc"})) << "shown again as it was left";
    EXPECT_EQ(dialogs.Count("AskConfirmPassword"), 2);
    EXPECT_TRUE(dialogs.Saw("GettingStarted"));
    EXPECT_EQ(NumberOf("p.dat"), 2) << "Yes runs Import";
    EXPECT_EQ(prefs.encryptionEnabled, 1);
    EXPECT_EQ(prefs.thumbnailsEnabled, 0) << "the choices are remembered";

    // The key is the password typed first, not the confirmation.
    ASSERT_EQ(ws.Close(false), kOk);
    dialogs.passwords = {"right"};
    EXPECT_EQ(ws.Open("/a/new.kvq"), kOk);

    // Cancelling the file dialog ends with the cancel code and opens nothing.
    EXPECT_EQ(ws.Create(), kCancelled);
    EXPECT_EQ(ws.ArchiveCount(), 1);

    // The password the engine hands back for the dialog is not kept once the dialog has it: a
    // cancelled dialog leaves no copy behind.
    CreateSettings again;
    again.password = "typed before the cancel";
    EXPECT_FALSE(ws.Host().AskCreateSettings("/a/again.kvq", again));
    EXPECT_EQ(dialogs.createPrefills.back(), "typed before the cancel");
    EXPECT_TRUE(again.password.empty());
}

TEST_F(WorkspaceTest, CloseAfterAFailedSaveKeepsTheArchiveAndALaterCloseSavesIt) {
    ASSERT_EQ(CreateArchive("/a/keep.kvq"), kOk);
    const int folder = AddFolder(0, "before");
    ASSERT_EQ(ws.Rename(1, folder, "after"), kOk); // in memory until the archive is saved

    fs.FailCallAt(1);
    const int failed = ws.Close(false);
    EXPECT_NE(failed, kOk);
    EXPECT_EQ(dialogs.messages.size(), 1u) << "the engine shows the failure once";
    EXPECT_EQ(ws.ArchiveCount(), 1);
    EXPECT_EQ(ws.CurrentArchive(), 1);
    EXPECT_EQ(ws.EntryName(1, folder), "after");

    fs.ClearFaults();
    EXPECT_EQ(ws.Close(false), kOk);
    EXPECT_EQ(ws.ArchiveCount(), 0);
    ASSERT_EQ(ws.Open("/a/keep.kvq"), kOk);
    EXPECT_EQ(ws.EntryName(1, folder), "after");
}

TEST_F(WorkspaceTest, CloseAsksUnlessSuppressedAndNoKeepsTheArchive) {
    ASSERT_EQ(CreateArchive("/a/ask.kvq"), kOk);
    dialogs.confirmations.push_back({false, false});
    EXPECT_EQ(ws.DispatchCommand(kCmdClose), kCancelled);
    EXPECT_TRUE(dialogs.Saw("Confirm 12313"));
    EXPECT_EQ(ws.ArchiveCount(), 1);

    dialogs.confirmations.push_back({true, true}); // Yes with "Do not display" ticked
    EXPECT_EQ(ws.DispatchCommand(kCmdClose), kOk);
    EXPECT_EQ(prefs.alertClose, 1);
    EXPECT_EQ(ws.ArchiveCount(), 0);
}

TEST_F(WorkspaceTest, ClosingMovesTheLaterArchivesDownAndKeepsTheNumberCurrent) {
    for (const char* name : {"/a/left.kvq", "/a/middle.kvq", "/a/right.kvq"}) {
        ASSERT_EQ(CreateArchive(name), kOk);
    }
    ws.SelectArchiveFolder(2, 0, false);
    ASSERT_EQ(ws.Close(false), kOk);
    EXPECT_EQ(ws.ArchiveCount(), 2);
    EXPECT_EQ(ws.CurrentArchive(), 2);
    EXPECT_EQ(ws.ArchiveName(2), "right");
    EXPECT_EQ(frame.captions[1], "Contents of 'right'");

    ASSERT_EQ(ws.Close(false), kOk); // the last one: the one before it becomes current
    EXPECT_EQ(ws.CurrentArchive(), 1);
    EXPECT_EQ(ws.ArchiveName(1), "left");

    ASSERT_EQ(ws.Close(false), kOk);
    EXPECT_EQ(ws.CurrentArchive(), 0);
    EXPECT_EQ(frame.captions[1], "Contents");
    EXPECT_EQ(frame.captions[2], "Preview");
    EXPECT_TRUE(tree.Saw("Clear"));
}

TEST_F(WorkspaceTest, CloseAllAndShutdownReportAFailedSaveThenRelease) {
    ASSERT_EQ(CreateArchive("/a/one.kvq"), kOk);
    ASSERT_EQ(CreateArchive("/a/two.kvq"), kOk);
    ws.SelectArchiveFolder(1, 0, false);
    ASSERT_EQ(ws.Rename(1, AddFolder(0, "x"), "y"), kOk);
    fs.FailCallAt(1);
    EXPECT_EQ(ws.CloseAll(), kOk);
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(ws.ArchiveCount(), 0);
    EXPECT_FALSE(fs.IsLocked("/a/one.kvq")) << "released although its save failed";
    fs.ClearFaults();

    ASSERT_EQ(ws.Open("/a/one.kvq"), kOk);
    QTemporaryDir dir;
    QSettings settings(dir.filePath("prefs.ini"), QSettings::IniFormat);
    prefs.autoCloseWait = 42;
    EXPECT_EQ(ws.Shutdown(settings), kOk);
    EXPECT_EQ(ws.ArchiveCount(), 0);
    EXPECT_EQ(settings.value("Preferences/TW").toInt(), 42);
}

// Whatever the panes copied out of an archive is let go of while the archive still exists: each
// closing path says so once per archive, with the archive still in its slot.
TEST_F(WorkspaceTest, EveryCloseAnnouncesTheArchiveWhileItIsStillInItsSlot) {
    ASSERT_EQ(CreateArchive("/a/one.kvq"), kOk);
    ASSERT_EQ(CreateArchive("/a/two.kvq"), kOk);
    ASSERT_EQ(CreateArchive("/a/three.kvq"), kOk);
    std::map<const CCodeArchive*, std::string> names;
    for (int i = 1; i <= 3; ++i) {
        names[ws.ArchiveAt(i)] = ws.ArchiveAt(i)->fileName();
    }
    std::vector<std::string> heard; // name@slot at each announcement
    QObject::connect(&ws, &Workspace::archiveClosing, [&](CCodeArchive* archive) {
        int slot = 0;
        for (int i = 1; i <= ws.ArchiveCount(); ++i) {
            slot = ws.ArchiveAt(i) == archive ? i : slot;
        }
        heard.push_back(names[archive] + "@" + std::to_string(slot));
    });
    dialogs.confirmations.push_back({false, false});
    EXPECT_EQ(ws.Close(true), kCancelled);
    EXPECT_TRUE(heard.empty()) << "a refused close keeps the archive and what was copied from it";

    prefs.alertClose = 1;
    ws.SelectArchiveFolder(2, 0, false);
    ASSERT_EQ(ws.Close(true), kOk);
    EXPECT_EQ(heard, (std::vector<std::string>{"two.kvq@2"}));
    ASSERT_EQ(ws.CloseAll(), kOk);
    EXPECT_EQ(heard, (std::vector<std::string>{"two.kvq@2", "one.kvq@1", "three.kvq@2"}));

    ASSERT_EQ(ws.Open("/a/one.kvq"), kOk);
    names[ws.ArchiveAt(1)] = "one again";
    QTemporaryDir dir;
    QSettings settings(dir.filePath("prefs.ini"), QSettings::IniFormat);
    ASSERT_EQ(ws.Shutdown(settings), kOk);
    EXPECT_EQ(heard.size(), 4u);
    EXPECT_EQ(heard.back(), "one again@1");
}

// An archive opened again (by the dialog, or handed over by a second start) becomes current: no
// second copy, no lock message, nothing asked.
TEST_F(WorkspaceTest, OpeningAnOpenArchiveAgainMakesItCurrent) {
    ASSERT_EQ(CreateArchive("/a/one.kvq"), kOk);
    ASSERT_EQ(CreateArchive("/a/two.kvq"), kOk);
    ASSERT_EQ(ws.CurrentArchive(), 2);
    dialogs.messages.clear();
    for (const QString& again : {QStringLiteral("/a/one.kvq"), QStringLiteral("/a//./one.kvq")}) {
        ws.SelectArchiveFolder(2, 0, false);
        EXPECT_EQ(ws.Open(again), kOk) << again.toStdString();
        EXPECT_EQ(ws.ArchiveCount(), 2);
        EXPECT_EQ(ws.CurrentArchive(), 1) << again.toStdString();
    }
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_TRUE(fs.IsLocked("/a/one.kvq"));
}

TEST_F(WorkspaceTest, AFullTableRefusesOpenAndCreate) {
    for (int i = 1; i <= Workspace::kMaxArchives; ++i) {
        ASSERT_EQ(CreateArchive(QString("/a/%1.kvq").arg(i)), kOk) << i;
    }
    EXPECT_FALSE(Enabled(kCmdNew));
    EXPECT_FALSE(Enabled(kCmdOpen));
    EXPECT_EQ(ws.Open("/a/1.kvq"), kErrTooManyArchives);
    EXPECT_EQ(dialogs.messages, QStringList{Error(kErrTooManyArchives)});
    EXPECT_EQ(ws.ArchiveCount(), Workspace::kMaxArchives);
    EXPECT_EQ(ws.CloseAll(), kOk);
}

TEST_F(WorkspaceTest, TheUpdateReminderComesBeforeOpenAndCreateOnlyWhileItsFlagIsClear) {
    // Loaded preferences always leave "DU" set, so a normal run never sees it.
    ASSERT_EQ(prefs.alertUpdate, 1);
    ASSERT_EQ(CreateArchive("/a/u.kvq"), kOk);
    ASSERT_EQ(ws.Close(false), kOk);
    EXPECT_FALSE(dialogs.Saw("Alert 12322"));

    prefs.alertUpdate = 0;
    dialogs.alertBoxes = {false};
    EXPECT_EQ(ws.Open("/a/u.kvq"), kOk) << "the reminder does not stop the open";
    ASSERT_EQ(dialogs.shownAlerts.size(), 1u);
    EXPECT_EQ(dialogs.shownAlerts.front().resource, 12322);
    EXPECT_EQ(dialogs.shownAlerts.front().title, "Quorvane Update");
    EXPECT_TRUE(dialogs.shownAlerts.front().text.startsWith("It has been over 3 Months since you last"));
    EXPECT_EQ(prefs.alertUpdate, 0) << "left with the box clear: it comes again";
    ASSERT_EQ(ws.Close(false), kOk);

    dialogs.alertBoxes = {true};
    ASSERT_EQ(CreateArchive("/a/v.kvq"), kOk);
    EXPECT_EQ(dialogs.Count("Alert 12322"), 2);
    EXPECT_EQ(prefs.alertUpdate, 1);
    ASSERT_EQ(ws.Open("/a/u.kvq"), kOk);
    EXPECT_EQ(dialogs.Count("Alert 12322"), 2);
}

// ---------------------------------------------------------------- drops from the desktop

TEST_F(WorkspaceTest, ASingleDroppedArchiveOpensWhateverTheCaseOfItsExtension) {
    for (const char* path : {"/a/one.kvq", "/a/two.KVQ", "/a/three.Kvq"}) {
        ASSERT_EQ(CreateArchive(path), kOk);
    }
    ASSERT_EQ(ws.CloseAll(), kOk);
    int open = 0;
    for (const char* path : {"/a/one.kvq", "/a/two.KVQ", "/a/three.Kvq"}) {
        SCOPED_TRACE(path);
        ws.DropFiles({path}); // no drop target needed, and none is set
        EXPECT_EQ(ws.ArchiveCount(), ++open);
        EXPECT_TRUE(tree.Saw("DragFinished"));
        EXPECT_TRUE(list.Saw("DragFinished"));
        EXPECT_TRUE(preview.Saw("DragFinished"));
    }
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(WorkspaceTest, DroppedFilesAreImportedAtTheTargetAsTheRulesSay) {
    fs.Put("/src/other.kvq", {9, 9, 9});
    fs.Put("/src/pic.jpg", EncodedImage(8, 8, "jpeg"));
    fs.Put("/src/deep/inner.dat", {4});
    struct Case {
        const char* name;
        bool archiveOpen;
        DropTarget target;
        std::vector<bool> okCancel;
        QStringList paths;
        int added;            // entries the drop adds
        int parent;           // where they land
        QStringList messages; // what is shown
        bool asksAboutTheBin;
    };
    const Case cases[] = {
        {"an archive with an image imports both as files",
         true,
         {DropTarget::kList, 1, 0},
         {},
         {"/src/other.kvq", "/src/pic.jpg"},
         2,
         0,
         {},
         false},
        {"a dropped folder comes with its tree",
         true,
         {DropTarget::kTree, 1, 0},
         {},
         {"/src/deep"},
         2,
         0,
         {},
         false},
        {"the bin asks and Cancel imports nothing",
         true,
         {DropTarget::kTree, 1, 1},
         {false},
         {"/src/pic.jpg"},
         0,
         1,
         {},
         true},
        {"the bin asks and OK imports into it",
         true,
         {DropTarget::kTree, 1, 1},
         {true},
         {"/src/pic.jpg"},
         1,
         1,
         {},
         true},
        {"no target", true, {}, {}, {"/src/pic.jpg"}, 0, 0, {Error(9025)}, false},
        {"no archive open", false, {}, {}, {"/src/pic.jpg", "/src/other.kvq"}, 0, 0, {Error(9025)}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(ws.CloseAll(), kOk);
        if (c.archiveOpen) {
            fs.Remove("/a/drop.kvq");
            ASSERT_EQ(CreateArchive("/a/drop.kvq"), kOk);
        }
        dialogs.messages.clear();
        dialogs.calls.clear();
        dialogs.okCancelAnswers.assign(c.okCancel.begin(), c.okCancel.end());
        ws.Records().clipboard.kind = ClipboardRecord::kCopy;
        ws.Records().clipboard.archive = 1;
        ws.Records().clipboard.items = {1};
        const int before = EntryCount(1);
        ws.Drop() = c.target;
        ws.DropFiles(c.paths);
        EXPECT_EQ(EntryCount(1) - before, c.added);
        for (int n = before + 1; n <= EntryCount(1); ++n) {
            if (ws.EntryName(1, n) != "deep" && ws.EntryName(1, n) != "inner.dat") {
                EXPECT_EQ(ParentOf(n, 1), c.parent) << n;
            }
        }
        EXPECT_EQ(dialogs.messages, c.messages);
        EXPECT_EQ(dialogs.Saw("AskOkCancel " + StringTable::Text(kStrImportIntoBin).toStdString()),
                  c.asksAboutTheBin);
        EXPECT_EQ(ws.ArchiveCount(), c.archiveOpen ? 1 : 0) << "nothing was opened";
        // Records are cleared only by a drop that imports.
        EXPECT_EQ(ws.Records().clipboard.kind == 0, c.added > 0);
    }
}

// ---------------------------------------------------------------- new folder, rename

TEST_F(WorkspaceTest, NewFolderRenamesOnlyTheFolderItMade) {
    ASSERT_EQ(CreateArchive("/a/f.kvq"), kOk);
    const int file = ImportFile(0, "newest.dat");
    UseTree();
    EXPECT_EQ(ws.DispatchCommand(kCmdNewFolder), kOk);
    const int made = NumberOf("New Folder");
    ASSERT_GT(made, file);
    EXPECT_TRUE(list.Saw("SelectEntry " + std::to_string(made) + " rename"));

    // Filled to the entry limit: the add is refused and nothing opens for renaming.
    ASSERT_EQ(ws.CloseAll(), kOk);
    ASSERT_EQ(CreateArchive("/a/full.kvq"), kOk);
    fs.Put("/src/e", {});
    ASSERT_EQ(ImportPaths(*ws.ArchiveAt(1), std::vector<std::string>(kMaxEntries - 1, "/src/e"), 0, false),
              kOk);
    ASSERT_EQ(EntryCount(), kMaxEntries);
    list.calls.clear();
    dialogs.messages.clear();
    UseTree();
    EXPECT_EQ(ws.DispatchCommand(kCmdNewFolder), kErrTooManyEntries);
    EXPECT_EQ(dialogs.messages, QStringList{Error(kErrTooManyEntries)});
    EXPECT_EQ(EntryCount(), kMaxEntries);
    for (const std::string& call : list.calls) {
        EXPECT_EQ(call.find("SelectEntry"), std::string::npos) << call;
    }
}

TEST_F(WorkspaceTest, RenameRefusesTheNineCharactersAndTheRecycleBin) {
    ASSERT_EQ(CreateArchive("/a/r.kvq"), kOk);
    const int folder = AddFolder(0, "Holiday");
    const QString forbidden = StringTable::Text(kStrForbiddenCharacters);
    ASSERT_EQ(forbidden.size(), 9);
    for (const QChar c : forbidden) {
        SCOPED_TRACE(QString(c).toStdString());
        dialogs.messages.clear();
        EXPECT_EQ(ws.Rename(1, folder, QString("Trip") + c + "2001"), Workspace::kRejected);
        EXPECT_EQ(dialogs.messages, QStringList{StringTable::Text(kStrForbiddenName)});
        EXPECT_EQ(ws.EntryName(1, folder), "Holiday");
    }
    dialogs.messages.clear();
    EXPECT_EQ(ws.Rename(1, 1, "Trash"), Workspace::kRejected);
    EXPECT_EQ(ws.Rename(0, folder, "Trip"), Workspace::kRejected);
    EXPECT_EQ(ws.Rename(2, folder, "Trip"), Workspace::kRejected);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(ws.EntryName(1, 1), "Recycle Bin");

    tree.calls.clear();
    EXPECT_EQ(ws.Rename(1, folder, "Trip 2001"), kOk);
    EXPECT_EQ(ws.EntryName(1, folder), "Trip 2001");
    EXPECT_TRUE(tree.Saw("Rebuild"));

    // The folder the list shows: the caption above the list follows; another folder's rename not.
    const int other = AddFolder(0, "Other");
    ws.SelectArchiveFolder(1, folder, false);
    EXPECT_EQ(frame.captions[1], "Contents of 'Trip 2001'");
    EXPECT_EQ(ws.Rename(1, folder, "Trip 2002"), kOk);
    EXPECT_EQ(frame.captions[1], "Contents of 'Trip 2002'");
    EXPECT_EQ(ws.Rename(1, other, "Elsewhere"), kOk);
    EXPECT_EQ(frame.captions[1], "Contents of 'Trip 2002'");
}

// The caption above the preview follows a rename of the item it shows, with the extension the
// engine keeps; a rename of another item leaves it.
TEST_F(WorkspaceTest, RenamingTheShownItemRenamesThePreviewCaption) {
    ASSERT_EQ(CreateArchive("/a/n.kvq"), kOk);
    const int shown = ImportFile(0, "photo1.jpg", EncodedImage(8, 8, "jpeg"));
    const int other = ImportFile(0, "photo2.jpg", EncodedImage(8, 8, "jpeg"));
    ws.OpenEntry(shown);
    preview.calls.clear();
    EXPECT_EQ(ws.Rename(1, other, "harbour"), kOk);
    for (const std::string& call : preview.calls) {
        EXPECT_NE(call.rfind("SetName", 0), 0u) << call;
    }
    EXPECT_EQ(ws.Rename(1, shown, "beach.png"), kOk);
    EXPECT_TRUE(preview.Saw("SetName beach.jpg"));
}

// ---------------------------------------------------------------- items

TEST_F(WorkspaceTest, OpenEntryShowsAnImageFromMemoryAndMakesAFolderCurrent) {
    ASSERT_EQ(CreateArchive("/a/o.kvq"), kOk);
    const std::vector<uint8_t> jpeg = EncodedImage(12, 10, "jpeg");
    const int image = ImportFile(0, "pic.jpg", jpeg);
    const int other = ImportFile(0, "notes.dat");
    const int folder = AddFolder(0, "Sub");
    frame.layout = PaneLayout::HidePreview;

    const size_t logged = fs.log.size();
    ws.OpenEntry(image);
    EXPECT_EQ(frame.layout, PaneLayout::ShowAll);
    EXPECT_EQ(preview.shownNumber, image);
    EXPECT_EQ(preview.shownName, "pic.jpg");
    EXPECT_EQ(preview.shownBytes, jpeg);
    for (size_t i = logged; i < fs.log.size(); ++i) {
        EXPECT_NE(fs.log[i].kind, OpKind::Write) << "nothing decrypted reaches the disk";
        EXPECT_NE(fs.log[i].kind, OpKind::Create);
    }
    // Opened again while it is shown (a step that came round to it): nothing is read or decrypted.
    const size_t shownOnce = fs.log.size();
    ws.OpenEntry(image);
    EXPECT_EQ(fs.log.size(), shownOnce);
    EXPECT_EQ(preview.Count("ShowItem " + std::to_string(image)), 1);

    preview.calls.clear();
    ws.OpenEntry(other); // not an image: nothing to show
    EXPECT_FALSE(preview.Saw("ShowItem " + std::to_string(other)));

    ws.OpenEntry(folder);
    EXPECT_EQ(ws.CurrentFolder(), folder);
    EXPECT_TRUE(tree.Saw("SelectFolder 1 " + std::to_string(folder)));
}

TEST_F(WorkspaceTest, CommentReachesThePreviewOnlyForTheItemItShows) {
    ASSERT_EQ(CreateArchive("/a/c.kvq"), kOk);
    const int shown = ImportFile(0, "shown.png", EncodedImage(8, 8, "png"));
    const int other = ImportFile(0, "other.png", EncodedImage(8, 8, "png"));
    ws.OpenEntry(shown);

    UseList({other}, other);
    dialogs.comments.push_back(QString("for the other one"));
    EXPECT_EQ(ws.DispatchCommand(kCmdComment), kOk);
    EXPECT_EQ(ws.EntryComment(1, other), "for the other one");
    EXPECT_TRUE(list.Saw("UpdateItem " + std::to_string(other)));
    EXPECT_FALSE(preview.Saw("SetComment for the other one"));

    UseList({shown}, shown);
    dialogs.comments.push_back(QString("seen"));
    EXPECT_EQ(ws.DispatchCommand(kCmdComment), kOk);
    EXPECT_TRUE(preview.Saw("SetComment seen"));
    EXPECT_TRUE(dialogs.Saw("EditComment "));

    dialogs.comments.push_back(std::nullopt); // Cancel changes nothing
    EXPECT_EQ(ws.DispatchCommand(kCmdComment), kCancelled);
    EXPECT_EQ(ws.EntryComment(1, shown), "seen");
}

TEST_F(WorkspaceTest, PropertiesShowsThePageOfWhatTheActivePaneHolds) {
    ASSERT_EQ(CreateArchive("/a/p.kvq"), kOk);
    const int folder = AddFolder(0, "Folder");
    const int file = ImportFile(folder, "file.dat");
    const int deleted = ImportFile(0, "gone.dat");
    ASSERT_EQ(ws.ArchiveAt(1)->MoveEntries({deleted}, 1, false), kOk);
    struct Case {
        const char* name;
        bool tree;
        int current;
        std::vector<int> selection;
        PropertyPageKind page;
        int number;
    };
    const Case cases[] = {
        {"tree at the top level", true, 0, {}, PropertyPageKind::Archive, 0},
        {"tree at a folder", true, folder, {}, PropertyPageKind::Folder, folder},
        {"tree at the recycle bin shows the bin, not its first item",
         true,
         1,
         {},
         PropertyPageKind::Folder,
         1},
        {"list with a file selected", false, folder, {file}, PropertyPageKind::File, file},
        {"list with a folder selected", false, 0, {folder}, PropertyPageKind::Folder, folder},
        {"list with nothing selected", false, 0, {}, PropertyPageKind::Archive, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ShowFolder(c.current);
        if (c.tree) {
            UseTree();
        } else {
            UseList(c.selection, c.selection.empty() ? 0 : c.selection.front());
        }
        dialogs.propertiesShown.clear();
        EXPECT_EQ(ws.DispatchCommand(kCmdProperties), kOk);
        ASSERT_EQ(dialogs.propertiesShown.size(), 1u);
        EXPECT_EQ(dialogs.propertiesShown.front().first, c.page);
        EXPECT_EQ(dialogs.propertiesShown.front().second, c.number);
    }
}

TEST_F(WorkspaceTest, FindAgainContinuesAfterTheLastMatchAndStopsAtTheEnd) {
    ASSERT_EQ(CreateArchive("/a/find.kvq"), kOk);
    const int folder = AddFolder(0, "cats folder"); // folders are never found
    const int first = ImportFile(folder, "cat one.dat");
    ImportFile(0, "dog.dat");
    const int second = ImportFile(0, "CAT two.dat");
    UseTree();

    EXPECT_FALSE(Enabled(kCmdFindAgain));
    dialogs.finds.push_back(FindRequest{"cat", false, false});
    EXPECT_EQ(ws.DispatchCommand(kCmdFind), kOk);
    EXPECT_EQ(prefs.findStart, first);
    EXPECT_EQ(ws.CurrentFolder(), folder) << "the match's folder is shown";
    EXPECT_TRUE(list.Saw("SelectEntry " + std::to_string(first)));

    EXPECT_EQ(ws.DispatchCommand(kCmdFindAgain), kOk);
    EXPECT_EQ(prefs.findStart, second);
    EXPECT_EQ(ws.CurrentFolder(), 0);

    EXPECT_EQ(ws.DispatchCommand(kCmdFindAgain), kOk);
    EXPECT_EQ(prefs.findStart, 0);
    ASSERT_EQ(dialogs.informed.size(), 1u);
    EXPECT_EQ(dialogs.informed.front().title, "Find");
    EXPECT_FALSE(Enabled(kCmdFindAgain)) << "after the end message only Find starts again";

    dialogs.finds.push_back(FindRequest{"cat", false, false});
    EXPECT_EQ(ws.DispatchCommand(kCmdFind), kOk);
    EXPECT_EQ(prefs.findStart, first);
    EXPECT_EQ(prefs.findText, "cat");

    // "FS" names an entry of the current archive: another archive starts afresh.
    ASSERT_EQ(CreateArchive("/a/other.kvq"), kOk);
    EXPECT_EQ(prefs.findStart, 0);
}

TEST_F(WorkspaceTest, FindTakesTheDialogsChoicesAndShowsTheMatchWhereverItLies) {
    ASSERT_EQ(CreateArchive("/a/choices.kvq"), kOk);
    // Created in this order; the list would sort "Alpha" first.
    const int zebra = ImportFile(0, "Zebra.jpg");
    const int alpha = ImportFile(0, "alpha zebra.jpg");
    const int folder = AddFolder(0, "zebra pictures");
    const int binned = ImportFile(folder, "ZEBRA");
    ASSERT_EQ(ws.ArchiveAt(1)->MoveEntries({binned}, 1, false), kOk);
    struct Case {
        const char* text;
        bool matchCase;
        bool exactMatch;
        int found; // 0: the end message
        int shownFolder;
    };
    const Case cases[] = {
        {"zebra", false, false, zebra, 0}, // catalogue order, not the list's
        {"zebra", true, false, alpha, 0},  // "Zebra.jpg" differs in case
        {"ZEBRA", true, false, binned, 1}, // the recycle bin's file, shown in the bin
        {"zebra", false, true, binned, 1}, // the whole name, in any case
        {"Zebra", true, true, 0, -1},      // "ZEBRA" is not "Zebra"
        {"pictures", false, false, 0, -1}, // folders are never found
        {"", false, false, zebra, 0},      // the empty text is in every name
        {"", false, true, 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " case " + std::to_string(c.matchCase) + " exact " +
                     std::to_string(c.exactMatch));
        ShowFolder(folder);
        UseTree();
        list.calls.clear();
        dialogs.informed.clear();
        dialogs.finds.push_back(FindRequest{QString::fromUtf8(c.text), c.matchCase, c.exactMatch});
        EXPECT_EQ(ws.DispatchCommand(kCmdFind), kOk);
        EXPECT_EQ(prefs.findStart, c.found);
        EXPECT_EQ(prefs.findMatchCase, c.matchCase ? 1 : 0);
        EXPECT_EQ(prefs.findExactMatch, c.exactMatch ? 1 : 0);
        if (c.found > 0) {
            EXPECT_TRUE(dialogs.informed.empty());
            EXPECT_EQ(ws.CurrentFolder(), c.shownFolder);
            EXPECT_TRUE(list.Saw("SelectEntry " + std::to_string(c.found)));
            EXPECT_TRUE(Enabled(kCmdFindAgain));
        } else {
            EXPECT_EQ(dialogs.informed.size(), 1u);
            EXPECT_EQ(ws.CurrentFolder(), folder) << "nothing found moves nothing";
            for (const std::string& call : list.calls) {
                EXPECT_NE(call.rfind("SelectEntry", 0), 0u) << call;
            }
            EXPECT_FALSE(Enabled(kCmdFindAgain));
        }
    }
}

TEST_F(WorkspaceTest, ExportWritesTheSelectionToTheChosenFolderAndLeavesThePanes) {
    ASSERT_EQ(CreateArchive("/a/e.kvq"), kOk);
    const std::vector<uint8_t> bytes = {5, 6, 7, 8};
    const int file = ImportFile(0, "out.dat", bytes);
    fs.MakeDirectory("/export");
    UseList({file}, file);
    dialogs.exportChoices.push_back(QString("/export/")); // the trailing separator is dropped
    list.calls.clear();
    EXPECT_EQ(ws.DispatchCommand(kCmdExport), kOk);
    EXPECT_EQ(fs.Get("/export/out.dat"), bytes);
    EXPECT_FALSE(list.Saw("RemoveAll")) << "an export changes nothing the panes show";

    UseList({file}, file);
    EXPECT_EQ(ws.DispatchCommand(kCmdExport), kCancelled) << "a cancelled chooser exports nothing";
}

TEST_F(WorkspaceTest, PreferencesRepaintThePreviewOnOk) {
    dialogs.preferenceAnswers = {false, true};
    prefs.alertDelete = 1;
    EXPECT_EQ(ws.DispatchCommand(kCmdPreferences), kCancelled);
    EXPECT_FALSE(preview.Saw("Repaint"));
    prefs.enableAllAlerts = 1;
    EXPECT_EQ(ws.DispatchCommand(kCmdPreferences), kOk);
    EXPECT_TRUE(preview.Saw("Repaint"));
    EXPECT_EQ(prefs.alertDelete, 0);
}

} // namespace
