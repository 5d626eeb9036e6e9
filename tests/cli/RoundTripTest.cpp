// A tree of every kind of file through `kvq add` and `kvq extract`, for each encryption method: the
// same files come back, byte for byte, in the same folders.
#include "CCodeArchive.h"
#include "ImageSamples.h"
#include "KvqRunner.h"
#include "ScriptedHost.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace quorvane::clitest {
namespace {

namespace fs = std::filesystem;

// A 1 x 1 GIF (Qt writes no GIF).
const unsigned char kGif[] = {'G',  'I', 'F', '8', '9', 'a',  1, 0, 1, 0,   0x80, 0, 0,   0xFF, 0xFF,
                              0xFF, 0,   0,   0,   '!', 0xF9, 4, 1, 0, 0,   0,    0, ',', 0,    0,
                              0,    0,   1,   0,   1,   0,    0, 2, 2, 'D', 1,    0, ';'};

std::string Bytes(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// Relative path → content of every regular file below `root`.
std::map<std::string, std::string> Tree(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), root).string()] = ReadFile(entry.path().string());
        }
    }
    return files;
}

class RoundTrip : public ::testing::TestWithParam<const char*> {};

TEST_P(RoundTrip, EveryKindOfFileComesBackIdentical) {
    TempDir dir;
    Kvq kvq;
    kvq.env["KVQ_PASSWORD"] = "round-trip";
    const std::string archive = dir / "a.kvq";
    ASSERT_EQ(kvq({"create", archive, "--method", GetParam()}).status, 0);

    const std::string src = dir / "src/album";
    fs::create_directories(src + "/jpeg and gif");
    fs::create_directories(src + "/lossless/deeper");
    WriteFile(src + "/jpeg and gif/photo.jpg", Bytes(testing::EncodedImage(64, 48, "jpeg", 85)));
    WriteFile(src + "/jpeg and gif/tiny.gif", std::string(std::begin(kGif), std::end(kGif)));
    WriteFile(src + "/lossless/shot.png", Bytes(testing::EncodedImage(40, 30, "png")));
    WriteFile(src + "/lossless/deeper/scan.tif", Bytes(testing::EncodedImage(33, 21, "tiff")));
    WriteFile(src + "/lossless/deeper/old.bmp", Bytes(testing::EncodedImage(17, 9, "bmp")));
    WriteFile(src + "/notes.txt", "not an image\n");
    WriteFile(src + "/empty", "");
    std::string big(9 * 1000 * 1000, '\0'); // three chunks
    for (size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>((i * 2654435761u) >> 11);
    }
    WriteFile(src + "/big.bin", big);

    const RunResult add = kvq({"add", archive, src});
    ASSERT_EQ(add.status, 0) << add.err;
    const RunResult check = kvq({"check", archive});
    EXPECT_EQ(check.status, 0) << check.out;

    const RunResult extract = kvq({"extract", archive, "-C", dir / "out"});
    ASSERT_EQ(extract.status, 0) << extract.err;
    EXPECT_EQ(Tree(dir / "out/album"), Tree(src));

    // The images were recognised and measured on the way in.
    const RunResult list = kvq({"ls", archive, "album", "-R", "-l"});
    for (const char* dims : {"64x48", "1x1", "40x30", "33x21", "17x9"}) {
        EXPECT_NE(list.out.find(dims), std::string::npos) << dims << " in\n" << list.out;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryMethod, RoundTrip, ::testing::Values("none", "twofish", "blowfish", "basic"));

} // namespace
} // namespace quorvane::clitest
