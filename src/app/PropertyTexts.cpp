#include "CCipher.h"
#include "CCodeArchive.h"
#include "Format.h"

#include "PropertyTexts.h"
#include "StringTable.h"
#include "TextFormat.h"

#include <algorithm>
#include <limits>

namespace quorvane {

namespace {

QString SizeWithBytes(uint64_t bytes, const QLocale& locale) {
    return TextFormat::Fill(QStringLiteral("%s, (%s bytes)"),
                            {PropertyTexts::ShortSize(static_cast<uint32_t>(
                                 std::min<uint64_t>(bytes, std::numeric_limits<uint32_t>::max()))),
                             PropertyTexts::LongNumber(bytes, locale)});
}

QString Items(int64_t count) {
    return TextFormat::Fill(QStringLiteral("%d Items"),
                            {static_cast<qlonglong>(std::max<int64_t>(0, count))});
}

QString EntrySize(const PropertyEntry& entry, const QLocale& locale) {
    if (entry.container) {
        return SizeWithBytes(entry.size, locale);
    }
    return TextFormat::Fill(QStringLiteral("%s, (%s bytes), %s bytes used"),
                            {PropertyTexts::ShortSize(entry.size),
                             PropertyTexts::LongNumber(entry.size, locale),
                             PropertyTexts::LongNumber(entry.blockLength, locale)});
}

const QString& Disabled() {
    static const QString text = QStringLiteral("Disabled");
    return text;
}

struct FieldLine {
    const char* label;
    int field;
    bool separatorBefore;
};

} // namespace

QString PropertyTexts::ShortSize(uint32_t bytes) {
    return QString::fromStdString(CCodeArchive::SizeText(bytes));
}

QString PropertyTexts::LongNumber(uint64_t number, const QLocale& locale) {
    // An integer written by the locale never carries a decimal part, so nothing needs cutting off;
    // cutting at the first '.' would leave "1" of "1.536" wherever the group separator is a dot.
    QLocale grouped = locale;
    grouped.setNumberOptions(grouped.numberOptions() & ~QLocale::OmitGroupSeparator);
    return grouped.toString(static_cast<qulonglong>(number));
}

QString PropertyTexts::DateText(uint64_t fileTime) {
    return QString::fromStdString(CCodeArchive::DateText(fileTime));
}

QString PropertyTexts::MethodName(uint32_t method) {
    switch (method) {
    case kMethodNone:
        return StringTable::Text(kStrNotEncrypted);
    case kMethodTwofish:
        return StringTable::Text(kStrTwofishName);
    case kMethodBlowfish:
        return StringTable::Text(kStrBlowfishName);
    case kMethodBasic:
        return StringTable::Text(kStrBasicName);
    default:
        return {};
    }
}

QString PropertyTexts::Text(int field, const PropertyEntry& entry, const PropertyArchive& archive,
                            const QLocale& locale) {
    if (!archive.catalogueLoaded) {
        return {};
    }
    switch (field) {
    case kPropName:
        return entry.name;
    case kPropType:
        return entry.container ? QStringLiteral("File Folder") : entry.extension;
    case kPropLocation:
    case kPropArchiveLocation:
        return archive.path;
    case kPropEncryption:
        return archive.encrypted ? MethodName(archive.method) : QString();
    case kPropEntrySize:
        return EntrySize(entry, locale);
    case kPropDimensions:
        if (entry.container) {
            return Items(entry.itemCount);
        }
        if (entry.width == -1) {
            return Disabled();
        }
        return TextFormat::Fill(QStringLiteral("%2dx%2d"), {entry.width, entry.height});
    case kPropThumbnailSize:
        return SizeWithBytes(entry.thumbLength, locale);
    case kPropThumbnailDimensions:
        switch (archive.thumbSizeIndex) {
        case 0:
            return Disabled();
        case 1:
            return QStringLiteral("32x32");
        case 2:
            return QStringLiteral("48x48");
        case 3:
            return QStringLiteral("64x64");
        case 4:
            return QStringLiteral("96x96");
        default:
            return {};
        }
    case kPropCreated:
        return DateText(entry.created);
    case kPropModified:
        return DateText(entry.modified);
    case kPropAdded:
        return DateText(entry.added);
    case kPropArchiveName:
        return archive.fileName;
    case kPropArchiveType:
        return QStringLiteral("Quorvane Archive");
    case kPropBinSize:
        return SizeWithBytes(archive.recycleBin.size, locale);
    case kPropBinContents:
        return Items(archive.recycleBin.itemCount);
    case kPropArchiveSize:
        return SizeWithBytes(uint64_t{kDataAreaOffset} + archive.dataSize + archive.catalogueSize, locale);
    case kPropArchiveContents:
        // The recycle bin itself is not counted.
        return Items(int64_t{archive.entryCount} - 1);
    case kPropArchiveCreated:
        return DateText(archive.created);
    case kPropArchiveModified:
        return DateText(archive.modified);
    case kPropFragmented:
        return archive.recycleBin.itemCount > 0 || archive.defragmentPending
                   ? QStringLiteral("Yes, Empty Recycle Bin")
                   : QStringLiteral("0%");
    default:
        return {};
    }
}

PropertyPage PropertyTexts::Page(PropertyPageKind kind, const PropertyEntry& entry,
                                 const PropertyArchive& archive, const QLocale& locale) {
    // The labels read as they always have, "Encyption:" included.
    static const FieldLine kFile[] = {
        {"Type:", kPropType, true},
        {"Location:", kPropLocation, false},
        {"Encyption:", kPropEncryption, false},
        {"File Size:", kPropEntrySize, true},
        {"Dimensions:", kPropDimensions, false},
        {"Thumbnail Size:", kPropThumbnailSize, true},
        {"Dimensions:", kPropThumbnailDimensions, false},
        {"Created:", kPropCreated, true},
        {"Modified:", kPropModified, false},
        {"Added:", kPropAdded, false},
    };
    static const FieldLine kFolder[] = {
        {"Type:", kPropType, true},
        {"Location:", kPropLocation, false},
        {"Encyption:", kPropEncryption, false},
        {"Size:", kPropEntrySize, true},
        {"Contains:", kPropDimensions, false},
        {"Created:", kPropCreated, true},
        {"Added:", kPropAdded, false},
    };
    static const FieldLine kArchive[] = {
        {"Type:", kPropArchiveType, true},          {"Location:", kPropArchiveLocation, false},
        {"Encyption:", kPropEncryption, false},     {"Size:", kPropArchiveSize, true},
        {"Contains:", kPropArchiveContents, false}, {"Fragmented:", kPropFragmented, false},
        {"Recycle Bin:", kPropBinSize, true},       {"Contains:", kPropBinContents, false},
        {"Created:", kPropArchiveCreated, true},    {"Modified:", kPropArchiveModified, false},
    };

    PropertyPage page;
    page.kind = kind;
    const FieldLine* first = kFile;
    const FieldLine* last = std::end(kFile);
    int nameField = kPropName;
    switch (kind) {
    case PropertyPageKind::File:
        page.title = QStringLiteral("File Information");
        break;
    case PropertyPageKind::Folder:
        page.title = QStringLiteral("Folder Information");
        first = kFolder;
        last = std::end(kFolder);
        break;
    case PropertyPageKind::Archive:
        page.title = QStringLiteral("Archive Information");
        first = kArchive;
        last = std::end(kArchive);
        nameField = kPropArchiveName;
        break;
    }
    page.name = Text(nameField, entry, archive, locale);
    for (const FieldLine* line = first; line != last; ++line) {
        page.lines.push_back({QString::fromUtf8(line->label), line->field,
                              Text(line->field, entry, archive, locale), line->separatorBefore});
    }
    return page;
}

PropertyArchive PropertyTexts::FromArchive(const CCodeArchive& archive) {
    PropertyArchive figures;
    figures.catalogueLoaded = archive.catalogueLoaded();
    figures.path = QString::fromStdString(archive.path());
    figures.fileName = QString::fromStdString(archive.fileName());
    figures.encrypted = archive.encrypted();
    figures.method = archive.method();
    figures.thumbSizeIndex = archive.thumbSizeIndex();
    figures.dataSize = archive.dataSize();
    figures.catalogueSize = archive.catalogueSize();
    figures.entryCount = archive.entryCount();
    figures.created = archive.plainHeader().created.stamp1;
    figures.modified = archive.header().timeCopy.stamp2;
    figures.defragmentPending = archive.defragmentPending();
    if (const CatalogueEntry* bin = archive.Entry(EntryIndex(0))) {
        figures.recycleBin.container = true;
        figures.recycleBin.size = bin->size;
        figures.recycleBin.itemCount = bin->itemCount;
    }
    return figures;
}

PropertyEntry PropertyTexts::FromEntry(CCodeArchive& archive, EntryIndex index) {
    PropertyEntry figures;
    const CatalogueEntry* e = archive.Entry(index);
    if (e == nullptr) {
        return figures;
    }
    figures.container = e->IsFolder();
    figures.size = e->size;
    figures.blockLength = e->blockLength;
    figures.width = e->width;
    figures.height = e->height;
    figures.itemCount = e->itemCount;
    figures.thumbLength = e->thumbLength;
    figures.created = e->created;
    figures.modified = e->modified;
    figures.added = e->added;
    figures.name = QString::fromStdString(archive.GetName(index));
    figures.extension = QString::fromStdString(archive.GetText(index, kFieldType));
    return figures;
}

} // namespace quorvane
