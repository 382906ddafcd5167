// The motif/piece area ("TPTN"): the strip across the bottom of the window. Its motif view shows
// the 40 cells of the motif library in two rows of square cells h/2 wide (h the strip height)
// and selects the library's current cell; its piece view shows the design's pieces as
// thumbnails in ten slots h wide per page and selects the document's current slot. A panel at
// the right end shows the current cell's use size (or the current piece's size), the number,
// the output sheet and its quarter value.
//
// Geometry, hit regions, selection, wheel and arrow keys, the piece drag, marks, colours and gap
// closing live here without any toolkit; the window paints what DrawStrip emits and routes the
// mouse here.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "interact/canvas.h"
#include "model/doc.h"

namespace rz {

enum class StripView { Motif = 0, Piece = 1 };

constexpr int kMotifColumns = 20;
constexpr int kPieceColumns = 10;
constexpr int kSlotCount = 100;

enum class StripRegion {
    None,
    Cell,         // a cell of the motif grid
    UseWidth,     // the use-size panel (motif view): the width row
    UseHeight,    // … the height row
    Quarter,      // the panel's top-right corner: the sheet's quarter value
    ViewToggle,   // the panel's bottom-right corner
    Slot,         // a slot of the piece view
    PieceCorner,  // the mark square at a slot's top-right corner
};

struct StripHit {
    StripRegion region = StripRegion::None;
    int cell = -1;      // motif view
    int slot = -1;      // piece view
    float step = 0.0f;  // use-size rows: 100 (1 mm) or 10 (0.1 mm) per click
    friend bool operator==(const StripHit&, const StripHit&) = default;
};

// What the window does after a press or double-click.
enum class StripAction {
    None,
    Changed,       // the strip shows something else
    MotifPopup,    // right press on a cell: "图案区右键"
    PiecePopup,    // right press on a slot holding a piece: "分片区右键"
    Flash,         // Shift + left press on the current piece: flash its outline
    BeginDrag,     // left press on the current piece: drag it to another slot
    MarksChanged,  // piece marks changed: the strip and the front screen are redrawn
    ColourPicker,  // double-click on a piece: choose its colour
};

struct StripPress {
    StripAction action = StripAction::None;
    int cell = -1;
    int slot = -1;
};

// An area the painter inverts in exclusive-or with a pen colour (the current cell, the current
// slot's frame, the mark squares). frame > 0: only a frame that many pixels thick.
struct XorRect {
    PixelRect rect;
    uint32_t pen = 0;
    int frame = 0;
};

// The items of "分片区右键" in order; their handlers belong to the piece commands, which register
// them by id (an item without a handler is shown disabled).
struct PiecePopupItem {
    int id;
    const char* text;
};
const std::array<PiecePopupItem, 9>& PiecePopupItems();
// The items of "图案区右键" in order: 恢复原尺寸, 输入标示字, 删除此图案.
constexpr int kCmdRestoreUseSize = 34206;
constexpr int kCmdLabelCell = 34205;
constexpr int kCmdDeleteCell = 34204;
constexpr int kCmdToggleStrip = 32917;  // 选区

class Strip {
public:
    explicit Strip(TDoc& doc) : doc(doc) {}

    TDoc& doc;
    StripView view = StripView::Motif;
    int width = 0, height = 0;  // client size in pixels
    // The output sheet shown in the panel (0 or 1); sheet Ⅰ when unset.
    std::function<int()> currentSheet;

    // Nothing is drawn and nothing is hit below a height of 2 pixels.
    bool usable() const { return height >= 2 && width > 0; }
    int motifSize() const { return height / 2; }
    int pieceSize() const { return height; }
    int cell() const { return doc.library.currentCell; }
    int slot() const { return doc.currentSlot; }
    int page() const { return slot() / kPieceColumns; }
    // A motif cell's square (the grid line on its left and top included).
    PixelRect cellRect(int i) const;
    // The square of the slot in a column (0–9) of the visible page.
    PixelRect slotRect(int column) const;
    // The panel's rectangle at the right end.
    PixelRect panelRect() const;

    Piece* pieceInSlot(int slot) const;
    int highestSlot() const;  // -1 without pieces
    int sheet() const;
    // The sheet's quarter value (settings word 55), 0–4.
    int quarter() const;

    StripHit hit(int x, int y) const;

    // Selection; true when something changed.
    bool selectCell(int i);
    bool selectSlot(int s);
    void setView(StripView v) { view = v; }
    void toggleView() { view = view == StripView::Motif ? StripView::Piece : StripView::Motif; }
    // Page 3 shows the piece view, the others the motif view.
    void followPage(int page) { view = page == 3 ? StripView::Piece : StripView::Motif; }
    // After a pattern file was read: slot 0, the view of the page it opens on.
    void afterLoad(int page);
    // The wheel: forward (notches > 0) selects the previous cell or slot, backward the next.
    bool wheel(int notches);
    // Arrow keys: left and right within the row (wrapping), up and down by a row.
    bool arrow(int dx, int dy);

    // A press in strip pixels; mods are the kMk* bits.
    StripPress press(int x, int y, bool right, uint32_t mods);
    StripPress doubleClick(int x, int y);
    // The piece of slot `from` released at (x, y): moved to the slot there, the pieces between
    // shifting towards the old slot when it was taken. False (nothing changes) outside the slots.
    bool drop(int from, int x, int y);
    // The pieces numbered 0, 1, 2 … in the order of their slots.
    bool closeGaps();
    bool setPieceColour(int slot, uint32_t colour);
    void stepQuarter(int delta);

private:
    // Marks, slots and colours are saved with the design: a change is recorded for undo.
    void commit();
};

// The use sizes and numbers of the panel, as the strip writes them.
std::string PanelSize(float units);  // "%5.1f" in millimetres

// Draws the strip into a canvas of its client size and returns what the painter must then
// invert in exclusive-or.
std::vector<XorRect> DrawStrip(Canvas& c, const Strip& s);

// The drag image of a piece: its cell shrunk to a square of side (h − 2) / 3.
int DragImageSide(const Strip& s);

}  // namespace rz
