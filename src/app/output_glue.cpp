#include "app/output_glue.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSettings>

#include "app/drawing_glue.h"
#include "app/main_frame.h"
#include "app/output_dialogs.h"
#include "app/view_controller.h"
#include "grading/display.h"
#include "model/settings_file.h"
#include "output/cutfile.h"
#include "output/graded_sheet.h"
#include "output/graded_tools.h"
#include "output/job.h"
#include "material/back_tools.h"
#include "qtcanvas/sheet_pdf.h"

namespace rz {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Where a sheet point lands on paper (mm from the page's top left): drawing scale, mirrors and
// print correction apply here and never to the cutter's stream.
QPointF PaperPoint(PointF q, const SheetSettings& s, WorkRange a) {
    double x = q.x, y = q.y;
    if (s.words[0] & kSheetMirrorX) x = a.w - x;
    if (s.words[0] & kSheetMirrorY) y = a.h - y;
    x = x * s.getFloat(sheetword::Correction) + s.getFloat(sheetword::Correction + 2) * a.w;
    y = y * s.getFloat(sheetword::Correction + 1) + s.getFloat(sheetword::Correction + 3) * a.h;
    const double scale = s.getFloat(sheetword::Scale) > 0 ? s.getFloat(sheetword::Scale) : 1.0;
    return {x / 100.0 / scale, (a.h - y) / 100.0 / scale};
}

}  // namespace

OutputGlue::OutputGlue(MainFrame& frame, Engine& engine) : QObject(&frame), frame_(frame) {
    out_ = std::make_unique<OutputCommands>(engine);
    out_->ports = readPorts();
    out_->font = &frame_.view()->font();
    out_->jobEnded = [this](int) { frame_.refreshCommandStates(); };
    InstallGradedOutputTools(engine, &frame_.view()->font());
    MaterialServices material;
    material.font = &frame_.view()->font();
    material.popup = DrawingPopup(frame_);
    material.moveHead = [this](PointF at) { return out_->moveHead(at); };
    InstallMaterialTools(engine, std::move(material));
    // Page Up/Down on the back screen: the graded parts of the page (the pieces on the pieces
    // page), size by size.
    out_->sizes.sizeCount = [](const TDoc& doc) { return (doc.design.flags & kDesignGraded) ? doc.design.n : 0; };
    out_->sizes.currentSize = [](const TDoc& doc) { return doc.design.baseIndex; };
    out_->sizes.setCurrentSize = [](TDoc& doc, int i) {
        if (i < 0 || i >= doc.design.n) return;
        doc.design.baseIndex = i;
        ApplyDisplayRule(doc.design, doc.settings.displayFlags);
    };
    out_->sizes.generate = [this](TDoc& doc, PLTC& sheet, const std::vector<int>& list) {
        GradedOutputOptions o;
        o.font = out_->font;
        o.corner = doc.settings.cornerFlag() != 0;
        OutputPage(sheet, doc.design, doc.settings, doc.currentPage(), false, list, o);
    };
    // The engine's hook of key "." also drops a shown output order.
    auto lay = engine.hooks.layOntoSheet;
    engine.hooks.layOntoSheet = [this, lay] {
        clearOrder();
        lay();
    };

    frame_.view()->backOverlay = [this](Canvas& c) {
        if (order_) DrawOrderView(*order_, frame_.view()->state().view, c);
    };
    for (int i = 0; i < 2; ++i) {
        CloseScreen& cs = frame_.sheetScreens[size_t(i)];
        cs.modified = [this, i] { return out_->sheet(i).dirty != 0; };
        cs.jobRunning = [this, i] { return out_->jobRunning(i); };
        cs.stopJob = [this, i] { out_->stopJob(i, false); };
        cs.clear = [this, i] { out_->sheet(i).dirty = 0; };
        cs.show = [this, i] {
            ViewState& vs = frame_.view()->state();
            if (!vs.backShown) frame_.view()->swapScreens();
            if (vs.currentSheet != i) frame_.view()->switchSheet();
        };
    }
    frame_.openBackFile = [this](const std::string& p) { return openCutFile(p); };
    frame_.saveBackFile = [this] { saveCommand(); };
    frame_.reopenBackFile = [this] {
        PLTC& s = out_->current();
        if (!s.path.empty()) openCutFile(s.path);
    };
    frame_.clearBackSheet = [this] { clearSheet(); };

    poll_.setInterval(100);
    connect(&poll_, &QTimer::timeout, this, [this] { afterJobs(); });
    poll_.start();
    registerCommands();
}

OutputGlue::~OutputGlue() { poll_.stop(); }

PortMap OutputGlue::readPorts() {
    QSettings s;
    PortMap m;
    m.lpt1 = s.value(QStringLiteral("Ports/LPT1"), Q(m.lpt1)).toString().toStdString();
    m.lpt2 = s.value(QStringLiteral("Ports/LPT2"), Q(m.lpt2)).toString().toStdString();
    return m;
}

void OutputGlue::writePorts(const PortMap& m) {
    QSettings s;
    s.setValue(QStringLiteral("Ports/LPT1"), Q(m.lpt1));
    s.setValue(QStringLiteral("Ports/LPT2"), Q(m.lpt2));
}

void OutputGlue::afterJobs() {
    const bool running = out_->poll();
    if (running != running_) frame_.refreshCommandStates();
    running_ = running;
}

void OutputGlue::clearOrder() {
    if (!order_) return;
    order_.reset();
    frame_.view()->redraw();
}

FileResult OutputGlue::openCutFile(const std::string& path) {
    FileResult r;
    Platform& pf = frame_.platform();
    PLTC& s = out_->current();
    std::vector<uint8_t> bytes;
    std::string err;
    if (!ReadFileBytes(path, bytes, &err)) {
        r.status = FileStatus::CannotOpen;
        pf.warn("不能打开 " + path);
        return r;
    }
    CutFileContent c = ReadCutFile(bytes);
    if (c.form == CutFileForm::Unknown) {
        r.status = FileStatus::NotAPattern;
        pf.warn(path + " 不是切割文件");
        return r;
    }
    if (s.busy.load()) {
        r.status = FileStatus::Declined;
        pf.warn("正在直接输出样板！");
        return r;
    }
    if (s.dirty && !pf.ask("放弃后屏所做修改？")) {
        r.status = FileStatus::Declined;
        return r;
    }
    clearOrder();
    s.items = std::move(c.items);
    s.material = std::move(c.material);
    s.nextPieceId = c.nextPieceId;
    s.sorted = 0;
    s.dirty = 0;
    s.ring.reset(s.state());
    s.name = s.path = path;
    s.readTruncated = c.truncated;
    r.truncated = c.truncated;
    if (c.truncated) pf.warn(path + " 不完整：已读入其中完好的部分。保存前会先提问。");
    frame_.view()->setTitleForScreen();
    frame_.view()->redraw();
    return r;
}

bool OutputGlue::saveCutFile(const std::string& path) {
    PLTC& s = out_->current();
    std::string err;
    if (!WriteFileAtomic(path, WriteCutFile(s.items, s.material), &err)) {
        frame_.platform().warn("不能打开 " + path);
        return false;
    }
    s.dirty = 0;
    s.name = s.path = path;
    s.readTruncated = false;
    frame_.view()->setTitleForScreen();
    return true;
}

void OutputGlue::saveCommand() {
    PLTC& s = out_->current();
    const std::string folder = frame_.settings().dataFolder;
    ensureFolder(folder);
    const std::string start = s.path.empty() ? folder + "Vopa.out" : s.path;
    QFileDialog dlg(&frame_, QStringLiteral("保存"), Q(folder), QStringLiteral("切割文件 (*.OUT *.out)"));
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setDefaultSuffix(QStringLiteral("OUT"));
    dlg.selectFile(Q(start));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return;
    const std::string path = dlg.selectedFiles().front().toStdString();
    // Also what keeps a truncated read from quietly replacing its whole file.
    if (QFileInfo::exists(Q(path)) && !frame_.platform().ask("复盖已有文件？")) return;
    if (saveCutFile(path)) frame_.addRecent(path);
}

void OutputGlue::clearSheet() {
    PLTC& s = out_->current();
    if (s.busy.load()) {
        frame_.platform().warn("正在直接输出样板！");
        return;
    }
    if (s.dirty && !frame_.platform().ask("放弃后屏所做修改？")) return;
    clearOrder();
    s.clearItems();
    s.pushLayout();  // 退一步 brings the sheet back
    frame_.view()->redraw();
}

void OutputGlue::printPdf() {
    clearOrder();
    if (!out_->preparePdf()) return;
    PLTC& s = out_->current();
    const std::string folder = frame_.settings().dataFolder;
    ensureFolder(folder);
    QString path = QFileDialog::getSaveFileName(&frame_, QStringLiteral("打印到PDF"), Q(folder + "sheet.pdf"),
                                                QStringLiteral("PDF (*.pdf)"), nullptr, QFileDialog::DontUseNativeDialog);
    if (!path.isEmpty()) {
        std::vector<Polyline> lines;
        for (const PlotItem& it : s.items)
            if (it.flags & kItemChosen) lines.push_back(it.points);
        std::string err;
        if (!WriteSheetPdf(path.toStdString(), lines, s.name, {}, err)) frame_.platform().warn("不能打开 " + path.toStdString());
    }
    out_->finishPrint();
    frame_.view()->redraw();
}

void OutputGlue::print() {
    clearOrder();
    if (!out_->preparePrint()) return;
    PLTC& s = out_->current();
    const SheetSettings& b = s.settings();
    const std::vector<PrinterInfo> printers = frame_.platform().printers();
    const PrinterInfo& chosen = printers[size_t(PrinterIndex(SheetInt(b, sheetword::Printer), printers.size()))];
    QPrinter printer(QPrinterInfo::printerInfo(Q(chosen.name)), QPrinter::HighResolution);
    printer.setDocName(Q(s.name));
    QPainter p;
    if (p.begin(&printer)) {
        const double pxPerMm = printer.resolution() / 25.4;
        const WorkRange a = s.area();
        for (const PlotItem& it : s.items) {
            if (!(it.flags & kItemChosen)) continue;
            QPolygonF poly;
            for (PointF q : it.points) poly << PaperPoint(q, b, a) * pxPerMm;
            if (poly.size() == 1) p.drawEllipse(poly[0], pxPerMm * 0.5, pxPerMm * 0.5);
            else p.drawPolyline(poly);
        }
        p.end();
    } else {
        frame_.platform().warn("不能打开 " + chosen.name);
    }
    out_->finishPrint();
    frame_.view()->redraw();
}

void OutputGlue::deviceDialog() {
    TDoc& doc = frame_.doc();
    const int cur = out_->currentIndex();
    PLTC& s = out_->current();
    DeviceDialogModel m;
    m.block = s.settings();
    m.printers = frame_.platform().printers();
    for (int i = 0; i < 5; ++i) m.keys[size_t(i)] = doc.settings.cutSetup.keys[size_t(i)];
    DeviceDialog dlg(&frame_, frame_.platform(), m, out_->ports, doc.settings.centimetreDisplay == 1);
    if (dlg.exec() != QDialog::Accepted) return;
    for (int i = 0; i < 5; ++i) doc.settings.cutSetup.keys[size_t(i)] = dlg.model().keys[size_t(i)];
    DeviceAccept a = AcceptDeviceDialog(s.settings(), dlg.model());
    if (!a.taken) return;
    if (a.areaChanged) {
        // The material records stay: 算料 works on the width and height each stored at its 排刀.
        // The sheet's view is refitted to show the whole new area.
        ViewState& vs = frame_.view()->state();
        if (vs.backShown && vs.currentSheet == cur) {
            vs.view.setWorkRange(s.area());
        } else {
            View v = vs.view;
            ToolState t;
            LoadView(vs.screens[size_t(1 + cur)], v, t);
            v.setWorkRange(s.area());
            StoreView(v, t, vs.screens[size_t(1 + cur)]);
        }
    }
    if (frame_.view()->state().backShown) frame_.view()->redraw();
}

void OutputGlue::cutSetupDialog() {
    Settings& st = frame_.settings();
    const bool back = frame_.view()->state().backShown;
    PLTC& s = out_->current();
    CutSetupDialog dlg(&frame_, back, s.settings(), st.cutSetup.cutBits);
    dlg.apply = [this, back](const CutSetupDialog& d) {
        // 应用 on the back screen: the tools of the edited block, without storing it. On the front
        // screen the bits are stored; new elements take their tools from them.
        if (back) out_->applyCutSettings(d.block());
        else frame_.settings().cutSetup.cutBits = (frame_.settings().cutSetup.cutBits & ~kSheetCutBits) | d.bits();
    };
    if (dlg.exec() != QDialog::Accepted) return;
    if (back) s.settings() = dlg.block();
    else st.cutSetup.cutBits = (st.cutSetup.cutBits & ~kSheetCutBits) | dlg.bits();
}

void OutputGlue::registerCommands() {
    CommandRouter& r = frame_.router();
    auto backOnly = [this](int, CommandState& st) { st.enabled = frame_.view()->state().backShown; };
    r.add(Pane::Application, kCmdCut, [this](int) {
        clearOrder();
        const Qt::KeyboardModifiers m = QGuiApplication::queryKeyboardModifiers();
        out_->cut(m & Qt::ShiftModifier, m & Qt::AltModifier);
        afterJobs();
    });
    // Shift+打印: the sheet at true scale as a PDF, tiled over A4 pages.
    r.add(Pane::Application, kCmdPrint, [this](int) {
        if (QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier) printPdf();
        else print();
    });
    r.add(Pane::Drawing, kCmdOrder, [this](int) {
        order_ = out_->orderView();
        frame_.view()->redraw();
    }, backOnly);
    r.add(Pane::Drawing, kCmdArrange, [this](int) {
        clearOrder();
        out_->arrange();
    }, backOnly);
    // 标尺 and 边框: the ruler cross and the border of the sheet shown, on and off.
    for (const auto& [id, bit] : {std::pair{kCmdRuler, kSheetRuler}, std::pair{kCmdBorder, kSheetBorder}})
        r.add(
            Pane::Drawing, id,
            [this, bit](int) {
                out_->current().settings().words[0] ^= bit;
                frame_.view()->redraw();
            },
            [this, bit](int, CommandState& st) {
                st.enabled = frame_.view()->state().backShown;
                st.checkable = true;
                st.checked = st.enabled && (out_->current().settings().words[0] & bit) != 0;
            });
    r.add(Pane::Drawing, kCmdMaterialReport, [this](int) {
        clearOrder();
        RunMaterialReport(out_->engine, &frame_.view()->font());
    }, backOnly);
    r.add(Pane::StatusBar, kCmdCutSetup, [this](int) { cutSetupDialog(); });
    r.add(Pane::StatusBar, kCmdDevice, [this](int) { deviceDialog(); });
    r.add(Pane::StatusBar, kCmdPorts, [this](int) {
        const int cur = out_->currentIndex();
        PortDialog dlg(&frame_, cur, out_->current().settings(), out_->ports);
        if (dlg.exec() != QDialog::Accepted) return;
        out_->current().settings() = dlg.block();
        out_->ports = dlg.ports();
        writePorts(out_->ports);
    });
    r.add(Pane::StatusBar, kCmdPrintCorrection, [this](int) {
        PrintCorrectionDialog dlg(&frame_, out_->current().settings());
        if (dlg.exec() == QDialog::Accepted) out_->current().settings() = dlg.block();
    });
    r.add(Pane::StatusBar, kCmdPenColours, [this](int) {
        PenColourDialog dlg(&frame_, frame_.settings().penNumbers);
        if (dlg.exec() == QDialog::Accepted) frame_.settings().penNumbers = dlg.pens();
    });
}

}  // namespace rz
