#pragma once
// The catalogue in memory: one entry per item in index order, and how each differs from the file
// since it was last loaded or written. Its image lies behind the data area, where the protected
// header in memory says; it is read, checked and written through the ArchiveFile. Only changed
// entries are written back, and an in-place rewrite of names, comments or types goes through the
// rollback journal first.
//
// States: not loaded (lookups answer nothing, nothing is written back), loaded (entries as read,
// with their changes), and loaded but moved - the catalogue on disk no longer lies where it was
// read from, so that its next write covers every entry, journalled.
#include "ArchiveFile.h"
#include "EntryIndex.h"
#include "ErrorCodes.h"
#include "FileLayer.h"
#include "Format.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quorvane {

// Marks of a selection, indexed by entry number (mark 0 is the top level): -1 marked, 0 not;
// operations that renumber entries reuse the marks for new numbers.
struct SelectionMap {
    std::vector<int32_t> marks;
    int count = 0;
    bool Marked(int number) const {
        return number >= 0 && static_cast<size_t>(number) < marks.size() && marks[number] == -1;
    }
};

// Column fields of GetText / GetKey1 / GetKey2.
enum ColumnField {
    kFieldName,
    kFieldType,
    kFieldSize,
    kFieldDimensions,
    kFieldAdded,
    kFieldModified,
    kFieldCreated,
    kFieldComment
};

class Catalogue {
public:
    // How an entry differs from the file: derived counts and tree state only (a torn write of them
    // loses nothing, they are recounted on load), or content that must reach the file whole.
    enum Change : uint8_t { kUnchanged, kDerived, kContent };

    // `header` is the protected header in memory: it places the catalogue in the file.
    Catalogue(ArchiveFile& file, const ProtectedHeader& header, IFileSystem& fs,
              const std::string& archivePath);
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;

    bool loaded() const { return loaded_; }
    bool dirty() const { return dirty_; }
    const std::vector<CatalogueEntry>& entries() const { return entries_; }
    // The entry in memory, or null when nothing is loaded or the index is out of range.
    const CatalogueEntry* Entry(EntryIndex index) const;

    // ---- persistence
    // Reads and checks the image the header describes; on failure nothing is loaded.
    Status Load();
    // True when Flush has something to write.
    bool HasUnwrittenChanges() const;
    // Writes the changed entries back (all of them, journalled, once the catalogue has moved).
    // On failure the file keeps its old entries and the changes stay in memory.
    Status Flush();
    // Forgets everything: nothing loaded, nothing to write.
    void Clear();
    // The entries in memory no longer match the file (renumbered or moved there): nothing may be
    // written back or read until the next Load.
    void Invalidate();
    // The catalogue on disk moved: its next write covers every entry.
    void Moved() { changes_.clear(); }

    // ---- single entries in the file, at the place the header gives
    Status ReadEntry(CatalogueEntry& entry, EntryIndex index) const;
    Status WriteEntry(const CatalogueEntry& entry, EntryIndex index);

    // ---- changes in memory (the index must name a loaded entry)
    void MarkChanged(EntryIndex index, Change change);
    void SetComment(EntryIndex index, const std::string& text);
    // `name` trimmed and not blank; the stored extension is kept, in lower case.
    void SetName(EntryIndex index, const std::string& name);
    void SetExpanded(EntryIndex index, bool expanded);
    void SetTypeCode(EntryIndex index, uint8_t code);

    // Recomputes every entry's derived counts. `folders` and `files` receive the totals; true when
    // so many files lie in one place that the user should hear about performance.
    bool Recount(int32_t* folders, int32_t* files);

    // ---- lookups
    std::string Name(const CatalogueEntry& entry);
    std::string Text(const CatalogueEntry& entry, int field);
    static uint32_t Key1(const CatalogueEntry& entry, int field);
    static uint32_t Key2(const CatalogueEntry& entry, int field);
    static int ListIcon(const CatalogueEntry& entry);
    static int TreeKind(const CatalogueEntry& entry);
    static std::string SizeText(uint32_t bytes);
    static std::string DateText(uint64_t fileTime);
    // The entry number of the first file after entry number `start` whose name matches, or 0.
    int FindNext(const std::string& text, bool matchCase, bool wholeName, int start);
    SelectionMap MarkSelection(const std::vector<int>& selection, bool withSubtrees) const;

private:
    uint64_t ImageOffset() const { return uint64_t{kDataAreaOffset} + header_.dataSize; }

    ArchiveFile& file_;
    const ProtectedHeader& header_;
    IFileSystem& fs_;
    const std::string& archivePath_;
    std::vector<CatalogueEntry> entries_;
    std::vector<uint8_t> changes_; // a Change per entry; empty once the catalogue has moved
    bool loaded_ = false;
    bool dirty_ = false;
};

} // namespace quorvane
