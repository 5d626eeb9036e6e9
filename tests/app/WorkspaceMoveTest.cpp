// The Import command with "Remove the originals after import", over real files: identical copies
// remove their sources, a source that fails the read-back stays and is named, and without the box
// nothing is removed.
#include "CCodeArchive.h" // before any Qt header, which defines `slots`

#include "AppFakes.h"
#include "ArchivePropertiesForm.h"
#include "Preferences.h"
#include "Workspace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

namespace fs = std::filesystem;

class WorkspaceMoveTest : public ::testing::Test {
protected:
    WorkspaceMoveTest() {
        std::string pattern = (fs::temp_directory_path() / "kvq-wsmove-XXXXXX").string();
        EXPECT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        ws.SetViews(&frame, &tree, &list, &preview);
        ws.SetProgressWindow(&progress);
        prefs.alertGettingStarted = 1;
        ArchivePropertiesForm form;
        form.encryption = false;
        form.thumbnails = false;
        dialogs.createChoices.push_back(Path("a.kvq"));
        dialogs.createSettings.push_back(form);
        dialogs.passwords.push_back(QString());
        EXPECT_EQ(ws.Create(), kOk);
    }
    ~WorkspaceMoveTest() override {
        ws.CloseAll();
        fs::remove_all(dir_);
    }

    QString Path(const std::string& name) const { return QString::fromStdString(dir_ + "/" + name); }
    void Write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir_ + "/" + name, std::ios::binary) << bytes;
    }
    bool Exists(const std::string& name) const { return fs::exists(dir_ + "/" + name); }
    int Entries() const { return ws.ArchiveAt(ws.CurrentArchive())->entryCount(); }

    std::string dir_;
    Preferences prefs;
    FakeDialogs dialogs;
    FakeMainFrame frame;
    FakeTreePane tree;
    FakeContentsPane list;
    FakePreviewPane preview;
    FakeProgressWindow progress;
    Workspace ws{prefs, dialogs, PosixFileSystem()};
};

TEST_F(WorkspaceMoveTest, TheBoxRemovesVerifiedOriginalsAndNamesTheOnesKept) {
    Write("kept-without-box.txt", "stays");
    dialogs.importChoices.push_back({Path("kept-without-box.txt")});
    ASSERT_EQ(ws.Import(), kOk);
    EXPECT_TRUE(Exists("kept-without-box.txt"));
    EXPECT_TRUE(dialogs.messages.isEmpty());

    Write("one.txt", "one");
    Write("two.txt", "two");
    fs::create_symlink(dir_ + "/two.txt", dir_ + "/link.txt");
    const int before = Entries();
    dialogs.removeOriginals = true;
    dialogs.importChoices.push_back({Path("one.txt"), Path("link.txt")});
    ASSERT_EQ(ws.Import(), kOk);
    EXPECT_EQ(Entries(), before + 2); // both were imported
    EXPECT_FALSE(Exists("one.txt"));
    EXPECT_TRUE(fs::is_symlink(dir_ + "/link.txt"));
    EXPECT_TRUE(Exists("two.txt"));
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages.front().contains(Path("link.txt")))
        << dialogs.messages.front().toStdString();
    EXPECT_FALSE(dialogs.messages.front().contains(Path("one.txt")));
}

} // namespace
