#pragma once
// The texts of the "Properties" sheet: one text per field code, produced from plain figures of an
// entry and of its archive, and the lines of each of the three pages. The pages only place them.
#include <QLocale>
#include <QString>

#include <cstdint>
#include <vector>

namespace quorvane {

class CCodeArchive;

enum PropertyField : int {
    kPropName = 0,
    kPropType = 1,
    kPropLocation = 2,
    kPropEncryption = 3,
    kPropEntrySize = 4,
    kPropDimensions = 5, // a file's dimensions, a folder's contents
    kPropThumbnailSize = 6,
    kPropThumbnailDimensions = 7,
    kPropCreated = 8,
    kPropModified = 9,
    kPropAdded = 10,
    kPropArchiveName = 11,
    kPropArchiveType = 12,
    kPropArchiveLocation = 13,
    kPropBinSize = 14,
    kPropBinContents = 15,
    kPropArchiveSize = 16,
    kPropArchiveContents = 17,
    kPropArchiveCreated = 18,
    kPropArchiveModified = 19,
    kPropFragmented = 20,
};

enum class PropertyPageKind { File = 0, Folder = 1, Archive = 2 };

// What the texts read of one catalogue entry (a file, a folder or the recycle bin).
struct PropertyEntry {
    QString name; // the display name
    QString extension;
    bool container = false;
    uint32_t size = 0;        // a folder's: the files below it
    uint32_t blockLength = 0; // bytes the entry occupies in the archive
    int32_t width = -1;       // -1: not an image that was measured
    int32_t height = -1;
    int32_t itemCount = 0; // a folder's: every entry below it
    uint32_t thumbLength = 0;
    uint64_t created = 0; // FILETIME, UTC
    uint64_t modified = 0;
    uint64_t added = 0;
};

// What the texts read of the archive.
struct PropertyArchive {
    bool catalogueLoaded = false; // every text is empty without the catalogue
    QString path;
    QString fileName;
    bool encrypted = false; // a password is set
    uint32_t method = 0;
    int thumbSizeIndex = 0; // 0 none, 1..4: 32, 48, 64, 96 pixels
    uint32_t dataSize = 0;
    uint32_t catalogueSize = 0;
    int32_t entryCount = 0;
    uint64_t created = 0;
    uint64_t modified = 0;
    bool defragmentPending = false;
    PropertyEntry recycleBin; // entry 1
};

struct PropertyLine {
    QString label;
    int field = 0;
    QString text;
    bool separatorBefore = false; // the line opens a group of its own
};

// One page of the sheet: its title, the name beside the icon, and the labelled lines under it.
struct PropertyPage {
    PropertyPageKind kind = PropertyPageKind::File;
    int number = 0; // the entry described; 0 for the archive's page
    QString title;
    QString name;
    std::vector<PropertyLine> lines;
};

struct EntryIndex;

class PropertyTexts {
public:
    // The list's form, rounded up: "0KB", "1KB" for 1 byte, "2KB" for 1024, "2MB" for 1048576.
    static QString ShortSize(uint32_t bytes);
    // Grouped with the locale's separator, never with a decimal part: "1,536", "1.536" in de_DE.
    static QString LongNumber(uint64_t number, const QLocale& locale);
    // Local time, as the list's date columns: "06/01/2001 12:30 AM".
    static QString DateText(uint64_t fileTime);
    // The display name of an encryption method code; empty for an unknown code.
    static QString MethodName(uint32_t method);

    static QString Text(int field, const PropertyEntry& entry, const PropertyArchive& archive,
                        const QLocale& locale);
    static PropertyPage Page(PropertyPageKind kind, const PropertyEntry& entry,
                             const PropertyArchive& archive, const QLocale& locale);

    // The figures of an open archive and of its entry `index` (the name is decrypted).
    static PropertyArchive FromArchive(const CCodeArchive& archive);
    static PropertyEntry FromEntry(CCodeArchive& archive, EntryIndex index);
};

} // namespace quorvane
