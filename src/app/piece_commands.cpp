#include "app/piece_commands.h"

#include <QGuiApplication>

#include "app/main_frame.h"
#include "app/panes.h"
#include "app/view_controller.h"
#include "design/design_tools.h"
#include "design/pieces.h"
#include "interact/colours.h"
#include "interact/engine.h"
#include "interact/strip.h"

namespace rz {

namespace {
constexpr int kCmdAttributes = 34193;    // 特性
constexpr int kCmdDefaultColour = 34194; // 默认颜色
constexpr int kCmdMakePart = 34195;      // 生成部位
constexpr int kCmdCopy = 34196;          // 复制
constexpr int kCmdRebuild = 34197;       // 内部刷新
constexpr int kCmdDelete = 34198;        // 删除此分片
}  // namespace

PieceCommands::PieceCommands(MainFrame& frame, Engine& engine) : QObject(&frame), frame_(frame), engine_(engine) {
    CommandRouter& r = frame_.router();
    auto current = [this]() -> Piece* { return PieceInSlot(frame_.doc().design, frame_.doc().currentSlot); };
    auto update = [this, current](int, CommandState& st) {
        st.enabled = current() != nullptr && !(frame_.backShown && frame_.backShown());
    };
    r.add(Pane::MotifArea, kCmdAttributes, [this, current](int) {
        endStep();
        if (Piece* pc = current(); pc && PartAttributeDialog(frame_.doc(), nullptr, pc)) changed(true);
    }, update);
    r.add(Pane::MotifArea, kCmdDefaultColour, [this, current](int) {
        endStep();
        Piece* pc = current();
        if (!pc || pc->words[1] == kDefaultPartColour) return;
        pc->words[1] = kDefaultPartColour;
        changed(true);
    }, update);
    r.add(Pane::MotifArea, kCmdMakePart, [this, current](int) {
        endStep();
        Piece* pc = current();
        if (!pc || !PartFromPiece(frame_.doc().design, *pc, frame_.doc())) {
            engine_.tone(kToneRefused);
            return;
        }
        engine_.tone(kToneAccepted);
        changed(true);
    }, update);
    r.add(Pane::MotifArea, kCmdCopy, [this](int) {
        endStep();
        if (!CopyPieceToNextSlot(frame_.doc().design, frame_.doc().currentSlot)) {
            engine_.tone(kToneRefused);  // a piece would fall off the last slot
            return;
        }
        changed(true);
    }, update);
    r.add(Pane::MotifArea, kCmdRebuild, [this, current](int) {
        endStep();
        if (Piece* pc = current()) {
            AssemblePiece(frame_.doc().design, *pc, &frame_.view()->font());
            changed(true);
        }
    }, update);
    r.add(Pane::MotifArea, kCmdDelete, [this, current](int) {
        // With Ctrl the piece goes without the question.
        const bool ctrl = QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier;
        endStep();
        Piece* pc = current();
        if (!pc || (!ctrl && !frame_.doc().platform.ask(kAskDeletePiece))) return;
        DeletePiece(frame_.doc().design, pc);
        changed(true);
    }, update);
}

void PieceCommands::endStep() {
    if (engine_.step() > 0) engine_.CancelStep();
}

void PieceCommands::changed(bool snapshot) {
    engine_.designChanged();
    engine_.redraw();
    if (snapshot) frame_.doc().PushUndo();
    frame_.strip()->update();
    frame_.refreshCommandStates();
}

}  // namespace rz
