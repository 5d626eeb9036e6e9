#include "ArchiveFixtures.h"
#include "ArchiveInternals.h"

#include "Check.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quorvane::testing {

std::unique_ptr<CCodeArchive> MakeArchive(IFileSystem& fs, ScriptedHost& host, const std::string& path,
                                          const CreateSettings& settings) {
    const size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
        fs.MakeDirectory(path.substr(0, slash));
    }
    auto archive = std::make_unique<CCodeArchive>(host, fs);
    host.QueueCreate(settings);
    const Status status = archive->Create(path);
    EXPECT_EQ(status, kOk) << "creating " << path;
    return archive;
}

std::unique_ptr<CCodeArchive> OpenArchive(IFileSystem& fs, ScriptedHost& host, const std::string& path,
                                          const std::string& password, Status* status) {
    auto archive = std::make_unique<CCodeArchive>(host, fs);
    host.passwords.clear();
    host.passwords.push_back(password);
    const Status s = archive->Open(path);
    host.passwords.clear();
    if (status) {
        *status = s;
    }
    return archive;
}

Status ImportFiles(CCodeArchive& archive, MemoryFileSystem& fs, int parent,
                   const std::vector<SourceFile>& files, const std::string& folder) {
    std::vector<std::string> paths;
    for (const SourceFile& f : files) {
        const std::string path = folder + "/" + f.name;
        fs.Put(path, f.bytes);
        paths.push_back(path);
    }
    return ImportPaths(archive, paths, parent, false);
}

std::vector<uint8_t> PatternBytes(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    uint32_t x = seed * 2654435761u + 1;
    for (uint8_t& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x);
    }
    return bytes;
}

std::vector<uint8_t> ReadFileBytes(CCodeArchive& archive, EntryIndex index) {
    const CatalogueEntry* e = archive.Entry(index);
    std::vector<uint8_t> out;
    if (!e || e->IsFolder()) {
        return out;
    }
    TransferBuffers& buffers = SharedBuffers();
    uint64_t offset = e->dataOffset;
    uint64_t remaining = e->size;
    do {
        const uint64_t piece = std::min<uint64_t>(remaining, kPieceSize);
        const uint32_t stored = Padded(piece + kChunkPrefix);
        if (ArchiveInternals(archive).ReadAt(buffers.a, offset, stored) != kOk ||
            ArchiveInternals(archive).DecryptUnit(buffers.a, buffers.b, stored) != kOk) {
            ADD_FAILURE() << "chunk of entry #" << index.number() << " unreadable";
            return out;
        }
        out.insert(out.end(), buffers.b + kChunkPrefix, buffers.b + kChunkPrefix + piece);
        offset += stored;
        remaining -= piece;
    } while (remaining > 0);
    return out;
}

std::vector<EntrySnapshot> Snapshot(CCodeArchive& archive) {
    std::vector<EntrySnapshot> out;
    for (int i = 0; i < archive.entryCount(); ++i) {
        const CatalogueEntry* e = archive.Entry(EntryIndex(i));
        EntrySnapshot s{
            archive.GetName(EntryIndex(i)), e->parent, e->container, e->IsFolder() ? 0u : e->size, {}};
        if (!e->IsFolder()) {
            s.data = ReadFileBytes(archive, EntryIndex(i));
        }
        out.push_back(std::move(s));
    }
    return out;
}

std::string CheckErrors(CCodeArchive& archive) {
    std::string text;
    for (const Finding& f : CheckArchive(archive)) {
        if (f.error) {
            text += f.text + "\n";
        }
    }
    return text;
}

} // namespace quorvane::testing
