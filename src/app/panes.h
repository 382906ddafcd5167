// The child panes of the main window. Each is a plain widget with hooks that the features
// of later subsystems fill in: the drawing window ("TRDG"), the parameter pane ("TPRM"), the
// command window ("TMRK") and the motif/piece strip ("TPTN").
#pragma once

#include <QPushButton>
#include <QWidget>
#include <functional>
#include <vector>

#include "app/command_router.h"
#include "app/layout.h"

namespace rz {

// 0x00BBGGRR as stored in the settings.
QColor colourFromSetting(uint32_t bgr);

class DrawingWindow : public QWidget {
public:
    explicit DrawingWindow(QWidget* parent);
    QColor background = Qt::black;

    std::function<void(QPainter&)> paintHook;
    std::function<void(QMouseEvent*)> pressHook, moveHook, releaseHook;
    std::function<void(QWheelEvent*)> wheelHook;
    std::function<void()> endDragHook;  // the application lost activation
    // While set, the pointer is held inside the window: it is put back at the edge it crossed.
    bool confinePointer = false;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    bool focusNextPrevChild(bool) override { return false; }  // Tab belongs to the tool modes
};

class ParamPane : public QWidget {
public:
    explicit ParamPane(QWidget* parent);
    std::function<void(QPainter&)> paintHook;

protected:
    void paintEvent(QPaintEvent*) override;
};

class CommandWindow : public QWidget {
public:
    CommandWindow(QWidget* parent, CommandRouter& router);
    // Lays the buttons out for the window's height and the screen shown.
    void rebuild(bool backScreen, bool gradedDesign);
    // Enabled state from the router and the screen rule.
    void refreshStates();
    const std::vector<QPushButton*>& buttons() const { return buttons_; }
    const std::vector<PaneButton>& layout() const { return layout_; }

protected:
    void resizeEvent(QResizeEvent*) override;

private:
    CommandRouter& router_;
    std::vector<QPushButton*> buttons_;
    std::vector<PaneButton> layout_;
    bool back_ = false;
    bool graded_ = false;
};

class MotifStrip : public QWidget {
public:
    explicit MotifStrip(QWidget* parent);
    QColor background{0x96, 0x64, 0x64};
    QColor grid{0xB4, 0xB4, 0x00};
    std::function<void(QPainter&)> paintHook;  // replaces the empty cell grid
    std::function<void(int delta)> scrollHook;
    std::function<void()> endDragHook;
    std::function<void(QMouseEvent*)> pressHook;
    int scrolled = 0;  // wheel delta received while nobody handles it

protected:
    void paintEvent(QPaintEvent*) override;
    void wheelEvent(QWheelEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
};

}  // namespace rz
