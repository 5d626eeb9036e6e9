#include "Catalogue.h"

#include "DerivedCounts.h"
#include "NameRules.h"
#include "RollbackJournal.h"
#include "TextCodec.h"
#include "Validate.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace quorvane {
namespace {

// Upper case for matching names: ASCII and the Latin-1 letters.
std::u32string UpperCodePoints(const std::string& utf8) {
    std::u32string out;
    for (size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        char32_t cp = c;
        size_t n = 1;
        if (c >= 0xF0 && i + 3 < utf8.size() + 0) {
            cp = ((c & 0x07u) << 18) | ((utf8[i + 1] & 0x3Fu) << 12) | ((utf8[i + 2] & 0x3Fu) << 6) |
                 (utf8[i + 3] & 0x3Fu);
            n = 4;
        } else if (c >= 0xE0 && i + 2 < utf8.size()) {
            cp = ((c & 0x0Fu) << 12) | ((utf8[i + 1] & 0x3Fu) << 6) | (utf8[i + 2] & 0x3Fu);
            n = 3;
        } else if (c >= 0xC0 && i + 1 < utf8.size()) {
            cp = ((c & 0x1Fu) << 6) | (utf8[i + 1] & 0x3Fu);
            n = 2;
        }
        if ((cp >= 'a' && cp <= 'z') || (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7)) {
            cp -= 0x20;
        }
        out.push_back(cp);
        i += n;
    }
    return out;
}

std::string ExtensionText(const CatalogueEntry& e) {
    return DecodeStoredText(std::string_view(e.extension, strnlen(e.extension, sizeof e.extension)));
}

} // namespace

Catalogue::Catalogue(ArchiveFile& file, const ProtectedHeader& header, IFileSystem& fs,
                     const std::string& archivePath)
    : file_(file)
    , header_(header)
    , fs_(fs)
    , archivePath_(archivePath) {}

const CatalogueEntry* Catalogue::Entry(EntryIndex index) const {
    if (!loaded_ || index.value < 0 || static_cast<size_t>(index.value) >= entries_.size()) {
        return nullptr;
    }
    return &entries_[static_cast<size_t>(index.value)];
}

// ---------------------------------------------------------------- persistence

Status Catalogue::Load() {
    // Cleared first, so that a failed load can never be recounted or written back.
    loaded_ = false;
    dirty_ = false;
    const int32_t count = header_.entryCount;
    if (count < 0 || count > kMaxEntries || header_.catalogueSize != uint64_t{kEntrySize} * count) {
        entries_.clear();
        return kErrCorrupt;
    }
    entries_.resize(static_cast<size_t>(count));
    if (file_.ReadAt(entries_.data(), ImageOffset(), header_.catalogueSize) != kOk) {
        entries_.clear();
        return kErrArchiveRead;
    }
    for (const Finding& f : CheckStructure(header_, entries_, file_.Length(), true)) {
        if (f.error) {
            entries_.clear();
            return kErrCorrupt;
        }
    }
    changes_.assign(entries_.size(), kUnchanged);
    loaded_ = true;
    return kOk;
}

bool Catalogue::HasUnwrittenChanges() const {
    // A read-only archive keeps its changes of tree state in memory only.
    return loaded_ && dirty_ && file_.attached() && !file_.readOnly();
}

Status Catalogue::Flush() {
    if (!HasUnwrittenChanges()) {
        return kOk;
    }
    const uint64_t base = ImageOffset();
    const bool samePlace =
        changes_.size() == entries_.size() && header_.dataSize == file_.diskHeader().dataSize;

    // Only the entries that changed are written. When one of them changes more than the derived
    // counts (a rename, a comment, a type), the old bytes go to the journal first: a torn entry would
    // otherwise leave a name that decrypts to garbage. Derived counts are recomputed on every load,
    // so a torn write of them alone loses nothing.
    std::vector<std::pair<size_t, size_t>> runs; // [first, last)
    bool needJournal = !samePlace;
    if (samePlace) {
        for (size_t i = 0; i < entries_.size(); ++i) {
            if (changes_[i] == kUnchanged) {
                continue;
            }
            needJournal = needJournal || changes_[i] == kContent;
            if (!runs.empty() && runs.back().second == i) {
                runs.back().second = i + 1;
            } else {
                runs.emplace_back(i, i + 1);
            }
        }
    } else {
        runs.emplace_back(0, entries_.size());
    }
    RollbackJournal journal(fs_, archivePath_);
    if (needJournal) {
        bool ok = journal.Begin(*file_.file());
        for (const auto& [first, last] : runs) {
            ok = ok && journal.Save(*file_.file(), base + first * kEntrySize, (last - first) * kEntrySize);
        }
        if (!ok || !journal.Commit()) {
            journal.Discard();
            return kErrFileAccess;
        }
    }
    Status status = kOk;
    for (const auto& [first, last] : runs) {
        status = file_.WriteAt(&entries_[first], base + first * kEntrySize, (last - first) * kEntrySize);
        if (status != kOk) {
            break;
        }
    }
    if (needJournal) {
        if (status == kOk) {
            status = file_.Flush();
        }
        if (status == kOk && !journal.Discard()) {
            status = kErrFileAccess;
        }
        if (status != kOk) {
            // Put the old entries back now: a journal left behind would undo later work on the next
            // open. The changes stay in memory, so saving can be tried again.
            RollbackJournal::Recover(fs_, archivePath_, *file_.file(), false);
        }
    }
    if (status != kOk) {
        return status;
    }
    std::fill(changes_.begin(), changes_.end(), kUnchanged);
    dirty_ = false;
    return kOk;
}

void Catalogue::Clear() {
    entries_.clear();
    changes_.clear();
    loaded_ = false;
    dirty_ = false;
}

void Catalogue::Invalidate() {
    loaded_ = false;
    dirty_ = false;
    changes_.clear();
}

Status Catalogue::ReadEntry(CatalogueEntry& entry, EntryIndex index) const {
    if (index.value < 0 || index.value >= header_.entryCount) {
        return kErrArchiveRead;
    }
    return file_.ReadAt(&entry, ImageOffset() + uint64_t{kEntrySize} * index.value, kEntrySize);
}

Status Catalogue::WriteEntry(const CatalogueEntry& entry, EntryIndex index) {
    if (index.value < 0 || index.value >= header_.entryCount) {
        return kErrFileAccess;
    }
    return file_.WriteAt(&entry, ImageOffset() + uint64_t{kEntrySize} * index.value, kEntrySize);
}

// ---------------------------------------------------------------- changes

void Catalogue::MarkChanged(EntryIndex index, Change change) {
    if (index.value >= 0 && static_cast<size_t>(index.value) < changes_.size()) {
        uint8_t& slot = changes_[static_cast<size_t>(index.value)];
        slot = std::max<uint8_t>(slot, change);
    }
    dirty_ = true;
}

void Catalogue::SetComment(EntryIndex index, const std::string& text) {
    CatalogueEntry& e = entries_[static_cast<size_t>(index.value)];
    file_.EncryptText(text, e.comment, &e.commentKey1, &e.commentKey2);
    MarkChanged(index, kContent);
}

void Catalogue::SetName(EntryIndex index, const std::string& trimmed) {
    const size_t dot = trimmed.find_last_of('.');
    const std::string base =
        dot != std::string::npos && dot != 0 && dot != trimmed.size() - 1 ? trimmed.substr(0, dot) : trimmed;
    CatalogueEntry& e = entries_[static_cast<size_t>(index.value)];
    std::string name = base;
    const std::string extension = ExtensionText(e);
    if (!extension.empty()) {
        std::string lower = extension;
        for (char& c : lower) {
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
        }
        name += "." + lower;
    }
    // The user cannot change or remove the extension, so a name too long for the field gives up
    // characters before it instead.
    name = ShortenKeepingExtension(name, FitsTextField);
    file_.EncryptText(name, e.name, &e.nameKey1, &e.nameKey2);
    MarkChanged(index, kContent);
}

void Catalogue::SetExpanded(EntryIndex index, bool expanded) {
    entries_[static_cast<size_t>(index.value)].expanded = expanded ? 1 : 0;
    MarkChanged(index, kDerived);
}

void Catalogue::SetTypeCode(EntryIndex index, uint8_t code) {
    entries_[static_cast<size_t>(index.value)].typeCode = code;
    MarkChanged(index, kContent);
}

bool Catalogue::Recount(int32_t* folders, int32_t* files) {
    const int32_t count = static_cast<int32_t>(entries_.size());
    struct Derived {
        int32_t itemCount, fileCount;
        uint32_t size;
        uint8_t inRecycleBin;
        bool operator==(const Derived&) const = default;
    };
    auto derivedOf = [](const CatalogueEntry& e) {
        return Derived{e.itemCount, e.fileCount, e.size, e.inRecycleBin};
    };
    std::vector<Derived> before(entries_.size());
    std::transform(entries_.begin(), entries_.end(), before.begin(), derivedOf);
    const DerivedCounts derived = CountDerived(entries_);
    *folders = derived.folders;
    *files = derived.files;
    bool crowded = derived.topLevelFiles > 1000;
    for (int32_t i = 0; i < count; ++i) {
        CatalogueEntry& e = entries_[static_cast<size_t>(i)];
        const auto at = static_cast<size_t>(i);
        // A folder's counts are its derived ones; a file keeps its own size.
        e.itemCount = (e.IsFolder() ? 0 : e.itemCount) + derived.itemCount[at];
        e.fileCount = (e.IsFolder() ? 0 : e.fileCount) + derived.fileCount[at];
        e.size = (e.IsFolder() ? 0 : e.size) + derived.size[at];
        e.inRecycleBin = derived.inBin[at];
        crowded = crowded || (i != 0 && derived.fileCount[at] > 0 && e.fileCount > 1000);
    }
    for (int32_t i = 0; i < count; ++i) {
        if (!(derivedOf(entries_[static_cast<size_t>(i)]) == before[static_cast<size_t>(i)])) {
            MarkChanged(EntryIndex(i), kDerived);
        }
    }
    dirty_ = true;
    return crowded;
}

// ---------------------------------------------------------------- lookups

std::string Catalogue::Name(const CatalogueEntry& entry) {
    return file_.DecryptText(entry.name);
}

std::string Catalogue::SizeText(uint32_t bytes) {
    char text[32];
    if (bytes == 0) {
        std::snprintf(text, sizeof text, "%dKB", 0);
    } else if (bytes <= 1048575) {
        std::snprintf(text, sizeof text, "%dKB", static_cast<int>(bytes / 1024 + 1));
    } else {
        std::snprintf(text, sizeof text, "%dMB", static_cast<int>(bytes / 1048576 + 1));
    }
    return text;
}

std::string Catalogue::DateText(uint64_t fileTime) {
    const auto seconds = static_cast<std::time_t>(FileTimeToUnixSeconds(fileTime));
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr) {
        return {};
    }
    const int hour = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    char text[64];
    std::snprintf(text, sizeof text,
                  local.tm_hour < 12 ? "%.2d/%.2d/%.2d %.2d:%.2d AM" : "%.2d/%.2d/%.2d %.2d:%.2d PM",
                  local.tm_mon + 1, local.tm_mday, local.tm_year + 1900, hour, local.tm_min);
    return text;
}

std::string Catalogue::Text(const CatalogueEntry& entry, int field) {
    char text[64];
    switch (field) {
    case kFieldName:
        return file_.DecryptText(entry.name);
    case kFieldType:
        return entry.IsFolder() ? std::string("File Folder") : ExtensionText(entry);
    case kFieldSize:
        return SizeText(entry.size);
    case kFieldDimensions:
        if (entry.IsFolder()) {
            std::snprintf(text, sizeof text, "%d Items", entry.itemCount);
            return text;
        }
        if (entry.width == -1) {
            return {};
        }
        std::snprintf(text, sizeof text, "%2dx%2d", entry.width, entry.height);
        return text;
    case kFieldAdded:
        return DateText(entry.added);
    case kFieldModified:
        return DateText(entry.modified);
    case kFieldCreated:
        return DateText(entry.created);
    case kFieldComment:
        return file_.DecryptText(entry.comment);
    default:
        return {};
    }
}

uint32_t Catalogue::Key1(const CatalogueEntry& entry, int field) {
    switch (field) {
    case kFieldName:
        return entry.nameKey1;
    case kFieldType:
        return entry.extensionKey;
    case kFieldSize:
        return entry.size;
    case kFieldDimensions:
        return entry.width == -1 ? 0x8000u : static_cast<uint32_t>(entry.width);
    case kFieldAdded:
        return static_cast<uint32_t>(entry.added >> 32);
    case kFieldModified:
        return static_cast<uint32_t>(entry.modified >> 32);
    case kFieldCreated:
        return static_cast<uint32_t>(entry.created >> 32);
    case kFieldComment:
        return entry.commentKey1;
    default:
        return 0;
    }
}

uint32_t Catalogue::Key2(const CatalogueEntry& entry, int field) {
    switch (field) {
    case kFieldName:
        return entry.nameKey2;
    case kFieldType:
    case kFieldSize:
        return entry.nameKey1;
    case kFieldDimensions:
        return entry.height == -1 ? 0x8000u : static_cast<uint32_t>(entry.height);
    case kFieldAdded:
        return static_cast<uint32_t>(entry.added);
    case kFieldModified:
        return static_cast<uint32_t>(entry.modified);
    case kFieldCreated:
        return static_cast<uint32_t>(entry.created);
    case kFieldComment:
        return entry.commentKey2;
    default:
        return 0;
    }
}

int Catalogue::ListIcon(const CatalogueEntry& entry) {
    switch (entry.typeCode) {
    case kTypeArchive:
    case kTypeOther:
        return 1;
    case kTypeFolder:
        return 3;
    case kTypeRecycleBin:
        return entry.itemCount != 0 ? 6 : 5;
    default:
        if (IsImageType(entry.typeCode)) {
            return entry.hasThumbnail ? 0 : 2;
        }
        return 1;
    }
}

int Catalogue::TreeKind(const CatalogueEntry& entry) {
    if (!entry.IsFolder()) {
        return 2;
    }
    if (entry.typeCode == kTypeFolder) {
        return 1;
    }
    return entry.typeCode == kTypeRecycleBin ? 9999 : 0;
}

int Catalogue::FindNext(const std::string& text, bool matchCase, bool wholeName, int start) {
    if (!loaded_ || start < 0) {
        return 0;
    }
    const std::u32string wanted = UpperCodePoints(text);
    for (EntryIndex index(start); index.value < header_.entryCount; ++index.value) {
        const CatalogueEntry& e = entries_[static_cast<size_t>(index.value)];
        if (e.IsFolder()) {
            continue;
        }
        const std::string name = Name(e);
        bool match;
        if (matchCase) {
            match = wholeName ? name == text : name.find(text) != std::string::npos;
        } else {
            const std::u32string upper = UpperCodePoints(name);
            match = wholeName ? upper == wanted : upper.find(wanted) != std::u32string::npos;
        }
        if (match) {
            return index.number();
        }
    }
    return 0;
}

SelectionMap Catalogue::MarkSelection(const std::vector<int>& selection, bool withSubtrees) const {
    SelectionMap map;
    const int32_t count = loaded_ ? static_cast<int32_t>(entries_.size()) : 0;
    map.marks.assign(static_cast<size_t>(count) + 3, 0);
    if (count == 0) {
        return map;
    }
    if (selection.size() == 1 && selection[0] == 0) {
        for (int32_t n = 1; n <= count; ++n) {
            if (entries_[static_cast<size_t>(n - 1)].inRecycleBin == 0) {
                map.marks[static_cast<size_t>(n)] = -1;
                ++map.count;
            }
        }
        return map;
    }
    for (int n : selection) {
        if (n >= 1 && n <= count) {
            map.marks[static_cast<size_t>(n)] = -1;
        }
    }
    if (withSubtrees) {
        for (int32_t n = 1; n <= count; ++n) {
            const CatalogueEntry& e = entries_[static_cast<size_t>(n - 1)];
            if (!e.IsFolder() || e.parent == 0 || map.marks[static_cast<size_t>(n)] == -1) {
                continue;
            }
            int steps = 0;
            for (int32_t a = e.parent; a != 0 && steps <= count;
                 a = entries_[static_cast<size_t>(a - 1)].parent, ++steps) {
                if (map.marks[static_cast<size_t>(a)] == -1) {
                    map.marks[static_cast<size_t>(n)] = -1;
                    break;
                }
            }
        }
        for (int32_t n = 1; n <= count; ++n) {
            const int32_t p = entries_[static_cast<size_t>(n - 1)].parent;
            if (p != 0 && map.marks[static_cast<size_t>(p)] == -1) {
                map.marks[static_cast<size_t>(n)] = -1;
            }
        }
    }
    // The recycle bin itself never takes part in a move, copy, export or removal.
    map.marks[1] = 0;
    for (int32_t n = 1; n <= count; ++n) {
        map.count += map.marks[static_cast<size_t>(n)] == -1;
    }
    return map;
}

} // namespace quorvane
