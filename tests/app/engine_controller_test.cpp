// The drawing window's input on the offscreen platform: Qt mouse and key events on the widget
// reach the interaction engine, change the document and the window repaints.
#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "app/engine_controller.h"
#include "app/main_frame.h"
#include "app/view_controller.h"

namespace rz {
namespace {

namespace fs = std::filesystem;

struct EngineWindow : ::testing::Test {
    fs::path dir;
    std::unique_ptr<MainFrame> f;
    Line* inside = nullptr;
    Line* across = nullptr;

    void SetUp() override {
        static int n = 0;
        dir = fs::temp_directory_path() / ("rz_engine_" + std::to_string(::getpid()) + "_" + std::to_string(++n));
        fs::create_directories(dir);
        FrameOptions o;
        o.home = dir.string();
        f = std::make_unique<MainFrame>(o);
        f->resize(1200, 900);
        f->show();
        QApplication::setActiveWindow(f.get());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(f.get()));
        // Two lines B of the first part, placed in window pixels of the view.
        Part& p = f->doc().design.firstPart();
        inside = addLine(p, {200, 200}, {300, 260});
        across = addLine(p, {250, 300}, {700, 300});
        engine().designChanged();
    }
    void TearDown() override {
        f.reset();
        fs::remove_all(dir);
    }
    Engine& engine() { return f->engine()->engine(); }
    const View& view() { return f->view()->state().view; }
    Line* addLine(Part& p, QPoint a, QPoint b) {
        auto l = std::make_unique<Line>();
        l->eval = {view().toModel(a.x(), a.y()), view().toModel(b.x(), b.y())};
        for (PointF q : l->eval) l->nodes.push_back({q.x, q.y, 0});
        p.linesB.push_back(std::move(l));
        return p.linesB.back().get();
    }
    void drag(Qt::MouseButton b, QPoint from, QPoint to, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QWidget* w = f->drawing();
        QTest::mousePress(w, b, m, from);
        for (int i = 1; i <= 4; ++i) {
            QPointF at = from + (to - from) * (i / 4.0);
            QMouseEvent mv(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, b, m);
            QApplication::sendEvent(w, &mv);
        }
        QTest::mouseRelease(w, b, m, to);
    }
    static bool selected(const Line* l) { return (l->flags & kFlagSelected) != 0; }
    int pixelsOf(QRgb colour) {
        QImage img = f->drawing()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) n += (img.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
        return n;
    }
};

TEST_F(EngineWindow, RubberBandsFromTheWidgetSelectAndRepaint) {
    long before = f->view()->presented();
    // Upper left to lower right: a window band takes only the line inside.
    drag(Qt::LeftButton, {150, 150}, {400, 320});
    EXPECT_TRUE(selected(inside));
    EXPECT_FALSE(selected(across));
    QApplication::processEvents();
    f->drawing()->repaint();
    EXPECT_GT(f->view()->presented(), before);
    // The highlight colour is now on the screen.
    EXPECT_GT(pixelsOf(qRgb(0xA0, 0x00, 0xA0)), 50);
    // Lower right to upper left: a crossing band takes what it touches.
    drag(Qt::LeftButton, {400, 320}, {150, 150});
    EXPECT_TRUE(selected(inside));
    EXPECT_TRUE(selected(across));
    // A click on nothing clears.
    QTest::mouseClick(f->drawing(), Qt::LeftButton, Qt::NoModifier, {900, 700});
    EXPECT_FALSE(selected(inside));
    // Ctrl-click toggles one line.
    QTest::mouseClick(f->drawing(), Qt::LeftButton, Qt::ControlModifier, {500, 300});
    EXPECT_TRUE(selected(across));
    EXPECT_FALSE(selected(inside));
}

TEST_F(EngineWindow, ModeCommandsRightClicksAndKeys) {
    ASSERT_TRUE(f->router().dispatch(32860));  // 移动
    EXPECT_EQ(engine().mode(), 20);
    EXPECT_EQ(f->statusPane(5)->text(), QStringLiteral("移动"));
    QTest::mouseClick(f->drawing(), Qt::RightButton, Qt::NoModifier, {600, 500});
    EXPECT_EQ(engine().mode(), 21);
    EXPECT_EQ(f->statusPane(5)->text(), QStringLiteral("旋转"));
    f->drawing()->setFocus();
    QTest::keyClick(f->drawing(), Qt::Key_Tab);
    EXPECT_EQ(engine().mode(), 20);
    // Each screen keeps its mode: the back screen starts in mode 0 and the status follows.
    f->router().dispatch(32893);  // 换屏
    EXPECT_EQ(engine().mode(), 0);
    EXPECT_EQ(f->statusPane(5)->text(), QString());
    f->router().dispatch(32893);
    EXPECT_EQ(engine().mode(), 20);
    EXPECT_EQ(f->statusPane(5)->text(), QStringLiteral("移动"));
    QTest::keyClick(f->drawing(), Qt::Key_Escape);
    EXPECT_EQ(engine().mode(), 0);
    // A right drag pans instead.
    int ox = view().ox;
    drag(Qt::RightButton, {600, 500}, {640, 500});
    EXPECT_EQ(view().ox, ox + 40);
}

TEST_F(EngineWindow, SnapSwitchIsTickedAndTheMarkerIsPainted) {
    QAction* a = f->action(34062);  // 端点吸附
    ASSERT_TRUE(a);
    a->trigger();
    f->refreshCommandStates();
    EXPECT_TRUE(a->isChecked());
    QWidget* w = f->drawing();
    QPointF at(703, 302);
    QMouseEvent mv(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &mv);
    ASSERT_TRUE(engine().markerShown);
    EXPECT_EQ(engine().markerPx, view().toWindow(across->eval.back()));
    w->repaint();
    EXPECT_GE(pixelsOf(qRgb(0x80, 0x80, 0x00)), 30);  // the bow-tie in 0x008080 (red 0x80)
    f->router().dispatch(34137);  // 关闭吸附
    f->refreshCommandStates();
    EXPECT_FALSE(a->isChecked());
    EXPECT_FALSE(engine().markerShown);
}

TEST_F(EngineWindow, LosingActivationEndsTheRubberBand) {
    QWidget* w = f->drawing();
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, {150, 150});
    QMouseEvent mv(QEvent::MouseMove, QPointF(400, 320), w->mapToGlobal(QPointF(400, 320)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &mv);
    EXPECT_EQ(engine().capture(), Engine::CaptureKind::RubberBand);
    f->drawing()->endDragHook();  // what the frame does when the application loses activation
    EXPECT_EQ(engine().capture(), Engine::CaptureKind::None);
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, {400, 320});
    EXPECT_FALSE(selected(inside));
}

}  // namespace
}  // namespace rz
