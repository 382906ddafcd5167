// The real window: a pattern traced with the mouse, saved with F2, reopened, and a later change
// undone and redone from the keyboard.
#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "app/drawing_glue.h"
#include "app/main_frame.h"
#include "app/menu_table.h"
#include "model/refs.h"
#include "temp_home.h"

namespace rz {
namespace {

namespace fs = std::filesystem;

using Home = test::TempHome;

QPoint At(DrawingGlue& g, float x, float y) {
    PixelPoint p = g.engine().vs.view.toWindow({x, y});
    return {p.x, p.y};
}

void Click(QWidget* w, QPoint p, Qt::MouseButton b = Qt::LeftButton, Qt::KeyboardModifiers m = {}) {
    QTest::mouseMove(w, p);
    QTest::mouseClick(w, b, m, p);
}

TEST(TraceWindow, TraceSaveReopenAndUndo) {
    Home home;
    FrameOptions o;
    o.home = home.dir.string();
    MainFrame f(o);
    f.resize(1280, 800);
    f.show();
    QApplication::setActiveWindow(&f);
    // Without a window manager (a bare X server) the window is shown but never activated.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    DrawingGlue& g = *f.drawingGlue();
    QWidget* w = f.drawing();
    f.refreshCommandStates();
    EXPECT_FALSE(f.action(57643)->isEnabled());

    // 曲线 from the menu, then a closed outline clicked in empty space and finished.
    ASSERT_TRUE(f.action(32864)->isEnabled());
    f.action(32864)->trigger();
    EXPECT_EQ(g.engine().mode(), 1);
    const float s = 100.0f / g.engine().vs.view.s;  // 100 pixels in model units
    std::vector<PointF> outline = {{2 * s, 2 * s}, {6 * s, 2 * s}, {7 * s, 4 * s}, {5 * s, 6 * s}, {2 * s, 5 * s}};
    for (PointF q : outline) Click(w, At(g, q.x, q.y));
    EXPECT_EQ(g.engine().traced.size(), outline.size());
    f.refreshCommandStates();
    EXPECT_TRUE(f.action(57643)->isEnabled()) << "traced points can be taken back";
    Click(w, At(g, outline.back().x, outline.back().y), Qt::RightButton);
    ASSERT_EQ(f.doc().design.parts.size(), 2u);
    const Part& part = *f.doc().design.parts[1];
    ASSERT_EQ(part.linesA.size(), 1u);
    const auto& nodes = part.linesA[0]->nodes;
    ASSERT_EQ(nodes.size(), outline.size() + 1) << "closed by exactly one node";
    EXPECT_EQ(nodes.front().pt(), nodes.back().pt());
    EXPECT_FALSE(part.linesA[0]->eval.empty());
    EXPECT_EQ(f.doc().design.modified, 1);

    // F2 saves the new design into the data folder.
    QTest::keyClick(&f, Qt::Key_F2);
    const std::string saved = home.dir.string() + "/qdat/rozedoz.xie";
    ASSERT_TRUE(fs::exists(saved));
    EXPECT_EQ(f.doc().design.modified, 0);

    // Reopened: one snapshot, nothing to undo.
    f.router().dispatch(kCmdReopen);
    ASSERT_EQ(f.doc().design.parts.size(), 2u);
    EXPECT_EQ(f.doc().design.parts[1]->linesA[0]->nodes.size(), outline.size() + 1);
    f.refreshCommandStates();
    EXPECT_FALSE(f.action(57643)->isEnabled());
    // The file opens on the piece page (its first part is empty); key 1 shows page 1.
    w->setFocus();
    QTest::keyClick(w, Qt::Key_1);
    EXPECT_EQ(f.doc().currentPage(), 0);

    // A line inside the part becomes its line B; Ctrl+Z takes it away, Ctrl+Y brings it back.
    f.action(32865)->trigger();  // 直线
    Click(w, At(g, 3 * s, 3 * s));
    Click(w, At(g, 5 * s, 4 * s));
    Click(w, At(g, 5 * s, 4 * s), Qt::RightButton);
    ASSERT_EQ(f.doc().design.parts[1]->linesB.size(), 1u);
    EXPECT_EQ(f.doc().design.modified, 1);
    f.refreshCommandStates();
    ASSERT_TRUE(f.action(57643)->isEnabled());
    QTest::keyClick(&f, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(f.doc().design.parts[1]->linesB.empty());
    EXPECT_EQ(f.doc().design.modified, 0) << "back to the state as loaded";
    EXPECT_TRUE(AllReferencesInside(f.doc().design));
    f.refreshCommandStates();
    EXPECT_TRUE(f.action(57644)->isEnabled());
    QTest::keyClick(&f, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(f.doc().design.parts[1]->linesB.size(), 1u);
    EXPECT_EQ(f.doc().design.modified, 1);

    // With ROZEDOZ_TRACE_SHOT set the window is pictured for a look at it.
    if (const char* shot = std::getenv("ROZEDOZ_TRACE_SHOT")) {
        f.action(32864)->trigger();
        // Window pixels: the reopened design was fitted to the window.
        Click(w, QPoint(w->width() - 60, 60));
        Click(w, QPoint(w->width() - 140, 200));
        Click(w, QPoint(w->width() - 60, 340));
        QTest::mouseMove(w, QPoint(w->width() - 150, 480));
        QTest::qWait(200);
        f.grab().save(QString::fromUtf8(shot));
        std::string cmd = std::string("import -window root ") + shot + ".root.png";
        if (std::system(cmd.c_str()) != 0) ADD_FAILURE() << "import failed";
    }
}

}  // namespace
}  // namespace rz
