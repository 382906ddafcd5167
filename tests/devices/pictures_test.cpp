// Background pictures: placed over the view, drawn on their corners, picked as kind 60, and
// moved, stretched, turned and deleted by 调整背景.
#include <gtest/gtest.h>

#include "device_fixture.h"
#include "geom/primitives.h"
#include "interact/scene.h"

namespace rz {
namespace {

std::shared_ptr<Picture> Pixels(int w, int h) {
    auto p = std::make_shared<Picture>();
    p->width = w, p->height = h;
    p->argb.assign(size_t(w) * size_t(h), 0xFF336699u);
    return p;
}

struct PictureTest : test::DeviceTest {
    TPIC& insert(int w = 400, int h = 200) {
        EXPECT_TRUE(InsertPicture(doc, vs.view, Pixels(w, h)));
        return *doc.pictures.back();
    }
    std::vector<RecordingCanvas::Call> images() {
        RecordingCanvas c;
        RedrawFront(doc, vs.view, c);
        std::vector<RecordingCanvas::Call> out;
        for (auto& call : c.calls)
            if (call.op == RecordingCanvas::Op::Image) out.push_back(call);
        return out;
    }
};

TEST_F(PictureTest, APictureFitsTheViewAndIsDrawnOnItsCorners) {
    TPIC& pic = insert();
    // Centred in the window with its proportions, inside the visible area.
    PointF lo = vs.view.toModel(0, vs.view.H), hi = vs.view.toModel(vs.view.W, 0);
    const auto& q = pic.corners;
    EXPECT_NEAR((q[1].x - q[0].x) / (q[3].y - q[0].y), 2.0, 1e-3);
    EXPECT_NEAR((q[0].x + q[2].x) / 2, (lo.x + hi.x) / 2, 1);
    for (PointF c : q) {
        EXPECT_GE(c.x, lo.x);
        EXPECT_LE(c.y, hi.y);
    }
    auto drawn = images();
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].text, "400x200");
    for (size_t i = 0; i < 4; ++i) {
        PixelPoint at = vs.view.toPixel(q[i]);
        EXPECT_NEAR(drawn[0].pts[i].x, at.x, 1);
        EXPECT_NEAR(drawn[0].pts[i].y, at.y, 1);
    }
    // The X mirror setting flips the picture within its frame.
    doc.settings.generalFlags |= kGenPictureMirrorX;
    drawn = images();
    EXPECT_NEAR(drawn[0].pts[0].x, vs.view.toPixel(q[1]).x, 1);
    doc.settings.generalFlags &= ~kGenPictureMirrorX;
    // Hidden pictures and pictures without pixels (read from a file) are not drawn.
    pic.word |= kFlagHidden;
    EXPECT_TRUE(images().empty());
    pic.word &= ~kFlagHidden;
    doc.pictures.push_back(std::make_unique<TPIC>());
    EXPECT_EQ(images().size(), 1u);
    EXPECT_FALSE(InsertPicture(doc, vs.view, nullptr));
    EXPECT_TRUE(ClearPictures(doc));
    EXPECT_TRUE(doc.pictures.empty());
    EXPECT_FALSE(ClearPictures(doc));
}

TEST_F(PictureTest, AdjustingMovesStretchesTurnsAndDeletesThePickedPicture) {
    TPIC& pic = insert();
    const auto start = pic.corners;
    PointF mid{(start[0].x + start[2].x) / 2, (start[0].y + start[2].y) / 2};
    EXPECT_EQ(eng->PickAt(mid, kPickPictures).kind, kKindPicture);
    EXPECT_EQ(eng->PickAt({start[0].x - 500, start[0].y - 500}, kPickPictures).kind, 0);

    eng->Command(32777);  // 调整背景
    EXPECT_EQ(eng->mode(), kAdjustPictureMode);
    EXPECT_EQ(platform.prompts.back(), "按Delete删除/按鼠标右键退出！");
    click(start[0].x + 100, start[0].y - 500);  // below it: nothing there
    EXPECT_EQ(platform.tones.back(), kToneRefused);
    click(mid.x, mid.y);  // picks it
    EXPECT_EQ(eng->step(), 1);

    // Drag the whole picture by an offset.
    press(mid);
    moveTo(mid.x + 1000, mid.y + 500);
    release({mid.x + 1000, mid.y + 500});
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(pic.corners[i].x, start[i].x + 1000, 60);
        EXPECT_NEAR(pic.corners[i].y, start[i].y + 500, 60);
    }
    // Drag one corner: only it moves.
    auto moved = pic.corners;
    press(moved[2]);
    moveTo(moved[2].x + 2000, moved[2].y + 1000);
    release({moved[2].x + 2000, moved[2].y + 1000});
    EXPECT_NEAR(pic.corners[2].x, moved[2].x + 2000, 60);
    EXPECT_EQ(pic.corners[0], moved[0]);
    EXPECT_EQ(pic.corners[1], moved[1]);
    // Shift turns it about the centre of its corners: distances to the centre stay.
    auto before = pic.corners;
    PointF c{(before[0].x + before[1].x + before[2].x + before[3].x) / 4,
             (before[0].y + before[1].y + before[2].y + before[3].y) / 4};
    PointF grab{c.x + 1500, c.y};
    press(grab, kMkShift);
    moveTo(c.x, c.y + 1500, kMkShift);
    release({c.x, c.y + 1500}, kMkShift);
    for (size_t i = 0; i < 4; ++i) EXPECT_NEAR(PtDist(pic.corners[i], c), PtDist(before[i], c), 1.0);
    EXPECT_NEAR(PtAngle(c, pic.corners[0]) - PtAngle(c, before[0]), 1.5708, 0.1);
    // Delete removes it; the right button leaves the mode.
    EXPECT_TRUE(key(key::Delete));
    EXPECT_TRUE(doc.pictures.empty());
    eng->OnRightDown(ev(Button::Right, px(mid.x, mid.y)));
    eng->OnRightUp(ev(Button::Right, px(mid.x, mid.y)));
    EXPECT_EQ(eng->mode(), mode::Select);
}

}  // namespace
}  // namespace rz
