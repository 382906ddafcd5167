// The grading on the window: the parameter table in the parameter pane, the grading commands
// (鞋样扩缩, 清除扩缩, 全清方案, 全号显示, 靠齐), the size dialogs (本码参数 F8, 目标参数, and
// 各国等差标准 as 高级 with Shift) and the front screen's size stepping keys.
#pragma once

#include <QObject>

#include <vector>

#include "grading/param_table.h"

class QMouseEvent;
class QPainter;

namespace rz {

class Engine;
class MainFrame;
class PLTC;
struct GradedOutputOptions;
class ViewController;

class GradingGlue : public QObject {
public:
    GradingGlue(MainFrame& frame, Engine& engine, ViewController& view);
    const TPar& table() const { return table_; }
    // Repaints the parameter pane from the design.
    void refreshTable();
    // A click in the parameter pane at pane pixel (x, y).
    void pressTable(int x, int y, bool shift);
    // 各国等差标准 (高级 with Shift).
    void stepStandardDialog();

private:
    void paintTable(QPainter& p);
    void registerCommands();
    // After a command changed the grading state: display, panes and buttons.
    void afterGradingChange();
    void cardDialog();
    void targetDialog();
    // 选号输出: the pieces (on the pieces page) or the visible parts of the page onto the current
    // sheet, in the sizes chosen in the size choice (with Ctrl: all sizes, every page's parts).
    void outputSizes(bool all);
    // The size choice (at the cursor for the piece area's piece), edited into the design's
    // output selection; false when cancelled.
    bool chooseSizes(std::vector<int>& sizes, bool atCursor);
    // The sheet graded output goes to (null while a job runs on it), with the options' font and
    // corner flag set.
    PLTC* outputSheet(GradedOutputOptions& o);

    MainFrame& frame_;
    Engine& engine_;
    ViewController& view_;
    TPar table_;
};

}  // namespace rz
