#include "app/strip_controller.h"

#include <QApplication>
#include <QColorDialog>
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include "app/dialogs.h"
#include "app/drawing_glue.h"
#include "app/engine_controller.h"
#include "app/main_frame.h"
#include "app/view_controller.h"
#include "commands/library_tools.h"
#include "commands/trace.h"
#include "grading/display.h"
#include "interact/modes.h"
#include "interact/overlay.h"
#include "interact/text_strokes.h"
#include "model/gbk.h"
#include "model/side_files.h"
#include "qtcanvas/qt_canvas.h"
#include "qtcanvas/strip_image.h"

namespace rz {

namespace {

uint32_t FromQColor(const QColor& c) { return uint32_t(c.red()) | (uint32_t(c.green()) << 8) | (uint32_t(c.blue()) << 16); }

constexpr int kFlashMs = 300;

// A popup menu at `at`; the id of the item chosen, or -1.
int RunMenu(QWidget* parent, const std::vector<std::pair<int, std::string>>& items, const std::vector<bool>& on,
            QPoint at) {
    QMenu menu(parent);
    std::vector<QAction*> acts;
    for (size_t i = 0; i < items.size(); ++i) {
        acts.push_back(menu.addAction(QString::fromStdString(items[i].second)));
        acts.back()->setEnabled(i < on.size() && on[i]);
    }
    QAction* chosen = menu.exec(at);
    for (size_t i = 0; i < acts.size(); ++i)
        if (acts[i] == chosen) return items[i].first;
    return -1;
}

}  // namespace

StripController::StripController(MainFrame& frame) : QObject(&frame), frame_(frame), strip_(frame.doc()) {
    MotifStrip* w = frame_.strip();
    strip_.currentSheet = [this] { return frame_.currentSheet ? frame_.currentSheet() : 0; };
    TDoc& doc = frame_.doc();
    TFont& font = frame_.view()->font();
    // The library is read after the font: its texts are laid out with it.
    LoadMotifLibrary(libraryPath(), doc.library, doc.smooth, FontLayout(font));

    LibraryServices sv;
    sv.font = &font;
    sv.popup = [this](const std::string&, const std::vector<std::string>& items, const std::vector<bool>& on) {
        std::vector<std::pair<int, std::string>> numbered;
        for (size_t i = 0; i < items.size(); ++i) numbered.emplace_back(int(i), items[i]);
        return RunMenu(frame_.drawing(), numbered, on, QCursor::pos());
    };
    sv.askText = [this](std::string& gbk) {
        std::string utf8;
        if (!askTextWithHistory(&frame_, ReadTextHistory(historyPath()), utf8)) return false;
        gbk = Utf8ToGbk(utf8);
        return true;
    };
    sv.stripChanged = [this] { refresh(); };
    sv.ctrlHeld = [] { return (QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier) != 0; };
    Engine& e = frame_.engine()->engine();
    DrawTools& draw = frame_.drawingGlue()->tools();
    tools_ = &InstallLibraryTools(e, strip_, draw, std::move(sv));
    // 字串 asks with the same dialog and history.
    if (draw.trace) draw.trace->askText = tools_->services.askText;

    e.hooks.moveCell = [this](int dx, int dy) {
        if (strip_.arrow(dx, dy)) refresh();
        return true;
    };

    w->paintHook = [this](QPainter& p) { paint(p); };
    w->scrollHook = [this](int delta) {
        if (delta != 0 && strip_.wheel(delta > 0 ? 1 : -1)) refresh();
    };
    w->pressHook = [this](QMouseEvent* ev) { press(ev); };
    w->moveHook = [this](QMouseEvent* ev) { move(ev); };
    w->releaseHook = [this](QMouseEvent* ev) { release(ev); };
    w->doubleClickHook = [this](QMouseEvent* ev) { doubleClick(ev); };
    w->endDragHook = [this] { endDrag(false, {}); };

    frame_.designReplaced.push_back([this] {
        if (strip_.slot() >= kSlotCount) strip_.selectSlot(0);
        refresh();
    });
    // A read file starts at slot 0 (the document resets it) and the view follows its page; undo
    // and 清屏 keep the view chosen with 选区.
    frame_.fileRead.push_back([this] {
        lastPage_ = -1;
        refresh();
    });
    registerCommands();
    sync();
}

StripController::~StripController() = default;

std::string StripController::libraryPath() const { return frame_.configFile(kLibraryFileName); }
std::string StripController::historyPath() const { return frame_.configFile(kHistoryFileName); }

bool StripController::saveLibrary() {
    const std::string path = libraryPath();
    if (path.empty()) return false;
    return SaveMotifLibrary(path, frame_.doc().library);
}

void StripController::sync() {
    MotifStrip* w = frame_.strip();
    strip_.width = w->width();
    strip_.height = w->height();
    const int page = frame_.doc().currentPage();
    if (page != lastPage_) {
        lastPage_ = page;
        strip_.followPage(page);
    }
}

void StripController::refresh() { frame_.strip()->update(); }

void StripController::paint(QPainter& p) {
    sync();
    if (!strip_.usable()) return;
    if (image_.width() != strip_.width || image_.height() != strip_.height)
        image_ = QImage(strip_.width, strip_.height, QImage::Format_RGB32);
    PaintStrip(image_, strip_);
    p.drawImage(0, 0, image_);
}

void StripController::registerCommands() {
    CommandRouter& r = frame_.router();
    r.add(Pane::MotifArea, kCmdSaveMotif, [this](int) { tools_->SaveMotif(); },
          [this](int, CommandState& st) { st.enabled = !(frame_.backShown && frame_.backShown()); });
    r.add(Pane::MotifArea, kCmdRestoreUseSize, [this](int) { tools_->RestoreUseSizeCommand(); },
          [this](int, CommandState& st) { st.enabled = tools_->canRestoreUseSize(); });
    r.add(Pane::MotifArea, kCmdLabelCell, [this](int) { tools_->LabelCellCommand(); },
          [this](int, CommandState& st) { st.enabled = tools_->canLabelCell(); });
    r.add(Pane::MotifArea, kCmdDeleteCell, [this](int) { tools_->DeleteCellCommand(); },
          [this](int, CommandState& st) { st.enabled = tools_->canDeleteCell(); });
    r.add(Pane::Drawing, kCmdToggleStrip, [this](int) {
        sync();
        strip_.toggleView();
        refresh();
    });
}

// ---------------------------------------------------------------- mouse

void StripController::press(QMouseEvent* e) {
    sync();
    if (dragFrom_ >= 0) return;
    const QPoint at = e->position().toPoint();
    if (e->button() != Qt::LeftButton && e->button() != Qt::RightButton) return;
    const int slotBefore = frame_.doc().currentSlot;
    const StripPress r = strip_.press(at.x(), at.y(), e->button() == Qt::RightButton, EngineMods(e->modifiers()));
    // 指定's step belongs to the piece it began on (its trim line, what it hides): another
    // current piece ends it.
    Engine& eng = frame_.engine()->engine();
    if (frame_.doc().currentSlot != slotBefore && eng.mode() == mode::Assign && eng.step() > 0) eng.CancelStep();
    switch (r.action) {
    case StripAction::None: return;
    case StripAction::Changed: refresh(); return;
    case StripAction::MotifPopup:
        refresh();
        motifPopup(frame_.strip()->mapToGlobal(at) + QPoint(10, 0));
        return;
    case StripAction::PiecePopup:
        refresh();
        piecePopup(frame_.strip()->mapToGlobal(at) + QPoint(10, 0));
        return;
    case StripAction::Flash:
        refresh();
        flash(r.slot);
        return;
    case StripAction::BeginDrag: {
        refresh();
        dragFrom_ = r.slot;
        QImage img = DragImage(image_.isNull() ? StripImage(strip_) : image_, strip_, r.slot);
        dragImage_ = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
        dragImage_->setAttribute(Qt::WA_TransparentForMouseEvents);
        dragImage_->setPixmap(QPixmap::fromImage(img));
        dragImage_->resize(img.size());
        dragImage_->move(e->globalPosition().toPoint() + QPoint(8, 8));
        dragImage_->show();
        return;
    }
    case StripAction::MarksChanged:
        refresh();
        // With pieces marked for output only their members follow the sizes shown.
        ApplyDisplayRule(frame_.doc().design, frame_.doc().settings.displayFlags);
        frame_.view()->redraw();
        return;
    case StripAction::ColourPicker: return;
    }
}

void StripController::move(QMouseEvent* e) {
    if (dragFrom_ < 0 || !dragImage_) return;
    dragImage_->move(e->globalPosition().toPoint() + QPoint(8, 8));
    const QPoint at = e->position().toPoint();
    const bool inside = frame_.strip()->rect().contains(at);
    frame_.strip()->setCursor(inside ? Qt::ArrowCursor : Qt::ForbiddenCursor);
}

void StripController::release(QMouseEvent* e) {
    if (dragFrom_ < 0 || e->button() != Qt::LeftButton) return;
    endDrag(true, e->position().toPoint());
}

void StripController::endDrag(bool drop, QPoint at) {
    if (dragFrom_ < 0) return;
    const int from = dragFrom_;
    dragFrom_ = -1;
    if (dragImage_) {
        dragImage_->hide();
        dragImage_->deleteLater();
        dragImage_ = nullptr;
    }
    frame_.strip()->unsetCursor();
    if (drop && strip_.drop(from, at.x(), at.y())) frame_.view()->redraw();
    refresh();
}

void StripController::doubleClick(QMouseEvent* e) {
    sync();
    const QPoint at = e->position().toPoint();
    const StripPress r = strip_.doubleClick(at.x(), at.y());
    if (r.action == StripAction::ColourPicker) pickColour(r.slot);
    else if (r.action == StripAction::Changed) {
        frame_.view()->redraw();
        refresh();
    }
}

// ---------------------------------------------------------------- popups, flash, colour


void StripController::motifPopup(QPoint at) {
    CommandRouter& r = frame_.router();
    const std::vector<std::pair<int, std::string>> items = {
        {kCmdRestoreUseSize, "恢复原尺寸"}, {kCmdLabelCell, "输入标示字"}, {kCmdDeleteCell, "删除此图案"}};
    std::vector<bool> on;
    for (auto& [id, text] : items) on.push_back(r.state(id).enabled);
    const int id = popupMenu ? popupMenu(items, on, at) : RunMenu(frame_.strip(), items, on, at);
    if (id > 0) r.dispatch(id);
    refresh();
}

void StripController::piecePopup(QPoint at) {
    CommandRouter& r = frame_.router();
    const bool graded = (frame_.doc().design.flags & kDesignGraded) != 0;
    std::vector<std::pair<int, std::string>> items;
    std::vector<bool> on;
    for (const PiecePopupItem& it : PiecePopupItems()) {
        items.emplace_back(it.id, it.text);
        const bool needsGrading = it.id == 34056 || it.id == 34041;
        on.push_back(r.state(it.id).enabled && (!needsGrading || graded));
    }
    const int id = popupMenu ? popupMenu(items, on, at) : RunMenu(frame_.strip(), items, on, at);
    if (id > 0) r.dispatch(id);
    refresh();
}

void StripController::flash(int slot) {
    const Piece* pc = strip_.pieceInSlot(slot);
    if (!pc || pc->outline.size() < 3 || (frame_.backShown && frame_.backShown())) return;
    ViewController* view = frame_.view();
    Polyline outline = pc->outline;
    auto previous = view->feedback;
    // A plain present, then the hatch over it for a moment.
    view->present();
    view->feedback = [previous, outline, view](Canvas& c) {
        if (previous) previous(c);
        HatchRegion(c, view->state().view, outline);
        return true;
    };
    view->present();
    QTimer::singleShot(kFlashMs, view, [view, previous] {
        view->feedback = previous;
        view->present();
    });
}

void StripController::pickColour(int slot) {
    const Piece* pc = strip_.pieceInSlot(slot);
    if (!pc) return;
    const auto& common = frame_.view()->state().commonColours;
    for (int i = 0; i < 16; ++i) QColorDialog::setCustomColor(i, ToQColor(common[size_t(i)]));
    const QColor c = QColorDialog::getColor(ToQColor(pc->colour()), &frame_);
    if (!c.isValid()) return;
    if (strip_.setPieceColour(slot, FromQColor(c))) {
        frame_.view()->redraw();
        refresh();
    }
}

}  // namespace rz
