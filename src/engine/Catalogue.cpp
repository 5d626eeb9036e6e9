// The item catalogue: names and comments, derived counts, selections, column texts and keys.
#include "CCodeArchive.h"
#include "DerivedCounts.h"
#include "NameRules.h"
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

const CatalogueEntry* CCodeArchive::Entry(EntryIndex index) const {
    // In flux the buffer may hold the old numbering, or offsets that no longer hold.
    if (!catalogueLoaded_ || fluxDepth_ > 0 || index.value < 0 ||
        static_cast<size_t>(index.value) >= catalogue_.size()) {
        return nullptr;
    }
    return &catalogue_[static_cast<size_t>(index.value)];
}

Status CCodeArchive::ValidateLoaded() {
    const std::vector<Finding> findings = CheckStructure(header_, catalogue_, FileLength(), true);
    for (const Finding& f : findings) {
        if (f.error) {
            return kErrCorrupt;
        }
    }
    return kOk;
}

// ---------------------------------------------------------------- building

Status CCodeArchive::AddFolder(int parent, const std::string& name, const std::string& comment,
                               uint8_t typeCode, int* newNumber) {
    if (Status s = AddPreamble(); s != kOk) {
        return s;
    }
    if (Status s = CheckAddRoom(0); s != kOk) {
        return s;
    }
    const uint64_t now = NowFileTime();
    header_.timeCopy.stamp2 = now;
    CatalogueEntry e{};
    e.created = e.modified = e.added = now;
    e.container = 1;
    e.typeCode = typeCode;
    e.expanded = 1;
    e.parent = parent;
    e.width = -1;
    e.height = -1;
    EncryptText(name, e.name, &e.nameKey1, &e.nameKey2);
    EncryptText(comment, e.comment, &e.commentKey1, &e.commentKey2);
    return CommitAdd(e, newNumber);
}

Status CCodeArchive::CreateFolder(int parent, const std::string& name, uint8_t typeCode, int* newNumber) {
    if (Reentered()) {
        return kBusy;
    }
    const OperationScope scope(*this);
    BeginBatch(true);
    Status status = PlanFolder();
    if (status == kOk) {
        status = Expand();
    }
    if (status == kOk) {
        status = StartAdding();
    }
    int number = 0;
    if (status == kOk) {
        status = AddFolder(parent, name, std::string(), typeCode, &number);
    }
    status = FinishBatch();
    if (status == kOk && newNumber) {
        *newNumber = number;
    }
    return status;
}

// ---------------------------------------------------------------- reading

std::string CCodeArchive::GetName(EntryIndex index) {
    const CatalogueEntry* e = Entry(index);
    return e ? DecryptText(e->name) : std::string();
}

std::string CCodeArchive::GetComment(EntryIndex index) {
    const CatalogueEntry* e = Entry(index);
    return e ? DecryptText(e->comment) : std::string();
}

std::string CCodeArchive::SizeText(uint32_t bytes) {
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

std::string CCodeArchive::DateText(uint64_t fileTime) {
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

std::string CCodeArchive::GetText(EntryIndex index, int field) {
    const CatalogueEntry* e = Entry(index);
    if (!e) {
        return {};
    }
    char text[64];
    switch (field) {
    case kFieldName:
        return DecryptText(e->name);
    case kFieldType:
        return e->IsFolder() ? std::string("File Folder") : ExtensionText(*e);
    case kFieldSize:
        return SizeText(e->size);
    case kFieldDimensions:
        if (e->IsFolder()) {
            std::snprintf(text, sizeof text, "%d Items", e->itemCount);
            return text;
        }
        if (e->width == -1) {
            return {};
        }
        std::snprintf(text, sizeof text, "%2dx%2d", e->width, e->height);
        return text;
    case kFieldAdded:
        return DateText(e->added);
    case kFieldModified:
        return DateText(e->modified);
    case kFieldCreated:
        return DateText(e->created);
    case kFieldComment:
        return DecryptText(e->comment);
    default:
        return {};
    }
}

uint32_t CCodeArchive::GetKey1(EntryIndex index, int field) const {
    const CatalogueEntry* e = Entry(index);
    if (!e) {
        return 0;
    }
    switch (field) {
    case kFieldName:
        return e->nameKey1;
    case kFieldType:
        return e->extensionKey;
    case kFieldSize:
        return e->size;
    case kFieldDimensions:
        return e->width == -1 ? 0x8000u : static_cast<uint32_t>(e->width);
    case kFieldAdded:
        return static_cast<uint32_t>(e->added >> 32);
    case kFieldModified:
        return static_cast<uint32_t>(e->modified >> 32);
    case kFieldCreated:
        return static_cast<uint32_t>(e->created >> 32);
    case kFieldComment:
        return e->commentKey1;
    default:
        return 0;
    }
}

uint32_t CCodeArchive::GetKey2(EntryIndex index, int field) const {
    const CatalogueEntry* e = Entry(index);
    if (!e) {
        return 0;
    }
    switch (field) {
    case kFieldName:
        return e->nameKey2;
    case kFieldType:
    case kFieldSize:
        return e->nameKey1;
    case kFieldDimensions:
        return e->height == -1 ? 0x8000u : static_cast<uint32_t>(e->height);
    case kFieldAdded:
        return static_cast<uint32_t>(e->added);
    case kFieldModified:
        return static_cast<uint32_t>(e->modified);
    case kFieldCreated:
        return static_cast<uint32_t>(e->created);
    case kFieldComment:
        return e->commentKey2;
    default:
        return 0;
    }
}

int CCodeArchive::GetListIcon(EntryIndex index) const {
    const CatalogueEntry* e = Entry(index);
    if (!e) {
        return 1;
    }
    switch (e->typeCode) {
    case kTypeArchive:
    case kTypeOther:
        return 1;
    case kTypeFolder:
        return 3;
    case kTypeRecycleBin:
        return e->itemCount != 0 ? 6 : 5;
    default:
        if (IsImageType(e->typeCode)) {
            return e->hasThumbnail ? 0 : 2;
        }
        return 1;
    }
}

int CCodeArchive::GetTreeKind(EntryIndex index) const {
    const CatalogueEntry* e = Entry(index);
    if (!e) {
        return 0;
    }
    if (!e->IsFolder()) {
        return 2;
    }
    if (e->typeCode == kTypeFolder) {
        return 1;
    }
    return e->typeCode == kTypeRecycleBin ? 9999 : 0;
}

int CCodeArchive::GetTreeKindNoBin(EntryIndex index) const {
    const int kind = GetTreeKind(index);
    return kind == 9999 ? 0 : kind;
}

const uint8_t* CCodeArchive::GetThumbnail(EntryIndex index) {
    const CatalogueEntry* e = Entry(index);
    if (!e || e->IsFolder() || !e->hasThumbnail || thumbStoredLength_ == 0 ||
        e->thumbLength != thumbStoredLength_) {
        return nullptr;
    }
    TransferBuffers& buffers = SharedBuffers();
    if (ReadAt(buffers.a, e->thumbOffset, thumbStoredLength_) != kOk ||
        DecryptUnit(buffers.a, buffers.thumbnail, thumbStoredLength_) != kOk) {
        return nullptr;
    }
    return buffers.thumbnail;
}

int CCodeArchive::GetImageData(EntryIndex index, const uint8_t** data, uint32_t* size) {
    const CatalogueEntry* e = Entry(index);
    if (!e || e->IsFolder() || e->size > kPieceSize || e->dataLength != StoredLength(e->size)) {
        return -1;
    }
    TransferBuffers& buffers = SharedBuffers();
    if (ReadAt(buffers.a, e->dataOffset, e->dataLength) != kOk ||
        DecryptUnit(buffers.a, buffers.b, e->dataLength) != kOk) {
        return -1;
    }
    *data = buffers.b + kChunkPrefix;
    *size = e->size;
    return 0;
}

int CCodeArchive::FindNext(const std::string& text, bool matchCase, bool wholeName, int start) {
    if (!catalogueLoaded_ || fluxDepth_ > 0 || start < 0) {
        return 0;
    }
    const std::u32string wanted = UpperCodePoints(text);
    for (int index = start; index < header_.entryCount; ++index) {
        if (catalogue_[static_cast<size_t>(index)].IsFolder()) {
            continue;
        }
        const std::string name = GetName(EntryIndex(index));
        bool match;
        if (matchCase) {
            match = wholeName ? name == text : name.find(text) != std::string::npos;
        } else {
            const std::u32string upper = UpperCodePoints(name);
            match = wholeName ? upper == wanted : upper.find(wanted) != std::u32string::npos;
        }
        if (match) {
            return index + 1;
        }
    }
    return 0;
}

// ---------------------------------------------------------------- changing

Status CCodeArchive::SetEntryComment(EntryIndex index, const std::string& text) {
    if (Reentered() || catalogueInFlux()) {
        return kBusy;
    }
    if (!Entry(index)) {
        return ReportError(kErrGeneral);
    }
    if (archiveFile_.readOnly()) {
        return ReportError(kErrReadOnly);
    }
    CatalogueEntry& e = catalogue_[static_cast<size_t>(index.value)];
    EncryptText(text, e.comment, &e.commentKey1, &e.commentKey2);
    MarkChanged(index.value, kChangeContent);
    return kOk;
}

Status CCodeArchive::Rename(EntryIndex index, const std::string& text) {
    if (Reentered() || catalogueInFlux()) {
        return kBusy;
    }
    if (!Entry(index)) {
        return ReportError(kErrGeneral);
    }
    const std::string trimmed = TrimSpaces(text);
    if (trimmed.empty()) {
        return kCancelled; // the name stays as it was
    }
    if (archiveFile_.readOnly()) {
        return ReportError(kErrReadOnly);
    }
    const size_t dot = trimmed.find_last_of('.');
    const std::string base =
        dot != std::string::npos && dot != 0 && dot != trimmed.size() - 1 ? trimmed.substr(0, dot) : trimmed;
    CatalogueEntry& e = catalogue_[static_cast<size_t>(index.value)];
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
    EncryptText(name, e.name, &e.nameKey1, &e.nameKey2);
    MarkChanged(index.value, kChangeContent);
    return kOk;
}

Status CCodeArchive::SetExpanded(EntryIndex index, bool expanded) {
    if (Reentered() || catalogueInFlux()) {
        return kBusy;
    }
    if (!Entry(index)) {
        return ReportError(kErrGeneral);
    }
    catalogue_[static_cast<size_t>(index.value)].expanded = expanded ? 1 : 0;
    MarkChanged(index.value, kChangeDerived);
    return kOk;
}

Status CCodeArchive::SetTypeCode(EntryIndex index, uint8_t code) {
    if (Reentered() || catalogueInFlux()) {
        return kBusy;
    }
    if (!Entry(index)) {
        return ReportError(kErrGeneral);
    }
    catalogue_[static_cast<size_t>(index.value)].typeCode = code;
    MarkChanged(index.value, kChangeContent);
    return kOk;
}

Status CCodeArchive::SetRootExpanded(bool expanded) {
    if (Reentered() || catalogueInFlux()) {
        return kBusy;
    }
    if (!isOpen_) {
        return ReportError(kErrGeneral);
    }
    header_.rootExpanded = expanded ? 1 : 0;
    return kOk;
}

// ---------------------------------------------------------------- structure

void CCodeArchive::Recount(bool alert) {
    if (!catalogueLoaded_ || Reentered()) {
        return;
    }
    const int32_t count = static_cast<int32_t>(catalogue_.size());
    struct Derived {
        int32_t itemCount, fileCount;
        uint32_t size;
        uint8_t inRecycleBin;
        bool operator==(const Derived&) const = default;
    };
    auto derivedOf = [](const CatalogueEntry& e) {
        return Derived{e.itemCount, e.fileCount, e.size, e.inRecycleBin};
    };
    std::vector<Derived> before(catalogue_.size());
    std::transform(catalogue_.begin(), catalogue_.end(), before.begin(), derivedOf);
    const DerivedCounts derived = CountDerived(catalogue_);
    header_.folderCount = derived.folders;
    header_.fileCount = derived.files;
    bool noteAlert = derived.topLevelFiles > 1000;
    for (int32_t i = 0; i < count; ++i) {
        CatalogueEntry& e = catalogue_[static_cast<size_t>(i)];
        const auto at = static_cast<size_t>(i);
        // A folder's counts are its derived ones; a file keeps its own size.
        e.itemCount = (e.IsFolder() ? 0 : e.itemCount) + derived.itemCount[at];
        e.fileCount = (e.IsFolder() ? 0 : e.fileCount) + derived.fileCount[at];
        e.size = (e.IsFolder() ? 0 : e.size) + derived.size[at];
        e.inRecycleBin = derived.inBin[at];
        noteAlert = noteAlert || (i != 0 && derived.fileCount[at] > 0 && e.fileCount > 1000);
    }
    for (int32_t i = 0; i < count; ++i) {
        if (!(derivedOf(catalogue_[static_cast<size_t>(i)]) == before[static_cast<size_t>(i)])) {
            MarkChanged(i, kChangeDerived);
        }
    }
    catalogueDirty_ = true;
    if (alert && noteAlert) {
        ShowAlert(AlertPerformance());
    }
}

SelectionMap CCodeArchive::MarkSelection(const std::vector<int>& selection, bool withSubtrees) const {
    SelectionMap map;
    const int32_t count = catalogueLoaded_ && fluxDepth_ == 0 ? static_cast<int32_t>(catalogue_.size()) : 0;
    map.marks.assign(static_cast<size_t>(count) + 3, 0);
    if (count == 0) {
        return map;
    }
    if (selection.size() == 1 && selection[0] == 0) {
        for (int32_t n = 1; n <= count; ++n) {
            if (catalogue_[static_cast<size_t>(n - 1)].inRecycleBin == 0) {
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
            const CatalogueEntry& e = catalogue_[static_cast<size_t>(n - 1)];
            if (!e.IsFolder() || e.parent == 0 || map.marks[static_cast<size_t>(n)] == -1) {
                continue;
            }
            int steps = 0;
            for (int32_t a = e.parent; a != 0 && steps <= count;
                 a = catalogue_[static_cast<size_t>(a - 1)].parent, ++steps) {
                if (map.marks[static_cast<size_t>(a)] == -1) {
                    map.marks[static_cast<size_t>(n)] = -1;
                    break;
                }
            }
        }
        for (int32_t n = 1; n <= count; ++n) {
            const int32_t p = catalogue_[static_cast<size_t>(n - 1)].parent;
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
