#pragma once
// Small helpers shared by the engine's tests: archives made in a MemoryFileSystem, source files put
// beside them, and what an archive holds, read back for comparison.
#include "CCodeArchive.h"
#include "MemoryFileSystem.h"
#include "ScriptedHost.h"

#include <memory>
#include <string>
#include <vector>

namespace quorvane::testing {

// Creates (and leaves open) an archive at `path`; fails the test on a nonzero status.
std::unique_ptr<CCodeArchive> MakeArchive(IFileSystem& fs, ScriptedHost& host, const std::string& path,
                                          const CreateSettings& settings);
// Opens an archive, answering the password prompt with `password` when it is encrypted.
std::unique_ptr<CCodeArchive> OpenArchive(IFileSystem& fs, ScriptedHost& host, const std::string& path,
                                          const std::string& password, Status* status = nullptr);

// Puts files into the memory file system under `folder` and imports them into `parent` in one batch.
struct SourceFile {
    std::string name;
    std::vector<uint8_t> bytes;
};
Status ImportFiles(CCodeArchive& archive, MemoryFileSystem& fs, int parent,
                   const std::vector<SourceFile>& files, const std::string& folder = "/src");

std::vector<uint8_t> PatternBytes(size_t size, uint32_t seed);

// What an archive holds, entry by entry: name, parent, container, size and (for files) the bytes.
struct EntrySnapshot {
    std::string name;
    int32_t parent = 0;
    uint8_t container = 0;
    uint32_t size = 0;
    std::vector<uint8_t> data;
    bool operator==(const EntrySnapshot&) const = default;
};
std::vector<EntrySnapshot> Snapshot(CCodeArchive& archive);
// A file's bytes read back chunk by chunk.
std::vector<uint8_t> ReadFileBytes(CCodeArchive& archive, EntryIndex index);
// The errors `CheckArchive` finds, as text (empty when the archive is sound).
std::string CheckErrors(CCodeArchive& archive);

} // namespace quorvane::testing
