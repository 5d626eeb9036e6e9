#pragma once
// A Workspace over real archives in a MemoryFileSystem, with fake panes, frame, dialogs and
// progress window: the scenario tests of the command layer drive it as the window would.
#include "Workspace.h"

#include "AppFakes.h"
#include "MemoryFileSystem.h"
#include "Preferences.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvane::testing {

// The tree's selection as the real tree gives it, from the Workspace's current folder.
class TreeOverWorkspace : public FakeTreePane {
public:
    Workspace* workspace = nullptr;
    std::vector<int> Gather(SelectionPurpose purpose) override;
};

class WorkspaceFixture : public ::testing::Test {
protected:
    WorkspaceFixture();

    // Creates an archive through the New command's dialogs (encrypted when a password is given).
    int CreateArchive(const QString& path, const QString& password = QString());
    // Puts a file at /src/<name> and imports it into `folder` of the current archive; its number.
    int ImportFile(int folder, const std::string& name, const std::vector<uint8_t>& bytes = {1, 2, 3});
    // Makes a folder in the current archive; its number.
    int AddFolder(int parent, const std::string& name);
    // The number of the entry called `name` in archive `archive` (0 the current one), or 0.
    int NumberOf(const QString& name, int archive = 0) const;
    int ParentOf(int number, int archive = 0) const;
    int EntryCount(int archive = 0) const;
    void ShowFolder(int folder) { ws.SelectArchiveFolder(ws.CurrentArchive(), folder, false); }
    // The list becomes the active pane with `selection` selected and `focused` focused.
    void UseList(std::vector<int> selection, int focused);
    void UseTree() { frame.active = ActivePane::Tree; }
    bool Enabled(int commandId) const;

    MemoryFileSystem fs;
    Preferences prefs;
    FakeDialogs dialogs;
    FakeMainFrame frame;
    TreeOverWorkspace tree;
    FakeContentsPane list;
    FakePreviewPane preview;
    FakeProgressWindow progress;
    Workspace ws{prefs, dialogs, fs};
};

} // namespace quorvane::testing
