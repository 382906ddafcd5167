#include "app/grading_glue.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>

#include "app/control_dialogs.h"
#include "app/grading_dialogs.h"
#include "app/main_frame.h"
#include "app/menu_table.h"
#include "app/view_controller.h"
#include "commands/tool_support.h"
#include "grading/align_tool.h"
#include "design/design_tools.h"
#include "grading/control_tools.h"
#include "grading/controls.h"
#include "grading/display.h"
#include "grading/graded_output.h"
#include "model/sizes.h"
#include "output/graded_sheet.h"
#include "interact/engine.h"

namespace rz {

namespace {

constexpr int kCmdGrade = 34039;         // 鞋样扩缩
constexpr int kCmdClearScheme = 32824;   // 全清方案
constexpr int kCmdAllSizes = 34044;      // 全号显示
constexpr int kCmdRestoreView = 32892;   // 恢复
constexpr int kCmdCard = 32903;          // 本码参数
constexpr int kCmdTargets = 32904;       // 目标参数
constexpr int kCmdOutputSizes = 34086;   // 选号输出
constexpr int kCmdPieceDie = 34199;      // 共模说明 of the piece area's piece
constexpr int kCmdPieceSizes = 34056;    // 选号输出 of the piece area's piece
constexpr int kCmdPieceAllSizes = 34041; // 全号输出 of the piece area's piece

QColor FromBgr(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

}  // namespace

GradingGlue::GradingGlue(MainFrame& frame, Engine& engine, ViewController& view)
    : QObject(&frame), frame_(frame), engine_(engine), view_(view) {
    InstallGradingTools(engine_);
    // 目标参数 inside 基点属性: the same dialog for the base point's own targets.
    engine_.hooks.basePointTargets = [this](BasePoint& b) {
        Design& d = frame_.doc().design;
        TargetDialog dlg(&frame_, d, &b);
        if (dlg.exec() != QDialog::Accepted) return false;
        return dlg.model().apply(d, &b) != TargetModel::Outcome::Unchanged;
    };
    // 定距参数 at the cursor, and 共用说明/共模说明: the drawn dialogs over their models.
    engine_.hooks.fixedDistanceSteps = [this](Part& part, FixedDistance& f) {
        TDoc& doc = frame_.doc();
        FixedStepsModel m(doc.design, f, doc.settings.centimetreDisplay != 0);
        FixedStepsDialog dlg(&frame_, m);
        dlg.move(QCursor::pos());
        if (dlg.exec() != QDialog::Accepted) return false;
        const FixedStepsModel::Outcome o = m.apply(doc.design, part, f);
        if (o == FixedStepsModel::Outcome::Refused) doc.platform.tone(kToneRefused);
        return o != FixedStepsModel::Outcome::Unchanged && o != FixedStepsModel::Outcome::Refused;
    };
    engine_.hooks.sizeGroups = [this](const std::string& title, std::optional<std::vector<uint8_t>>& groups,
                                      int basePointIndex) {
        TDoc& doc = frame_.doc();
        SizeGroupsModel m(doc.design, title, groups, basePointIndex);
        SizeGroupsDialog dlg(&frame_, m, doc.platform);
        if (dlg.exec() != QDialog::Accepted) return false;
        const SizeGroupsModel::Outcome o = m.apply(doc.design, groups);
        if (o == SizeGroupsModel::Outcome::Refused) doc.platform.tone(kToneRefused);
        return o == SizeGroupsModel::Outcome::Stored || o == SizeGroupsModel::Outcome::Removed;
    };
    ParamPane* pane = frame_.params();
    pane->paintHook = [this](QPainter& p) { paintTable(p); };
    pane->pressHook = [this](QMouseEvent* e) {
        const QPoint at = e->position().toPoint();
        if (e->button() == Qt::LeftButton) pressTable(at.x(), at.y(), e->modifiers() & Qt::ShiftModifier);
        // The back-screen tool steps backwards with the right button.
        else if (e->button() == Qt::RightButton && table_.regionAt(at.x(), at.y()) == ParamRegion::BackTool)
            pressTable(at.x(), at.y(), true);
    };
    frame_.designReplaced.push_back([this] {
        // The scene draws the zones and ties from shapes a file does not keep.
        for (auto& p : frame_.doc().design.parts) BuildControlShapes(*p);
        refreshTable();
    });
    // Page Up/Down, Home/End on the front screen show the previous or next sizes.
    engine_.hooks.stepSize = [this](int delta) {
        if (engine_.backShown() || !MoveCurrentSize(frame_.doc().design, delta)) return false;
        TDoc& doc = frame_.doc();
        ApplyDisplayRule(doc.design, doc.settings.displayFlags);
        refreshTable();
        view_.redraw();
        return true;
    };
    registerCommands();
    refreshTable();
}

void GradingGlue::refreshTable() {
    table_.rebuild(frame_.doc(), engine_.backShown());
    frame_.params()->update();
}

void GradingGlue::paintTable(QPainter& p) {
    QFont f = p.font();
    f.setPixelSize(12);
    p.setFont(f);
    const QPalette& pal = frame_.params()->palette();
    for (const ParamCell& c : table_.cells()) {
        const QRect r(c.x, c.y, c.w, c.h);
        if (c.background) p.fillRect(r, FromBgr(c.background));
        if (c.region != ParamRegion::None) {
            p.fillRect(r.adjusted(1, 1, -1, -1), c.background ? FromBgr(c.background) : pal.color(QPalette::Button));
            p.setPen(pal.color(QPalette::Light));
            p.drawLine(r.topLeft(), r.topRight());
            p.drawLine(r.topLeft(), r.bottomLeft());
            p.setPen(pal.color(QPalette::Dark));
            p.drawLine(r.bottomLeft(), r.bottomRight());
            p.drawLine(r.topRight(), r.bottomRight());
        }
        p.setPen(pal.color(QPalette::Text));
        p.drawText(r, Qt::AlignCenter, QString::fromStdString(c.text));
    }
}

void GradingGlue::pressTable(int x, int y, bool shift) {
    const ParamRegion r = table_.regionAt(x, y);
    if (r == ParamRegion::None) return;
    ParamPress res = table_.press(frame_.doc(), r, shift);
    frame_.params()->update();
    if (res.designChanged) engine_.designChanged();
    if (res.redraw || res.designChanged) view_.redraw();
}

void GradingGlue::afterGradingChange() {
    engine_.designChanged();
    refreshTable();
    frame_.refreshCommandWindow();
    frame_.refreshCommandStates();
    view_.redraw();
}

void GradingGlue::cardDialog() {
    TDoc& doc = frame_.doc();
    CardDialog dlg(&frame_, doc.design, frame_.platform());
    if (dlg.exec() != QDialog::Accepted) return;
    if (!dlg.model().apply(doc.design)) return;
    doc.PushUndo();
    afterGradingChange();
}

void GradingGlue::targetDialog() {
    TDoc& doc = frame_.doc();
    TargetDialog dlg(&frame_, doc.design);
    if (dlg.exec() != QDialog::Accepted) return;
    if (dlg.model().apply(doc.design) == TargetModel::Outcome::Unchanged) return;
    doc.PushUndo();
    afterGradingChange();
}

void GradingGlue::registerCommands() {
    CommandRouter& r = frame_.router();
    TDoc& doc = frame_.doc();
    auto front = [this](int, CommandState& st) { st.enabled = !engine_.backShown(); };
    // A run or a clear replaces the copies an alignment holds: it is ended first.
    auto endAlignment = [this] {
        engine_.ActivationLost();
        if (engine_.step() > 0) engine_.CancelStep();
    };
    r.add(Pane::Drawing, kCmdGrade, [this, &doc, endAlignment](int) {
        if (engine_.backShown()) return;
        endAlignment();
        GradePatternCommand(doc);
        afterGradingChange();
    }, front);
    r.add(Pane::Drawing, kCmdClearGrading, [this, &doc, endAlignment](int) {
        if (engine_.backShown()) return;
        endAlignment();
        if (ClearGradingCommand(doc)) afterGradingChange();
    }, front);
    r.add(Pane::Drawing, kCmdClearScheme, [this, &doc](int) {
        ClearSchemeDialog dlg(&frame_);
        if (dlg.exec() != QDialog::Accepted) return;
        const ClearCategories c = dlg.choice();
        size_t zones = 0, distances = 0;
        for (auto& p : doc.design.parts) {
            zones += p->sharedZones.size();
            distances += p->fixedDistances.size();
        }
        const ClearCategoriesResult res = ClearGradingCategories(doc.design, c);
        // Only a change is an undo step: empty categories leave the design as it was.
        if (!res.rebuildParameterTable && !(c.sharedZones && zones > 0) && !(c.fixedDistances && distances > 0))
            return;
        doc.PushUndo();
        afterGradingChange();
    }, front);
    r.add(Pane::Drawing, kCmdAllSizes, [this, &doc](int) {
        view_.toggle(DisplayToggle::AllSizes);
        ApplyDisplayRule(doc.design, doc.settings.displayFlags);
        refreshTable();
        view_.redraw();
    }, [this, &doc](int, CommandState& st) {
        st.checkable = true;
        st.checked = ToggleChecked(doc, DisplayToggle::AllSizes);
        st.enabled = ToggleEnabled(doc, view_.state(), DisplayToggle::AllSizes);
    });
    // 恢复 may turn 全号显示 off on the pieces page: the sizes shown follow.
    r.add(Pane::Drawing, kCmdRestoreView, [this, &doc](int) {
        view_.restoreView();
        ApplyDisplayRule(doc.design, doc.settings.displayFlags);
        refreshTable();
        view_.redraw();
    });
    r.add(Pane::Drawing, kCmdOutputSizes, [this](int) {
        if (engine_.backShown()) return;
        outputSizes((QApplication::keyboardModifiers() & Qt::ControlModifier) != 0);
    }, front);
    r.add(Pane::MotifArea, kCmdPieceDie, [this, &doc](int) {
        Piece* pc = CurrentPiece(doc);
        if (!pc) return;
        if (engine_.step() > 0) engine_.CancelStep();
        if (GroupsDialog(engine_, "分片共模说明", pc->sharedDie)) doc.PushUndo();
    }, [this, &doc](int, CommandState& st) { st.enabled = CurrentPiece(doc) != nullptr; });
    // The piece area's piece in chosen or all sizes, from the grading results as they are.
    auto pieceOutput = [this, &doc](bool all) {
        Piece* pc = CurrentPiece(doc);
        Design& d = doc.design;
        if (!pc || d.n <= 0 || !(d.flags & kDesignGraded) || pc->outline.size() < 3) return;
        if (engine_.step() > 0) engine_.CancelStep();
        std::vector<int> sizes = AllSizes(d);
        if (!all && (!d.outputSelection || !chooseSizes(sizes, true))) return;
        if (sizes.empty()) return;
        GradedOutputOptions o;
        PLTC* sheet = outputSheet(o);
        if (!sheet) return;
        WaitCursor wait(doc.platform);
        if (OutputPieceSizes(*sheet, d, doc.settings, *pc, sizes, o) >= 0) sheet->pushLayout();
        doc.platform.tone(kToneAccepted);
        view_.redraw();
        frame_.refreshCommandStates();
    };
    auto pieceGraded = [&doc](int, CommandState& st) {
        st.enabled = CurrentPiece(doc) != nullptr && (doc.design.flags & kDesignGraded) && doc.design.n > 0;
    };
    r.add(Pane::MotifArea, kCmdPieceSizes, [pieceOutput](int) { pieceOutput(false); }, pieceGraded);
    r.add(Pane::MotifArea, kCmdPieceAllSizes, [pieceOutput](int) { pieceOutput(true); }, pieceGraded);
    r.add(Pane::StatusBar, kCmdCard, [this](int) { cardDialog(); }, front);
    r.add(Pane::StatusBar, kCmdTargets, [this](int) { targetDialog(); }, front);
}

PLTC* GradingGlue::outputSheet(GradedOutputOptions& o) {
    TDoc& doc = frame_.doc();
    PLTC& sheet = SheetOf(doc, engine_.vs.currentSheet == 1 ? 1 : 0);
    if (sheet.busy.load()) return nullptr;
    o.font = &view_.font();
    o.corner = doc.settings.cornerFlag() != 0;
    return &sheet;
}

bool GradingGlue::chooseSizes(std::vector<int>& sizes, bool atCursor) {
    Design& d = frame_.doc().design;
    SizeChoiceDialog dlg(&frame_, d);
    if (atCursor) dlg.move(QCursor::pos());
    if (dlg.exec() != QDialog::Accepted) return false;
    sizes = dlg.model().apply(d);
    return true;
}

void GradingGlue::outputSizes(bool all) {
    TDoc& doc = frame_.doc();
    Design& d = doc.design;
    const int page = doc.currentPage();
    if (!(d.flags & kDesignGraded)) {
        if (ToggleChecked(doc, DisplayToggle::AllSizes)) view_.toggle(DisplayToggle::AllSizes);
        GradePatternCommand(doc);
        afterGradingChange();
        if (!(d.flags & kDesignGraded)) return;
    }
    std::vector<int> sizes = AllSizes(d);
    if (!all && !chooseSizes(sizes, false)) return;
    if (sizes.empty()) return;
    GradedOutputOptions o;
    PLTC* sheetPtr = outputSheet(o);
    if (!sheetPtr) return;
    PLTC& sheet = *sheetPtr;
    PageOutput res;
    {
        WaitCursor wait(doc.platform);
        // One by one each is highlighted, output, announced with a tone and shown; the Ctrl batch
        // redraws once at the end.
        const auto feedback = view_.feedback;
        auto after = [this, &doc, all, feedback] {
            if (all) return;
            view_.feedback = feedback;
            doc.platform.tone(kToneAccepted);
            view_.redraw();
        };
        auto highlight = [this, all, feedback](const Polyline& outline) {
            if (all) return;
            view_.feedback = [this, feedback, outline](Canvas& c) {
                if (feedback) feedback(c);
                HighlightPen(c);
                DrawPolyline(engine_, c, outline);
                return true;
            };
            view_.present();
        };
        res = OutputPage(sheet, d, doc.settings, page, all, sizes, o, after, highlight);
        view_.feedback = feedback;
    }
    sheet.pushLayout();
    view_.redraw();
    frame_.refreshCommandStates();
    if (!res.noOutline.empty()) doc.platform.notice(NoOutlineMessage(res.noOutline));
}

void GradingGlue::stepStandardDialog() {
    StepStandardDialog dlg(&frame_);
    if (dlg.exec() == QDialog::Accepted) dlg.model().apply();
}

}  // namespace rz
