// Arbitrary bytes as an archive file. Opening must refuse or accept them without crashing, hanging
// or touching anything outside the file; an archive that opens must survive reading every entry,
// the full check, and an Empty Recycle Bin with its defragmentation.
#include "CCodeArchive.h"
#include "Check.h"
#include "MemoryFileSystem.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using namespace quorvane;

class FuzzHost : public ArchiveHost {
public:
    void ShowMessage(Status, const std::string&) override {}
    void ShowNotice(const std::string&) override {}
    bool AskPassword(const std::string&, std::string& password) override {
        password = "fuzz";
        return true;
    }
    bool AskCreateSettings(const std::string&, CreateSettings& settings) override {
        settings = create;
        return true;
    }
    bool AskConfirmPassword(std::string& password) override {
        password = create.password;
        return true;
    }
    CreateSettings create;
    bool Confirm(const Prompt&) override { return true; }
    void Alert(const Prompt&) override {}
    bool ChooseFolder(std::string& folder) override {
        folder = "/out";
        return true;
    }
    void ProgressOpen(int, const std::string&, int, int) override {}
    void ProgressTotal(int) override {}
    void ProgressText(const std::string&, const ProgressCounts&) override {}
    void ProgressPiece(int, int) override {}
    bool PollCancel() override { return false; }
    void ProgressClose() override {}
};

// A small valid archive (folders, files, items in the recycle bin), so that mutations reach past
// the headers: plain, or keyed with the password the host gives.
std::vector<uint8_t> MakeBase(bool encrypted) {
    MemoryFileSystem fs;
    FuzzHost host;
    host.create.encrypt = encrypted;
    host.create.password = "fuzz";
    host.create.thumbnailFormat = 1;
    CCodeArchive archive(host, fs);
    archive.Create("/base.kvq");
    int folder = 0;
    archive.CreateFolder(0, "Folder", kTypeFolder, &folder);
    std::vector<std::string> paths;
    for (int i = 0; i < 4; ++i) {
        const std::string path = "/src/file" + std::to_string(i) + ".bin";
        fs.Put(path, std::vector<uint8_t>(static_cast<size_t>(40 + 90 * i), static_cast<uint8_t>(i)));
        paths.push_back(path);
    }
    ImportPaths(archive, paths, folder, false);
    archive.MoveEntries({4}, 1, false);
    archive.Close(true);
    return *fs.Get("/base.kvq");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t inputSize) {
    static const std::vector<uint8_t> bases[2] = {MakeBase(false), MakeBase(true)};
    // First byte: 0..1 take the input as the whole file; 2..3 patch a valid archive (plain or
    // keyed) with (offset low, offset high, value) triples, and cut it to a length when asked.
    std::vector<uint8_t> bytes;
    if (inputSize == 0 || input[0] % 4 < 2) {
        bytes.assign(input + (inputSize ? 1 : 0), input + inputSize);
    } else {
        bytes = bases[input[0] % 2];
        size_t i = 1;
        if (inputSize > 1 && input[1] == 0xFF && inputSize > 3) {
            bytes.resize(std::min<size_t>(bytes.size(), input[2] | (size_t{input[3]} << 8) | 0x100));
            i = 4;
        }
        for (; i + 2 < inputSize; i += 3) {
            const size_t at = input[i] | (size_t{input[i + 1]} << 8);
            if (at < bytes.size()) {
                bytes[at] = input[i + 2];
            }
        }
    }
    const uint8_t* data = bytes.data();
    const size_t size = bytes.size();
    MemoryFileSystem fs;
    fs.MakeDirectory("/out");
    fs.Put("/a.kvq", std::vector<uint8_t>(data, data + size));
    FuzzHost host;
    CCodeArchive archive(host, fs);
    if (archive.Open("/a.kvq") != kOk) {
        // A refused file is never written to.
        if (*fs.Get("/a.kvq") != std::vector<uint8_t>(data, data + size)) {
            std::abort();
        }
        return 0;
    }
    for (int i = 0; i < archive.entryCount(); ++i) {
        archive.GetName(EntryIndex(i));
        archive.GetText(EntryIndex(i), kFieldDimensions);
        archive.GetThumbnail(EntryIndex(i));
    }
    CheckArchive(archive);
    archive.ExportSelection({0});
    archive.EmptyRecycleBin({1});
    archive.Close(true);
    // Whatever was done, the file is still an archive that opens.
    CCodeArchive again(host, fs);
    if (again.Open("/a.kvq") != kOk) {
        std::abort();
    }
    again.Close(false);
    return 0;
}
