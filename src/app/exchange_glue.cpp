#include "app/exchange_glue.h"

#include <QFileDialog>
#include <QFileInfo>

#include "app/command_router.h"
#include "app/main_frame.h"
#include "app/output_glue.h"
#include "app/view_controller.h"
#include "exchange/dxf_document.h"
#include "interact/screens.h"
#include "output/sheet_commands.h"

namespace rz {

namespace {

void Extend(RectF& box, bool& any, const Polyline& pl) {
    for (PointF p : pl) {
        if (!any) box = {p.x, p.y, p.x, p.y};
        any = true;
        box = {std::min(box.minX, p.x), std::min(box.minY, p.y), std::max(box.maxX, p.x), std::max(box.maxY, p.y)};
    }
}

}  // namespace

ExchangeGlue::ExchangeGlue(MainFrame& frame, Engine& engine) : QObject(&frame), frame_(frame), engine_(engine) {
    registerCommands();
}

void ExchangeGlue::refreshView(bool back) {
    TDoc& doc = frame_.doc();
    View& v = engine_.vs.view;
    // Fitted to everything with 自动满屏, else back to the base scale and origin.
    bool fitted = false;
    if (doc.settings.displayFlags & kDispAutoFit) {
        RectF box;
        bool any = false;
        if (back) {
            for (const PlotItem& it : frame_.outputGlue()->commands().current().items) Extend(box, any, it.points);
        } else {
            for (const auto& part : doc.design.parts) {
                RectF r;
                if (!(part->flags & kFlagHidden) && PartBounds(*part, r)) {
                    Extend(box, any, {{r.minX, r.minY}, {r.maxX, r.maxY}});
                }
            }
            for (const auto& sl : doc.scanLines)
                for (const Polyline& pl : sl->shape) Extend(box, any, pl);
        }
        fitted = any && v.fitBox(box);
    }
    if (!fitted) v.resetToBase();
    engine_.designChanged();
    frame_.view()->redraw();
}

bool ExchangeGlue::importDxf(const QString& path) {
    TDoc& doc = frame_.doc();
    const bool back = engine_.backShown();
    DxfImportReport rep;
    {
        WaitCursor busy(doc.platform);
        rep = ReadDxfFile(doc, path.toStdString(), &frame_.view()->font());
    }
    if (!rep.read) {
        engine_.tone(kToneRefused);
        engine_.ShowPromptText(rep.message);
        return false;
    }
    if (back) AddDxfToSheet(frame_.outputGlue()->commands().current(), rep.result.polylines);
    else AddDxfToScanLines(doc, rep.result.polylines);
    refreshView(back);
    engine_.ShowPromptText(rep.summary());
    return true;
}

void ExchangeGlue::importDxfCommand() {
    Settings& s = frame_.settings();
    QString path = QFileDialog::getOpenFileName(&frame_, QStringLiteral("转入DXF"), QString::fromStdString(s.dxfFolder),
                                                QStringLiteral("DXF文件 (*.DXF *.dxf)"));
    if (path.isEmpty()) return;
    importDxf(path);
}

QString ExchangeGlue::exportDxf(bool segments) {
    TDoc& doc = frame_.doc();
    PLTC& sheet = frame_.outputGlue()->commands().current();
    if (sheet.items.empty()) return {};
    engine_.tone(kToneAccepted);
    std::string message;
    std::string path = ExportSheetDxf(sheet, doc.settings.dxfFolder, doc.design.baseSize,
                                      segments ? DxfLayout::Segments : DxfLayout::Polylines, message);
    if (path.empty()) {
        engine_.tone(kToneRefused);
        engine_.ShowPromptText(message);
        return {};
    }
    engine_.ShowPromptText("已写入 " + path);
    return QString::fromStdString(path);
}

void ExchangeGlue::registerCommands() {
    CommandRouter& r = frame_.router();
    auto back = [this](int, CommandState& st) { st.enabled = engine_.backShown(); };
    r.add(Pane::Application, kCmdImportDxf, [this](int) { importDxfCommand(); });
    r.add(Pane::Application, kCmdExportDxfJoined, [this](int) { exportDxf(false); }, back);
    r.add(Pane::Application, kCmdExportDxfSegments, [this](int) { exportDxf(true); }, back);
}

}  // namespace rz
