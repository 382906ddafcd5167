// The grading on the window (offscreen): the commands through the router, the parameter pane's
// regions, and the size dialogs' controls reaching their models.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <set>

#include "app/control_dialogs.h"
#include "app/grading_dialogs.h"
#include "app/grading_glue.h"
#include "app/main_frame.h"
#include "grading/control_dialogs.h"
#include "grading/engine.h"
#include "output/sheet.h"

namespace rz {
namespace {

namespace fs = std::filesystem;

struct Home {
    fs::path dir = fs::temp_directory_path() / ("rz_grading_" + std::to_string(::getpid()));
    Home() { fs::create_directories(dir); }
    ~Home() { fs::remove_all(dir); }
};

// Presses Yes on every question box that shows while a command runs.
struct YesToBoxes {
    QTimer timer;
    int answered = 0;
    YesToBoxes() {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                ++answered;
                (box->button(QMessageBox::Yes) ? box->button(QMessageBox::Yes) : box->buttons().front())->click();
            }
        });
        timer.start();
    }
};

const ParamCell* CellOf(const TPar& t, ParamRegion r) {
    for (const ParamCell& c : t.cells())
        if (c.region == r) return &c;
    return nullptr;
}

// A shown window with the sample open; null when it does not open.
std::unique_ptr<MainFrame> WindowWithSample(const Home& h) {
    FrameOptions o;
    o.home = h.dir.string();
    auto f = std::make_unique<MainFrame>(o);
    f->resize(1280, 800);
    f->show();
    if (!f->openFile(ROZEDOZ_SOURCE_DIR "/examples/sample.XIE").ok()) return nullptr;
    return f;
}

TEST(GradingWindow, GradeShowSizesStepThemAndClear) {
    Home h;
    std::unique_ptr<MainFrame> window = WindowWithSample(h);
    ASSERT_TRUE(window);
    MainFrame& f = *window;
    Design& d = f.doc().design;
    f.refreshCommandStates();
    for (int id : {34039, 32921, 32824, 32903, 32904}) EXPECT_TRUE(f.router().state(id).enabled) << id;

    YesToBoxes yes;
    ASSERT_TRUE(f.router().dispatch(34039));  // 鞋样扩缩
    ASSERT_TRUE(d.flags & kDesignGraded);
    EXPECT_EQ(d.firstPart().gradedLines.size(), 2u * 9u);
    bool clearButton = false;
    for (QPushButton* b : f.commandWindow()->buttons()) clearButton = clearButton || (b->isVisible() && b->text() == "清除扩缩");
    EXPECT_TRUE(clearButton);

    // 全号显示 hides the base sizes that have copies and shows every size; the sample's piece
    // is marked for output, so only its members (the quarter's outline) follow.
    const Line& quarter = *d.parts[1]->linesA[0];
    f.router().dispatch(34044);
    EXPECT_TRUE(quarter.flags & kFlagHidden);
    EXPECT_FALSE(GradedCopyAt(quarter, 0)->flags & kFlagHidden);
    EXPECT_FALSE(d.firstPart().linesA[0]->flags & kFlagHidden);
    // The current-size button of the parameter pane steps to the next size alone.
    const TPar& table = f.grading()->table();
    const ParamCell* next = CellOf(table, ParamRegion::SizeNext);
    ASSERT_TRUE(next);
    QTest::mouseClick(f.params(), Qt::LeftButton, {}, QPoint(next->x + 4, next->y + 4));
    EXPECT_EQ(d.baseIndex, 5);
    EXPECT_TRUE(GradedCopyAt(quarter, 0)->flags & kFlagHidden);
    EXPECT_FALSE(GradedCopyAt(quarter, 5)->flags & kFlagHidden);
    EXPECT_EQ(CellOf(table, ParamRegion::SizePrev)[1].text, " 245# ");

    ASSERT_TRUE(f.router().dispatch(32921));  // 清除扩缩, answered Yes
    EXPECT_GE(yes.answered, 1);
    EXPECT_FALSE(d.hasGradedLists());
    EXPECT_FALSE(quarter.flags & kFlagHidden);
    EXPECT_EQ(d.baseIndex, 4);
}

TEST(GradingWindow, ThePieceAreasPieceGoesOutInEverySizeOnceGraded) {
    Home h;
    std::unique_ptr<MainFrame> window = WindowWithSample(h);
    ASSERT_TRUE(window);
    MainFrame& f = *window;
    TDoc& doc = f.doc();
    doc.currentSlot = doc.design.pieces.front()->slot;
    PLTC& sheet = SheetOf(doc, 0);
    // Without grading results the piece's commands do nothing.
    f.refreshCommandStates();
    EXPECT_FALSE(f.router().state(34041).enabled);
    f.router().dispatch(34041);
    EXPECT_TRUE(sheet.items.empty());
    ASSERT_TRUE(f.router().dispatch(34039));  // 鞋样扩缩
    f.refreshCommandStates();
    EXPECT_TRUE(f.router().state(34041).enabled);
    EXPECT_TRUE(f.router().state(34056).enabled);
    ASSERT_TRUE(f.router().dispatch(34041));  // 全号输出
    std::set<int32_t> ids;
    for (const PlotItem& it : sheet.items) ids.insert(it.pieceId);
    EXPECT_EQ(int(ids.size()), doc.design.n);
    EXPECT_TRUE(sheet.dirty);
    // 选号输出: the size choice opens blank after the run; pressing sizes 0 and 2 (and 3 twice)
    // chooses them, and only they go out.
    bool shown = false;
    QTimer::singleShot(50, [&] {
        auto* dlg = dynamic_cast<SizeChoiceDialog*>(QApplication::activeModalWidget());
        if (!dlg) return;
        shown = true;
        for (int i = 0; i < doc.design.n; ++i) EXPECT_TRUE(dlg->markLabel(i)->text().isEmpty()) << i;
        for (int i : {0, 2, 3, 3}) dlg->sizeButton(i)->click();
        EXPECT_EQ(dlg->markLabel(2)->text(), "√");
        EXPECT_TRUE(dlg->markLabel(3)->text().isEmpty());
        dlg->accept();
    });
    const int32_t next = sheet.nextPieceId;
    ASSERT_TRUE(f.router().dispatch(34056));
    EXPECT_TRUE(shown);
    EXPECT_EQ(sheet.nextPieceId, next + 2);
    ASSERT_TRUE(doc.design.outputSelection);
    EXPECT_EQ((*doc.design.outputSelection)[2], 1);
    EXPECT_EQ((*doc.design.outputSelection)[3], 0);
}

TEST(GradingWindow, DialogControlsReachTheirModels) {
    Design d;
    d.flags = kDesignParamsFromSystem;
    d.sizeSystem = 0, d.sizeCategory = 3;
    ApplyDefaultSizeRow(d);
    HeadlessPlatform platform;
    CardDialog card(nullptr, d, platform);
    card.systemBox()->setCurrentIndex(card.systemBox()->findData(4));
    emit card.systemBox()->activated(card.systemBox()->currentIndex());
    EXPECT_EQ(card.model().base, 200);
    EXPECT_EQ(card.paramEdit(3)->text(), "3.17");
    EXPECT_TRUE(card.paramEdit(0)->isReadOnly());
    card.toBox()->setValue(995);
    EXPECT_EQ(card.model().sizeCount(), 29);
    EXPECT_EQ(card.fromBox()->value(), card.model().from);
    card.pressF8();
    EXPECT_EQ(card.toBox()->value(), 260);

    TargetDialog targets(nullptr, d);
    EXPECT_EQ(targets.confirmButton()->text(), "创建");
    EXPECT_FALSE(targets.lengthEdit(targets.model().baseIndex)->isEnabled());
    QLineEdit* e = targets.lengthEdit(0);
    e->selectAll();
    QTest::keyClicks(e, "7");
    EXPECT_TRUE(e->font().bold());
    EXPECT_FALSE(targets.girthEdit(0)->font().bold());
    EXPECT_EQ(targets.model().apply(d), TargetModel::Outcome::Stored);
    EXPECT_EQ((*d.targets)[0].a, 7.0f);
}

TEST(GradingWindow, ControlDialogsDrawSizesInRowsAndPassClicksOn) {
    Design d;
    d.rangeFrom = 200, d.rangeTo = 300, d.step = 5, d.baseSize = 250;  // 21 sizes
    d.baseParams = {100.0f, 100.0f, 2.0f, 1.0f};
    d.resizePerSizeArrays();
    ASSERT_EQ(d.n, 21);
    Part& part = d.firstPart();
    FixedDistance& f = *part.fixedDistances.emplace_back(std::make_unique<FixedDistance>());

    // 定距参数: sixteen columns then a second row, the base size's field read-only.
    FixedStepsModel steps(d, f, false);
    FixedStepsDialog sd(nullptr, steps);
    EXPECT_EQ(sd.width(), 50 + 40 * 16);
    EXPECT_EQ(sd.height(), 2 * 45 + 135);
    EXPECT_EQ(sd.confirmButton()->text(), "创建");
    EXPECT_EQ(sd.sizeLabel(0)->text(), "200");
    EXPECT_GT(sd.edit(16)->y(), sd.edit(15)->y());
    EXPECT_EQ(sd.edit(16)->x(), sd.edit(0)->x());
    EXPECT_FALSE(sd.edit(steps.baseIndex)->isEnabled());
    QLineEdit* e = sd.edit(3);
    e->selectAll();
    QTest::keyClicks(e, "1.5");
    EXPECT_TRUE(e->font().bold());
    EXPECT_FALSE(sd.edit(4)->font().bold());
    sd.clearButton()->click();
    EXPECT_EQ(e->text(), "");
    EXPECT_FALSE(e->font().bold());
    QTest::keyClicks(e, "2");
    ASSERT_EQ(steps.apply(d, part, f), FixedStepsModel::Outcome::Stored);
    EXPECT_EQ((*f.perSize)[3], 200.0f);

    // 共用说明: left click raises, right click lowers, the top-right corner marks.
    HeadlessPlatform platform;
    std::optional<std::vector<uint8_t>> notes;
    SizeGroupsModel groups(d, "基点共用说明", notes, 2);
    SizeGroupsDialog gd(nullptr, groups, platform);
    EXPECT_EQ(gd.windowTitle(), "基点共用说明");
    EXPECT_EQ(gd.confirmButton()->text(), "创建");
    GroupCell* c = gd.cell(17);
    QTest::mouseClick(c, Qt::LeftButton, {}, QPoint(5, c->height() - 5));
    QTest::mouseClick(c, Qt::LeftButton, {}, QPoint(5, c->height() - 5));
    QTest::mouseClick(c, Qt::RightButton, {}, QPoint(5, c->height() - 5));
    EXPECT_EQ(groups.group(17), 1);
    QTest::mouseClick(c, Qt::LeftButton, {}, QPoint(c->width() - 3, 3));
    EXPECT_TRUE(groups.marked(17));
    ASSERT_EQ(groups.apply(d, notes), SizeGroupsModel::Outcome::Stored);
    EXPECT_EQ((*notes)[17], 0x81);
}

}  // namespace
}  // namespace rz
