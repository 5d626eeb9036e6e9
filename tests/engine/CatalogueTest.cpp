// The catalogue: sort keys, column texts, derived counts, selections, renaming, searching, stored
// text encodings and the performance alert.
#include "ArchiveFixtures.h"
#include "CCodeArchive.h"
#include "ImageSamples.h"
#include "MemoryFileSystem.h"
#include "ScriptedHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

const char* const kPath = "/a/cat.kvq";

int NewFolder(CCodeArchive& archive, int parent, const std::string& name) {
    int number = 0;
    EXPECT_EQ(archive.CreateFolder(parent, name, kTypeFolder, &number), kOk) << name;
    return number;
}

// Imports one file into `parent` and returns its entry number.
int NewFile(CCodeArchive& archive, MemoryFileSystem& fs, int parent, const std::string& name,
            const std::vector<uint8_t>& bytes = {1, 2, 3}) {
    const int before = archive.entryCount();
    EXPECT_EQ(ImportFiles(archive, fs, parent, {{name, bytes}}, "/src/" + std::to_string(before)), kOk)
        << name;
    EXPECT_EQ(archive.entryCount(), before + 1) << name;
    return archive.entryCount();
}

std::vector<int> Marked(const SelectionMap& map) {
    std::vector<int> numbers;
    for (size_t n = 0; n < map.marks.size(); ++n) {
        if (map.marks[n] == -1) {
            numbers.push_back(static_cast<int>(n));
        }
    }
    return numbers;
}

// FILETIME of a UTC calendar time.
uint64_t FileTimeUtc(int year, int month, int day, int hour, int minute) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    const int64_t seconds = timegm(&t);
    return static_cast<uint64_t>(seconds) * 10000000u + 116444736000000000u;
}

class CatalogueDates : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        saved_ = tz ? std::optional<std::string>(tz) : std::nullopt;
        setenv("TZ", "America/New_York", 1);
        tzset();
    }
    void TearDown() override {
        if (saved_) {
            setenv("TZ", saved_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    std::optional<std::string> saved_;
};

} // namespace

TEST(Catalogue, SortKeysOfNamesAndExtensions) {
    const auto key = [](const char* text) {
        uint8_t field[8] = {}; // zero-filled like a stored field; the text is at most 8 bytes
        for (size_t i = 0; i < sizeof field && text[i] != '\0'; ++i) {
            field[i] = static_cast<uint8_t>(text[i]);
        }
        return std::pair{SortKey(field), SortKey(field + 4)};
    };
    EXPECT_EQ(key("photo"), (std::pair{0x30282F34u, 0x2FE0E0E0u}));
    EXPECT_EQ(key("AB").first, 0x2122E0E0u);
    EXPECT_EQ(key("ABC").first, 0x212223E0u);
    EXPECT_EQ(key("JPG").first, 0x2A3027E0u);

    // What the engine stores: folders made, files imported, names changed, and the keys survive a reopen.
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Encrypted(kMethodTwofish, "keys"));
    const int photo = NewFolder(*archive, 0, "photo");
    const int ab = NewFolder(*archive, 0, "x");
    archive->Rename(EntryIndex::OfNumber(ab), "AB");
    const int abc = NewFolder(*archive, 0, "abc");
    const int jpg = NewFile(*archive, fs, 0, "img.jpg");
    ASSERT_EQ(archive->Close(true), kOk);
    auto reopened = OpenArchive(fs, host, kPath, "keys");
    ASSERT_TRUE(reopened->IsOpen());
    EXPECT_EQ(reopened->GetKey1(EntryIndex::OfNumber(photo), kFieldName), 0x30282F34u);
    EXPECT_EQ(reopened->GetKey2(EntryIndex::OfNumber(photo), kFieldName), 0x2FE0E0E0u);
    EXPECT_EQ(reopened->GetKey1(EntryIndex::OfNumber(ab), kFieldName), 0x2122E0E0u);
    EXPECT_EQ(reopened->GetKey2(EntryIndex::OfNumber(ab), kFieldName), 0xE0E0E0E0u);
    EXPECT_EQ(reopened->GetKey1(EntryIndex::OfNumber(abc), kFieldName), 0x212223E0u);
    EXPECT_EQ(reopened->GetKey1(EntryIndex::OfNumber(jpg), kFieldType), 0x2A3027E0u);
    EXPECT_EQ(reopened->GetText(EntryIndex::OfNumber(jpg), kFieldType), "JPG");
    EXPECT_EQ(reopened->GetKey2(EntryIndex::OfNumber(jpg), kFieldType),
              reopened->GetKey1(EntryIndex::OfNumber(jpg), kFieldName));
    EXPECT_EQ(CheckErrors(*reopened), "");
}

TEST(Catalogue, SizeTexts) {
    const std::pair<uint32_t, const char*> cases[] = {
        {0, "0KB"},          {1, "1KB"},       {1023, "1KB"},    {1024, "2KB"},
        {1048575, "1024KB"}, {1048576, "2MB"}, {4194304, "5MB"}, {4294967295u, "4096MB"},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(CCodeArchive::SizeText(bytes), text) << bytes;
    }
}

TEST_F(CatalogueDates, DateTextsUseTheLocalTwelveHourClock) {
    struct Case {
        uint64_t fileTime;
        const char* text;
    } cases[] = {
        // Winter: New York is UTC-5.
        {FileTimeUtc(2024, 1, 15, 5, 5), "01/15/2024 12:05 AM"},
        {FileTimeUtc(2024, 1, 15, 17, 30), "01/15/2024 12:30 PM"},
        {FileTimeUtc(2024, 1, 15, 18, 5), "01/15/2024 01:05 PM"},
        {FileTimeUtc(2024, 1, 16, 4, 59), "01/15/2024 11:59 PM"},
        // Summer: UTC-4, and the local date differs from the UTC date.
        {FileTimeUtc(2023, 7, 5, 3, 0), "07/04/2023 11:00 PM"},
        {FileTimeUtc(2023, 7, 4, 4, 5), "07/04/2023 12:05 AM"},
        // The Unix epoch, local time the evening before.
        {116444736000000000u, "12/31/1969 07:00 PM"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CCodeArchive::DateText(c.fileTime), c.text) << c.fileTime;
    }

    // The date columns of an entry show its stored times.
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Plain());
    fs.Put("/src/d.txt", {1});
    const int64_t created = (static_cast<int64_t>(FileTimeUtc(2024, 1, 15, 5, 5)) - 116444736000000000) * 100;
    const int64_t modified =
        (static_cast<int64_t>(FileTimeUtc(2024, 1, 15, 18, 5)) - 116444736000000000) * 100;
    fs.SetTimes("/src/d.txt", created, modified);
    ASSERT_EQ(ImportPaths(*archive, {"/src/d.txt"}, 0, false), kOk);
    EXPECT_EQ(archive->GetText(EntryIndex(1), kFieldCreated), "01/15/2024 12:05 AM");
    EXPECT_EQ(archive->GetText(EntryIndex(1), kFieldModified), "01/15/2024 01:05 PM");
    EXPECT_EQ(archive->GetKey1(EntryIndex(1), kFieldModified),
              static_cast<uint32_t>(archive->Entry(EntryIndex(1))->modified >> 32));
    EXPECT_EQ(archive->GetKey2(EntryIndex(1), kFieldModified),
              static_cast<uint32_t>(archive->Entry(EntryIndex(1))->modified));
}

TEST(Catalogue, RecountOfFoldersInsideTheRecycleBin) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Plain());
    EXPECT_EQ(archive->folderCount(), 1) << "only the recycle bin";
    EXPECT_EQ(archive->fileCount(), 0);

    const int outer = NewFolder(*archive, 0, "outer");
    const int inner = NewFolder(*archive, outer, "inner");
    const int file = NewFile(*archive, fs, inner, "deep.dat", std::vector<uint8_t>(3000, 7));
    const int top = NewFile(*archive, fs, 0, "top.dat", std::vector<uint8_t>(100, 1));
    ASSERT_EQ(archive->MoveEntries({outer}, 1, false), kOk);

    const auto check = [&](CCodeArchive& a, const char* when) {
        SCOPED_TRACE(when);
        const CatalogueEntry& bin = *a.Entry(EntryIndex(0));
        const CatalogueEntry& o = *a.Entry(EntryIndex::OfNumber(outer));
        const CatalogueEntry& i = *a.Entry(EntryIndex::OfNumber(inner));
        const CatalogueEntry& f = *a.Entry(EntryIndex::OfNumber(file));
        EXPECT_EQ(f.inRecycleBin, 1);
        EXPECT_EQ(i.inRecycleBin, 1);
        EXPECT_EQ(o.inRecycleBin, 1);
        EXPECT_EQ(bin.inRecycleBin, 1);
        EXPECT_EQ(a.Entry(EntryIndex::OfNumber(top))->inRecycleBin, 0);
        EXPECT_EQ(bin.itemCount, 3);
        EXPECT_EQ(bin.fileCount, 0) << "fileCount counts direct children only";
        EXPECT_EQ(bin.size, 3000u);
        EXPECT_EQ(o.itemCount, 2);
        EXPECT_EQ(o.fileCount, 0);
        EXPECT_EQ(o.size, 3000u);
        EXPECT_EQ(i.itemCount, 1);
        EXPECT_EQ(i.fileCount, 1);
        EXPECT_EQ(a.folderCount(), 3);
        EXPECT_EQ(a.fileCount(), 2);
        EXPECT_EQ(a.GetText(EntryIndex::OfNumber(outer), kFieldDimensions), "2 Items");
        EXPECT_EQ(CheckErrors(a), "");
    };
    check(*archive, "in memory");
    ASSERT_EQ(archive->Close(true), kOk);
    check(*OpenArchive(fs, host, kPath, ""), "reopened");
}

TEST(Catalogue, MarkSelectionFollowsParentLinksWhateverTheOrder) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Plain());
    const int a = NewFolder(*archive, 0, "A");          // 2
    const int a1 = NewFile(*archive, fs, a, "a1.dat");  // 3
    const int b = NewFolder(*archive, a, "B");          // 4
    const int b1 = NewFile(*archive, fs, b, "b1.dat");  // 5
    const int top = NewFile(*archive, fs, 0, "t.dat");  // 6
    const int binned = NewFile(*archive, fs, 0, "x");   // 7
    const int binFolder = NewFolder(*archive, 0, "BF"); // 8
    const int binDeep = NewFile(*archive, fs, binFolder, "y.dat");
    const int later = NewFolder(*archive, 0, "Later");
    ASSERT_EQ(archive->MoveEntries({binned, binFolder}, 1, false), kOk);
    // A folder made later that now holds earlier entries: marking must not depend on index order.
    ASSERT_EQ(archive->MoveEntries({a}, later, false), kOk);

    struct Case {
        const char* what;
        std::vector<int> selection;
        bool subtrees;
        std::vector<int> marked;
    } cases[] = {
        {"folder with subtrees", {a}, true, {a, a1, b, b1}},
        {"folder alone", {a}, false, {a}},
        {"outer folder made later", {later}, true, {a, a1, b, b1, later}},
        {"inner folder", {b}, true, {b, b1}},
        {"the recycle bin: its content, not itself", {1}, true, {binned, binFolder, binDeep}},
        {"the recycle bin without subtrees", {1}, false, {}},
        {"whole archive leaves the bin out", {0}, true, {a, a1, b, b1, top, later}},
        {"numbers out of range are ignored", {-3, 999, top}, true, {top}},
    };
    for (const Case& c : cases) {
        const SelectionMap map = archive->MarkSelection(c.selection, c.subtrees);
        EXPECT_EQ(Marked(map), c.marked) << c.what;
        EXPECT_EQ(map.count, static_cast<int>(c.marked.size())) << c.what;
        EXPECT_EQ(map.marks.size(), static_cast<size_t>(archive->entryCount()) + 3) << c.what;
    }
}

TEST(Catalogue, RenameKeepsTheStoredExtension) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Encrypted(kMethodBlowfish, "rename"));
    const int file = NewFile(*archive, fs, 0, "IMG_0001.JPG");
    const int plain = NewFile(*archive, fs, 0, "README");
    const int folder = NewFolder(*archive, 0, "New Folder");
    std::string lambdas;
    for (int i = 0; i < 100; ++i) {
        lambdas += "λ"; // two bytes each, and only in UTF-8
    }
    struct Case {
        int number;
        std::string text;
        std::string name;
    } cases[] = {
        // A name too long for the field gives up characters before the extension, never the extension.
        {file, std::string(126, 'x'), std::string(122, 'x') + ".jpg"},
        {file, std::string(130, 'e') + ".gif", std::string(122, 'e') + ".jpg"},
        {file, lambdas, lambdas.substr(0, 2 * 61) + ".jpg"},
        {file, "holiday.png", "holiday.jpg"},
        {file, "  trip  ", "trip.jpg"},
        {file, "archive.tar.gz", "archive.tar.jpg"},
        {file, ".profile", ".profile.jpg"},
        {file, "dots.", "dots..jpg"},
        {file, "   ", "dots..jpg"}, // only spaces: unchanged
        {file, "", "dots..jpg"},
        {plain, "notes.txt", "notes"},
        {folder, "a.b", "a"},
        {folder, " .b ", ".b"},
        {folder, "Trip 2024", "Trip 2024"},
    };
    for (const Case& c : cases) {
        archive->Rename(EntryIndex::OfNumber(c.number), c.text);
        EXPECT_EQ(archive->GetName(EntryIndex::OfNumber(c.number)), c.name) << '"' << c.text << '"';
    }
    EXPECT_TRUE(archive->catalogueDirty());
    EXPECT_EQ(std::string(archive->Entry(EntryIndex::OfNumber(file))->extension), "JPG")
        << "the extension field never changes";
    ASSERT_EQ(archive->Close(true), kOk);

    auto reopened = OpenArchive(fs, host, kPath, "rename");
    EXPECT_EQ(reopened->GetName(EntryIndex::OfNumber(file)), "dots..jpg");
    EXPECT_EQ(reopened->GetName(EntryIndex::OfNumber(plain)), "notes");
    EXPECT_EQ(reopened->GetName(EntryIndex::OfNumber(folder)), "Trip 2024");
    EXPECT_EQ(CheckErrors(*reopened), "") << "sort keys follow the new names";
}

TEST(Catalogue, FindNextMatchesFileNamesOnly) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Encrypted(kMethodTwofish, "find"));
    NewFolder(*archive, 0, "dsc folder");
    const int dsc = NewFile(*archive, fs, 0, "DSC_0042.JPG");
    const int img = NewFile(*archive, fs, 0, "img_dsc.jpg");
    const int accented = NewFile(*archive, fs, 0, "Ébauche.png");
    const int binned = NewFile(*archive, fs, 0, "DSC_9999.JPG");
    ASSERT_EQ(archive->MoveEntries({binned}, 1, false), kOk);
    struct Case {
        const char* text;
        bool matchCase;
        bool wholeName;
        int start;
        int found;
    } cases[] = {
        {"dsc", false, false, 0, dsc},      {"dsc", false, true, 0, 0},
        {"dsc", true, false, 0, img},       {"DSC", true, false, 0, dsc},
        {"dsc", false, false, dsc, img},    {"dsc", false, false, img, binned},
        {"dsc", false, false, binned, 0},   {"dsc_0042.jpg", false, true, 0, dsc},
        {"dsc_0042.jpg", true, true, 0, 0}, {"DSC_0042.JPG", true, true, 0, dsc},
        {"DSC_0042", false, true, 0, 0},    {"éBAUCHE", false, false, 0, accented},
        {"ébauche", true, false, 0, 0},     {"folder", false, false, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(archive->FindNext(c.text, c.matchCase, c.wholeName, c.start), c.found)
            << '"' << c.text << "\" case " << c.matchCase << " whole " << c.wholeName << " from " << c.start;
    }
}

TEST(Catalogue, NamesAreCutAndStoredInTheirEncoding) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Plain());
    std::string longName;
    for (int i = 0; i < 200; ++i) {
        longName += static_cast<char>('a' + i % 26);
    }
    const int longFolder = NewFolder(*archive, 0, longName);
    std::string greekLong;
    for (int i = 0; i < 100; ++i) {
        greekLong += "λ"; // two bytes each
    }
    const int greekFolder = NewFolder(*archive, 0, greekLong);
    const std::string greek = "Ελληνικά";
    const int utf8 = NewFolder(*archive, 0, greek);
    const std::string latin = "Café crème";
    const int cp1252 = NewFolder(*archive, 0, latin);
    const int comment = NewFolder(*archive, 0, "c");
    archive->SetEntryComment(EntryIndex::OfNumber(comment), longName);
    ASSERT_EQ(archive->Close(true), kOk);

    auto reopened = OpenArchive(fs, host, kPath, "");
    EXPECT_EQ(reopened->GetName(EntryIndex::OfNumber(longFolder)), longName.substr(0, 126));
    EXPECT_EQ(reopened->GetComment(EntryIndex::OfNumber(comment)), longName.substr(0, 126));
    std::string greek63;
    for (int i = 0; i < 63; ++i) {
        greek63 += "λ";
    }
    EXPECT_EQ(reopened->GetName(EntryIndex::OfNumber(greekFolder)), greek63) << "cut on a character boundary";
    EXPECT_EQ(reopened->GetName(EntryIndex::OfNumber(utf8)), greek);
    EXPECT_EQ(reopened->GetName(EntryIndex::OfNumber(cp1252)), latin);

    // The raw field of an unencrypted archive shows the stored bytes.
    const CatalogueEntry& g = *reopened->Entry(EntryIndex::OfNumber(utf8));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(g.name)), greek)
        << "UTF-8 when Windows-1252 cannot hold it";
    const CatalogueEntry& l = *reopened->Entry(EntryIndex::OfNumber(cp1252));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(l.name)), "Caf\xE9 cr\xE8me");
    EXPECT_EQ(l.name[127], 0);
    const std::vector<uint8_t> bytes = *fs.Get(kPath);
    const std::string file(bytes.begin(), bytes.end());
    EXPECT_NE(file.find(greek), std::string::npos);
    EXPECT_NE(file.find("Caf\xE9 cr\xE8me"), std::string::npos);
    EXPECT_EQ(file.find(latin), std::string::npos) << "no UTF-8 form of a name Windows-1252 can hold";
}

TEST(Catalogue, PerformanceAlertAtTheThousandAndFirstFile) {
    struct Case {
        const char* what;
        int folder;    // -1: a new folder, else this entry number
        int first;     // files of the first batch
        bool suppress; // "DB" switched off
        bool alertFirst;
        bool alertSecond; // after one more file
    } cases[] = {
        {"a folder", -1, 1000, false, false, true},         {"the top level", 0, 1000, false, false, true},
        {"the recycle bin", 1, 1000, false, false, false},  {"switched off", -1, 1000, true, false, false},
        {"one batch of 1001", -1, 1001, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryFileSystem fs;
        ScriptedHost host;
        if (c.suppress) {
            host.suppressed.insert("DB");
        }
        auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Plain());
        const int folder = c.folder >= 0 ? c.folder : NewFolder(*archive, 0, "many");
        fs.Put("/in/empty.dat", {});
        ASSERT_EQ(ImportPaths(*archive,
                              std::vector<std::string>(static_cast<size_t>(c.first), "/in/empty.dat"), folder,
                              false),
                  kOk);
        const auto alerts = [&] { return std::count(host.dialogs.begin(), host.dialogs.end(), 12321); };
        EXPECT_EQ(alerts(), c.alertFirst ? 1 : 0) << "after " << c.first;
        host.dialogs.clear();
        ASSERT_EQ(ImportFiles(*archive, fs, folder, {{"last.dat", {}}}, "/two"), kOk);
        EXPECT_EQ(alerts(), c.alertSecond ? 1 : 0) << "after " << c.first + 1;
        EXPECT_EQ(archive->fileCount(), c.first + 1);
    }
}

TEST(Catalogue, ColumnsIconsAndTreeKinds) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Plain(8));
    const std::vector<uint8_t> jpeg = EncodedImage(5, 7, "jpeg", 90);
    ASSERT_FALSE(jpeg.empty());
    EXPECT_EQ(archive->GetListIcon(EntryIndex(0)), 5) << "empty recycle bin";
    const int folder = NewFolder(*archive, 0, "Photos");
    const int picture = NewFile(*archive, fs, folder, "p.jpg", jpeg);
    const int broken = NewFile(*archive, fs, folder, "b.gif", {1, 2, 3, 4});
    const int other = NewFile(*archive, fs, 0, "n.txt", std::vector<uint8_t>(2048, 0));
    const int kvq = NewFile(*archive, fs, 0, "old.kvq");
    const int binned = NewFile(*archive, fs, 0, "gone.dat");
    ASSERT_EQ(archive->MoveEntries({binned}, 1, false), kOk);

    struct Row {
        int number;
        int icon;
        int tree;
        const char* type;
        const char* dimensions;
        const char* size;
    } rows[] = {
        {1, 6, 9999, "File Folder", "1 Items", "1KB"},
        {folder, 3, 1, "File Folder", "2 Items", nullptr},
        {picture, 0, 2, "JPG", " 5x 7", nullptr},
        {broken, 1, 2, "GIF", "", "1KB"},
        {other, 1, 2, "TXT", "", "3KB"},
        {kvq, 1, 2, "KVQ", "", "1KB"},
    };
    for (const Row& r : rows) {
        const int i = r.number - 1;
        SCOPED_TRACE(archive->GetName(EntryIndex(i)));
        EXPECT_EQ(archive->GetListIcon(EntryIndex(i)), r.icon);
        EXPECT_EQ(archive->GetTreeKind(EntryIndex(i)), r.tree);
        EXPECT_EQ(archive->GetTreeKindNoBin(EntryIndex(i)), r.tree == 9999 ? 0 : r.tree);
        EXPECT_EQ(archive->GetText(EntryIndex(i), kFieldType), r.type);
        EXPECT_EQ(archive->GetText(EntryIndex(i), kFieldDimensions), r.dimensions);
        if (r.size) {
            EXPECT_EQ(archive->GetText(EntryIndex(i), kFieldSize), r.size);
        }
        EXPECT_EQ(archive->GetText(EntryIndex(i), kFieldName), archive->GetName(EntryIndex(i)));
        EXPECT_EQ(archive->GetText(EntryIndex(i), 8), "");
        EXPECT_EQ(archive->GetKey1(EntryIndex(i), kFieldSize), archive->Entry(EntryIndex(i))->size);
        EXPECT_EQ(archive->GetKey2(EntryIndex(i), kFieldSize), archive->Entry(EntryIndex(i))->nameKey1);
    }
    EXPECT_EQ(archive->Entry(EntryIndex::OfNumber(kvq))->typeCode, kTypeArchive);
    EXPECT_EQ(archive->Entry(EntryIndex::OfNumber(broken))->typeCode, kTypeOther)
        << "undecodable images become type 128";
    EXPECT_EQ(archive->GetKey1(EntryIndex::OfNumber(picture), kFieldDimensions), 5u);
    EXPECT_EQ(archive->GetKey2(EntryIndex::OfNumber(picture), kFieldDimensions), 7u);
    EXPECT_EQ(archive->GetKey1(EntryIndex::OfNumber(other), kFieldDimensions), 0x8000u);
    EXPECT_EQ(archive->GetKey2(EntryIndex::OfNumber(other), kFieldDimensions), 0x8000u);
    EXPECT_NE(archive->GetThumbnail(EntryIndex::OfNumber(picture)), nullptr);
    EXPECT_EQ(archive->GetThumbnail(EntryIndex::OfNumber(other)), nullptr);

    // A JPEG that keeps its type without a thumbnail shows the plain picture icon.
    MemoryFileSystem fs2;
    auto bare = MakeArchive(fs2, host, kPath, ScriptedHost::Plain(0));
    const int unthumbed = NewFile(*bare, fs2, 0, "p.jpg", jpeg);
    EXPECT_EQ(bare->Entry(EntryIndex::OfNumber(unthumbed))->typeCode, kTypeJpeg);
    EXPECT_EQ(bare->GetListIcon(EntryIndex::OfNumber(unthumbed)), 2);
    EXPECT_EQ(bare->GetText(EntryIndex::OfNumber(unthumbed), kFieldDimensions), "");

    // Nothing loaded: empty texts, zero keys, the default icon.
    bare->Close(true);
    EXPECT_EQ(bare->GetText(EntryIndex(0), kFieldName), "");
    EXPECT_EQ(bare->GetKey1(EntryIndex(0), kFieldName), 0u);
    EXPECT_EQ(bare->GetListIcon(EntryIndex(0)), 1);
    EXPECT_EQ(bare->GetTreeKind(EntryIndex(0)), 0);
    EXPECT_EQ(bare->FindNext("p", false, false, 0), 0);
}
