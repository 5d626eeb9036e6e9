#include "WorkspaceFixture.h"

#include "CommandRules.h"
#include "SelectionRules.h"

namespace quorvane::testing {

std::vector<int> TreeOverWorkspace::Gather(SelectionPurpose purpose) {
    gathered.push_back(purpose);
    const CCodeArchive* archive = workspace->ArchiveAt(workspace->CurrentArchive());
    if (!archive) {
        return {};
    }
    return SelectionRules::TreeSelection(workspace->CurrentFolder(), archive->entryCount(), [&](int number) {
        const CatalogueEntry* e = archive->Entry(EntryIndex::OfNumber(number));
        return e ? e->parent : 0;
    });
}

WorkspaceFixture::WorkspaceFixture() {
    tree.workspace = &ws;
    ws.SetViews(&frame, &tree, &list, &preview);
    ws.SetProgressWindow(&progress);
    fs.MakeDirectory("/a");
    fs.MakeDirectory("/src");
    prefs.archiveFolder = QStringLiteral("/a/");
    prefs.importFolder = QStringLiteral("/src/");
    prefs.alertGettingStarted = 1;
}

int WorkspaceFixture::CreateArchive(const QString& path, const QString& password) {
    ArchivePropertiesForm form;
    form.encryption = !password.isEmpty();
    form.thumbnails = false;
    dialogs.createChoices.push_back(path);
    dialogs.createSettings.push_back(form);
    dialogs.passwords.push_back(password);
    if (!password.isEmpty()) {
        dialogs.confirmPasswords.push_back(password);
    }
    return ws.Create();
}

int WorkspaceFixture::ImportFile(int folder, const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = "/src/" + name;
    fs.Put(path, bytes);
    CCodeArchive* archive = ws.ArchiveAt(ws.CurrentArchive());
    std::vector<ImportedItem> added;
    EXPECT_EQ(ImportPaths(*archive, {path}, folder, false, &added), kOk) << name;
    return added.empty() ? 0 : added.front().number;
}

int WorkspaceFixture::AddFolder(int parent, const std::string& name) {
    int number = 0;
    EXPECT_EQ(ws.ArchiveAt(ws.CurrentArchive())->CreateFolder(parent, name, kTypeFolder, &number), kOk);
    return number;
}

int WorkspaceFixture::NumberOf(const QString& name, int archive) const {
    const int slot = archive == 0 ? ws.CurrentArchive() : archive;
    for (int number = 1; number <= EntryCount(slot); ++number) {
        if (ws.EntryName(slot, number) == name) {
            return number;
        }
    }
    return 0;
}

int WorkspaceFixture::ParentOf(int number, int archive) const {
    const CCodeArchive* a = ws.ArchiveAt(archive == 0 ? ws.CurrentArchive() : archive);
    const CatalogueEntry* e = a ? a->Entry(EntryIndex::OfNumber(number)) : nullptr;
    return e ? e->parent : -1;
}

int WorkspaceFixture::EntryCount(int archive) const {
    const CCodeArchive* a = ws.ArchiveAt(archive == 0 ? ws.CurrentArchive() : archive);
    return a ? a->entryCount() : 0;
}

void WorkspaceFixture::UseList(std::vector<int> selection, int focused) {
    frame.active = ActivePane::List;
    list.selection = std::move(selection);
    list.focused = focused;
}

bool WorkspaceFixture::Enabled(int commandId) const {
    return ws.UpdateCommand(commandId).enabled;
}

} // namespace quorvane::testing
