// The main window on the offscreen platform: menus, keys, enabled states, layout, timer,
// the close sequence and the file commands against real boxes answered by script.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QStyle>
#include <QWheelEvent>
#include <QLineEdit>
#include <QLockFile>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <set>

#include "app/app.h"
#include "app/dialogs.h"
#include "app/engine_controller.h"
#include "app/main_frame.h"
#include "app/menu_table.h"
#include "model/sample.h"
#include "model/settings_file.h"
#include "model/xie.h"

namespace rz {
namespace {

namespace fs = std::filesystem;

// A fresh folder per test, standing in for the home folder.
struct TempHome {
    fs::path dir;
    TempHome() {
        static int n = 0;
        dir = fs::temp_directory_path() /
              ("rz_app_" + std::to_string(::getpid()) + "_" + std::to_string(++n));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~TempHome() { fs::remove_all(dir); }
    std::string path(const std::string& name) const { return (dir / name).string(); }
};

FrameOptions options(const TempHome& h, bool withFile = false) {
    FrameOptions o;
    o.home = h.dir.string();
    if (withFile) o.settingsPath = h.path("cfg/Vopa.dat");
    return o;
}

// Answers modal message boxes while a command runs: records caption and text and presses the
// scripted button (Yes when the script is empty; OK for boxes without Yes).
class BoxAnswerer {
public:
    std::deque<bool> answers;
    std::vector<std::pair<std::string, std::string>> seen;
    BoxAnswerer() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start();
    }

private:
    void poll() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        seen.emplace_back(box->windowTitle().toStdString(), box->text().toStdString());
        QAbstractButton* b = nullptr;
        if (box->button(QMessageBox::Yes)) {
            bool yes = answers.empty() ? true : answers.front();
            if (!answers.empty()) answers.pop_front();
            b = box->button(yes ? QMessageBox::Yes : QMessageBox::No);
        } else {
            b = box->buttons().front();
        }
        b->click();
    }
    QTimer timer_;
};

// Every action of the menu bar with a command id, including submenu items.
void collect(QMenu* m, std::map<int, QAction*>& out, std::vector<int>& ids) {
    for (QAction* a : m->actions()) {
        if (a->menu()) {
            collect(a->menu(), out, ids);
        } else if (a->data().isValid()) {
            out[a->data().toInt()] = a;
            ids.push_back(a->data().toInt());
        }
    }
}

TEST(MainFrame, MenusWithTheirTextsIdsAndCounts) {
    TempHome h;
    MainFrame f(options(h));
    EXPECT_EQ(f.windowTitle(), "rozedoz");
    EXPECT_EQ(f.minimumSize(), QSize(800, 600));

    const std::vector<std::pair<QString, int>> expected = {
        {"帮助(&H)", 2},   {"文件(&F)", 23},     {"编辑(&E)", 23},   {"显示(&V)", 16},
        {"图形(&G)", 16},  {"鞋样描入(&I)", 24}, {"功能线(&L)", 14}, {"设计(&D)", 19},
        {"扩缩(&K)", 9},   {"观察(&O)", 13},     {"定义(&N)", 10},   {"其他(&T)", 6}};
    QList<QAction*> top = f.menuBar()->actions();
    ASSERT_EQ(top.size(), int(expected.size()));
    std::map<int, QAction*> byId;
    std::set<int> unique;
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(top[i]->text(), expected[i].first);
        std::vector<int> ids;
        collect(top[i]->menu(), byId, ids);
        EXPECT_EQ(int(ids.size()), expected[i].second) << expected[i].first.toStdString();
        unique.insert(ids.begin(), ids.end());
    }
    // No id appears twice (the two 水平 items are different commands).
    EXPECT_EQ(unique.size(), 175u);
    // Three levels deep: 其他文件 > 转出 > DXF文件 > 线段独立格式.
    EXPECT_EQ(byId.at(34402)->parent()->parent()->parent()->parent(), top[1]->menu());

    auto text = [&](int id) { return byId.at(id)->text().toStdString(); };
    EXPECT_EQ(text(57664), "关于 VOPA...");
    EXPECT_EQ(text(34137), "关闭吸附(&0)");
    EXPECT_EQ(text(32808), "隐藏显示\tSpace");
    EXPECT_EQ(text(32892), "恢复\tEnter");
    EXPECT_EQ(text(34107), "平行四边形");
    // Help texts come with their items; an item without one has no tooltip of its own.
    EXPECT_EQ(byId.at(34105)->toolTip(), "根据比例改变部位或线组的大小");
    EXPECT_EQ(byId.at(34163)->toolTip(), "自动截去边角");
    EXPECT_TRUE(qobject_cast<QMenu*>(byId.at(34105)->parent())->toolTipsVisible());
    EXPECT_EQ(qobject_cast<QWidget*>(byId.at(34107)->parent())->property("title").toString(), "其他");
    EXPECT_EQ(text(34207), "串口定义");
    EXPECT_EQ(text(32921), "清除扩缩");
    EXPECT_EQ(text(34145), "水平");
    EXPECT_EQ(text(32868), "水平");
    EXPECT_EQ(text(32848), "图案保存");
    EXPECT_EQ(text(57616), "最近文件");
}

// Every key of the menus and of accelerator table 131, typed from the tables.
const std::vector<std::pair<const char*, int>> kKeys = {
    {"F1", 32800},        {"Ctrl+N", 32911},    {"F3", 57601},      {"Ctrl+Ins", 32833},
    {"F2", 32913},        {"F4", 32914},        {"Alt+P", 32910},   {"Ctrl+P", 32853},
    {"Alt+X", 57665},     {"Ctrl+Z", 57643},    {"Ctrl+Y", 57644},  {"Ctrl+A", 34140},
    {"Ctrl+Enter", 34181}, {"F10", 32893},      {"Alt+C", 32894},   {"Shift+Tab", 32917},
    {"Ctrl+Tab", 32775},  {"F9", 32810},        {"F7", 32871},      {"Ctrl+Home", 34129},
    {"F5", 32848},        {"F6", 32901},        {"F8", 32903},      {"Ctrl+F3", 32801},
    {"Alt+R", 32802},     {"Ctrl+F5", 32797},   {"Ctrl+R", 34069},  {"Alt+S", 32795},
    {"Alt+A", 32826},     {"Alt+Q", 32829},     {"Ctrl+Q", 34137},  {"Ctrl+1", 34068},
    {"Alt+1", 32778},     {"Alt+5", 32782},     {"Alt+9", 32786},   {"Ctrl+2", 32787},
    {"Ctrl+6", 32791},    {"Ctrl+9", 32794},
};

TEST(MainFrame, EveryKeyReachesItsCommandAndNoKeyIsAmbiguous) {
    TempHome h;
    MainFrame f(options(h));
    std::vector<QAction*> all;
    for (QAction* a : f.findChildren<QAction*>()) all.push_back(a);
    std::map<QString, int> owners;  // key sequence → number of actions binding it
    for (QAction* a : all)
        for (const QKeySequence& k : a->shortcuts()) ++owners[k.toString()];
    for (auto& [k, n] : owners) EXPECT_EQ(n, 1) << k.toStdString();

    for (auto [key, id] : kKeys) {
        QKeySequence seq(QString::fromUtf8(key));
        QAction* hit = nullptr;
        for (QAction* a : all)
            if (a->shortcuts().contains(seq)) hit = a;
        ASSERT_TRUE(hit) << key;
        EXPECT_EQ(hit->data().toInt(), id) << key;
    }
    // Space, Enter and the 0 mnemonic are keys of the tool dispatcher, not shortcuts.
    EXPECT_EQ(owners.count(QKeySequence(Qt::Key_Space).toString()), 0u);
    EXPECT_EQ(owners.count(QKeySequence(Qt::Key_Return).toString()), 0u);
}

TEST(MainFrame, OnlyCommandsWithHandlersAreEnabled) {
    TempHome h;
    MainFrame f(options(h));
    f.refreshCommandStates();
    // The shell's own commands and the view's (the 显示 menu; 扫描显示 waits for scan lines).
    const std::set<int> enabled = {57664, 57665, 32911, 57601, 32913, 32914, 32894,
                                   32801, 34069, 32795, 32829,
                                   34133, 34044, 34103, 32808, 32806, 32804, 32803,
                                   32892, 34181, 32893, 32775, 32826, 34033,
                                   // The output sheets' (顺序 and 排位 wait for the back screen).
                                   32910, 32853, 32852, 32854, 32901, 34032, 32902,
                                   // The motif strip's and the settings dialogs'.
                                   32800, 32848, 32917, 32905, 32906, 32907, 32908, 32824,
                                   // The grading's: 鞋样扩缩, 全号显示, 本码参数, 目标参数, 选号输出.
                                   34039, 32921, 32903, 32904, 34086};
    // The interaction engine's: the mode commands, the snap switches and 全选.
    std::set<int> engineIds = {34137, 34140, 34142, 34143, 34144, 34180};
    for (const ModeCommandInfo& c : ModeCommands()) engineIds.insert(c.command);
    for (const SnapToggle& t : SnapToggles()) engineIds.insert(t.command);
    // The input devices': the tablet, scan input with its digit keys and 插入背景 (清除背景 waits
    // for a picture).
    for (int id : {32871, 32872, 34207, 32833, 34114}) engineIds.insert(id);
    // The exchange files': 转入DXF, 转入HPGL, 转入 USM3, ASTM格式, 转入 线切割 and 圆弧格式 (the
    // other exports wait for the back screen).
    for (int id : {32771, 32772, 34400, 34403, 34404, 34405}) engineIds.insert(id);
    for (int id = 32778; id <= 32794; ++id) engineIds.insert(id);
    auto on = [&](int id) { return enabled.count(id) == 1 || engineIds.count(id) == 1; };
    for (const MenuDef& m : mainMenu())
        for (const MenuItemDef& it : m.items) {
            QAction* a = f.action(it.id);
            ASSERT_TRUE(a) << it.path;
            EXPECT_EQ(a->isEnabled(), on(it.id)) << it.path;
        }
    for (const AccelDef& acc : extraAccelerators())
        EXPECT_EQ(f.action(acc.id)->isEnabled(), on(acc.id)) << acc.key;
    // Submenus without a usable item are greyed; one usable item enables its submenu.
    QMenu* other = f.action(32874)->menu() ? nullptr : qobject_cast<QMenu*>(f.action(32874)->parent());
    ASSERT_TRUE(other);
    for (QAction* a : other->actions()) f.router().remove(Pane::Drawing, a->data().toInt());
    f.refreshCommandStates();
    EXPECT_FALSE(other->menuAction()->isEnabled());
    f.router().add(Pane::Drawing, 32875, [](int) {});
    f.refreshCommandStates();
    EXPECT_TRUE(other->menuAction()->isEnabled());
    // Nothing opened yet: no reopen. Ctrl+F5 has no action.
    EXPECT_FALSE(f.action(32802)->isEnabled());
    EXPECT_FALSE(f.action(32797)->isEnabled());

    // A feature registering later enables its item, and its key then runs it.
    int swaps = 0;
    f.router().add(Pane::Drawing, 32893, [&](int) { ++swaps; });
    f.refreshCommandStates();
    EXPECT_TRUE(f.action(32893)->isEnabled());
    f.show();
    QApplication::setActiveWindow(&f);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    QTest::keyClick(&f, Qt::Key_F10);
    EXPECT_EQ(swaps, 1);
    // The command window's buttons follow the same rule.
    bool found = false;
    for (QPushButton* b : f.commandWindow()->buttons())
        if (b->text() == "换屏") {
            found = true;
            EXPECT_TRUE(b->isEnabled());
            b->click();
        } else if (b->text() == "删除") {
            EXPECT_TRUE(b->isEnabled());  // a mode of the interaction engine
        }
    EXPECT_TRUE(found);
    EXPECT_EQ(swaps, 2);
}

TEST(MainFrame, SpaceAndEnterGoToTheToolsFirst) {
    TempHome h;
    MainFrame f(options(h));
    int hidden = 0, consumedByMode = 0;
    f.router().add(Pane::Drawing, 32808, [&](int) { ++hidden; });
    f.show();
    QApplication::setActiveWindow(&f);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    f.drawing()->setFocus();
    QTest::keyClick(f.drawing(), Qt::Key_Space);
    EXPECT_EQ(hidden, 1);
    // A tool mode that consumes Space keeps it from the menu command.
    ModeHandlers spaceKey;
    spaceKey.key = [&](Engine&, const KeyEvent& k) {
        if (k.key != Qt::Key_Space) return false;
        ++consumedByMode;
        return true;
    };
    f.engine()->engine().setHandlers(31, spaceKey);
    f.router().dispatch(32891);  // 测量
    QTest::keyClick(f.drawing(), Qt::Key_Space);
    EXPECT_EQ(hidden, 1);
    EXPECT_EQ(consumedByMode, 1);
}

TEST(MainFrame, PanesFollowTheWindowSize) {
    TempHome h;
    MainFrame f(options(h));
    f.resize(1280, 800);
    f.show();
    QApplication::processEvents();
    auto check = [&] {
        FrameLayout l = computeLayout(f.client()->width(), f.client()->height());
        EXPECT_EQ(f.drawing()->geometry(), QRect(1, 0, l.drawing.width(), l.drawing.height()));
        EXPECT_EQ(f.params()->geometry(), QRect(l.params.left, 0, 94, 160));
        EXPECT_EQ(f.strip()->geometry().height(), (f.client()->width() - 94) / 10);
        EXPECT_EQ(f.commandWindow()->geometry().bottom() + 1, f.strip()->geometry().top());
        EXPECT_EQ(f.strip()->geometry().bottom() + 1, f.client()->height());
    };
    check();
    f.resize(1000, 700);
    QApplication::processEvents();
    EXPECT_EQ(f.params()->geometry().left(), f.client()->width() - 94);
    check();
    // Status bar panes and their texts.
    EXPECT_EQ(f.statusPane(0)->text(), " Alt+X 退出");
    EXPECT_EQ(f.statusPane(1)->text(), " F1 帮助");
    EXPECT_EQ(f.statusPane(2)->text(), " F7 数字化仪");
    EXPECT_TRUE(f.statusPane(6)->text().contains(QRegularExpression(
        "^ \\d{4}年[ \\d]\\d月[ \\d]\\d日 星期[日一二三四五六]$")));
    EXPECT_GE(f.statusPane(5)->width(), 48);
    f.platform().setPrompt("选择圆的直径！");
    EXPECT_EQ(f.statusPane(3)->text(), "选择圆的直径！");
}

TEST(MainFrame, ClearButtonLabelFollowsGradingAndScreen) {
    TempHome h;
    MainFrame f(options(h));
    f.resize(1280, 800);
    f.show();
    QApplication::processEvents();
    auto first = [&] {
        for (QPushButton* b : f.commandWindow()->buttons())
            if (b->isVisible() && b->property("commandId").toInt() != 0 &&
                (b->text() == "清屏" || b->text() == "清除扩缩"))
                return b->text().toStdString();
        return std::string();
    };
    EXPECT_EQ(first(), "清屏");
    f.doc().design.flags |= kDesignGraded;
    f.refreshCommandWindow();
    EXPECT_EQ(first(), "清除扩缩");
    bool back = true;
    f.backShown = [&] { return back; };
    f.refreshCommandWindow();
    EXPECT_EQ(first(), "清屏");
}

// ---------------------------------------------------------------- timer

void writeSettings(const TempHome& h, uint32_t general, int32_t interval) {
    Settings s = defaultSettings(h.dir.string());
    s.generalFlags = general;
    s.autoSaveInterval = interval;
    ASSERT_TRUE(writeSettingsFile(h.path("cfg/Vopa.dat"), s));
}

TEST(AutoSaveTimer, StartsWheneverAutoSaveIsOn) {
    {
        // The stored interval 0 (ten seconds) still starts the timer after a restart.
        TempHome h;
        writeSettings(h, 0x7C1 | kGenAutoSave, 0);
        MainFrame f(options(h, true));
        EXPECT_TRUE(f.autoSaveTimer().isActive());
        EXPECT_EQ(f.autoSaveTimer().interval(), 10000);
    }
    {
        TempHome h;
        writeSettings(h, 0x7C1 | kGenAutoSave, 30000);
        MainFrame f(options(h, true));
        EXPECT_EQ(f.autoSaveTimer().interval(), 30000);
        // Switched off in the settings: stopped on the restart the dialog asks for.
        f.settings().generalFlags &= ~kGenAutoSave;
        f.restartAutoSaveTimer();
        EXPECT_FALSE(f.autoSaveTimer().isActive());
    }
    {
        TempHome h;
        MainFrame f(options(h));  // defaults: 自动保存 off
        EXPECT_FALSE(f.autoSaveTimer().isActive());
        // Five seconds in the dialog store 0, and the timer then runs every ten seconds.
        f.settings().generalFlags |= kGenAutoSave;
        f.settings().autoSaveInterval = Settings::intervalFromSeconds(5);
        EXPECT_EQ(f.settings().autoSaveInterval, 0);
        f.restartAutoSaveTimer();
        EXPECT_TRUE(f.autoSaveTimer().isActive());
        EXPECT_EQ(f.autoSaveTimer().interval(), 10000);
        EXPECT_EQ(Settings::intervalFromSeconds(11), 11000);
    }
}

TEST(AutoSaveTimer, TickWritesTheNumberedFile) {
    TempHome h;
    writeSettings(h, 0x7C1 | kGenAutoSave, 0);
    MainFrame f(options(h, true));
    BuildSampleDesign(f.doc().design);
    f.settings().autoSaveInterval = 10000;
    f.restartAutoSaveTimer();
    // Fire the tick without waiting ten seconds.
    QMetaObject::invokeMethod(const_cast<QTimer*>(&f.autoSaveTimer()), "timeout");
    EXPECT_TRUE(fs::exists(h.dir / "qdat" / "---" / "0000.XIE"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // the wait cursor is gone again
}

// ---------------------------------------------------------------- close

TEST(Close, QuestionsBeforeAnythingAndSettingsWrittenOnce) {
    TempHome h;
    const std::string vopa = h.path("cfg/Vopa.dat");
    auto f = std::make_unique<MainFrame>(options(h, true));
    f->show();
    BuildSampleDesign(f->doc().design);
    f->doc().design.modified = 1;
    f->doc().design.flags = kDesignSaveGrading | kDesignParamsFromSystem;
    {
        BoxAnswerer boxes;
        boxes.answers = {false};
        EXPECT_FALSE(f->close());
        ASSERT_EQ(boxes.seen.size(), 1u);
        EXPECT_EQ(boxes.seen[0].first, "提问");
        EXPECT_EQ(boxes.seen[0].second, "放弃前屏所做修改？");
    }
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(f->doc().design.modified, 1);
    EXPECT_FALSE(fs::exists(vopa));  // a cancelled close writes nothing
    {
        BoxAnswerer boxes;
        boxes.answers = {true};
        EXPECT_TRUE(f->close());
        EXPECT_EQ(boxes.seen.size(), 1u);
    }
    ASSERT_TRUE(fs::exists(vopa));
    SettingsReadReport rep;
    Settings s = readSettingsFile(vopa, h.dir.string(), &rep);
    EXPECT_TRUE(rep.complete);
    // Only bits 16 and 17 of the design flags reach the next run's new designs.
    EXPECT_EQ(s.defaultDesignFlags, kDesignParamsFromSystem);
    auto stamp = fs::last_write_time(vopa);
    f.reset();  // destroying the frame does not write it a second time
    EXPECT_EQ(fs::last_write_time(vopa), stamp);

    MainFrame again(options(h, true));
    EXPECT_EQ(again.doc().design.flags & 0x70000u, kDesignParamsFromSystem);
}

TEST(Close, NoSettingsFileGivesDefaultsAndOneIsWrittenAtExit) {
    TempHome h;
    MainFrame f(options(h, true));
    EXPECT_EQ(f.settings().displayFlags, 0x81Au);
    EXPECT_EQ(f.settings().generalFlags, 0x7C1u);
    EXPECT_EQ(f.settings().dataFolder, h.dir.string() + "/qdat/");
    EXPECT_TRUE(f.close());
    EXPECT_TRUE(fs::exists(h.path("cfg/Vopa.dat")));
}

TEST(Close, BackScreenSheetIsAskedFirstAndNoKeepsItInView) {
    TempHome h;
    MainFrame f(options(h));
    f.show();
    f.doc().design.modified = 1;
    bool sheetChanged = true;
    std::vector<std::string> shown;
    f.backShown = [] { return true; };
    f.currentSheet = [] { return 1; };
    f.sheetScreens[1].modified = [&] { return sheetChanged; };
    f.sheetScreens[1].show = [&] { shown.push_back("sheet2"); };
    BoxAnswerer boxes;
    boxes.answers = {false};
    EXPECT_FALSE(f.close());
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].second, "放弃后屏所做修改？");
    EXPECT_EQ(shown, std::vector<std::string>{"sheet2"});
    EXPECT_TRUE(f.isVisible());
}

// ---------------------------------------------------------------- files

std::string writeSample(const TempHome& h, const std::string& name, size_t keep = SIZE_MAX) {
    Design d;
    BuildSampleDesign(d);
    auto bytes = WriteXie(d);
    if (keep < bytes.size()) bytes.resize(keep);
    std::string p = h.path(name);
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                             static_cast<std::streamsize>(bytes.size()));
    return p;
}

TEST(Files, OpenBrowseRecentAndTruncated) {
    TempHome h;
    const std::string a = writeSample(h, "a.XIE");
    const std::string b = writeSample(h, "b.xie");
    MainFrame f(options(h));
    f.show();
    QApplication::setActiveWindow(&f);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));

    ASSERT_TRUE(f.openFile(a).ok());
    EXPECT_EQ(f.windowTitle().toStdString(), a);
    EXPECT_EQ(f.doc().design.modified, 0);
    EXPECT_EQ(f.recent().items().front(), a);
    f.refreshCommandStates();
    EXPECT_TRUE(f.action(32802)->isEnabled());  // reopen

    // Ctrl+Right: the next pattern file of the folder.
    f.drawing()->setFocus();
    QTest::keyClick(f.drawing(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(f.doc().fileName, b);
    QTest::keyClick(f.drawing(), Qt::Key_Right, Qt::ControlModifier);  // nothing after b
    EXPECT_EQ(f.doc().fileName, b);
    QTest::keyClick(f.drawing(), Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(f.doc().fileName, a);

    // The recent list opens files, and a file that is gone leaves it with a warning.
    EXPECT_EQ(f.recent().items(), (std::vector<std::string>{a, b}));
    fs::remove(b);
    {
        BoxAnswerer boxes;
        f.router().dispatch(kCmdRecentFirst + 1);
        ASSERT_EQ(boxes.seen.size(), 1u);
        EXPECT_EQ(boxes.seen[0].first, "警告");
    }
    EXPECT_EQ(f.recent().items(), std::vector<std::string>{a});

    // A truncated file opens with a warning and is not an unmodified copy of the file.
    const std::string cut = writeSample(h, "cut.XIE", 400);
    {
        BoxAnswerer boxes;
        FileResult r = f.openFile(cut);
        EXPECT_TRUE(r.ok());
        EXPECT_TRUE(r.truncated);
        ASSERT_EQ(boxes.seen.size(), 1u);
        EXPECT_EQ(boxes.seen[0].first, "警告");
    }
    EXPECT_EQ(f.doc().design.modified, 1);

    // A modified design asks before another file replaces it; No keeps everything.
    {
        BoxAnswerer boxes;
        boxes.answers = {false};
        EXPECT_EQ(f.openFile(a).status, FileStatus::Declined);
        EXPECT_EQ(boxes.seen.at(0).second, "放弃前屏所做修改？");
    }
    EXPECT_EQ(f.doc().fileName, cut);

    // Not a pattern: a warning, nothing changes.
    std::ofstream(h.path("junk.XIE")) << "nothing of ours";
    {
        BoxAnswerer boxes;
        EXPECT_EQ(f.openFile(h.path("junk.XIE")).status, FileStatus::NotAPattern);
        EXPECT_EQ(boxes.seen.size(), 1u);
    }
    EXPECT_EQ(f.doc().fileName, cut);
}

TEST(Files, ClearScreenAsksAndStatisticsShowsANotice) {
    TempHome h;
    MainFrame f(options(h));
    f.show();
    BuildSampleDesign(f.doc().design);
    f.doc().design.modified = 1;
    {
        BoxAnswerer boxes;
        boxes.answers = {false};
        f.router().dispatch(kCmdClearScreen);
        EXPECT_EQ(boxes.seen.size(), 1u);
    }
    EXPECT_TRUE(f.doc().design.hasContent());
    {
        BoxAnswerer boxes;
        f.router().dispatch(kCmdStatistics);
        ASSERT_EQ(boxes.seen.size(), 1u);
        EXPECT_EQ(boxes.seen[0].first, "提示");
        EXPECT_FALSE(boxes.seen[0].second.empty());
    }
    {
        BoxAnswerer boxes;
        boxes.answers = {true};
        f.router().dispatch(kCmdClearScreen);
    }
    EXPECT_FALSE(f.doc().design.hasContent());
    EXPECT_EQ(f.windowTitle(), "rozedoz");
}

TEST(Dialogs, OpenDialogPreviewAndMerge) {
    TempHome h;
    const std::string a = writeSample(h, "a.XIE");
    Settings s = defaultSettings(h.dir.string());
    OpenDialog dlg(nullptr, s, true, QString::fromStdString(h.dir.string()));
    EXPECT_EQ(dlg.windowTitle(), "布兰 - BRELAN");
    EXPECT_EQ(dlg.defaultSuffix(), "XIE");
    EXPECT_TRUE(dlg.nameFilters().join(";").contains("鞋样文件"));
    EXPECT_EQ(dlg.previewBox()->text(), "预览");
    EXPECT_EQ(dlg.mergeBox()->text(), "合入");
    EXPECT_FALSE(dlg.merge());
    EXPECT_EQ(s.displayFlags & kDispPreview, 0u);
    dlg.previewBox()->setChecked(true);
    EXPECT_NE(s.displayFlags & kDispPreview, 0u);
    dlg.previewPane()->showFile(QString::fromStdString(a));
    EXPECT_GT(dlg.previewPane()->pointCount(), 0u);
    EXPECT_TRUE(dlg.previewPane()->text().contains(QRegularExpression("^\\d+/\\d+/\\d+: ")));
    dlg.previewPane()->showFile(QString::fromStdString(h.path("none.XIE")));
    EXPECT_EQ(dlg.previewPane()->pointCount(), 0u);
    dlg.previewBox()->setChecked(false);
    EXPECT_EQ(s.displayFlags & kDispPreview, 0u);

    Settings s2 = defaultSettings(h.dir.string());
    OpenDialog back(nullptr, s2, false, QString());
    EXPECT_EQ(back.defaultSuffix(), "OUT");
    EXPECT_TRUE(back.mergeBox()->isHidden());
}

TEST(Dialogs, WorkRangeKeepsABadCustomSize) {
    ShortCutSetup b;
    WorkRangeDialog dlg(nullptr, b, false);
    EXPECT_EQ(dlg.windowTitle(), "输入范围");
    EXPECT_EQ(dlg.widthEdit()->text(), "457.2毫米");
    EXPECT_TRUE(dlg.widthEdit()->isReadOnly());
    dlg.combo()->setCurrentIndex(2);
    EXPECT_EQ(dlg.result().workRange, 2);
    EXPECT_EQ(workRangeSize(dlg.result()).first, 121920.0f);
    dlg.combo()->setCurrentIndex(4);
    EXPECT_FALSE(dlg.widthEdit()->isReadOnly());
    dlg.widthEdit()->setText("-5");
    EXPECT_EQ(dlg.result().workRange, 0);  // not positive: not applied
    dlg.widthEdit()->setText("300");
    dlg.heightEdit()->setText("200毫米");
    ShortCutSetup r = dlg.result();
    EXPECT_EQ(r.workRange, 4);
    EXPECT_EQ(r.customWidth, 30000.0f);
    EXPECT_EQ(r.customHeight, 20000.0f);
}

// ---------------------------------------------------------------- single instance

TEST(Instance, ACrashedInstanceDoesNotBlockTheNextStart) {
    TempHome h;
    const QString path = QString::fromStdString(h.path("rozedoz.lock"));
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // The "crashed" instance: takes the lock and dies without releasing it.
        QLockFile* l = new QLockFile(path);
        l->tryLock(0);
        _exit(l->isLocked() ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    ASSERT_TRUE(fs::exists(path.toStdString()));

    QLockFile first(path);
    EXPECT_TRUE(acquireInstanceLock(first));
    // While this instance runs, a second one is refused.
    QLockFile second(path);
    EXPECT_FALSE(acquireInstanceLock(second));
    first.unlock();
    EXPECT_TRUE(acquireInstanceLock(second));
}

}  // namespace
}  // namespace rz

namespace rz {
namespace {

TEST(QtSeam, ValueDialogCursorsAndBusy) {
    TempHome h;
    MainFrame f(options(h));
    f.show();
    QtPlatform& p = f.platform();

    // The dialog: fields in, values out on 确认; 取消 leaves the fields as they were.
    std::vector<ValueField> fields = {{"半径", 5.0, 0.0, 100.0, 1}, {"角度", 30.0, 0.0, 360.0, 0}};
    bool accept = true;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dlg || !dlg->isVisible()) return;
        auto boxes = dlg->findChildren<QDoubleSpinBox*>();
        if (boxes.size() == 2) {
            boxes[0]->setValue(12.5);
            boxes[1]->setValue(400);  // beyond the range: clamped by the box
        }
        accept ? dlg->accept() : dlg->reject();
    });
    timer.start();
    EXPECT_TRUE(p.valueDialog("倒角", fields));
    EXPECT_DOUBLE_EQ(fields[0].value, 12.5);
    EXPECT_DOUBLE_EQ(fields[1].value, 360.0);
    accept = false;
    fields[0].value = 1.0;
    EXPECT_FALSE(p.valueDialog("倒角", fields));
    EXPECT_DOUBLE_EQ(fields[0].value, 1.0);
    timer.stop();

    // The choice box: one button per option and 取消; the index of the button pressed.
    QString press;
    QStringList seen;
    QTimer chooser;
    chooser.setInterval(5);
    QObject::connect(&chooser, &QTimer::timeout, [&] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dlg || !dlg->isVisible()) return;
        seen.clear();
        QPushButton* target = nullptr;
        for (auto* b : dlg->findChildren<QPushButton*>()) {
            seen << b->text();
            if (b->text() == press) target = b;
        }
        if (target) target->click();
    });
    chooser.start();
    press = "加点";
    EXPECT_EQ(p.choose("选择延伸方式", {"移点", "加点"}), 1);
    EXPECT_TRUE(seen.contains("移点") && seen.contains("取消")) << seen.join(",").toStdString();
    press = "取消";
    EXPECT_EQ(p.choose("选择延伸方式", {"移点", "加点"}), -1);
    chooser.stop();

    // The mode cursor goes to the drawing window; busy shows the wait cursor over everything
    // and gives the mode cursor back afterwards.
    p.setCursor(CursorKind::Move);
    EXPECT_EQ(f.drawing()->cursor().shape(), Qt::SizeAllCursor);
    {
        WaitCursor busy(p);
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        WaitCursor nested(p);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(p.cursor(), CursorKind::Move);
    // The wait cursor set directly ends with the next cursor set.
    p.setCursor(CursorKind::Wait);
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
    p.setCursor(CursorKind::Move);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(f.drawing()->cursor().shape(), Qt::SizeAllCursor);
    for (CursorKind k : {CursorKind::Cross, CursorKind::Pick, CursorKind::Rotate,
                         CursorKind::Delete, CursorKind::PointOp, CursorKind::Zoom})
        EXPECT_EQ(cursorFor(k).shape(), Qt::BitmapCursor);
}

TEST(MainFrame, LosingActivationEndsDragsAndTheWheelScrollsTheStrip) {
    TempHome h;
    MainFrame f(options(h));
    int ended = 0, scrolled = 0;
    f.drawing()->endDragHook = [&] { ++ended; };
    f.strip()->endDragHook = [&] { ++ended; };
    f.strip()->scrollHook = [&](int d) { scrolled += d; };
    f.show();
    QApplication::setActiveWindow(&f);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_EQ(ended, 2);

    QPointF at(10, 10);
    QWheelEvent wheel(at, f.strip()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.strip(), &wheel);
    EXPECT_EQ(scrolled, -120);
    // Alt alone never puts the keyboard into the menu bar.
    EXPECT_EQ(f.menuBar()->style()->styleHint(QStyle::SH_MenuBar_AltKeyNavigation, nullptr,
                                              f.menuBar()),
              0);
}

TEST(Files, SaveOfANewDesignGoesToTheDataFolderAndAsksBeforeOverwriting) {
    TempHome h;
    MainFrame f(options(h));
    f.show();
    BuildSampleDesign(f.doc().design);
    f.doc().design.modified = 1;
    f.router().dispatch(kCmdSave);
    const std::string saved = h.dir.string() + "/qdat/rozedoz.xie";
    ASSERT_TRUE(fs::exists(saved));
    EXPECT_EQ(f.doc().fileName, saved);
    EXPECT_EQ(f.windowTitle().toStdString(), saved);
    EXPECT_EQ(f.doc().design.modified, 0);

    // Another new design: the same default name exists, so Save asks; No writes nothing.
    {
        BoxAnswerer boxes;
        boxes.answers = {true};
        f.router().dispatch(kCmdClearScreen);  // unmodified: no question
        EXPECT_TRUE(boxes.seen.empty());
    }
    BuildSampleDesign(f.doc().design);
    f.doc().design.modified = 1;
    auto stamp = fs::last_write_time(saved);
    {
        BoxAnswerer boxes;
        boxes.answers = {false};
        f.router().dispatch(kCmdSave);
        ASSERT_EQ(boxes.seen.size(), 1u);
        EXPECT_EQ(boxes.seen[0].second, "复盖已有文件？");
    }
    EXPECT_EQ(fs::last_write_time(saved), stamp);
    EXPECT_EQ(f.doc().fileName, "rozedoz");
    EXPECT_EQ(f.windowTitle(), "rozedoz");
}

}  // namespace
}  // namespace rz

namespace rz {
namespace {

TEST(Instance, ASecondStartHandsItsFilesToTheRunningOne) {
    const QString name = QStringLiteral("rozedoz-test-%1").arg(::getpid());
    InstanceChannel nobody(name + "-none");
    EXPECT_FALSE(nobody.send({"/x.XIE"}, 200));  // no running instance: the caller just ends

    InstanceChannel running(name);
    ASSERT_TRUE(running.listen());
    std::vector<QStringList> got;
    running.received = [&](const QStringList& f) { got.push_back(f); };
    InstanceChannel second(name);
    EXPECT_TRUE(second.send({"/tmp/鞋样 一.XIE", "/tmp/b.xie"}, 100));
    for (int i = 0; i < 100 && got.empty(); ++i) QTest::qWait(10);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], (QStringList{"/tmp/鞋样 一.XIE", "/tmp/b.xie"}));
    // Started without files: the running window is only brought forward.
    EXPECT_TRUE(second.send({}, 100));
    for (int i = 0; i < 100 && got.size() < 2; ++i) QTest::qWait(10);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_TRUE(got[1].isEmpty());
}

}  // namespace
}  // namespace rz

namespace rz {
namespace {

TEST(RecentSettings, CountAndListLiveInTheApplicationSettings) {
    TempHome h;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(h.dir.string()));
    EXPECT_EQ(readRecentCount(), 4);  // nothing stored yet
    EXPECT_TRUE(readRecentList().empty());
    writeRecentList({"/a/一.XIE", "/b.XIE"});
    EXPECT_EQ(readRecentList(), (std::vector<std::string>{"/a/一.XIE", "/b.XIE"}));
    {
        QSettings s;
        EXPECT_EQ(s.value("Settings/Number").toInt(), 4);
        s.setValue("Settings/Number", 2);
    }
    EXPECT_EQ(readRecentCount(), 2);
    writeRecentList({"/c.XIE"});  // a shorter list leaves no old entries behind
    EXPECT_EQ(readRecentList(), std::vector<std::string>{"/c.XIE"});

    FrameOptions o = options(h);
    o.recentCapacity = readRecentCount();
    o.recentItems = {"/1.XIE", "/2.XIE", "/3.XIE"};
    MainFrame f(o);
    EXPECT_EQ(f.recent().items(), (std::vector<std::string>{"/1.XIE", "/2.XIE"}));
    // The 文件 menu lists them in place of the 最近文件 placeholder, before 退出.
    QStringList texts;
    for (QAction* a : f.fileMenu()->actions())
        if (a->isVisible()) texts << a->text();
    ASSERT_GE(texts.size(), 3);
    EXPECT_EQ(texts[texts.size() - 3], "&1 /1.XIE");
    EXPECT_EQ(texts[texts.size() - 2], "&2 /2.XIE");
    EXPECT_EQ(texts.back(), "退出");
}

}  // namespace
}  // namespace rz
