#pragma once
// A PaneHost for tests of the panes and their models: real archives in a MemoryFileSystem, the
// current location, the busy flag, the drop target, and a record of every request the panes pass
// on. Header only, so that the widget tests use it too.
#include "ArchiveFixtures.h"

#include "DropTarget.h"
#include "ImageSamples.h"
#include "PaneHost.h"
#include "Preferences.h"
#include "StringTable.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quorvane::testing {

// The engine's host: answers like ScriptedHost and passes the catalogue notifications on.
class NotifyingHost : public ScriptedHost {
public:
    std::function<void(CCodeArchive&)> aboutToChange;
    std::function<void(CCodeArchive&)> changed;

    void CatalogueAboutToChange(CCodeArchive& archive) override {
        if (aboutToChange) {
            aboutToChange(archive);
        }
    }
    void CatalogueChanged(CCodeArchive& archive) override {
        if (changed) {
            changed(archive);
        }
    }
};

class FakePaneHost : public PaneHost {
public:
    MemoryFileSystem fs;
    NotifyingHost engine;
    std::vector<std::unique_ptr<CCodeArchive>> archives;
    int currentArchive = 0;
    int currentFolder = 0;
    bool busy = false;
    DropTarget drop;
    bool internalDrag = false;
    Preferences prefs;

    struct Selection {
        int archive;
        int folder;
        bool force;
    };
    struct RenameCall {
        int archive;
        int number;
        QString text;
    };
    std::vector<Selection> selections;
    std::vector<RenameCall> renames;
    std::vector<int> opened;
    std::vector<DropTarget> dropItems; // the target at each DropItems
    std::vector<bool> internalAtDropItems;
    std::vector<QStringList> droppedFiles;
    std::vector<DropTarget> dropFilesTargets;
    int activity = 0;
    QStringList messages; // what the Workspace would have shown

    // What SelectArchiveFolder does besides recording (the widget tests fill the panes here).
    std::function<void(int archive, int folder, bool force)> onSelect;
    // What Rename answers; by default the Workspace's rule: forbidden characters -1, else the engine.
    std::function<int(int archive, int number, const QString& text)> onRename;
    std::function<void()> onDropItems;

    // Creates archive `name` (unencrypted, thumbnails of `format`) in the next slot.
    CCodeArchive& Add(const std::string& name, uint8_t format = 8) {
        archives.push_back(MakeArchive(fs, engine, "/a/" + name + ".kvq", ScriptedHost::Plain(format)));
        return *archives.back();
    }
    CCodeArchive& Archive(int slot) { return *archives.at(static_cast<size_t>(slot - 1)); }

    // A new folder in `parent`; its entry number.
    static int Folder(CCodeArchive& archive, int parent, const std::string& name) {
        int number = 0;
        EXPECT_EQ(archive.CreateFolder(parent, name, 1, &number), kOk) << name;
        return number;
    }
    // Small pictures imported into `parent`, one per name; the entry number of the first.
    int Images(CCodeArchive& archive, int parent, const std::vector<std::string>& names, int side = 40) {
        std::vector<SourceFile> files;
        unsigned seed = 1;
        for (const std::string& name : names) {
            const bool png = name.size() > 4 && name.substr(name.size() - 4) == ".png";
            files.push_back({name, EncodedImage(side + static_cast<int>(seed % 7), side, png ? "png" : "jpeg",
                                                -1, seed)});
            ++seed;
        }
        const int first = archive.entryCount() + 1;
        EXPECT_EQ(ImportFiles(archive, fs, parent, files, "/src/" + std::to_string(first)), kOk);
        return first;
    }
    // Entry numbers of the entries directly in `folder` (the recycle bin left out), as the
    // Workspace hands them to the list.
    static std::vector<int> Children(CCodeArchive& archive, int folder) {
        std::vector<int> numbers;
        for (int i = 0; i < archive.entryCount(); ++i) {
            const CatalogueEntry* e = archive.Entry(EntryIndex(i));
            if (e && e->parent == folder && i != 0) {
                numbers.push_back(i + 1);
            }
        }
        return numbers;
    }

    int ArchiveCount() const override { return static_cast<int>(archives.size()); }
    CCodeArchive* ArchiveAt(int archive) const override {
        return archive >= 1 && archive <= ArchiveCount() ? archives[static_cast<size_t>(archive - 1)].get()
                                                         : nullptr;
    }
    int CurrentArchive() const override { return currentArchive; }
    int CurrentFolder() const override { return currentFolder; }
    bool Busy() const override { return busy; }
    void SelectArchiveFolder(int archive, int folder, bool force) override {
        selections.push_back({archive, folder, force});
        const bool same = archive == currentArchive && folder == currentFolder;
        currentArchive = archive;
        currentFolder = folder;
        if (onSelect && (force || !same)) {
            onSelect(archive, folder, force);
        }
    }
    int Rename(int archive, int number, const QString& text) override {
        renames.push_back({archive, number, text});
        return onRename ? onRename(archive, number, text) : RenameLikeWorkspace(archive, number, text);
    }
    // The Workspace's rule: a name with a forbidden character is refused with message 5088, the
    // rest is the engine's.
    int RenameLikeWorkspace(int archive, int number, const QString& text) {
        const QString forbidden = StringTable::Text(kStrForbiddenCharacters);
        for (QChar c : text) {
            if (forbidden.contains(c)) {
                messages.push_back(StringTable::Text(kStrForbiddenName));
                return -1;
            }
        }
        CCodeArchive* a = ArchiveAt(archive);
        return a && number != 1 ? a->Rename(EntryIndex::OfNumber(number), text.toStdString()) : -1;
    }
    void OpenEntry(int number) override { opened.push_back(number); }
    DropTarget& Drop() override { return drop; }
    void SetInternalDrag(bool on) override { internalDrag = on; }
    bool InternalDrag() const override { return internalDrag; }
    void DropItems() override {
        dropItems.push_back(drop);
        internalAtDropItems.push_back(internalDrag);
        if (onDropItems) {
            onDropItems();
        }
    }
    void DropFiles(const QStringList& paths) override {
        droppedFiles.push_back(paths);
        dropFilesTargets.push_back(drop);
    }
    Preferences& Prefs() override { return prefs; }
    void NoteActivity() override { ++activity; }
};

} // namespace quorvane::testing
