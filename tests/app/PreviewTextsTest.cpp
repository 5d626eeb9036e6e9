// The preview's caption and the status-bar texts of the shown image.
#include "PreviewTexts.h"

#include <gtest/gtest.h>

using namespace quorvane;

namespace {

TEST(PreviewTexts, CaptionNamesTheItemAndAddsItsComment) {
    EXPECT_EQ(PreviewTexts::Caption("beach.jpg", ""), QStringLiteral("Preview of 'beach.jpg'"));
    EXPECT_EQ(PreviewTexts::Caption("beach.jpg", "July"), QStringLiteral("Preview of 'beach.jpg' - July"));
    // A name is a name, never a format.
    EXPECT_EQ(PreviewTexts::Caption("100%s.png", "%d"), QStringLiteral("Preview of '100%s.png' - %d"));
}

TEST(PreviewTexts, StatusPanesDescribeTheShownImage) {
    struct Case {
        PreviewFacts facts;
        std::array<QString, 4> texts;
    };
    const Case cases[] = {
        {{true, 640, 480, 0x81, 24, 51200}, {"640x480", "JPEG", "True Color", "50.0KB"}},
        {{true, 7, 5, 0x82, 8, 1000}, {" 7x 5", "GIF", "256 Colors", "1.0KB"}},
        {{true, 16, 16, 0x83, 1, 62}, {"16x16", "BMP", "2 Colors", "0.1KB"}},
        {{true, 16, 16, 0x84, 4, 0}, {"16x16", "PNG", "16 Colors", "0.0KB"}},
        {{true, 16, 16, 0x85, 32, 1536}, {"16x16", "TIF", "True Color", "1.5KB"}},
        {{true, 16, 16, 0x84, 16, 1}, {"16x16", "PNG", "True Color", "0.0KB"}},
        {{true, 1, 1, 0x84, 0, 0}, {" 1x 1", "PNG", "0 Colors", "0.0KB"}},
        {{false, 640, 480, 0x81, 24, 51200}, {" ", " ", " ", " "}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PreviewTexts::Status(c.facts), c.texts) << c.texts[0].toStdString();
    }
}

} // namespace
