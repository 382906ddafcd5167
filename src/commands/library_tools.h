// The commands that fill, use and empty the cells of the motif library: 图案保存 (F5) with its
// point input, the 曲线库 mode (180) with its popup (曲线保存, 曲线替换, 部位保存) and PlaceCell
// (Shift + left click), the motif-area popup (恢复原尺寸, 输入标示字, 删除此图案), and the cell
// that the 图案 input, new pins and new size labels take.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "commands/edit_tools.h"
#include "commands/shapes.h"
#include "interact/engine.h"
#include "interact/strip.h"
#include "model/motif_library.h"
#include "model/font.h"

namespace rz {

namespace mode {
constexpr int CurveLibrary = 180;
}  // namespace mode

constexpr int kCmdSaveMotif = 32848;     // 图案保存 (F5)
constexpr int kCmdSaveCurve = 34169;     // 曲线保存
constexpr int kCmdReplaceCurve = 34170;  // 曲线替换
constexpr int kCmdSavePart = 32809;      // 部位保存
constexpr const char* kPromptSaveMotif = " 请输入二个定位点及固定点！";
constexpr const char* kAskOverwrite = "确认覆盖？";

// ---- the operations, free of input handling (the tools and rozedoz-cli share them) ----

// Copies of records leaving their design: every reference cleared, not selected, derived data
// rebuilt. A motif's shape comes into the cell's coordinates (its position is the anchor).
std::unique_ptr<Line> CellLineCopy(const Line& l, const TSmooth& smooth);
std::unique_ptr<Pin> CellPinCopy(const Pin& p);
std::unique_ptr<Motif> CellMotifCopy(const Motif& m);
std::unique_ptr<TextString> CellTextCopy(const TextString& t);

// 曲线保存 into `cell`: the selected lines B, pins, motifs and text strings of the part when the
// picked line is selected (the picked line with them), otherwise the picked line alone. The cell
// is emptied first, then measured; its use size becomes its content size.
void StoreCurves(MotifCell& cell, const Part& part, const Line& picked, const TSmooth& smooth);
// 部位保存: the part's lines A, lines B, pins, motifs and text strings.
void StorePart(MotifCell& cell, const Part& part, const TSmooth& smooth);
// 图案保存 steps 5 and 6: the shape (model coordinates) with 0–3 points entered. With two or three
// points it is turned by minus the direction p1 → p2 about p1 and moved so that p1 is at the
// origin; with fewer its box's lower-left corner goes to the origin. The cell then holds one
// motif of it (tool 1) whose position is p3 mapped the same way, or the centre of the content.
void StoreMotifShape(MotifCell& cell, Shape shape, const std::vector<PointF>& pts);
// 输入标示字: the text (GBK) laid out at the size-label cell's use size; false (the cell stays as
// it was) when that gives no strokes.
bool StoreLabel(MotifCell& cell, const std::string& gbk, float w, float h, const LayOutText& text);

// 曲线替换: the line's nodes become the cell's first curve mapped by the similarity that carries
// its ends onto the line's ends, with the cell line's curve method. False (nothing changed)
// without a curve in the cell, or when either line's ends coincide.
bool ReplaceWithCellCurve(Line& target, const MotifCell& cell, const TSmooth& smooth);

// PlaceCell at P: the centre of the content box lands on P. Into `part` when given (copies of
// both line lists become lines B, the copies take the part's first base point); without one, a
// cell of kind 21 becomes a new part on `page`. Returns the part that received the content, or
// null when nothing was placed.
Part* PlaceCell(Design& d, const MotifCell& cell, PointF p, Part* part, int page, const TSmooth& smooth);

// The motif the 图案 input places: the current cell's shape relative to its anchor.
std::optional<Shape> CurrentCellMotif(const MotifLibrary& lib);

// ---- the tools ----

struct LibraryServices {
    PopupMenu popup;  // "曲线库"; without it the popup offers nothing
    // "请输入字串" with "字串选择" (the text history); fills GBK text, false when cancelled.
    std::function<bool(std::string& gbk)> askText;
    TFont* font = nullptr;            // texts of cells: none without it
    std::function<void()> stripChanged;  // the motif area shows something else
    std::function<bool()> ctrlHeld;      // 恢复原尺寸 with Ctrl: every cell
};

// Mode 180 (曲线库) is this tool; it also carries 图案保存 and the motif-area popup.
class LibraryTools : public Tool {
public:
    LibraryTools(Engine& e, Strip& strip, LibraryServices services);

    Engine& engine;
    Strip& strip;
    LibraryServices services;

    // 图案保存 (F5): steps 1–3, then the point input; the cell is stored when it ends.
    void SaveMotif();
    // The point input of 图案保存 is running.
    bool enteringPoints() const { return entering_; }

    // The 曲线库 mode's input: Shift + left press places the current cell, a right press on a
    // line or a part opens "曲线库".
    bool leftPress(Engine& e, const Pointer& p) override;
    bool rightPress(Engine& e, const Pointer& p) override;
    // The popup's items and their enabled states for what a right press picked.
    struct PopupChoice {
        Line* line = nullptr;
        Part* part = nullptr;
    };
    std::vector<bool> popupStates(const PopupChoice& c) const;
    // Runs an item of "曲线库" (34169, 34170, 32809) on what was picked.
    void runPopupItem(int id, const PopupChoice& c);

    // "图案区右键" on the current cell.
    bool canRestoreUseSize() const;
    bool canLabelCell() const;
    bool canDeleteCell() const;
    void RestoreUseSizeCommand();
    void LabelCellCommand();
    void DeleteCellCommand();

private:
    // Moving on and asking before overwriting; false when the command stops.
    bool prepareCell(bool moveFromLow);
    void changed();
    void finishPoints(bool accepted);
    void beginPoint();

    bool entering_ = false;
    Shape pending_;
    std::vector<PointF> points_;
};

// Registers mode 180 and wires the current cell into the tracing-in tool (the 图案 input).
// The returned object lives as long as the engine.
LibraryTools& InstallLibraryTools(Engine& e, Strip& strip, DrawTools& tools, LibraryServices services);

}  // namespace rz
