// The drawing window's view: it owns the screens' views and the back buffer, paints the
// scene through the Qt canvas, and carries the view commands (the 显示 menu toggles, 恢复, 满屏,
// 换屏, 选页, the sheet switch, 新建's range, 显示颜色 and 颜色线), the wheel and key zooms and
// the pan and zoom drags.
#pragma once

#include <QObject>
#include <QPoint>
#include <functional>
#include <memory>

#include "interact/scene.h"
#include "interact/screens.h"
#include "model/font.h"
#include "qtcanvas/qt_canvas.h"

class QMouseEvent;
class QPainter;
class QWheelEvent;

namespace rz {

class MainFrame;

class ViewController : public QObject {
public:
    explicit ViewController(MainFrame& frame);

    ViewState& state() { return vs_; }
    ToolState& tool() { return tool_; }
    const BackBuffer& buffer() const { return bb_; }
    // The sheets as the back screen draws them.
    SheetDisplay sheetDisplay(int sheet) const;

    // Redraw: repaint the back buffer from the document, then show it.
    void redraw();
    // Present: show the back buffer (or the tool's feedback) in the window.
    void present();
    // The redraw counter: every copy of an image to the window.
    long presented() const { return vs_.redrawCounter; }
    // The stroke font beside the program (empty when it was not found).
    const TFont& font() const { return font_; }

    // Tool feedback for Present: draws into a copy of the window tile (window pixels) and
    // returns true when it drew; the back buffer is never touched, so erasing is a Present.
    std::function<bool(Canvas&)> feedback;
    // Tool drawing that takes part in every front-screen redraw (point operation, snap marker).
    SceneHooks sceneHooks;
    // The stroke font beside the program (empty when it was not found).
    TFont& font() { return font_; }
    // Drawn over the sheet after every back-screen redraw (the output order of 顺序).
    std::function<void(Canvas&)> backOverlay;

    // View commands, callable from tests and other commands.
    void zoomBy(float factor, ZoomAnchor anchor, QPoint pointer);
    void swapScreens();
    void switchSheet();
    void nextPage();
    void selectPage(int n);
    void restoreView();
    void fitView();
    void toggle(DisplayToggle t);
    void colourDialog();
    void colourLineDialog();
    void workRangeCommand();
    // The window caption of the screen shown: the sheet's name on the back screen.
    void setTitleForScreen();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void makeSurfaces();
    void paint(QPainter& p);
    void press(QMouseEvent* e);
    void move(QMouseEvent* e);
    void release(QMouseEvent* e);
    void wheel(QWheelEvent* e);
    void endDrags();
    void registerCommands();
    void applyColours();
    WorkRange frontRange() const;
    WorkRange sheetRange(int sheet) const;

    MainFrame& frame_;
    ViewState vs_;
    ToolState tool_;
    BackBuffer bb_;
    TFont font_;  // lays out text strings whose strokes were not built yet
    bool dirty_ = true;
    enum class Drag { None, Pan, Zoom } drag_ = Drag::None;
    PanDrag pan_;
    ZoomDrag zoomDrag_;
    bool zoomMoved_ = false;
};

}  // namespace rz
