// The texts of the properties pages: number forms in two locales, dates, the fields of files,
// folders and archives, and the figures read from a real archive.
#include "ArchiveFixtures.h"
#include "CCipher.h"
#include "FileLayer.h"

#include "PropertyTexts.h"

#include <QDateTime>

#include <gtest/gtest.h>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

uint64_t LocalFileTime(int year, int month, int day, int hour, int minute) {
    const QDateTime local(QDate(year, month, day), QTime(hour, minute));
    return UnixNsToFileTime(local.toMSecsSinceEpoch() * 1000000);
}

QString Line(const PropertyPage& page, int field) {
    for (const PropertyLine& line : page.lines) {
        if (line.field == field) {
            return line.text;
        }
    }
    return QStringLiteral("<no line>");
}

PropertyArchive PlainArchive() {
    PropertyArchive archive;
    archive.catalogueLoaded = true;
    archive.path = QStringLiteral("/home/ann/Pictures/Trip.kvq");
    archive.fileName = QStringLiteral("Trip.kvq");
    archive.encrypted = false;
    archive.method = kMethodNone;
    archive.thumbSizeIndex = 0;
    archive.entryCount = 1;
    archive.recycleBin.container = true;
    return archive;
}

TEST(PropertyTexts, ShortFormRoundsUpAsTheList) {
    const std::pair<uint32_t, const char*> cases[] = {
        {0, "0KB"},    {1, "1KB"},          {1023, "1KB"},    {1024, "2KB"},
        {1025, "2KB"}, {1048575, "1024KB"}, {1048576, "2MB"}, {5 * 1048576 + 7, "6MB"},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(PropertyTexts::ShortSize(bytes), QString::fromLatin1(text)) << bytes;
    }
}

TEST(PropertyTexts, LongFormKeepsEveryDigitWhateverTheSeparator) {
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale de(QLocale::German, QLocale::Germany);
    EXPECT_EQ(PropertyTexts::LongNumber(1536, us), QStringLiteral("1,536"));
    EXPECT_EQ(PropertyTexts::LongNumber(1536, de), QStringLiteral("1.536"));
    EXPECT_EQ(PropertyTexts::LongNumber(524288384, de), QStringLiteral("524.288.384"));
    EXPECT_EQ(PropertyTexts::LongNumber(999, de), QStringLiteral("999"));
    QLocale ungrouped = us;
    ungrouped.setNumberOptions(QLocale::OmitGroupSeparator);
    EXPECT_EQ(PropertyTexts::LongNumber(1536, ungrouped), QStringLiteral("1,536"));
}

TEST(PropertyTexts, DatesInLocalTimeOnTheTwelveHourClock) {
    // The suite runs in America/New_York, so these are that zone's wall-clock times.
    EXPECT_EQ(PropertyTexts::DateText(LocalFileTime(2001, 6, 1, 0, 30)),
              QStringLiteral("06/01/2001 12:30 AM"));
    EXPECT_EQ(PropertyTexts::DateText(LocalFileTime(2001, 12, 24, 12, 5)),
              QStringLiteral("12/24/2001 12:05 PM"));
    EXPECT_EQ(PropertyTexts::DateText(LocalFileTime(2024, 2, 29, 23, 59)),
              QStringLiteral("02/29/2024 11:59 PM"));
}

TEST(PropertyTexts, FilePageInTwoLocales) {
    PropertyArchive archive = PlainArchive();
    archive.encrypted = true;
    archive.method = kMethodBlowfish;
    archive.thumbSizeIndex = 3;
    PropertyEntry file;
    file.name = QStringLiteral("Beach.jpg");
    file.extension = QStringLiteral("jpg");
    file.size = 1536;
    file.blockLength = 1552;
    file.width = 640;
    file.height = 480;
    file.thumbLength = 8256;
    file.created = LocalFileTime(2001, 6, 1, 0, 30);
    file.modified = LocalFileTime(2001, 6, 2, 13, 15);
    file.added = LocalFileTime(2001, 6, 3, 9, 0);

    struct Case {
        QLocale locale;
        const char* size;
        const char* thumbnail;
    };
    const Case cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), "2KB, (1,536 bytes), 1,552 bytes used",
         "9KB, (8,256 bytes)"},
        {QLocale(QLocale::German, QLocale::Germany), "2KB, (1.536 bytes), 1.552 bytes used",
         "9KB, (8.256 bytes)"},
    };
    for (const Case& c : cases) {
        const PropertyPage page = PropertyTexts::Page(PropertyPageKind::File, file, archive, c.locale);
        EXPECT_EQ(page.title, QStringLiteral("File Information"));
        EXPECT_EQ(page.name, QStringLiteral("Beach.jpg"));
        EXPECT_EQ(Line(page, kPropType), QStringLiteral("jpg"));
        EXPECT_EQ(Line(page, kPropLocation), archive.path);
        EXPECT_EQ(Line(page, kPropEncryption), QStringLiteral("64-bit BlowFish Encryption"));
        EXPECT_EQ(Line(page, kPropEntrySize), QString::fromLatin1(c.size));
        EXPECT_EQ(Line(page, kPropDimensions), QStringLiteral("640x480"));
        EXPECT_EQ(Line(page, kPropThumbnailSize), QString::fromLatin1(c.thumbnail));
        EXPECT_EQ(Line(page, kPropThumbnailDimensions), QStringLiteral("64x64"));
        EXPECT_EQ(Line(page, kPropCreated), QStringLiteral("06/01/2001 12:30 AM"));
        EXPECT_EQ(Line(page, kPropModified), QStringLiteral("06/02/2001 01:15 PM"));
        EXPECT_EQ(Line(page, kPropAdded), QStringLiteral("06/03/2001 09:00 AM"));
    }

    const PropertyPage page = PropertyTexts::Page(PropertyPageKind::File, file, archive, QLocale::c());
    QStringList labels;
    for (const PropertyLine& line : page.lines) {
        labels << line.label;
    }
    EXPECT_EQ(labels, QStringList({"Type:", "Location:", "Encyption:", "File Size:", "Dimensions:",
                                   "Thumbnail Size:", "Dimensions:", "Created:", "Modified:", "Added:"}));
}

TEST(PropertyTexts, FolderAndBinPages) {
    const QLocale de(QLocale::German, QLocale::Germany);
    PropertyEntry folder;
    folder.container = true;
    folder.name = QStringLiteral("Trip");
    folder.size = 2500000;
    folder.itemCount = 4; // two files, a sub-folder and the file in it
    const PropertyPage page = PropertyTexts::Page(PropertyPageKind::Folder, folder, PlainArchive(), de);
    EXPECT_EQ(page.title, QStringLiteral("Folder Information"));
    EXPECT_EQ(page.name, QStringLiteral("Trip"));
    EXPECT_EQ(Line(page, kPropType), QStringLiteral("File Folder"));
    EXPECT_EQ(Line(page, kPropEntrySize), QStringLiteral("3MB, (2.500.000 bytes)"));
    EXPECT_EQ(Line(page, kPropDimensions), QStringLiteral("4 Items"));
    EXPECT_EQ(Line(page, kPropEncryption), QString());
    QStringList labels;
    for (const PropertyLine& line : page.lines) {
        labels << line.label;
    }
    EXPECT_EQ(labels,
              QStringList({"Type:", "Location:", "Encyption:", "Size:", "Contains:", "Created:", "Added:"}));

    PropertyEntry emptyBin;
    emptyBin.container = true;
    emptyBin.name = QStringLiteral("Recycle Bin");
    const PropertyPage bin = PropertyTexts::Page(PropertyPageKind::Folder, emptyBin, PlainArchive(), de);
    EXPECT_EQ(Line(bin, kPropEntrySize), QStringLiteral("0KB, (0 bytes)"));
    EXPECT_EQ(Line(bin, kPropDimensions), QStringLiteral("0 Items"));
}

TEST(PropertyTexts, ArchivePage) {
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    PropertyArchive archive = PlainArchive();
    archive.dataSize = 1000000;
    archive.catalogueSize = 1024;
    archive.created = LocalFileTime(2001, 6, 1, 0, 30);
    archive.modified = LocalFileTime(2001, 6, 1, 18, 45);
    const PropertyEntry none;

    PropertyPage page = PropertyTexts::Page(PropertyPageKind::Archive, none, archive, us);
    EXPECT_EQ(page.title, QStringLiteral("Archive Information"));
    EXPECT_EQ(page.name, QStringLiteral("Trip.kvq"));
    EXPECT_EQ(Line(page, kPropArchiveType), QStringLiteral("Quorvane Archive"));
    EXPECT_EQ(Line(page, kPropArchiveLocation), archive.path);
    EXPECT_EQ(Line(page, kPropEncryption), QString()); // no password, whatever the method says
    EXPECT_EQ(Line(page, kPropArchiveSize), QStringLiteral("978KB, (1,001,408 bytes)"));
    EXPECT_EQ(Line(page, kPropArchiveContents), QStringLiteral("0 Items")); // only the recycle bin
    EXPECT_EQ(Line(page, kPropFragmented), QStringLiteral("0%"));
    EXPECT_EQ(Line(page, kPropBinSize), QStringLiteral("0KB, (0 bytes)"));
    EXPECT_EQ(Line(page, kPropBinContents), QStringLiteral("0 Items"));
    EXPECT_EQ(Line(page, kPropArchiveCreated), QStringLiteral("06/01/2001 12:30 AM"));
    EXPECT_EQ(Line(page, kPropArchiveModified), QStringLiteral("06/01/2001 06:45 PM"));
    QStringList labels;
    for (const PropertyLine& line : page.lines) {
        labels << line.label;
    }
    EXPECT_EQ(labels, QStringList({"Type:", "Location:", "Encyption:", "Size:", "Contains:", "Fragmented:",
                                   "Recycle Bin:", "Contains:", "Created:", "Modified:"}));
    const QLocale de(QLocale::German, QLocale::Germany);
    EXPECT_EQ(PropertyTexts::Text(kPropArchiveSize, none, archive, de),
              QStringLiteral("978KB, (1.001.408 bytes)"));

    archive.defragmentPending = true;
    EXPECT_EQ(PropertyTexts::Text(kPropFragmented, none, archive, us),
              QStringLiteral("Yes, Empty Recycle Bin"));
    archive.defragmentPending = false;
    archive.recycleBin.itemCount = 2;
    archive.recycleBin.size = 3072;
    EXPECT_EQ(PropertyTexts::Text(kPropFragmented, none, archive, us),
              QStringLiteral("Yes, Empty Recycle Bin"));
    EXPECT_EQ(PropertyTexts::Text(kPropBinSize, none, archive, us), QStringLiteral("4KB, (3,072 bytes)"));

    archive.encrypted = true;
    const std::pair<uint32_t, const char*> methods[] = {
        {kMethodNone, "Not Encrypted"},
        {kMethodTwofish, "128-bit TwoFish Strong Encryption"},
        {kMethodBlowfish, "64-bit BlowFish Encryption"},
        {kMethodBasic, "32-bit Basic Password Protection"},
        {0x0CAB0009, ""},
    };
    for (const auto& [method, text] : methods) {
        archive.method = method;
        EXPECT_EQ(PropertyTexts::Text(kPropEncryption, none, archive, us), QString::fromLatin1(text))
            << method;
    }
}

TEST(PropertyTexts, EveryTextIsEmptyWithoutTheCatalogue) {
    PropertyArchive archive = PlainArchive();
    archive.catalogueLoaded = false;
    PropertyEntry file;
    file.name = QStringLiteral("Beach.jpg");
    for (int field = kPropName; field <= kPropFragmented; ++field) {
        EXPECT_TRUE(PropertyTexts::Text(field, file, archive, QLocale::c()).isEmpty()) << field;
    }
}

TEST(PropertyTexts, FiguresOfARealArchive) {
    MemoryFileSystem fs;
    ScriptedHost host;
    std::unique_ptr<CCodeArchive> archive = MakeArchive(fs, host, "/a/Trip.kvq", ScriptedHost::Plain());
    int folder = 0;
    ASSERT_EQ(archive->CreateFolder(0, "Trip", 1, &folder), kOk);
    int inner = 0;
    ASSERT_EQ(archive->CreateFolder(folder, "Day 1", 1, &inner), kOk);
    ASSERT_EQ(ImportFiles(*archive, fs, folder,
                          {{"a.bin", PatternBytes(1536, 1)}, {"b.bin", PatternBytes(100, 2)}}),
              kOk);
    ASSERT_EQ(ImportFiles(*archive, fs, inner, {{"c.bin", PatternBytes(10, 3)}}), kOk);

    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const PropertyArchive figures = PropertyTexts::FromArchive(*archive);
    const PropertyPage folderPage =
        PropertyTexts::Page(PropertyPageKind::Folder,
                            PropertyTexts::FromEntry(*archive, EntryIndex::OfNumber(folder)), figures, us);
    EXPECT_EQ(folderPage.name, QStringLiteral("Trip"));
    EXPECT_EQ(Line(folderPage, kPropDimensions), QStringLiteral("4 Items"));
    EXPECT_EQ(Line(folderPage, kPropEntrySize), QStringLiteral("2KB, (1,646 bytes)"));
    EXPECT_EQ(Line(folderPage, kPropLocation), QStringLiteral("/a/Trip.kvq"));

    int fileIndex = -1;
    for (int i = 0; i < archive->entryCount(); ++i) {
        if (archive->GetName(EntryIndex(i)) == "a.bin") {
            fileIndex = i;
        }
    }
    ASSERT_GE(fileIndex, 0);
    const PropertyEntry file = PropertyTexts::FromEntry(*archive, EntryIndex(fileIndex));
    const PropertyPage filePage = PropertyTexts::Page(PropertyPageKind::File, file, figures, us);
    EXPECT_EQ(Line(filePage, kPropType),
              QStringLiteral("BIN")); // the catalogue keeps extensions in upper case
    EXPECT_EQ(Line(filePage, kPropDimensions), QStringLiteral("Disabled"));
    EXPECT_EQ(Line(filePage, kPropThumbnailDimensions), QStringLiteral("Disabled"));
    EXPECT_EQ(Line(filePage, kPropEncryption), QString());
    EXPECT_TRUE(
        Line(filePage, kPropEntrySize)
            .endsWith(PropertyTexts::LongNumber(file.blockLength, us) + QStringLiteral(" bytes used")));

    // The archive's size is the file's length, and the recycle bin is not counted among its items.
    const PropertyPage archivePage =
        PropertyTexts::Page(PropertyPageKind::Archive, PropertyEntry(), figures, us);
    const uint64_t length = archive->fileLength();
    EXPECT_TRUE(Line(archivePage, kPropArchiveSize)
                    .endsWith(QStringLiteral("(") + PropertyTexts::LongNumber(length, us) +
                              QStringLiteral(" bytes)")))
        << Line(archivePage, kPropArchiveSize).toStdString() << " " << length;
    EXPECT_EQ(Line(archivePage, kPropArchiveContents), QStringLiteral("5 Items"));
    EXPECT_EQ(Line(archivePage, kPropFragmented), QStringLiteral("0%"));
    EXPECT_EQ(Line(archivePage, kPropArchiveCreated),
              PropertyTexts::DateText(archive->plainHeader().created.stamp1));
}

} // namespace
