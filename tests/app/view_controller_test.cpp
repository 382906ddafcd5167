// The drawing window's view on the offscreen platform: painting through the scene, the 显示
// menu, screens, pages, zooms and drags.
#include <QApplication>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "app/main_frame.h"
#include "app/view_controller.h"
#include "interact/colours.h"

namespace rz {
namespace {

namespace fs = std::filesystem;

struct ViewFixture : ::testing::Test {
    fs::path dir;
    std::unique_ptr<MainFrame> f;
    void SetUp() override {
        static int n = 0;
        dir = fs::temp_directory_path() / ("rz_view_" + std::to_string(::getpid()) + "_" + std::to_string(++n));
        fs::create_directories(dir);
        FrameOptions o;
        o.home = dir.string();
        f = std::make_unique<MainFrame>(o);
        f->resize(1200, 900);
        f->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(f.get()));
    }
    void TearDown() override {
        f.reset();
        fs::remove_all(dir);
    }
    ViewController& view() { return *f->view(); }
    void open() {
        FileResult r = f->doc().OpenPattern(std::string(ROZEDOZ_SOURCE_DIR) + "/examples/sample.XIE");
        ASSERT_TRUE(r.ok());
    }
    // Pixels of the window that are not the background.
    int inked() {
        QImage img = f->drawing()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QRgb bg = ToQColor(f->doc().settings.colours[kColWorkBackground]).rgb();
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) n += img.pixel(x, y) != bg;
        return n;
    }
};

TEST_F(ViewFixture, TheSampleIsPaintedAndSurfacesFollowTheWindow) {
    const View& v = view().state().view;
    EXPECT_EQ(v.W, f->drawing()->width());
    EXPECT_EQ(v.H, f->drawing()->height());
    int empty = inked();
    open();
    int drawn = inked();
    EXPECT_GT(drawn, empty + 500);  // the vamp's lines
    long before = view().presented();
    f->drawing()->repaint();
    EXPECT_GT(view().presented(), before);
    f->resize(900, 700);
    QApplication::processEvents();
    EXPECT_EQ(view().state().view.W, f->drawing()->width());
    EXPECT_EQ(view().buffer().image().width(), view().state().view.bufferWidth());
}

TEST_F(ViewFixture, DisplayMenuTogglesAreCheckedAndRedraw) {
    open();
    uint32_t flags = f->doc().settings.displayFlags;
    ASSERT_TRUE(flags & kDispAux);
    EXPECT_TRUE(f->router().state(34103).checked);
    EXPECT_FALSE(f->router().state(34100).enabled);  // no scan lines
    f->drawing()->repaint();
    long before = view().presented();
    EXPECT_TRUE(f->router().dispatch(34103));
    EXPECT_FALSE(f->doc().settings.displayFlags & kDispAux);
    EXPECT_TRUE(f->doc().design.firstPart().notches[0]->flags & kFlagHidden);
    f->refreshCommandStates();
    EXPECT_FALSE(f->action(34103)->isChecked());
    QApplication::processEvents();
    EXPECT_GT(view().presented(), before);
    f->router().dispatch(34103);
    EXPECT_EQ(f->doc().settings.displayFlags, flags);
}

TEST_F(ViewFixture, SwapPagesAndSheets) {
    open();
    f->router().dispatch(32893);
    EXPECT_TRUE(view().state().backShown);
    EXPECT_TRUE(f->backShown());
    EXPECT_FALSE(f->router().state(34103).enabled);  // toggles only on the front screen
    EXPECT_GT(inked(), 0);                           // the sheet frame
    f->router().dispatch(32775);                     // 选页 switches sheets here
    EXPECT_EQ(f->currentSheet(), 1);
    f->router().dispatch(32893);
    EXPECT_FALSE(view().state().backShown);
    EXPECT_EQ(f->doc().currentPage(), 0);
    f->router().dispatch(32775);
    EXPECT_EQ(f->doc().currentPage(), 1);
    QTest::keyClick(f->drawing(), Qt::Key_3);
    EXPECT_EQ(f->doc().currentPage(), 2);
}

TEST_F(ViewFixture, WheelKeysRestoreAndFit) {
    open();
    View& v = view().state().view;
    const float s0 = v.s0, s1 = v.s;  // 自动满屏 fitted the sample after loading
    EXPECT_GT(s1, s0);
    QPoint at(200, 300);
    QWheelEvent up(at, f->drawing()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
    QApplication::sendEvent(f->drawing(), &up);
    EXPECT_FLOAT_EQ(v.s, s1 * 1.5f);
    QTest::keyClick(f->drawing(), Qt::Key_Z);
    EXPECT_NEAR(v.s, s1, 1e-6 * s1);
    QTest::keyClick(f->drawing(), Qt::Key_Z, Qt::ControlModifier);  // undo's key: no zoom
    EXPECT_NEAR(v.s, s1, 1e-6 * s1);
    f->router().dispatch(32892);  // 恢复
    EXPECT_EQ(v.s, s0);
    EXPECT_EQ(v.toWindow({0, 0}), (PixelPoint{0, v.H}));
    f->router().dispatch(34181);  // 满屏: page 0 alone, closer than all pages after loading
    EXPECT_GT(v.s, s1);
    PixelPoint c = v.toWindow({8500, 4500});  // about the vamp's middle
    EXPECT_NEAR(c.x, v.W / 2, v.W / 8);
}

TEST_F(ViewFixture, RightDragPansOnlyPixelsUntilRelease) {
    open();
    View& v = view().state().view;
    const int ox = v.ox, oy = v.oy;
    QWidget* w = f->drawing();
    QTest::mousePress(w, Qt::RightButton, Qt::NoModifier, QPoint(100, 100));
    QMouseEvent mv(QEvent::MouseMove, QPointF(140, 90), w->mapToGlobal(QPointF(140, 90)), Qt::NoButton,
                   Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(w, &mv);
    EXPECT_EQ(v.ox, ox);
    QTest::mouseRelease(w, Qt::RightButton, Qt::NoModifier, QPoint(140, 90));
    EXPECT_EQ(v.ox, ox + 40);
    EXPECT_EQ(v.oy, oy - 10);
}

TEST_F(ViewFixture, FeedbackIsDrawnOverACopyOfTheTile) {
    QWidget* w = f->drawing();
    view().feedback = [](Canvas& c) {
        c.setColour(0x00FF00);
        c.line({10, 20}, {60, 20});
        return true;
    };
    QImage shown = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.pixel(30, 20), qRgb(0, 255, 0));
    const View& v = view().state().view;
    EXPECT_NE(view().buffer().image().pixel(v.mx + 30, v.my + 20), qRgb(0, 255, 0));
    // Erasing the feedback is a plain present.
    view().feedback = nullptr;
    shown = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_NE(shown.pixel(30, 20), qRgb(0, 255, 0));
}

}  // namespace
}  // namespace rz
