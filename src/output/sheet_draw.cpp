#include "output/sheet_draw.h"

namespace rz {

int BackScreenItemTool(int setting) {
    static constexpr int kTools[4] = {kToolFullCut, kToolHalfCut, kToolPen, kToolNone};
    return setting >= 0 && setting < 4 ? kTools[setting] : kToolPen;
}

size_t AppendSheetItem(ItemList& items, Polyline pts, int32_t pieceId, int kind, int tool, int pen) {
    PlotItem it;
    it.points = std::move(pts);
    it.pieceId = pieceId;
    it.setKind(kind);
    it.setTool(tool);
    it.setPen(pen);
    items.push_back(std::move(it));
    return items.size() - 1;
}

size_t AppendSheetPiece(ItemList& items, int& nextPieceId, Polyline pts, int kind, int tool, int pen) {
    return AppendSheetItem(items, std::move(pts), nextPieceId++, kind, tool, pen);
}

}  // namespace rz
