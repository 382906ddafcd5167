#include "app/view_controller.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "app/dialogs.h"
#include "app/grading_glue.h"
#include "app/main_frame.h"
#include "app/menu_table.h"
#include "interact/text_strokes.h"
#include "output/sheet.h"

namespace rz {

namespace {

// Command ids of the view.
constexpr int kCmdRestore = 32892;    // 恢复
constexpr int kCmdFit = 34181;        // 满屏
constexpr int kCmdNextPage = 32775;   // 选页
constexpr int kCmdColours = 34033;    // 显示颜色
constexpr int kCmdColourLines = 34133;  // 颜色线

PixelPoint ToPx(QPoint p) { return {p.x(), p.y()}; }

}  // namespace

ViewController::ViewController(MainFrame& frame) : QObject(&frame), frame_(frame) {
    DrawingWindow* w = frame_.drawing();
    w->installEventFilter(this);
    w->paintHook = [this](QPainter& p) { paint(p); };
    w->pressHook = [this](QMouseEvent* e) { press(e); };
    w->moveHook = [this](QMouseEvent* e) { move(e); };
    w->releaseHook = [this](QMouseEvent* e) { release(e); };
    w->wheelHook = [this](QWheelEvent* e) { wheel(e); };
    w->endDragHook = [this] { endDrags(); };
    // Every change of the document asks for a redraw of the back buffer, not just a copy.
    frame_.platform().onRedraw = [this] { dirty_ = true; };
    frame_.backShown = [this] { return vs_.backShown; };
    frame_.currentSheet = [this] { return vs_.currentSheet; };
    // The stroke font lives beside the program (a few levels up from a build folder).
    QDir dir(QCoreApplication::applicationDirPath());
    for (int up = 0; up < 4; ++up) {
        if (QFileInfo::exists(dir.filePath(TFont::kFileName))) {
            font_.load(dir.filePath(TFont::kFileName).toStdString());
            break;
        }
        if (!dir.cdUp()) break;
    }
    frame_.designReplaced.push_back([this] {
        TDoc& d = frame_.doc();
        FillMissingTextStrokes(d.design, font_);
        if (!vs_.backShown && (d.settings.displayFlags & kDispAutoFit)) FitAllPages(d, vs_.view);
        dirty_ = true;
    });
    frame_.keys().add([this](const KeyPress& k) {
        if (k.ctrl || k.alt) return false;
        QPoint at = frame_.drawing()->mapFromGlobal(QCursor::pos());
        const bool back = vs_.backShown;
        if (k.key == Qt::Key_Z) {
            zoomBy(k.shift ? kZoomIn : kZoomOut, back ? ZoomAnchor::Cursor : ZoomAnchor::Centre, at);
            return true;
        }
        if (k.key == Qt::Key_Plus || k.key == Qt::Key_Minus) {
            zoomBy(k.key == Qt::Key_Plus ? kZoomIn : kZoomOut, back ? ZoomAnchor::Corner : ZoomAnchor::Centre, at);
            return true;
        }
        if (!back && !k.shift && k.key >= Qt::Key_1 && k.key <= Qt::Key_4) {
            selectPage(k.key - Qt::Key_1);
            return true;
        }
        return false;
    });
    registerCommands();
    makeSurfaces();
}

WorkRange ViewController::frontRange() const {
    const ShortCutSetup& b = frame_.doc().settings.cutSetup;
    return FrontWorkRange(b.workRange, b.customWidth, b.customHeight);
}

WorkRange ViewController::sheetRange(int sheet) const {
    WorkRange r = SheetArea(frame_.doc().settings.sheets[size_t(sheet)]);
    return r.valid() ? r : WorkRange{92300.0f, 61800.0f};
}

SheetDisplay ViewController::sheetDisplay(int sheet) const {
    const SheetSettings& s = frame_.doc().settings.sheets[size_t(sheet)];
    SheetDisplay d;
    d.range = sheetRange(sheet);
    d.flags = s.words[0];
    d.ruler = {s.getFloat(5), s.getFloat(6)};
    for (size_t i = 0; i + 1 < s.border.size(); i += 2) d.border.push_back({s.border[i], s.border[i + 1]});
    if (auto* sheetObj = static_cast<const PLTC*>(frame_.doc().sheets[size_t(sheet)].get()))
        for (const PlotItem& it : sheetObj->items) d.items.push_back({it.flags, uint32_t(it.tool()), &it.points});
    return d;
}

void ViewController::makeSurfaces() {
    DrawingWindow* w = frame_.drawing();
    MakeSurfaces(vs_, w->width(), w->height(), frontRange(), sheetRange(0), sheetRange(1));
    bb_.make(vs_.view);
    dirty_ = true;
}

bool ViewController::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::Resize && watched == frame_.drawing()) {
        // Surfaces follow the window: the zoom and the bottom-left model point stay.
        endDrags();
        ResizeSurfaces(vs_, frame_.drawing()->width(), frame_.drawing()->height());
        bb_.make(vs_.view);
        dirty_ = true;
    }
    return QObject::eventFilter(watched, e);
}

void ViewController::paint(QPainter& p) {
    if (dirty_) {
        bb_.make(vs_.view);
        if (vs_.backShown) {
            QtCanvas c(bb_.image());
            c.clipTo(vs_.view.draw);
            RedrawBack(sheetDisplay(vs_.currentSheet), frame_.doc().settings, vs_.view, c);
            if (backOverlay) backOverlay(c);
        } else {
            PaintFront(bb_, frame_.doc(), vs_.view, &sceneHooks);
        }
        dirty_ = false;
    }
    if (drag_ == Drag::Pan && pan_.begun()) {
        bb_.panFrame(p, pan_.offset(), frame_.doc().settings.colours[kColWorkBackground]);
    } else if (feedback && drag_ == Drag::None) {
        // BeginOverlay / EndOverlay.
        QImage& compose = bb_.beginOverlay();
        bool drew = false;
        {
            QtCanvas c(compose);
            drew = feedback(c);
        }
        if (drew) p.drawImage(0, 0, compose);
        else bb_.present(p);
    } else {
        bb_.present(p);
    }
    ++vs_.redrawCounter;
}

void ViewController::redraw() {
    dirty_ = true;
    frame_.drawing()->update();
}

void ViewController::present() { frame_.drawing()->update(); }

void ViewController::zoomBy(float factor, ZoomAnchor anchor, QPoint pointer) {
    PixelPoint moved;
    if (!vs_.view.zoomBy(factor, anchor, ToPx(pointer), &moved)) return;
    if (anchor == ZoomAnchor::Centre)
        QCursor::setPos(frame_.drawing()->mapToGlobal(QPoint(moved.x, moved.y)));
    redraw();
}

void ViewController::press(QMouseEvent* e) {
    const bool middlePans = frame_.doc().settings.generalFlags & kGenMiddlePans;
    const auto mods = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (drag_ == Drag::Pan && e->button() == Qt::LeftButton) {  // a left press ends a pan
        endDrags();
        return;
    }
    if (drag_ != Drag::None) return;
    if ((e->button() == Qt::MiddleButton && middlePans) ||
        (e->button() == Qt::RightButton && !middlePans && mods == Qt::NoModifier)) {
        if (mods != Qt::NoModifier) return;  // a pan is not started with Shift, Ctrl or Alt
        drag_ = Drag::Pan;
        pan_.press(ToPx(e->position().toPoint()));
    } else if (e->button() == Qt::MiddleButton) {
        drag_ = Drag::Zoom;
        zoomMoved_ = false;
        zoomDrag_.press(vs_.view, ToPx(e->position().toPoint()));
    }
}

void ViewController::move(QMouseEvent* e) {
    PixelPoint at = ToPx(e->position().toPoint());
    if (drag_ == Drag::Pan) {
        bool was = pan_.begun();
        if (pan_.move(at)) {
            if (!was) frame_.platform().setCursor(CursorKind::Pan);
            present();
        }
    } else if (drag_ == Drag::Zoom) {
        if (!zoomMoved_) {
            zoomMoved_ = true;
            frame_.platform().setCursor(CursorKind::Zoom);
        }
        if (zoomDrag_.move(vs_.view, at)) redraw();  // the centre tile only
    }
}

void ViewController::release(QMouseEvent* e) {
    if (drag_ == Drag::Pan && (e->button() == Qt::RightButton || e->button() == Qt::MiddleButton)) endDrags();
    else if (drag_ == Drag::Zoom && (e->button() == Qt::LeftButton || e->button() == Qt::MiddleButton)) endDrags();
}

void ViewController::endDrags() {
    if (drag_ == Drag::Pan) {
        bool begun = pan_.begun();
        drag_ = Drag::None;
        if (pan_.release(vs_.view)) redraw();
        if (begun) frame_.platform().setCursor(CursorKind::Arrow);
    } else if (drag_ == Drag::Zoom) {
        drag_ = Drag::None;
        zoomDrag_.release(vs_.view);
        if (zoomMoved_) frame_.platform().setCursor(CursorKind::Arrow);
        redraw();
    }
}

void ViewController::wheel(QWheelEvent* e) {
    int dy = e->angleDelta().y();
    if (dy == 0) return;
    zoomBy(dy > 0 ? kZoomIn : kZoomOut, ZoomAnchor::Cursor, e->position().toPoint());
}

void ViewController::setTitleForScreen() {
    if (vs_.backShown)
        frame_.setWindowTitle(QString::fromStdString(SheetOf(frame_.doc(), vs_.currentSheet).name));
    else frame_.updateTitle();
}

void ViewController::swapScreens() {
    endDrags();
    SwapScreens(vs_, tool_);
    setTitleForScreen();
    frame_.refreshCommandWindow();
    if (frame_.grading()) frame_.grading()->refreshTable();  // the back screen's tool swatch
    frame_.refreshCommandStates();
    redraw();
}

void ViewController::switchSheet() {
    SwitchSheet(vs_, tool_);
    frame_.strip()->update();
    if (vs_.backShown) {
        setTitleForScreen();
        redraw();
    }
}

void ViewController::nextPage() {
    bool back = vs_.backShown;
    if (!NextPageCommand(frame_.doc(), vs_, tool_)) return;
    if (back) setTitleForScreen();
    frame_.params()->update();
    frame_.strip()->update();
    redraw();
}

void ViewController::selectPage(int n) {
    SelectPage(frame_.doc(), n);
    frame_.params()->update();
    frame_.strip()->update();
    redraw();
}

void ViewController::restoreView() {
    RestoreResult r = RestoreView(frame_.doc(), vs_);
    if (r.piecesChanged) frame_.strip()->update();
    if (r.auxTurnedOn || r.allSizesTurnedOff) frame_.params()->update();
    redraw();
}

void ViewController::fitView() {
    bool fitted = vs_.backShown ? FitSheetView(sheetDisplay(vs_.currentSheet), vs_.view)
                                : FitFrontView(frame_.doc(), vs_.view);
    if (fitted) redraw();
}

void ViewController::toggle(DisplayToggle t) {
    ToggleResult r = ToggleDisplay(frame_.doc(), vs_, t);
    if (!r.done) return;
    if (r.rebuildParameters || r.refreshParameterPane) frame_.params()->update();
    redraw();
}

void ViewController::workRangeCommand() {
    Settings& s = frame_.doc().settings;
    WorkRangeDialog dlg(&frame_, s.cutSetup, s.centimetreDisplay == 1);
    if (dlg.exec() != QDialog::Accepted) return;
    WorkRange before = frontRange();
    s.cutSetup = dlg.result();
    WorkRange after = frontRange();
    if (after.valid() && !(after == before)) SetFrontWorkRange(vs_, after);
    if (!vs_.backShown) redraw();
}

void ViewController::applyColours() {
    const Settings& s = frame_.doc().settings;
    frame_.drawing()->background = ToQColor(s.colours[kColWorkBackground]);
    frame_.strip()->background = ToQColor(s.colours[kColMotifBackground]);
    frame_.strip()->grid = ToQColor(s.colours[kColMotifGrid]);
    frame_.params()->update();
    frame_.strip()->update();
    redraw();
}

namespace {

void PaintSwatch(QPushButton* b, uint32_t c) {
    b->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid #404040;")
                         .arg(QString::fromStdString(CssColour(c))));
}

uint32_t FromQColor(const QColor& c) {
    return uint32_t(c.red()) | (uint32_t(c.green()) << 8) | (uint32_t(c.blue()) << 16);
}

void SetCustomColours(const std::array<uint32_t, 16>& c) {
    for (int i = 0; i < 16; ++i) QColorDialog::setCustomColor(i, ToQColor(c[size_t(i)]));
}

}  // namespace

void ViewController::colourDialog() {
    ColourDialogData data(frame_.doc().settings, vs_.commonColours);
    QDialog dlg(&frame_);
    dlg.setWindowTitle(QStringLiteral("改变显示颜色"));
    auto* grid = new QGridLayout;
    std::array<QPushButton*, kEditableColours> swatches{};
    for (int i = 0; i < kEditableColours; ++i) {
        auto* b = new QPushButton(&dlg);
        b->setFixedSize(50, 18);
        PaintSwatch(b, data.colours[size_t(i)]);
        swatches[size_t(i)] = b;
        connect(b, &QPushButton::clicked, &dlg, [&, i, b] {
            SetCustomColours(data.common);
            QColor c = QColorDialog::getColor(ToQColor(data.colours[size_t(i)]), &dlg);
            if (!c.isValid()) return;
            data.colours[size_t(i)] = FromQColor(c);
            PaintSwatch(b, data.colours[size_t(i)]);
        });
        int row = i % 7, col = (i / 7) * 2;
        grid->addWidget(new QLabel(QString::fromUtf8(ColourLabels()[size_t(i)]), &dlg), row, col);
        grid->addWidget(b, row, col + 1);
    }
    auto* common = new QPushButton(QStringLiteral("常用色组"), &dlg);
    auto* restore = new QPushButton(QStringLiteral("恢复"), &dlg);
    auto* ok = new QPushButton(QStringLiteral("确认"), &dlg);
    auto* cancel = new QPushButton(QStringLiteral("取消"), &dlg);
    connect(common, &QPushButton::clicked, &dlg, [&] {
        SetCustomColours(data.common);
        QColorDialog picker(&dlg);
        if (picker.exec() != QDialog::Accepted) return;
        for (int i = 0; i < 16; ++i) data.common[size_t(i)] = FromQColor(QColorDialog::customColor(i));
    });
    connect(restore, &QPushButton::clicked, &dlg, [&] {
        data.restore();
        for (int i = 0; i < kEditableColours; ++i) PaintSwatch(swatches[size_t(i)], data.colours[size_t(i)]);
    });
    connect(ok, &QPushButton::clicked, &dlg, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, &dlg, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {common, restore, ok, cancel}) buttons->addWidget(b);
    auto* box = new QVBoxLayout(&dlg);
    box->addLayout(grid);
    box->addLayout(buttons);
    if (dlg.exec() != QDialog::Accepted) return;
    data.accept(frame_.doc().settings, vs_.commonColours);
    applyColours();
}

void ViewController::colourLineDialog() {
    Design& d = frame_.doc().design;
    std::vector<ColourLineRow> rows = ColourLineRows(d);
    QDialog dlg(&frame_);
    dlg.setWindowTitle(QStringLiteral("开颜色线"));
    auto* grid = new QGridLayout;
    std::vector<QCheckBox*> boxes;
    for (int i = 0; i < 9; ++i) {
        bool used = size_t(i) < rows.size();
        auto* sw = new QLabel(&dlg);
        sw->setFixedSize(50, 15);
        sw->setAutoFillBackground(true);
        QPalette pal = sw->palette();
        pal.setColor(QPalette::Window, ToQColor(used ? rows[size_t(i)].colour : kNoColourSwatch));
        sw->setPalette(pal);
        auto* cb = new QCheckBox(&dlg);
        cb->setEnabled(used);
        cb->setChecked(used && rows[size_t(i)].checked);
        if (used) {
            uint32_t colour = rows[size_t(i)].colour;
            connect(cb, &QCheckBox::toggled, &dlg, [this, &d, colour](bool on) {
                if (ShowLinesOfColour(d, colour, on)) redraw();
            });
            boxes.push_back(cb);
        }
        grid->addWidget(sw, i, 0);
        grid->addWidget(cb, i, 1);
    }
    auto* all = new QPushButton(QStringLiteral("全开(&A)"), &dlg);
    auto* none = new QPushButton(QStringLiteral("全关(&C)"), &dlg);
    auto* ok = new QPushButton(QStringLiteral("确认"), &dlg);
    auto* cancel = new QPushButton(QStringLiteral("取消"), &dlg);
    connect(all, &QPushButton::clicked, &dlg, [&] {
        for (QCheckBox* cb : boxes) cb->setChecked(true);
    });
    connect(none, &QPushButton::clicked, &dlg, [&] {
        for (QCheckBox* cb : boxes) cb->setChecked(false);
    });
    // The boxes act at once; both buttons only close.
    connect(ok, &QPushButton::clicked, &dlg, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, &dlg, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {all, none, ok, cancel}) buttons->addWidget(b);
    auto* box = new QVBoxLayout(&dlg);
    box->addLayout(grid);
    box->addLayout(buttons);
    dlg.exec();
}

void ViewController::registerCommands() {
    CommandRouter& r = frame_.router();
    TDoc& doc = frame_.doc();
    for (const DisplayToggleInfo& info : DisplayToggles()) {
        DisplayToggle t = info.toggle;
        r.add(Pane::Drawing, info.command, [this, t](int) { toggle(t); },
              [this, &doc, t](int, CommandState& st) {
                  st.checkable = true;
                  st.checked = ToggleChecked(doc, t);
                  st.enabled = ToggleEnabled(doc, vs_, t);
              });
    }
    r.add(Pane::Drawing, kCmdRestore, [this](int) { restoreView(); });
    r.add(Pane::Drawing, kCmdFit, [this](int) { fitView(); });
    r.add(Pane::Drawing, kCmdSwapScreens, [this](int) { swapScreens(); });
    r.add(Pane::Drawing, kCmdNextPage, [this](int) { nextPage(); });
    r.add(Pane::Drawing, kCmdSwitchSheet, [this](int) { switchSheet(); });
    r.add(Pane::Drawing, kCmdColours, [this](int) { colourDialog(); });
    r.add(Pane::Drawing, kCmdColourLines, [this](int) { colourLineDialog(); },
          [this](int, CommandState& st) { st.enabled = !vs_.backShown; });
    r.add(Pane::Drawing, kCmdWorkRange, [this](int) { workRangeCommand(); });
}

}  // namespace rz
