// The piece commands of the strip's popup and the form dialog of the design tools, on the
// offscreen platform: a command or another slot ends 指定's step before the design changes, and
// a form whose type list locks the margin field.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "app/engine_controller.h"
#include "app/main_frame.h"
#include "app/panes.h"
#include "app/strip_controller.h"
#include "commands/draw_common.h"
#include "design/design_tools.h"
#include "design/pieces.h"
#include "geom/polyline.h"
#include "interact/modes.h"
#include "interact/strip.h"
#include "model/afterload.h"
#include "model/sample.h"

namespace rz {
namespace {

namespace fs = std::filesystem;

struct Home {
    fs::path dir = fs::temp_directory_path() / ("rz_strip_" + std::to_string(::getpid()));
    Home() { fs::create_directories(dir); }
    ~Home() { fs::remove_all(dir); }
    FrameOptions options() const {
        FrameOptions o;
        o.home = dir.string();
        return o;
    }
};

// A shown main window with its settings in a home of its own.
struct Window {
    Home home;
    MainFrame f{home.options()};
    Window() {
        f.resize(1600, 1000);
        f.show();
    }
};

// The marks 指定 hides with, beside the hidden bit.
constexpr uint32_t kAssignMarks = (1u << 29) | (1u << 30);

// Hidden bits and 指定's marks of every part and piece.
std::vector<uint32_t> Visibility(const Design& d) {
    std::vector<uint32_t> v;
    for (auto& p : d.parts) v.push_back(p->flags & (kFlagHidden | kAssignMarks));
    for (auto& q : d.pieces) v.push_back(q->flags & (kFlagHidden | kAssignMarks));
    return v;
}

TEST(PieceCommands, MenuActionsAndOtherSlotsEndTheAssignStep) {
    Window w;
    MainFrame& f = w.f;
    TDoc& doc = f.doc();
    BuildSampleDesign(doc.design);
    RunAfterLoadSteps(doc.design, doc.smooth);
    ASSERT_TRUE(CopyPieceToNextSlot(doc.design, 0));
    Engine& e = f.engine()->engine();
    PieceInSlot(doc.design, 1)->words[1] = 0x123456;
    e.designChanged();
    doc.PushUndo();
    const std::vector<uint32_t> shown = Visibility(doc.design);
    // 指定 on the piece in slot 1, its popup answering 剪齐线段, and the first trim line picked.
    DesignServices svc;
    svc.popup = [](const std::string&, const std::vector<std::string>&, const std::vector<bool>&) { return 1; };
    InstallAssignTool(e, svc);
    auto startTrim = [&](int slot) {
        doc.currentSlot = slot;
        e.SetMode(mode::Assign);
        const Polyline& edge = PieceInSlot(doc.design, slot)->linesA[0]->drawn1;
        ASSERT_GE(edge.size(), 2u);
        const PixelPoint at = e.vs.view.toWindow(PolyPointAt(edge, PolyLength(edge) / 2).pt);
        e.OnMouseMove({Button::None, 0, at});
        e.OnLeftDown({Button::Left, 0, at});
        e.OnLeftUp({Button::Left, 0, at});
        e.OnRightDown({Button::Right, 0, at});
        e.OnRightUp({Button::Right, 0, at});
        e.OnLeftDown({Button::Left, 0, at});
        e.OnLeftUp({Button::Left, 0, at});
        ASSERT_EQ(e.step(), 1);
        ASSERT_EQ(e.assignPrompt, 33778);  // the second step of 剪齐线段: a first line is held
        ASSERT_NE(Visibility(doc.design), shown);
    };
    startTrim(1);
    // 默认颜色 from the strip's popup ends the step first: nothing stays hidden and the snapshot of
    // the change has none of the mode's marks.
    StripController& sc = *f.stripController();
    sc.sync();
    sc.strip().setView(StripView::Piece);
    MotifStrip* strip = f.strip();
    ASSERT_TRUE(sc.strip().usable());
    sc.popupMenu = [](const std::vector<std::pair<int, std::string>>& items, const std::vector<bool>& on, QPoint) {
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].second == "默认颜色") return on[i] ? items[i].first : 0;
        return 0;
    };
    const PixelRect one = sc.strip().slotRect(1);
    QTest::mouseClick(strip, Qt::RightButton, {}, QPoint((one.left + one.right) / 2, (one.top + one.bottom) / 2));
    EXPECT_EQ(PieceInSlot(doc.design, 1)->words[1], kDefaultPartColour);
    EXPECT_EQ(e.step(), 0);
    EXPECT_EQ(Visibility(doc.design), shown);
    ASSERT_TRUE(f.router().dispatch(kUndoCommand));
    EXPECT_EQ(PieceInSlot(doc.design, 1)->words[1], 0x123456u);
    ASSERT_TRUE(f.router().dispatch(kRedoCommand));
    EXPECT_EQ(Visibility(doc.design), shown);
    // 删除此分片 and the others act on the current piece and are off on an empty slot.
    doc.currentSlot = 7;
    EXPECT_FALSE(f.router().state(34198).enabled);
    doc.currentSlot = 1;
    EXPECT_TRUE(f.router().state(34198).enabled);
    // Picking another slot while a trim line of the current piece is held ends the step too.
    startTrim(0);
    QTest::mouseClick(strip, Qt::LeftButton, {}, QPoint((one.left + one.right) / 2, (one.top + one.bottom) / 2));
    EXPECT_EQ(doc.currentSlot, 1);
    EXPECT_EQ(e.step(), 0);
    EXPECT_EQ(Visibility(doc.design), shown);
}

TEST(PieceCommands, FormDialogTypeListLocksTheMarginField) {
    Window w;
    MainFrame& f = w.f;
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
