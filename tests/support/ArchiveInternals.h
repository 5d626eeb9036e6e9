#pragma once
// The engine steps below CCodeArchive's façade, for tests and benchmarks that build or damage an
// archive step by step (a batch driven by hand, an entry rewritten on disk). No part of the
// program uses this.
#include "CCodeArchive.h"

namespace quorvane {

class ArchiveInternals {
public:
    explicit ArchiveInternals(CCodeArchive& archive)
        : a_(archive) {}

    Status ReadAt(void* buffer, uint64_t offset, size_t length) { return a_.ReadAt(buffer, offset, length); }
    Status DecryptUnit(const void* source, void* destination, uint32_t length) {
        return a_.DecryptUnit(source, destination, length);
    }
    Status ReadEntry(CatalogueEntry& entry, EntryIndex index) {
        return a_.catalogue_.ReadEntry(entry, index);
    }
    Status WriteEntry(const CatalogueEntry& entry, EntryIndex index) {
        return a_.catalogue_.WriteEntry(entry, index);
    }
    void EncryptText(const std::string& text, uint8_t* field, uint32_t* key1, uint32_t* key2) {
        a_.EncryptText(text, field, key1, key2);
    }

    // The batch protocol: BeginBatch, Plan*, Expand, StartAdding, add steps, FinishBatch.
    Status BeginBatch(bool silent) { return a_.BeginBatch(silent); }
    Status PlanFile(const std::string& path, uint64_t size) { return a_.batch_.PlanFile(path, size); }
    Status PlanFolder() { return a_.batch_.PlanFolder(); }
    Status PlanCopy(const CatalogueEntry& entry) { return a_.batch_.PlanCopy(entry); }
    Status Expand() { return a_.batch_.Expand(); }
    Status StartAdding() { return a_.batch_.StartAdding(); }
    Status AddFile(int parent, const std::string& path, int* newNumber = nullptr) {
        return a_.batch_.AddFile(parent, path, newNumber);
    }
    Status AddFolder(int parent, const std::string& name, const std::string& comment, uint8_t typeCode,
                     int* newNumber = nullptr) {
        return a_.batch_.AddFolder(parent, name, comment, typeCode, newNumber);
    }
    Status FinishBatch() { return a_.FinishBatch(); }

    void ProgressOpen(int kind) {
        const bool adding = kind == kProgressCopy || kind == kProgressEncrypt;
        a_.progress_.Open(kind, adding ? a_.header_.thumbnailFormat : 0,
                          adding ? a_.header_.thumbnailQuality : 0);
    }
    bool PollCancel() { return a_.progress_.PollCancel(); }
    void ProgressClose() { a_.progress_.Close(); }

private:
    CCodeArchive& a_;
};

} // namespace quorvane
