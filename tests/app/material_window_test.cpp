// 排刀 and 算料 in the window: a cut file on the back screen, the editor's preview drawn over the
// sheet, the record stored, and the result box with its own caption.
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/engine_controller.h"
#include "app/main_frame.h"
#include "app/view_controller.h"
#include "output/cutfile.h"
#include "output/material_record.h"

namespace rz {
namespace {

namespace fs = std::filesystem;

TEST(MaterialWindow, NestEditorPreviewAndMaterialResult) {
    const fs::path dir = fs::temp_directory_path() / ("rz_material_app_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    ItemList items(1);
    items[0].points = {{1000, 1000}, {11000, 1000}, {11000, 6000}, {1000, 6000}, {1000, 1000}};
    items[0].pieceId = 1;
    items[0].setKind(kItemOutline);
    items[0].setTool(kToolFullCut);
    const auto bytes = WriteCutFile(items, {});
    std::ofstream((dir / "m.OUT").string(), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
    {
        FrameOptions o;
        o.home = dir.string();
        MainFrame f(o);
        f.resize(1200, 800);
        f.show();
        f.router().dispatch(32893);  // 换屏
        ASSERT_TRUE(f.view()->state().backShown);
        ASSERT_TRUE(f.openFile((dir / "m.OUT").string()).ok());
        f.router().dispatch(32776);  // 排刀
        Engine& e = f.engine()->engine();
        auto at = [&](float x, float y) {
            PixelPoint p = f.view()->state().view.toWindow({x, y});
            return QPoint(p.x, p.y);
        };
        QTest::mouseClick(f.drawing(), Qt::LeftButton, {}, at(1000, 3000));
        ASSERT_EQ(e.step(), 1);
        QTest::keyClick(f.drawing(), Qt::Key_Space);
        QApplication::processEvents();
        const QImage shot = f.drawing()->grab().toImage();
        if (const char* out = std::getenv("ROZEDOZ_SHOT")) shot.save(QString::fromUtf8(out));
        // The preview draws copies beyond the piece: grey pixels far to its right.
        int grey = 0;
        const QPoint far = at(60000, 40000);
        for (int dx = -30; dx <= 30; ++dx)
            for (int dy = -30; dy <= 30; ++dy)
                if (shot.rect().contains(far + QPoint(dx, dy)) && shot.pixelColor(far + QPoint(dx, dy)) == QColor(0x80, 0x80, 0x80)) ++grey;
        EXPECT_GT(grey, 0);
        QTest::keyClick(f.drawing(), Qt::Key_Return);
        EXPECT_EQ(e.step(), 0);
        PLTC& s = SheetOf(f.doc(), 0);
        ASSERT_EQ(s.material.size(), 1u);
        EXPECT_GT(DecodeMaterial(s.material[0]).usage, 0);

        f.router().dispatch(34148);  // 算料
        std::vector<std::string> captions;
        QTimer timer;
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); box && box->isVisible()) {
                captions.push_back(box->windowTitle().toStdString());
                box->buttons().front()->click();
            }
        });
        timer.start();
        QTest::mouseClick(f.drawing(), Qt::LeftButton, {}, at(1000, 3000));
        EXPECT_EQ(captions, std::vector<std::string>{"算料结果"});
        EXPECT_FALSE(SheetOf(f.doc(), 1).items.empty());
        s.dirty = 0;
        SheetOf(f.doc(), 1).dirty = 0;
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace rz
