// The motif/piece strip of the window: it paints the strip (an image redrawn on every change),
// routes presses, double-clicks, the wheel and the arrow keys to the strip logic, drags pieces
// between slots, opens the two popups, the colour picker and the text input, and carries the
// motif library from start-up (after the font) to exit, with 图案保存, the 曲线库 mode and 选区.
#pragma once

#include <QImage>
#include <QObject>
#include <QPoint>
#include <memory>
#include <string>

#include "interact/strip.h"

class QLabel;
class QMouseEvent;
class QPainter;

namespace rz {

class MainFrame;
class LibraryTools;

class StripController : public QObject {
public:
    explicit StripController(MainFrame& frame);
    ~StripController() override;

    Strip& strip() { return strip_; }
    LibraryTools& tools() { return *tools_; }
    // Vopa.ptn, Vopa.str in the configuration folder (empty without one).
    std::string libraryPath() const;
    std::string historyPath() const;
    // Writes the library (at exit); false when it could not be written.
    bool saveLibrary();

    // Brings the strip up to date (its size, the page's view) and repaints it.
    void refresh();
    // The view follows the page shown; called before painting.
    void sync();
    // The drag of a piece in progress, from its slot (-1: none).
    int draggedSlot() const { return dragFrom_; }

    // The two popups: items and the chosen id (for tests the menu can be answered by script).
    std::function<int(const std::vector<std::pair<int, std::string>>& items, const std::vector<bool>& enabled,
                      QPoint at)>
        popupMenu;

private:
    void paint(QPainter& p);
    void press(QMouseEvent* e);
    void move(QMouseEvent* e);
    void release(QMouseEvent* e);
    void doubleClick(QMouseEvent* e);
    void motifPopup(QPoint at);
    void piecePopup(QPoint at);
    void flash(int slot);
    void pickColour(int slot);
    void endDrag(bool drop, QPoint at);
    void registerCommands();

    MainFrame& frame_;
    Strip strip_;
    LibraryTools* tools_ = nullptr;  // owned by the engine as the 曲线库 mode
    int lastPage_ = -1;
    int dragFrom_ = -1;
    QLabel* dragImage_ = nullptr;
    QImage image_;  // the strip as last painted; the window copies it
};

}  // namespace rz
