#include "PreviewTexts.h"

#include "StringTable.h"
#include "TextFormat.h"

namespace quorvane {

QString PreviewTexts::Caption(const QString& name, const QString& comment) {
    QString caption = TextFormat::Fill(StringTable::Text(kStrPreviewOf), {name});
    if (!comment.isEmpty()) {
        caption += StringTable::Text(kStrPreviewCommentSeparator) + comment;
    }
    return caption;
}

QString PreviewTexts::TypeText(int typeCode) {
    switch (typeCode) {
    case 0x81:
        return StringTable::Text(kStrTypeJpeg);
    case 0x82:
        return StringTable::Text(kStrTypeGif);
    case 0x83:
        return StringTable::Text(kStrTypeBmp);
    case 0x84:
        return StringTable::Text(kStrTypePng);
    case 0x85:
        return StringTable::Text(kStrTypeTiff);
    default:
        return {};
    }
}

std::array<QString, 4> PreviewTexts::Status(const PreviewFacts& facts) {
    const QString blank = QStringLiteral(" ");
    if (!facts.shown) {
        return {blank, blank, blank, blank};
    }
    QString colours;
    switch (facts.depth) {
    case 0:
        colours = TextFormat::Fill(StringTable::Text(kStrStatusColours), {0});
        break;
    case 1:
    case 2:
    case 3:
    case 4:
    case 8:
        colours = TextFormat::Fill(StringTable::Text(kStrStatusColours), {1 << facts.depth});
        break;
    default:
        colours = StringTable::Text(kStrStatusTrueColour);
        break;
    }
    const QString type = TypeText(facts.typeCode);
    return {
        TextFormat::Fill(StringTable::Text(kStrStatusImageSize), {facts.width, facts.height}),
        type.isEmpty() ? blank : type, colours,
        TextFormat::Fill(StringTable::Text(kStrStatusFileSize), {static_cast<double>(facts.size) / 1024.0})};
}

} // namespace quorvane
