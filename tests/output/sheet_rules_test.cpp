// Filling a sheet and preparing it for a job: laying a page, tools, selection, order, 排位.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "fake_platform.h"
#include "output/sheet_rules.h"

namespace rz {
namespace {

PlotItem Item(Polyline pts, int kind, int tool, int32_t piece) {
    PlotItem it;
    it.points = std::move(pts);
    it.setKind(kind);
    it.setTool(tool);
    it.pieceId = piece;
    return it;
}

Polyline Square(float x, float y, float side) {
    return {{x, y}, {x + side, y}, {x + side, y + side}, {x, y + side}, {x, y}};
}

// Nine pieces on a 3 × 3 grid, listed in a scrambled order; each has an outline (full cut)
// and an inner line (pen) listed after it.
ItemList Grid() {
    const int order[9] = {5, 1, 9, 3, 7, 2, 8, 4, 6};  // piece ids; id = column * 3 + row + 1
    ItemList items;
    for (int id : order) {
        int col = (id - 1) / 3, row = (id - 1) % 3;
        float x = 1000.0f + 3000.0f * col, y = 1000.0f + 3000.0f * row;
        items.push_back(Item(Square(x, y, 2000), kItemOutline, kToolFullCut, id));
        items.push_back(Item({{x + 500, y + 500}, {x + 1500, y + 500}}, kItemInner, kToolPen, id));
    }
    return items;
}

std::vector<int32_t> PieceSequence(const ItemList& items) {
    std::vector<int32_t> seq;
    for (auto& it : items)
        if (seq.empty() || seq.back() != it.pieceId) seq.push_back(it.pieceId);
    return seq;
}

TEST(SheetOrder, SerpentineColumnsBothHeadsAndKeptOrder) {
    const View v = OrderingView({10000, 10000});
    ItemList items = Grid();
    items.push_back(Item({{9000, 9000}, {12000, 9000}}, kItemInner, kToolPen, 5));  // leaves the table
    SelectForJob(items, 10000, 10000, false, false);
    ItemList dbl = items;
    OrderItems(dbl, v, {});
    // Column 1 from the bottom up, column 2 top down, column 3 bottom up; the off-table item last.
    EXPECT_EQ(PieceSequence(dbl), (std::vector<int32_t>{1, 2, 3, 6, 5, 4, 7, 8, 9, 5}));
    for (size_t i = 0; i + 1 < 18; i += 2) {
        EXPECT_EQ(dbl[i].tool(), kToolPen);  // each piece's pen strokes before its cut
        EXPECT_EQ(dbl[i + 1].tool(), kToolFullCut);
    }
    EXPECT_EQ(dbl.back().flags & (kItemChosen | kItemExcluded), 0u);

    ItemList single = items;
    OrderItems(single, v, {.keepPieceOrder = false, .singleHead = true});
    for (size_t i = 0; i < 9; ++i) EXPECT_EQ(single[i].tool(), kToolPen) << i;
    for (size_t i = 9; i < 18; ++i) EXPECT_EQ(single[i].tool(), kToolFullCut) << i;
    std::vector<int32_t> cutOrder;
    for (size_t i = 9; i < 18; ++i) cutOrder.push_back(single[i].pieceId);
    EXPECT_EQ(cutOrder, (std::vector<int32_t>{1, 2, 3, 6, 5, 4, 7, 8, 9}));

    ItemList kept = items;
    OrderItems(kept, v, {.keepPieceOrder = true});
    EXPECT_EQ(PieceSequence(kept), (std::vector<int32_t>{5, 1, 9, 3, 7, 2, 8, 4, 6, 5}));
}

TEST(SheetOrder, PiecesWithoutOutlineOrPointsDoNotBreakTheSort) {
    const View v = OrderingView({10000, 10000});
    ItemList items = {Item(Square(7000, 1000, 500), kItemInner, kToolPen, 1),  // no outline
                      Item({}, kItemInner, kToolPen, 2),                        // no points at all
                      Item(Square(1000, 1000, 500), kItemOutline, kToolFullCut, 3)};
    SelectForJob(items, 10000, 10000, false, false);
    items[1].flags |= kItemExcluded;  // as a filtered tool would be
    OrderItems(items, v, {});
    // Piece 2 keeps its place; 3 (left) comes before 1 (right).
    EXPECT_EQ(PieceSequence(items), (std::vector<int32_t>{3, 2, 1}));
}

TEST(SheetSelection, FiltersToolsAndClearsWhatAnEarlierRunLeft) {
    ItemList items = {Item({{10, 10}}, kItemHole, kToolPen, 1), Item({{10, 10}}, kItemOutline, kToolFullCut, 1),
                      Item({{10, 10}}, kItemLabel, kToolHalfCut, 1), Item({{10, 10}}, kItemInner, kToolNone, 1),
                      Item({{10, 10}}, kItemInner, kToolPen, 1), Item({}, kItemInner, kToolPen, 1),
                      Item({{10, 10}}, kItemNotch, kToolLiftCut, 1)};
    items[4].flags |= kItemSetAside;
    // 打印 leaves every item chosen; then the item is moved off the table.
    SelectForJob(items, 100, 100, false, false);
    items[1].points[0].x = 500;
    SelectForJob(items, 100, 100, true, false);  // cuts only
    EXPECT_EQ(items[0].flags & (kItemExcluded | kItemChosen), kItemExcluded);
    EXPECT_EQ(items[1].flags & (kItemExcluded | kItemChosen), 0u);  // off the table: neither
    EXPECT_EQ(items[2].flags & (kItemExcluded | kItemChosen), kItemChosen);
    EXPECT_EQ(items[3].flags & (kItemExcluded | kItemChosen), kItemExcluded);
    EXPECT_EQ(items[4].flags & (kItemExcluded | kItemChosen), 0u);  // set aside
    EXPECT_EQ(items[5].flags & kItemChosen, 0u);                    // nothing to send
    EXPECT_EQ(items[6].flags & (kItemExcluded | kItemChosen), kItemChosen);
    SelectForJob(items, 100, 100, false, true);  // pens only
    EXPECT_EQ(items[0].flags & (kItemExcluded | kItemChosen), kItemChosen);
    EXPECT_EQ(items[2].flags & (kItemExcluded | kItemChosen), kItemExcluded);
    EXPECT_EQ(items[6].flags & (kItemExcluded | kItemChosen), kItemExcluded);  // it cuts
}

TEST(SheetTools, CutBitsAndMaterialPens) {
    SheetSettings s;
    s.words[0] = kSheetCutPins | kSheetCutInner;  // pins and inner lines cut, labels drawn
    s.words[49] = 3;                              // 塑料板: pens 1, 3, 2, 4
    ItemList items = {Item({{0, 0}}, kItemHole, kToolPen, 1),       Item({{0, 0}}, kItemLabel, kToolHalfCut, 1),
                      Item({{0, 0}}, kItemInner, kToolHalfCut, 1),  Item({{0, 0}}, kItemMotif, kToolFullCut, 1),
                      Item({{0, 0}}, kItemOutline, kToolFullCut, 1), Item({{0, 0}}, kItemNotch, kToolLiftCut, 1)};
    AssignTools(items, s);
    int tools[] = {kToolFullCut, kToolPen, kToolHalfCut, kToolPen, kToolFullCut, kToolLiftCut};
    int pens[] = {2, 1, 3, 1, 2, 4};
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].tool(), tools[i]) << i;
        EXPECT_EQ(items[i].pen(), pens[i]) << i;
    }
    items[0].flags |= kItemPicked;
    items[1].flags |= kItemPicked;
    EXPECT_TRUE(SetToolOnPicked(items, s, kToolHalfCut));
    EXPECT_EQ(items[0].tool(), kToolHalfCut);
    EXPECT_EQ(items[0].pen(), 3);
    EXPECT_EQ(items[0].flags & kItemPicked, 0u);
    EXPECT_FALSE(SetToolOnPicked(items, s, kToolHalfCut));  // nothing picked any more
}

TEST(SheetLay, PageBecomesOnePiecePerVisiblePart) {
    Design d;
    auto addPart = [&](int page, bool hidden) -> Part& {
        d.parts.push_back(std::make_unique<Part>());
        Part& p = *d.parts.back();
        p.setPage(page);
        if (hidden) p.flags |= kFlagHidden;
        auto a = std::make_unique<Line>(), b = std::make_unique<Line>();
        a->eval = {{0, 0}, {1000, 0}, {1000, 800}};
        b->eval = {{1000, 800}, {0, 800}, {0, 0}};
        p.linesA.push_back(std::move(a));
        p.linesA.push_back(std::move(b));
        auto inner = std::make_unique<Line>();
        inner->eval = {{100, 100}, {200, 200}};
        p.linesB.push_back(std::move(inner));
        p.linesB.push_back(std::make_unique<Line>());  // a bad line: nothing to lay
        auto pin = std::make_unique<Pin>();
        pin->x = 300, pin->y = 400;
        p.pins.push_back(std::move(pin));
        auto m = std::make_unique<Motif>();
        m->x = 50, m->y = 60;
        m->shape = {{{0, 0}, {10, 10}}};
        p.motifs.push_back(std::move(m));
        return p;
    };
    addPart(1, false);
    addPart(1, true);
    addPart(1, false);
    addPart(2, false);
    SheetSettings block;
    PLTC sheet(block);
    sheet.items.push_back(Item({{1, 1}}, kItemHole, kToolPen, 40));
    LaySheetFromPage(sheet, d, 1);
    ASSERT_EQ(sheet.items.size(), 8u);
    EXPECT_EQ(sheet.nextPieceId, 3);  // the hidden part makes no piece
    const PlotItem& outline = sheet.items[0];
    EXPECT_EQ(outline.points.size(), 5u);  // the shared corner once
    EXPECT_EQ(outline.kind(), kItemOutline);
    EXPECT_EQ(outline.tool(), kToolFullCut);
    EXPECT_EQ(outline.pen(), PenSlot(block, kToolFullCut));
    EXPECT_EQ(sheet.items[2].points, (Polyline{{300, 400}}));
    EXPECT_EQ(sheet.items[3].points, (Polyline{{50, 60}, {60, 70}}));
    EXPECT_EQ(sheet.items[4].pieceId, 2);
    LaySheetFromPage(sheet, d, 3);  // nothing visible there
    EXPECT_TRUE(sheet.items.empty());
}

struct Box {
    float x0, y0, x1, y1;
};

std::map<int32_t, Box> PieceBoxes(const ItemList& items) {
    std::map<int32_t, Box> boxes;
    for (auto& it : items)
        for (PointF q : it.points) {
            auto [b, fresh] = boxes.try_emplace(it.pieceId, Box{q.x, q.y, q.x, q.y});
            b->second = {std::min(b->second.x0, q.x), std::min(b->second.y0, q.y), std::max(b->second.x1, q.x),
                         std::max(b->second.y1, q.y)};
        }
    return boxes;
}

TEST(SheetArrange, PackedPiecesAreDisjointUprightAndOnTheTable) {
    ItemList items;
    int32_t id = 1;
    for (auto [w, h] : std::vector<std::pair<float, float>>{{4000, 2000}, {1500, 3000}, {2500, 2500},
                                                             {6000, 1000}, {1000, 1000}, {3000, 1200}}) {
        items.push_back(Item({{0, 0}, {w, 0}, {w, h}, {0, h}, {0, 0}}, kItemOutline, kToolFullCut, id));
        items.push_back(Item({{w / 2, h / 2}}, kItemHole, kToolPen, id));
        ++id;
    }
    // A rectangle turned by 30 degrees about its corner, far off the table.
    Polyline turned;
    for (PointF q : Polyline{{0, 0}, {3000, 0}, {3000, 800}, {0, 800}, {0, 0}}) {
        const double a = M_PI / 6;
        turned.push_back({float(20000 + q.x * std::cos(a) - q.y * std::sin(a)),
                          float(20000 + q.x * std::sin(a) + q.y * std::cos(a))});
    }
    items.push_back(Item(turned, kItemOutline, kToolFullCut, id));
    const float W = 10000, H = 6000;
    ArrangeSheet(items, W, H);

    auto boxes = PieceBoxes(items);
    ASSERT_EQ(boxes.size(), 7u);
    for (auto& [a, ba] : boxes) {
        // Each piece sits inside one table area (the first, or a further one to its right).
        int k = int(std::floor(ba.x0 / W));
        EXPECT_GE(ba.x0, k * W + 99) << a;
        EXPECT_LE(ba.x1, (k + 1) * W) << a;
        EXPECT_GE(ba.y0, 99.0f) << a;
        EXPECT_LE(ba.y1, H) << a;
        for (auto& [b, bb] : boxes)
            if (a < b) {
                bool apart = ba.x1 + 199 <= bb.x0 || bb.x1 + 199 <= ba.x0 || ba.y1 + 199 <= bb.y0 || bb.y1 + 199 <= ba.y0;
                EXPECT_TRUE(apart) << a << " and " << b;
            }
    }
    // The turned rectangle comes back upright: every corner on its box.
    const Box& b = boxes[id];
    for (PointF q : items.back().points) {
        bool onX = std::fabs(q.x - b.x0) < 2 || std::fabs(q.x - b.x1) < 2;
        bool onY = std::fabs(q.y - b.y0) < 2 || std::fabs(q.y - b.y1) < 2;
        EXPECT_TRUE(onX && onY) << q.x << "," << q.y;
    }
    EXPECT_NEAR(std::max(b.x1 - b.x0, b.y1 - b.y0), 3000, 2);
    // The holes moved with their pieces.
    EXPECT_GT(items[1].points[0].x, boxes[1].x0);
    EXPECT_LT(items[1].points[0].x, boxes[1].x1);
}

TEST(SheetRing, UndoRedoAndTheDroppedBranch) {
    SheetSettings block;
    PLTC s(block);
    for (int i = 1; i <= 40; ++i) {
        s.items = {Item({{float(i), 0}}, kItemHole, kToolPen, i)};
        s.nextPieceId = i + 1;
        s.pushLayout();
    }
    EXPECT_EQ(s.ring.stored(), LayoutRing::kSlots);
    SheetState st;
    int undone = 0;
    while (s.ring.undo(st)) ++undone;
    EXPECT_EQ(undone, 31);
    EXPECT_EQ(st.nextPieceId, 10);  // the oldest kept: the ninth layout
    ASSERT_TRUE(s.ring.redo(st));
    s.restore(st);
    s.items.clear();
    s.pushLayout();  // a new layout drops what could have been redone
    EXPECT_FALSE(s.ring.redo(st));
    ASSERT_TRUE(s.ring.undo(st));
    EXPECT_EQ(st.items[0].pieceId, 10);
}

}  // namespace
}  // namespace rz
