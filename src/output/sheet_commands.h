// The output commands of the back screen and the keys that fill a sheet: 切割, 打印, 顺序, 排位,
// the sheet from the page (key "."), the size steps, Stop job, the head move, tools on picked
// items and 退一步/进一步 of the layout. The window calls them from its menus; they talk to the
// user through the engine's platform and redraw through the engine.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "interact/canvas.h"
#include "interact/engine.h"
#include "output/devices.h"
#include "output/sheet.h"
#include "output/sheet_rules.h"

namespace rz {

class TFont;

// What the grading layer gives the size steps (empty functions: no size list, nothing done).
struct SizeStepHooks {
    std::function<int(const TDoc&)> sizeCount;         // entries of the size list
    std::function<int(const TDoc&)> currentSize;       // index of the current size
    std::function<void(TDoc&, int)> setCurrentSize;   // refreshes graded display and parameters
    // Appends the pieces of these sizes to the sheet (one sheet piece per part and size).
    std::function<void(TDoc&, PLTC&, const std::vector<int>&)> generate;
    std::function<void()> refreshQuarterPane;          // the pane showing the quarter position
};

// Shown by 顺序 until the next redraw of the sheet.
struct OrderView {
    struct Number {
        PointF at;
        std::string text;
    };
    std::vector<Number> numbers;      // each piece's running number at its first size label
    std::vector<std::string> corner;  // "笔画: 1", "全刀: 2", … for the tools present
};
// Numbers the pieces of an ordered sheet (bits 28/30 as a job leaves them) and names the pen
// slot of each tool that is chosen.
OrderView MakeOrderView(const PLTC& sheet);
void DrawOrderView(const OrderView& o, const View& v, Canvas& c);

class OutputCommands {
public:
    // Installs the engine hooks of key ".", the size steps, the direct-output check and ESC.
    explicit OutputCommands(Engine& e);
    ~OutputCommands();

    Engine& engine;
    PortMap ports;
    SizeStepHooks sizes;
    TFont* font = nullptr;  // lays out text strings that have no strokes yet
    // Called after a job ended (the window refreshes its status pane and menus).
    std::function<void(int sheet)> jobEnded;

    int currentIndex() const { return engine.vs.currentSheet == 1 ? 1 : 0; }
    PLTC& current() { return SheetOf(engine.doc, currentIndex()); }
    PLTC& sheet(int i) { return SheetOf(engine.doc, i); }
    bool jobRunning(int i) { return sheet(i).busy.load() != 0; }

    // 切割: Shift sends pen strokes only; otherwise cuts, and with Alt pens and cuts.
    void cut(bool shift, bool alt);
    // 打印: true when the sheet was selected and ordered for printing (the window then prints
    // the chosen items and calls finishPrint).
    bool preparePrint();
    // The same for a PDF at true scale, which needs no installed printer.
    bool preparePdf();
    void finishPrint() { ClearJobBits(current().items); }
    // 顺序: returns what to draw over the sheet (nothing on the front screen or an empty sheet).
    std::optional<OrderView> orderView();
    // 排位.
    void arrange();
    // Key ".".
    void layOntoSheet();
    // Page Up/Down, Home, End: false when nothing happened.
    bool stepSize(int delta);
    // The parameter pane's size control on the back screen (+1 or −1).
    void paneStep(int delta);
    // Alt-press of 移动 on the back screen: the head goes to `at`.
    bool moveHead(PointF at);
    // Stop job: 0 when a job was running (stopped when the user agreed, or `ask` is false),
    // 1 when none was.
    int stopJob(int sheet, bool ask = true);
    // Tool on picked items of the current sheet (true when anything changed).
    bool setToolOnPicked(int tool);
    // 应用 of the cut settings on the current sheet with an edited block.
    void applyCutSettings(const SheetSettings& edited);
    // 退一步 / 进一步 on the back screen.
    bool undoLayout();
    bool redoLayout();

    // UI thread, often (a timer): ends finished jobs (bits, busy, messages, redraw) and shows
    // the progress of running ones. True while any job runs.
    bool poll();
    // The view the order is computed in: the live one while the sheet is shown.
    View orderingView(const PLTC& s) const;

private:
    void startJob(PLTC& s, int index, std::vector<uint8_t> bytes, int mode);
    void prepareJob(PLTC& s);
    void regenerate(PLTC& s, int index, int size);
    void finishJob(int index);
    void layoutChanged(PLTC& s);
    bool stepLayout(bool back);
    bool preparePaper(bool printer);
    bool shown(int index) const { return engine.vs.backShown && engine.vs.currentSheet == index; }
    std::string lastStatus_;
};

}  // namespace rz
