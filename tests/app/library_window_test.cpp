// The motif strip, help and settings dialogs in the offscreen window: F1 shows Vopa.cmt and
// prints it to a PDF that pdftotext reads back, 设定/高级/输出选择 reach Vopa.dat, 高级 with a
// modifier refuses until its dialog is registered, the library survives a restart, and the
// strip paints its current cell in exclusive-or and takes clicks, keys and the wheel.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/engine_controller.h"
#include "app/help_dialog.h"
#include "app/main_frame.h"
#include "app/settings_dialogs.h"
#include "app/strip_controller.h"
#include "commands/library_tools.h"
#include "model/settings_file.h"
#include "model/side_files.h"

namespace rz {
namespace {

namespace fs = std::filesystem;

struct Home {
    fs::path dir;
    Home() {
        static int n = 0;
        dir = fs::temp_directory_path() / ("rz_libwin_" + std::to_string(::getpid()) + "_" + std::to_string(++n));
        fs::remove_all(dir);
        fs::create_directories(dir / "cfg");
    }
    ~Home() { fs::remove_all(dir); }
    FrameOptions options() const {
        FrameOptions o;
        o.home = dir.string();
        o.settingsPath = (dir / "cfg" / "Vopa.dat").string();
        return o;
    }
};

// Clicks the first button of every message box that shows up while it lives.
struct BoxCloser {
    QTimer timer;
    std::vector<std::string> seen;
    BoxCloser() {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            seen.push_back(box->text().toStdString());
            box->buttons().front()->click();
        });
        timer.start();
    }
};

std::string PdfText(const std::string& pdf) {
    std::string out;
    FILE* p = ::popen(("pdftotext -enc UTF-8 '" + pdf + "' - 2>/dev/null").c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
    return out;
}

TEST(LibraryWindow, HelpShowsTheHelpTextAndPrintsIt) {
    Home h;
    auto f = std::make_unique<MainFrame>(h.options());
    ASSERT_TRUE(f->action(32800)->isEnabled());
    // The copy in the configuration folder wins over the one beside the program.
    const QString shipped = HelpFilePath(QString());
    ASSERT_FALSE(shipped.isEmpty()) << "Vopa.cmt beside the program";
    EXPECT_NE(ReadHelpText(shipped.toStdString()).find("图案保存"), std::string::npos);
    std::ofstream((h.dir / "cfg" / "Vopa.cmt").string()) << "本机说明\r\n打印测试 ABC\r\n";
    BoxCloser closer;
    QString shown, pdf;
    f->settingsCommands()->beforeExec = [&](QDialog& d) {
        auto* help = dynamic_cast<HelpDialog*>(&d);
        ASSERT_TRUE(help);
        QTimer::singleShot(0, help, [&, help] {
            shown = help->textBox()->toPlainText();
            EXPECT_TRUE(help->textBox()->isReadOnly());
            if (QPrinterInfo::availablePrinters().isEmpty()) {
                help->printButton()->click();
            } else {
                // A machine with printers: print to a file the same way.
                help->pdfFolder.clear();
                QPrinter printer;
                printer.setOutputFormat(QPrinter::PdfFormat);
                printer.setOutputFileName(QString::fromStdString((h.dir / "help.pdf").string()));
                help->printTo(printer);
            }
            pdf = help->lastPdf().isEmpty() ? QString::fromStdString((h.dir / "help.pdf").string()) : help->lastPdf();
            help->closeButton()->click();
        });
    };
    f->router().dispatch(32800);
    EXPECT_EQ(shown, "本机说明\n打印测试 ABC\n");
    ASSERT_TRUE(fs::exists(pdf.toStdString())) << pdf.toStdString();
    const std::string text = PdfText(pdf.toStdString());
    EXPECT_NE(text.find("打印测试 ABC"), std::string::npos) << text;
}

TEST(LibraryWindow, DialogValuesReachTheSettingsFile) {
    Home h;
    auto f = std::make_unique<MainFrame>(h.options());
    SettingsCommands& cmds = *f->settingsCommands();
    // 设定: the needle, the snap range and an auto-save every 20 seconds.
    cmds.beforeExec = [](QDialog& d) {
        auto* s = dynamic_cast<SetupDialog*>(&d);
        ASSERT_TRUE(s);
        s->needle->setValue(1.25);
        s->snap->setValue(12);
        s->interval->setValue(20);
        s->autoSave->setChecked(true);
        s->margins[1]->setValue(9.5);
        s->extraction->setCurrentIndex(2);
        QTimer::singleShot(0, s, &QDialog::accept);
    };
    f->router().dispatch(kCmdSetup);
    EXPECT_TRUE(f->autoSaveTimer().isActive());
    EXPECT_EQ(f->autoSaveTimer().interval(), 20000);
    // 高级: calibration and the import unit; 输出选择: a label and a switch.
    cmds.beforeExec = [](QDialog& d) {
        auto* a = dynamic_cast<AdvancedDialog*>(&d);
        ASSERT_TRUE(a);
        a->calibration[0]->setValue(25);
        a->calibration[3]->setValue(-7);
        a->importUnit->setCurrentIndex(2);
        a->maxNeedle->setValue(3.5);
        QTimer::singleShot(0, a, &QDialog::accept);
    };
    f->router().dispatch(kCmdAdvanced);
    cmds.beforeExec = [](QDialog& d) {
        auto* o = dynamic_cast<OutputSelectionDialog*>(&d);
        ASSERT_TRUE(o);
        o->labels[5]->setText(QStringLiteral("样板样板"));  // four characters: cut to two
        o->switches[0][6]->setChecked(true);
        QTimer::singleShot(0, o, &QDialog::accept);
    };
    f->router().dispatch(kCmdOutputSelection);
    // 取消 keeps everything.
    cmds.beforeExec = [](QDialog& d) {
        auto* s = dynamic_cast<SetupDialog*>(&d);
        s->needle->setValue(9.0);
        QTimer::singleShot(0, s, &QDialog::reject);
    };
    f->router().dispatch(kCmdSetup);
    // 高级 with Alt, Ctrl or Shift held: the window wires each to its subsystem's dialog; one
    // that is missing refuses with the tone and opens no dialog.
    EXPECT_TRUE(cmds.advancedAlt && cmds.advancedCtrl && cmds.advancedShift);
    cmds.advancedAlt = cmds.advancedCtrl = cmds.advancedShift = nullptr;
    int dialogs = 0;
    cmds.beforeExec = [&](QDialog& d) {
        ++dialogs;
        QTimer::singleShot(0, &d, &QDialog::reject);
    };
    for (Qt::KeyboardModifier m : {Qt::AltModifier, Qt::ControlModifier, Qt::ShiftModifier}) {
        const int played = f->platform().tones().played();
        cmds.modifiers = [m] { return Qt::KeyboardModifiers(m); };
        f->router().dispatch(kCmdAdvanced);
        EXPECT_EQ(f->platform().tones().played(), played + 1);
    }
    int vectorised = 0;
    cmds.advancedAlt = [&] { ++vectorised; };
    cmds.modifiers = [] { return Qt::KeyboardModifiers(Qt::AltModifier); };
    f->router().dispatch(kCmdAdvanced);
    EXPECT_EQ(vectorised, 1);
    EXPECT_EQ(dialogs, 0);

    f.reset();  // exit: Vopa.dat is written
    SettingsReadReport rep;
    Settings s = readSettingsFile(h.options().settingsPath, h.dir.string(), &rep);
    ASSERT_TRUE(rep.complete);
    EXPECT_FLOAT_EQ(s.needleDiameter, 125.0f);
    EXPECT_EQ(s.snapRange, 12);
    EXPECT_EQ(s.autoSaveInterval, 20000);
    EXPECT_FLOAT_EQ(s.seamAllowances[1], 950.0f);
    EXPECT_EQ(s.extractionMethod[0], 2);
    EXPECT_FLOAT_EQ(s.scan.xFactor, 1.0025f);
    EXPECT_FLOAT_EQ(s.scan.shearY, -0.0007f);
    EXPECT_EQ(s.scan.reserved, 2);
    EXPECT_FLOAT_EQ(s.scan.maxNeedle, 350.0f);
    EXPECT_EQ(s.columnLabels[5], "样板");
    EXPECT_EQ(s.outputMatrix[0][6], 1);
    EXPECT_EQ(s.outputMatrix[1][0], 0);
}

TEST(LibraryWindow, StripPaintsTakesInputAndTheLibrarySurvivesARestart) {
    Home h;
    auto f = std::make_unique<MainFrame>(h.options());
    f->resize(1400, 900);
    f->show();
    QApplication::setActiveWindow(f.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.get()));
    MotifStrip* w = f->strip();
    StripController& sc = *f->stripController();
    sc.sync();
    const int H = w->height(), W = w->width();
    ASSERT_GE(H, 40);
    EXPECT_EQ(sc.strip().view, StripView::Motif);
    EXPECT_EQ(f->doc().library.cells[21].pins.size(), 1u);  // no file yet: the built-in library
    // The current cell is inverted in exclusive-or: its empty interior shows the work
    // background (black) xor 0x7F2000.
    f->doc().library.currentCell = 15;
    QImage img = w->grab().toImage();
    const PixelRect r = sc.strip().cellRect(15);
    EXPECT_EQ(img.pixelColor(r.left + 4, r.top + 4), QColor(0x00, 0x20, 0x7F));
    EXPECT_EQ(img.pixelColor(sc.strip().cellRect(14).left + 4, r.top + 4), QColor(0, 0, 0));

    // A click selects a cell, the use-size panel changes it, the arrows and the wheel move on.
    const int cs = H / 2;
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(cs * 2 + 3, 3));
    EXPECT_EQ(f->doc().library.currentCell, 2);
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(W - 50, H / 2 - 5));
    EXPECT_EQ(f->doc().library.cells[2].useW, 600.0f);
    f->engine()->engine().OnKeyDown({key::Right, 0});
    EXPECT_EQ(f->doc().library.currentCell, 3);
    QWheelEvent wheel(QPointF(10, 10), w->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &wheel);
    EXPECT_EQ(f->doc().library.currentCell, 2);
    // 选区 toggles the view; page 4 shows the pieces.
    f->router().dispatch(kCmdToggleStrip);
    EXPECT_EQ(sc.strip().view, StripView::Piece);
    f->router().dispatch(kCmdToggleStrip);
    // The motif popup on the current cell: 删除此图案 empties it (cell 2 holds "划").
    std::vector<bool> offered;
    sc.popupMenu = [&](const std::vector<std::pair<int, std::string>>& items, const std::vector<bool>& on, QPoint) {
        offered = on;
        return items[2].first;
    };
    QTest::mouseClick(w, Qt::RightButton, {}, QPoint(cs * 2 + 3, 3));
    EXPECT_EQ(offered, (std::vector<bool>{true, false, true}));
    EXPECT_TRUE(f->doc().library.cells[2].empty());
    EXPECT_EQ(f->doc().library.cells[2].useW, 0.0f);
    // F5 is the motif area's 图案保存.
    EXPECT_TRUE(f->action(kCmdSaveMotif)->isEnabled());
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(W - 30, H / 2 - 5));
    EXPECT_EQ(f->doc().library.cells[0].useW, 210.0f);

    f.reset();  // exit: the library is written beside Vopa.dat
    const fs::path ptn = h.dir / "cfg" / kLibraryFileName;
    ASSERT_TRUE(fs::exists(ptn));
    EXPECT_FALSE(fs::exists(ptn.string() + ".bak"));
    auto g = std::make_unique<MainFrame>(h.options());
    EXPECT_TRUE(g->doc().library.cells[2].empty());
    EXPECT_EQ(g->doc().library.cells[0].useW, 210.0f);
    EXPECT_EQ(g->doc().library.cells[21].pins.size(), 1u);
}

}  // namespace
}  // namespace rz
