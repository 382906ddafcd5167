// The input devices in the real window: a serial tablet on a pseudo-terminal traces a part
// while every other command waits, a scan becomes parts, a background picture is drawn and
// adjusted with the mouse.
#include <QApplication>
#include <QImage>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <filesystem>

#include "app/devices_glue.h"
#include "app/drawing_glue.h"
#include "app/main_frame.h"
#include "app/view_controller.h"
#include "devices/bmp.h"
#include "devices/pictures.h"
#include "devices/tablet.h"
#include "temp_home.h"

namespace rz {
namespace {

namespace fs = std::filesystem;

// A window of its own home, shown and exposed.
struct Window {
    test::TempHome home{"rz_devices"};
    std::unique_ptr<MainFrame> f;
    Window() {
        FrameOptions o;
        o.home = home.dir.string();
        f = std::make_unique<MainFrame>(o);
        f->resize(1280, 800);
        f->show();
    }
};

// Saves what the window shows when ROZEDOZ_SHOT_DIR names a folder (to look at, not to test).
void Shot(MainFrame& f, const char* name) {
    QByteArray dir = qgetenv("ROZEDOZ_SHOT_DIR");
    if (!dir.isEmpty()) f.grab().save(QString::fromLocal8Bit(dir) + "/" + name);
}

std::vector<uint8_t> Packet(PointF at, int field) {
    auto p = EncodeTabletPacket(TabletFormat::SevenByte, int(at.x / 2), int((30480 - at.y) / 2), field);
    return {p.begin(), p.end()};
}

TEST(DevicesWindow, ASerialTabletOnAPseudoTerminalTracesWhileTheMenusWait) {
    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    QSettings().setValue(QStringLiteral("Serial/path"), QString::fromLatin1(name));
    Window win;
    MainFrame& f = *win.f;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    f.settings().generalFlags |= kGenSerialTablet;
    Engine& e = f.drawingGlue()->engine();
    f.action(32865)->trigger();  // 直线
    f.action(32871)->trigger();  // F7
    ASSERT_TRUE(f.devices()->digitizer().active());
    f.refreshCommandStates();
    EXPECT_FALSE(f.action(32864)->isEnabled());
    EXPECT_TRUE(f.action(32871)->isEnabled());
    // The view shows the range at its base scale.
    EXPECT_EQ(e.vs.view.s, e.vs.view.s0);
    std::vector<uint8_t> s;
    for (PointF c : {PointF{8000, 8000}, PointF{30000, 8000}, PointF{30000, 22000}, PointF{8000, 22000}}) {
        for (int k = 0; k < 20; ++k) {
            auto m = Packet({c.x - 1000 + 50.0f * float(k), c.y}, 0);
            s.insert(s.end(), m.begin(), m.end());
        }
        auto p = Packet(c, 1), r = Packet(c, 0);
        s.insert(s.end(), p.begin(), p.end());
        s.insert(s.end(), r.begin(), r.end());
    }
    ASSERT_EQ(write(master, s.data(), s.size()), ssize_t(s.size()));
    for (int i = 0; i < 100 && e.traced.size() < 4; ++i) QTest::qWait(20);
    ASSERT_EQ(e.traced.size(), 4u);
    Shot(f, "digitizer.png");
    // F7 again ends the mode and the outline with it.
    f.action(32871)->trigger();
    EXPECT_FALSE(f.devices()->digitizer().active());
    ASSERT_EQ(f.doc().design.parts.size(), 2u);
    EXPECT_EQ(f.doc().design.parts[1]->linesA[0]->nodes.size(), 5u);
    f.refreshCommandStates();
    EXPECT_TRUE(f.action(32864)->isEnabled());
    close(master);
    close(slave);
    QSettings().remove(QStringLiteral("Serial/path"));
}

TEST(DevicesWindow, AScanAndABackgroundPictureInTheWindow) {
    Window win;
    MainFrame& f = *win.f;
    const test::TempHome& home = win.home;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    // A scan of two paper pieces at 200 dpi.
    ScanImage img;
    img.allocate(1600, 1000);
    for (int r = 100; r < 800; ++r)
        for (int c = 100; c < 700; ++c) img.set(c, r, true);
    for (int r = 200; r < 900; ++r)
        for (int c = 900; c < 1500; ++c) img.set(c, r, std::hypot(c - 1200, r - 550) < 300);
    const fs::path bmp = home.dir / "1.bmp";
    auto bytes = WriteBmp(img);
    FILE* out = std::fopen(bmp.c_str(), "wb");
    ASSERT_TRUE(out);
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
    ScanReport rep = f.devices()->scanFile(QString::fromStdString(bmp.string()));
    EXPECT_EQ(rep.parts, 2);
    EXPECT_EQ(f.doc().design.parts.size(), 3u);
    // Alt+1 reads 1.bmp from the bitmap folder: two more parts.
    f.settings().scan.bitmapFolder = home.dir.string() + "/";
    f.router().dispatch(32778);
    EXPECT_EQ(f.doc().design.parts.size(), 5u);

    // A picture laid over the view: drawn in the window where its corners are.
    QImage pic(300, 200, QImage::Format_RGB32);
    pic.fill(QColor(40, 160, 90));
    const fs::path png = home.dir / "back.png";
    ASSERT_TRUE(pic.save(QString::fromStdString(png.string())));
    ASSERT_TRUE(f.devices()->insertPicture(QString::fromStdString(png.string())));
    ASSERT_EQ(f.doc().pictures.size(), 1u);
    Engine& e = f.drawingGlue()->engine();
    TPIC& p = *f.doc().pictures[0];
    PointF mid{(p.corners[0].x + p.corners[2].x) / 2, (p.corners[0].y + p.corners[2].y) / 2};
    PixelPoint at = e.vs.view.toWindow({p.corners[0].x + 200 / e.vs.view.s, mid.y});
    QTest::qWait(50);
    QImage shown = f.drawing()->grab().toImage();
    EXPECT_EQ(shown.pixelColor(at.x, at.y), QColor(40, 160, 90));
    Shot(f, "picture.png");
    // 调整背景: pick it, then drag it 100 pixels to the right.
    f.action(32777)->trigger();
    QWidget* w = f.drawing();
    PixelPoint m = e.vs.view.toWindow(mid);
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(m.x, m.y));
    EXPECT_EQ(e.step(), 1);
    PointF before = p.corners[0];
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(m.x, m.y));
    QTest::mouseMove(w, QPoint(m.x + 50, m.y));
    QTest::mouseMove(w, QPoint(m.x + 100, m.y));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(m.x + 100, m.y));
    EXPECT_NEAR(p.corners[0].x - before.x, 100 / e.vs.view.s, 2 / e.vs.view.s);
    Shot(f, "adjusted.png");
    // 清除背景 removes it.
    f.router().dispatch(34115);
    EXPECT_TRUE(f.doc().pictures.empty());
}

}  // namespace
}  // namespace rz
