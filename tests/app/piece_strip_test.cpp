// The piece view of the strip and the form dialog of the design tools, on the offscreen platform:
// slots picked and marked with the mouse, and a form whose type list locks the margin field.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "app/main_frame.h"
#include "app/panes.h"
#include "design/pieces.h"
#include "model/sample.h"

namespace rz {
namespace {

namespace fs = std::filesystem;

struct Home {
    fs::path dir = fs::temp_directory_path() / ("rz_strip_" + std::to_string(::getpid()));
    Home() { fs::create_directories(dir); }
    ~Home() { fs::remove_all(dir); }
};

TEST(PieceStrip, SlotsArePickedAndMarkedWithTheMouse) {
    Home h;
    FrameOptions o;
    o.home = h.dir.string();
    MainFrame f(o);
    f.resize(1600, 1000);
    f.show();
    BuildSampleDesign(f.doc().design);
    // A second piece, in slot 4.
    ASSERT_TRUE(CopyPieceToNextSlot(f.doc().design, 0));
    PieceInSlot(f.doc().design, 1)->slot = 4;
    MotifStrip* strip = f.strip();
    const int cell = strip->height();
    ASSERT_GT(cell, 10);
    QTest::mouseClick(strip, Qt::LeftButton, {}, QPoint(4 * cell + cell / 2, cell / 2));
    EXPECT_EQ(f.doc().currentSlot, 4);
    // The corner square of the current slot toggles the output mark; Alt marks that piece alone.
    Piece* four = PieceInSlot(f.doc().design, 4);
    const bool was = four->flags & kPieceMarkedForOutput;
    QTest::mouseClick(strip, Qt::LeftButton, {}, QPoint(5 * cell - 5, 4));
    EXPECT_NE(bool(four->flags & kPieceMarkedForOutput), was);
    QTest::mouseClick(strip, Qt::LeftButton, Qt::AltModifier, QPoint(5 * cell - 5, 4));
    EXPECT_TRUE(four->flags & kPieceMarkedForOutput);
    EXPECT_FALSE(PieceInSlot(f.doc().design, 0)->flags & kPieceMarkedForOutput);
    // The wheel steps back to the previous slot.
    QWheelEvent back(QPointF(10, 10), strip->mapToGlobal(QPointF(10, 10)), {}, QPoint(0, 120), Qt::NoButton, {},
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(strip, &back);
    EXPECT_EQ(f.doc().currentSlot, 3);
    strip->repaint();  // thumbnails of both pieces
}

TEST(PieceStrip, FormDialogTypeListLocksTheMarginField) {
    Home h;
    FrameOptions o;
    o.home = h.dir.string();
    MainFrame f(o);
    f.show();
    std::vector<FormField> fields{FormField::Number("边距(mm)", 5.0), FormField::Check("改变方向", false),
                                  FormField::Choice("类型", {"自选", "搭边"}, 0)};
    fields[2].presets = {std::nan(""), 8.0};
    fields[2].presetTarget = 0;
    bool lockedSeen = false;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dlg || !dlg->isVisible()) return;
        auto* spin = dlg->findChild<QDoubleSpinBox*>();
        auto* combo = dlg->findChild<QComboBox*>();
        auto* check = dlg->findChild<QCheckBox*>();
        combo->setCurrentIndex(1);
        lockedSeen = !spin->isEnabled() && spin->value() == 8.0;
        check->setChecked(true);
        dlg->accept();
    });
    timer.start();
    ASSERT_TRUE(f.platform().formDialog("自动扩边", fields));
    timer.stop();
    EXPECT_TRUE(lockedSeen);
    EXPECT_EQ(fields[0].value, 8.0);
    EXPECT_EQ(fields[1].value, 1.0);
    EXPECT_EQ(fields[2].value, 1.0);
}

}  // namespace
}  // namespace rz
