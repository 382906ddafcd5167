#include "app/piece_strip.h"

#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <algorithm>
#include <cstdio>

#include "app/main_frame.h"
#include "app/panes.h"
#include "app/view_controller.h"
#include "design/design_tools.h"
#include "design/pieces.h"
#include "interact/colours.h"
#include "interact/modes.h"

namespace rz {

namespace {
// The current slot's frame and the output mark, as the strip has drawn them.
const QColor kCurrentFrame(0x00, 0x20, 0x7F);
const QColor kOutputMark(0x02, 0xA0, 0x44);
constexpr int kPanelWidth = 100;
}  // namespace

PieceStrip::PieceStrip(MainFrame& frame, Engine& engine)
    : QObject(&frame), frame_(frame), engine_(engine), strip_(frame.strip()) {
    strip_->paintHook = [this](QPainter& p) { paint(p); };
    strip_->pressHook = [this](QMouseEvent* e) { press(e); };
    strip_->scrollHook = [this](int d) { scroll(d); };
    frame.designReplaced.push_back([this] { strip_->update(); });
}

TDoc& PieceStrip::frame_doc() const { return frame_.doc(); }

int PieceStrip::cellSize() const { return std::max(8, strip_->height()); }

int PieceStrip::slotAt(int x, int y) const {
    const int h = cellSize();
    if (x < 0 || y < 0 || y >= h || x >= 10 * h) return -1;
    return firstVisibleSlot() + x / h;
}

const std::vector<std::string>& PieceStrip::MenuItems() {
    static const std::vector<std::string> items = {"特性", "默认颜色", "生成部位", "复制", "内部刷新", "删除此分片",
                                                   "共模说明", "选号输出", "全号输出"};
    return items;
}

void PieceStrip::paint(QPainter& p) {
    TDoc& doc = frame_doc();
    const int h = cellSize();
    const QColor work = colourFromSetting(doc.settings.colours[kColWorkBackground]);
    p.setPen(strip_->grid);
    p.drawRect(0, 0, strip_->width() - 1, h - 1);
    const int first = firstVisibleSlot();
    for (int c = 0; c < 10; ++c) {
        QRect cell(c * h, 0, h, h);
        p.setPen(strip_->grid);
        p.drawLine(cell.right() + 1, 0, cell.right() + 1, h);
        Piece* pc = PieceInSlot(doc.design, first + c);
        if (!pc) continue;
        p.fillRect(cell.adjusted(1, 1, -1, -1), work);
        // The piece scaled into its cell.
        const RectF& b = pc->bbox;
        const double w = std::max(1.0f, b.maxX - b.minX), ht = std::max(1.0f, b.maxY - b.minY);
        const double s = std::min((h - 6) / w, (h - 6) / ht);
        auto px = [&](PointF q) {
            return QPointF(cell.left() + 3 + (q.x - b.minX) * s + (h - 6 - w * s) / 2,
                           cell.bottom() - 3 - (q.y - b.minY) * s - (h - 6 - ht * s) / 2);
        };
        auto draw = [&](const Polyline& pl) {
            for (size_t i = 1; i < pl.size(); ++i) p.drawLine(px(pl[i - 1]), px(pl[i]));
        };
        p.setPen(colourFromSetting(pc->colour()));
        draw(pc->outline);
        for (auto& l : pc->linesB) draw(l->drawn1);
        for (auto& l : pc->linesA) draw(l->drawn2);
        for (auto& m : pc->members)
            for (auto& pl : m->drawn) draw(pl);
        if (pc->flags & kPieceMarkedForOutput) p.fillRect(cell.right() - 9, 2, 8, 8, kOutputMark);
    }
    // The current slot.
    const int cur = doc.currentSlot - first;
    p.setPen(QPen(kCurrentFrame, 3));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(cur * h + 2, 2, h - 5, h - 5));
    // The panel: the current piece's width and height, the slot number and the piece count.
    const int W = strip_->width();
    if (W - kPanelWidth > 10 * h) {
        Piece* pc = PieceInSlot(doc.design, doc.currentSlot);
        const double wmm = pc ? (pc->bbox.maxX - pc->bbox.minX) / 100.0 : 0.0;
        const double hmm = pc ? (pc->bbox.maxY - pc->bbox.minY) / 100.0 : 0.0;
        char buf[32];
        p.setPen(Qt::white);
        p.drawText(W - 86, h / 2 - 15 + 12, QStringLiteral("宽"));
        p.drawText(W - 86, h / 2 + 6 + 12, QStringLiteral("高"));
        std::snprintf(buf, sizeof buf, "%5.1f", wmm);
        p.drawText(W - 66, h / 2 - 15 + 12, QString::fromLatin1(buf));
        std::snprintf(buf, sizeof buf, "%5.1f", hmm);
        p.drawText(W - 66, h / 2 + 6 + 12, QString::fromLatin1(buf));
        std::snprintf(buf, sizeof buf, "%2d", doc.currentSlot + 1);
        p.drawText(W - 22, h - 20 + 12, QString::fromLatin1(buf));
        std::snprintf(buf, sizeof buf, "%-2d", int(doc.design.pieces.size()));
        p.drawText(W - 96, 3 + 12, QString::fromLatin1(buf));
    }
}

void PieceStrip::changed(bool snapshot) {
    engine_.designChanged();
    engine_.redraw();
    if (snapshot) frame_doc().PushUndo();
    strip_->update();
    frame_.refreshCommandStates();
}

void PieceStrip::endStep() {
    if (engine_.step() > 0) engine_.CancelStep();
}

void PieceStrip::press(QMouseEvent* e) {
    TDoc& doc = frame_doc();
    const QPoint at = e->position().toPoint();
    const int slot = slotAt(at.x(), at.y());
    if (slot < 0) return;
    // 指定 works on the current piece: another piece ends its step (its hiding and trim line).
    if (slot != doc.currentSlot && engine_.mode() == mode::Assign) endStep();
    doc.currentSlot = slot;
    Piece* pc = PieceInSlot(doc.design, slot);
    const int h = cellSize(), col = slot - firstVisibleSlot();
    if (e->button() == Qt::LeftButton && pc && at.x() >= (col + 1) * h - 10 && at.y() < 10) {
        // The output mark: Alt marks this piece only, Shift every other one.
        const Qt::KeyboardModifiers m = e->modifiers();
        for (auto& q : doc.design.pieces) {
            if (m & Qt::AltModifier) q->flags = q.get() == pc ? q->flags | kPieceMarkedForOutput : q->flags & ~kPieceMarkedForOutput;
            else if (m & Qt::ShiftModifier) q->flags = q.get() == pc ? q->flags & ~kPieceMarkedForOutput : q->flags | kPieceMarkedForOutput;
        }
        if (!(m & (Qt::AltModifier | Qt::ShiftModifier))) pc->flags ^= kPieceMarkedForOutput;
        changed(false);
        return;
    }
    strip_->update();
    if (e->button() != Qt::RightButton || !pc) return;
    QMenu menu(strip_);
    menu.setTitle(QStringLiteral("分片区右键"));
    std::vector<QAction*> acts;
    for (size_t i = 0; i < MenuItems().size(); ++i) {
        acts.push_back(menu.addAction(QString::fromStdString(MenuItems()[i])));
        // 共模说明 and the graded output wait for the grading controls and the output selection.
        if (i >= size_t(kSharedDie)) acts.back()->setEnabled(false);
    }
    QAction* chosen = menu.exec(e->globalPosition().toPoint() + QPoint(10, 0));
    for (size_t i = 0; i < acts.size(); ++i)
        if (acts[i] == chosen) act(slot, int(i), e->modifiers() & Qt::ControlModifier);
}

void PieceStrip::act(int slot, int item, bool ctrl) {
    TDoc& doc = frame_doc();
    Piece* pc = PieceInSlot(doc.design, slot);
    if (!pc) return;
    endStep();
    switch (item) {
    case kAttributes:
        if (PartAttributeDialog(doc, nullptr, pc)) changed(true);
        return;
    case kDefaultColour:
        pc->words[1] = kDefaultPartColour;
        changed(true);
        return;
    case kMakePart:
        if (!PartFromPiece(doc.design, *pc, doc)) {
            engine_.tone(kToneRefused);
            return;
        }
        engine_.tone(kToneAccepted);
        changed(true);
        return;
    case kCopy:
        if (!CopyPieceToNextSlot(doc.design, slot)) {
            engine_.tone(kToneRefused);  // a piece would fall off the last slot
            return;
        }
        changed(true);
        return;
    case kRebuild:
        AssemblePiece(doc.design, *pc, &frame_.view()->font());
        changed(true);
        return;
    case kDelete:
        if (!ctrl && !doc.platform.ask(kAskDeletePiece)) return;
        DeletePiece(doc.design, pc);
        changed(true);
        return;
    default: return;
    }
}

void PieceStrip::scroll(int delta) {
    TDoc& doc = frame_doc();
    int highest = 0;
    for (auto& q : doc.design.pieces) highest = std::max(highest, int(q->slot));
    if (delta > 0) doc.currentSlot = std::max(0, doc.currentSlot - 1);
    else if (doc.currentSlot + 1 < (highest / 10 + 1) * 10 || (doc.currentSlot == highest && highest % 10 == 9))
        doc.currentSlot = std::min(kPieceSlots - 1, doc.currentSlot + 1);
    strip_->update();
}

}  // namespace rz
