#include "app/exchange_glue.h"

#include <filesystem>

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QFileInfo>

#include "app/command_router.h"
#include "app/main_frame.h"
#include "app/output_glue.h"
#include "app/view_controller.h"
#include "app/dialogs.h"
#include "exchange/astm.h"
#include "exchange/dxf_document.h"
#include "exchange/hpgl.h"
#include "exchange/nc_tools.h"
#include "exchange/usm3.h"
#include "exchange/wirecut.h"
#include "model/sizes.h"
#include "model/xie.h"
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

// Writes an export file atomically and says so on the prompt line; the path, or nothing on failure.
QString WriteReported(Engine& e, const std::string& path, const std::string& text) {
    std::string err;
    if (!WriteFileAtomic(path, std::vector<uint8_t>(text.begin(), text.end()), &err)) {
        e.tone(kToneRefused);
        e.ShowPromptText("不能打开 " + path);
        return {};
    }
    e.ShowPromptText("已写入 " + path);
    return QString::fromStdString(path);
}

}  // namespace

ExchangeGlue::ExchangeGlue(MainFrame& frame, Engine& engine) : QObject(&frame), frame_(frame), engine_(engine) {
    InstallNcTools(engine_, [this](const std::string& path) {
        showTextFile(&frame_, QString::fromStdString(path), QStringLiteral("G代码"));
    });
    registerCommands();
}

bool ExchangeGlue::readFile(const QString& path, std::string& text) {
    std::vector<uint8_t> bytes;
    std::string err;
    if (!ReadFileBytes(path.toStdString(), bytes, &err)) {
        engine_.tone(kToneRefused);
        engine_.ShowPromptText("不能打开 " + path.toStdString());
        return false;
    }
    text.assign(bytes.begin(), bytes.end());
    return true;
}

void ExchangeGlue::linesAdded(const char* what, size_t count) {
    engine_.designChanged();
    frame_.view()->redraw();
    engine_.ShowPromptText(std::string(what) + ": " + std::to_string(count) + " 条线");
}

bool ExchangeGlue::importWireCut(const QString& path) {
    std::string text;
    if (!readFile(path, text)) return false;
    WireReadResult r = ReadWireCut(text);
    AddWireLines(frame_.doc(), r);
    linesAdded("转入线切割", r.lines.size());
    return true;
}

bool ExchangeGlue::importUsm3(const QString& path) {
    std::string text;
    if (!readFile(path, text)) return false;
    Usm3ReadResult r = ReadUsm3(text);
    AddUsm3Lines(frame_.doc(), r);
    linesAdded("转入USM3", r.polylines.size());
    return true;
}

QString ExchangeGlue::exportAstm() {
    TDoc& doc = frame_.doc();
    SizeList list = MakeSizeList(doc.design);
    bool graded = false;
    for (const auto& p : doc.design.parts) graded = graded || !p->gradedLines.empty();
    std::vector<int> sizes;
    if (graded && list.ok())
        for (int i = 0; i < list.n; ++i) sizes.push_back(i);
    else
        sizes.push_back(list.ok() ? doc.design.baseIndex : 0);
    std::vector<AstmPiece> pieces = AstmPiecesOf(doc.design, sizes);
    if (pieces.empty()) {
        engine_.tone(kToneRefused);
        return {};
    }
    engine_.tone(kToneAccepted);
    const std::string text = WriteAstmDxf(pieces);
    std::error_code ec;
    std::filesystem::create_directories(doc.settings.dxfFolder, ec);
    const std::string path =
        doc.settings.dxfFolder + std::filesystem::path(doc.fileName).stem().string() + ".DXF";
    return WriteReported(engine_, path, text);
}

QStringList ExchangeGlue::exportArcFormat(bool allSizes) {
    TDoc& doc = frame_.doc();
    SizeList list = MakeSizeList(doc.design);
    bool graded = false;
    for (const auto& p : doc.design.parts) graded = graded || !p->gradedLines.empty();
    std::vector<int> sizes;
    // Every size only when there are graded copies to write; else the size shown.
    if (allSizes && graded && list.ok())
        for (int i = 0; i < list.n; ++i) sizes.push_back(i);
    else
        sizes.push_back(list.ok() ? doc.design.baseIndex : 0);
    engine_.tone(kToneAccepted);
    std::vector<std::string> failed;
    QStringList out;
    for (const std::string& p : WriteArcFormatFiles(doc, doc.settings.dataFolder, sizes, failed))
        out << QString::fromStdString(p);
    if (!failed.empty()) {
        engine_.tone(kToneRefused);
        engine_.ShowPromptText("不能打开 " + failed.front());
    } else if (!out.isEmpty()) {
        engine_.ShowPromptText("已写入 " + out.back().toStdString());
    }
    return out;
}

QString ExchangeGlue::exportStraightFormat() {
    TDoc& doc = frame_.doc();
    PLTC& sheet = frame_.outputGlue()->commands().current();
    if (sheet.items.empty()) return {};
    engine_.tone(kToneAccepted);
    std::vector<const Polyline*> pls;
    for (const PlotItem& it : sheet.items) pls.push_back(&it.points);
    const std::string text = FormatWireCut(PolylineWireRecords(pls));
    char name[32];
    std::snprintf(name, sizeof name, "%03d.dat", doc.design.baseSize);
    const std::string path = doc.settings.dataFolder + name;
    return WriteReported(engine_, path, text);
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

void ExchangeGlue::importHpgl(const QString& path, bool ctrl, bool geometry) {
    Settings& s = frame_.settings();
    const std::string p = path.toStdString();
    // The folder of the file becomes the plot folder, unless the data folders are kept.
    if (!(s.generalFlags & kGenKeepDataFolder))
        if (auto slash = p.find_last_of('/'); slash != std::string::npos) s.plotFolder = p.substr(0, slash + 1);
    if (ctrl) showTextFile(&frame_, path, path);
    std::string text;
    if (!geometry || !readFile(path, text)) return;
    HpglReadResult r = ReadHpgl(text);
    const bool back = engine_.backShown();
    if (back) AddDxfToSheet(frame_.outputGlue()->commands().current(), r.polylines);
    else AddDxfToScanLines(frame_.doc(), r.polylines);
    refreshView(back);
    engine_.ShowPromptText("转入HPGL: " + std::to_string(r.polylines.size()) + " 条线");
}

void ExchangeGlue::registerCommands() {
    CommandRouter& r = frame_.router();
    auto back = [this](int, CommandState& st) { st.enabled = engine_.backShown(); };
    r.add(Pane::Application, kCmdImportDxf, [this](int) { importDxfCommand(); });
    r.add(Pane::Application, kCmdImportHpgl, [this](int) {
        QFileDialog dlg(&frame_, QStringLiteral("转入HPGL"), QString::fromStdString(frame_.settings().plotFolder),
                        QStringLiteral("HPGL文件 (*.PLT *.GPL *.PRN *.CUT *.HAF *.PEN *.plt *.gpl *.prn *.cut *.haf *.pen);;"
                                       "All Files (*)"));
        dlg.setOption(QFileDialog::DontUseNativeDialog);
        dlg.setFileMode(QFileDialog::ExistingFile);
        auto* geometry = new QCheckBox(QStringLiteral("导入图形"), &dlg);
        geometry->setChecked(hpglGeometry);
        if (auto* grid = qobject_cast<QGridLayout*>(dlg.layout())) grid->addWidget(geometry, grid->rowCount(), 0, 1, -1);
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return;
        hpglGeometry = geometry->isChecked();
        importHpgl(dlg.selectedFiles().front(), QApplication::keyboardModifiers() & Qt::ControlModifier, hpglGeometry);
    });
    r.add(Pane::Application, kCmdExportDxfJoined, [this](int) { exportDxf(false); }, back);
    r.add(Pane::Application, kCmdExportDxfSegments, [this](int) { exportDxf(true); }, back);
    auto front = [this](int, CommandState& st) { st.enabled = !engine_.backShown(); };
    r.add(Pane::Application, kCmdImportWireCut, [this](int) {
        QString path = QFileDialog::getOpenFileName(&frame_, QStringLiteral("转入 线切割"),
                                                    QString::fromStdString(frame_.settings().dataFolder),
                                                    QStringLiteral("线切割文件 (*.DAT *.dat)"));
        if (!path.isEmpty()) importWireCut(path);
    }, front);
    r.add(Pane::Application, kCmdExportAstm, [this](int) { exportAstm(); }, front);
    r.add(Pane::Application, kCmdImportUsm3, [this](int) {
        QString path = QFileDialog::getOpenFileName(&frame_, QStringLiteral("转入 USM3"),
                                                    QString::fromStdString(frame_.settings().dataFolder),
                                                    QStringLiteral("USM3 (*.3T2 *.3t2)"));
        if (!path.isEmpty()) importUsm3(path);
    }, front);
    r.add(Pane::Application, kCmdExportArcs, [this](int) {
        exportArcFormat(QApplication::keyboardModifiers() & Qt::ControlModifier);
    }, front);
    r.add(Pane::Application, kCmdExportStraight, [this](int) { exportStraightFormat(); }, back);
}

}  // namespace rz
