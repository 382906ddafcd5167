#include <gtest/gtest.h>

#include "interact/text_strokes.h"
#include "model/gbk.h"

namespace rz {
namespace {

TEST(TextStrokesTest, OnlyStringsWithoutStrokesAreLaidOutAtTheirPlace) {
    Design d;
    d.clear();
    auto t = std::make_unique<TextString>();
    t->text = Utf8ToGbk("前帮");
    t->x = 4000;
    t->y = 2000;
    t->width = 500;
    t->height = 600;
    d.firstPart().texts.push_back(std::move(t));
    auto kept = std::make_unique<TextString>();
    kept->text = "A";
    kept->strokes = {{{1, 1}, {2, 2}}};
    d.firstPart().texts.push_back(std::move(kept));

    TFont none;
    EXPECT_EQ(FillMissingTextStrokes(d, none), 0);  // without font data nothing is laid out

    TFont font;
    ASSERT_TRUE(font.load(std::string(ROZEDOZ_BINARY_DIR) + "/brelan.fnt"));
    const float w = font.charWidth;
    EXPECT_EQ(FillMissingTextStrokes(d, font), 1);
    EXPECT_EQ(font.charWidth, w);  // the font's own settings are left as they were
    const Shape& s = d.firstPart().texts[0]->strokes;
    ASSERT_FALSE(s.empty());
    float minX = 1e9f, maxX = -1e9f;
    for (auto& pl : s)
        for (auto& p : pl) {
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
            EXPECT_GE(p.y, 2000.0f - 1.0f);
            EXPECT_LE(p.y, 2000.0f + 600.0f + 1.0f);
        }
    EXPECT_GE(minX, 4000.0f - 1.0f);
    EXPECT_LE(maxX, 4000.0f + 2 * 500.0f + 1.0f);
    EXPECT_EQ(d.firstPart().texts[1]->strokes.size(), 1u);
    EXPECT_EQ(FillMissingTextStrokes(d, font), 0);  // nothing left to lay out
}

}  // namespace
}  // namespace rz
