// The piece view of the motif/piece strip: the pieces of the design as thumbnails in numbered
// slots, ten to a page, the current slot that the piece tools act on, the output mark of each
// cell, and the right-click menu of a piece ("分片区右键").
#pragma once

#include <QObject>
#include <QPainter>

#include "interact/engine.h"

class QMouseEvent;

namespace rz {

class MainFrame;
class MotifStrip;

class PieceStrip : public QObject {
public:
    PieceStrip(MainFrame& frame, Engine& engine);

    // Geometry of the strip: square slots the height of the strip, ten in a row.
    int cellSize() const;
    int firstVisibleSlot() const { return (frame_doc().currentSlot / 10) * 10; }
    // The slot under a strip pixel, or -1 outside the ten cells.
    int slotAt(int x, int y) const;

    void paint(QPainter& p);
    void press(QMouseEvent* e);
    void scroll(int delta);
    // The right-click menu's action on the piece in `slot` (item index of the menu).
    enum Item { kAttributes, kDefaultColour, kMakePart, kCopy, kRebuild, kDelete, kSharedDie, kOutputChosen, kOutputAll };
    void act(int slot, int item, bool ctrl);
    static const std::vector<std::string>& MenuItems();

private:
    TDoc& frame_doc() const;
    // A running tool step holds records and marks of the design as it is (指定 its trim line and
    // what it hides): it ends before the strip changes the design, as other commands end it.
    void endStep();
    void changed(bool snapshot);
    MainFrame& frame_;
    Engine& engine_;
    MotifStrip* strip_;
};

}  // namespace rz
