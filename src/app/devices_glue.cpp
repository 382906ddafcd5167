#include "app/devices_glue.h"

#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDevice>
#include <QMessageBox>
#include <QPointingDevice>
#include <QScreen>
#include <QSettings>
#include <QTabletEvent>

#include "app/device_dialogs.h"
#include "app/main_frame.h"
#include "app/view_controller.h"
#include "devices/calibrate.h"
#include "devices/pictures.h"
#include "devices/tablet_info.h"
#include "qtcanvas/qt_images.h"

namespace rz {

namespace {

constexpr int kCmdDigitizer = 32871;     // 数字化仪 > 开/关
constexpr int kCmdTabletInfo = 32872;    // 数字化仪 > 信息
constexpr int kCmdSerialSetup = 34207;   // 数字化仪 > 串口定义
constexpr int kCmdScan = 32833;          // 扫描输入
constexpr int kCmdScanDigitFirst = 32778;  // Alt+1 … Alt+9
constexpr int kCmdScanDigitLast = 32786;
constexpr int kCmdScanUpToFirst = 32787;   // Ctrl+2 … Ctrl+9
constexpr int kCmdScanUpToLast = 32794;
constexpr int kCmdInsertPicture = 34114;  // 插入背景
constexpr int kCmdClearPictures = 34115;  // 清除背景

const char* kSerialPathKey = "Serial/path";

bool IsTablet(const QInputDevice* d) {
    auto t = d->type();
    return t == QInputDevice::DeviceType::Stylus || t == QInputDevice::DeviceType::Airbrush ||
           t == QInputDevice::DeviceType::Puck;
}

int ButtonNumber(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton: return 0;
    case Qt::MiddleButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::BackButton: return 3;
    case Qt::ForwardButton: return 4;
    default: return -1;
    }
}

QString Folder(const std::string& f) { return QString::fromStdString(f); }

std::string FolderOf(const QString& path) {
    std::string d = QFileInfo(path).absolutePath().toStdString();
    if (!d.empty() && d.back() != '/') d += '/';
    return d;
}

}  // namespace

DevicesGlue::DevicesGlue(MainFrame& frame, Engine& engine)
    : QObject(&frame), frame_(frame), engine_(engine), mode_(std::make_unique<DigitizerMode>(engine)) {
    InstallCalibrationTool(engine_);
    InstallPictureTool(engine_);
    // The curve settings read with the settings file are the ones the curves use.
    const CurveSettings& cv = frame.settings().curve;
    TSmooth& sm = frame.doc().smooth;
    sm.joinDistance = cv.joinDistance;
    sm.refitChord = cv.refitChord;
    sm.refitTolerance = cv.refitTolerance;
    sm.arcFitTolerance = cv.arcFitTolerance;
    sm.straightTolerance = cv.straightness;

    mode_->onChange = [this](bool on) {
        // While the tablet is on, every command but F7 waits.
        if (on) frame_.router().gate = [](int id) { return id == kCmdDigitizer; };
        else frame_.router().gate = nullptr;
        frame_.refreshCommandStates();
    };
    frame.drawing()->installEventFilter(this);
    registerCommands();
}

DevicesGlue::~DevicesGlue() = default;

void DevicesGlue::shutdown() {
    if (mode_->active()) mode_->Stop();
}

void DevicesGlue::redraw() {
    engine_.designChanged();
    frame_.view()->redraw();
}

std::string DevicesGlue::serialPath() const {
    return QSettings().value(kSerialPathKey).toString().toStdString();
}

// ---------------------------------------------------------------- digitizer

void DevicesGlue::toggleDigitizer() {
    if (mode_->active()) {
        mode_->Stop();
        return;
    }
    if (frame_.settings().generalFlags & kGenSerialTablet) {
        // The reader thread only asks for a drain; the records are taken here, on this thread.
        mode_->StartSerial(serialPath(), [this] {
            QMetaObject::invokeMethod(this, [this] { mode_->Drain(); }, Qt::QueuedConnection);
        });
        return;
    }
    bool tablet = false;
    for (const QInputDevice* d : QInputDevice::devices()) tablet = tablet || IsTablet(d);
    if (!tablet) {
        engine_.tone(kToneRefused);
        return;
    }
    mode_->StartExternal();
}

bool DevicesGlue::eventFilter(QObject* watched, QEvent* e) {
    if (watched == frame_.drawing()) {
        switch (e->type()) {
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
            return tabletEvent(static_cast<QTabletEvent*>(e));
        default: break;
        }
    }
    return QObject::eventFilter(watched, e);
}

bool DevicesGlue::tabletEvent(QTabletEvent* e) {
    // Without digitizer mode, or with the serial tablet, the pen is a mouse as Qt makes it.
    if (!mode_->active() || (frame_.settings().generalFlags & kGenSerialTablet)) return false;
    QRect area = e->pointingDevice() ? e->pointingDevice()->availableVirtualGeometry() : QRect();
    if (!area.isValid() && QGuiApplication::primaryScreen()) area = QGuiApplication::primaryScreen()->virtualGeometry();
    if (!area.isValid() || area.width() <= 0 || area.height() <= 0) return false;
    // The tablet's whole area is the range of the 范围 setting, y up.
    PointF size = TabletRangeSize(frame_.settings().serial.range);
    if (size.x <= 0 || size.y <= 0) size = {frame_.settings().cutSetup.customWidth, frame_.settings().cutSetup.customHeight};
    QPointF g = e->globalPosition();
    double nx = (g.x() - area.left()) / area.width(), ny = (g.y() - area.top()) / area.height();
    PointF model{float(nx * size.x), float((1.0 - ny) * size.y)};
    TabletRecord r;
    r.x = int32_t(model.x), r.y = int32_t(model.y);
    int n = ButtonNumber(e->button());
    if (e->type() == QEvent::TabletPress && n >= 0) {
        r.event = kTabletPress | uint32_t(n);
    } else if (e->type() == QEvent::TabletRelease && n >= 0) {
        r.event = kTabletRelease | uint32_t(n);
    }
    mode_->Deliver(r, model);
    // Accepted, or Qt would make mouse clicks of it as well.
    e->accept();
    return true;
}

void DevicesGlue::tabletInfo() {
    auto t = FindTablet();
    if (!t) {
        engine_.tone(kToneRefused);
        return;
    }
    QMessageBox::information(&frame_, QStringLiteral("提示"), QString::fromStdString(TabletInfoText(*t)));
}

void DevicesGlue::serialDialog() {
    Settings& s = frame_.settings();
    QSettings qs;
    SerialDialog dlg(&frame_, s.serial, s.generalFlags & kGenSerialTablet, qs.value(kSerialPathKey).toString());
    if (dlg.exec() != QDialog::Accepted) return;
    s.serial = dlg.settings();
    if (dlg.enabled()) s.generalFlags |= kGenSerialTablet;
    else s.generalFlags &= ~kGenSerialTablet;
    if (dlg.path().isEmpty()) qs.remove(kSerialPathKey);
    else qs.setValue(kSerialPathKey, dlg.path());
}

// ---------------------------------------------------------------- scan input

ScanReport DevicesGlue::scanFile(const QString& path) {
    Settings& s = frame_.settings();
    WaitCursor busy(frame_.platform());
    // The stage texts go through the engine, so that its prompt comes back afterwards.
    auto stage = [this](const char* text) {
        engine_.ShowPromptText(text);
        if (QLabel* pane = frame_.statusPane(3)) pane->repaint();
    };
    stage("读入图象...");
    ScanImage img;
    ScanReport rep;
    if (path.endsWith(QStringLiteral(".bmp"), Qt::CaseInsensitive)) {
        rep.error = ReadBmpFile(path.toStdString(), img);
    } else {
        std::string why;
        if (!ReadScanImage(path.toStdString(), img, &why)) rep.error = ImageError::CannotOpen;
    }
    if (!rep.ok()) {
        engine_.tone(kToneRefused);
        engine_.ShowPromptText(std::string(ImageErrorText(rep.error)) + "：" + QFileInfo(path).fileName().toStdString());
        return rep;
    }
    rep = ScanIntoDocument(frame_.doc(), img, ScanMethod(s.scan.scanMethod), stage);
    engine_.UpdateModeStatus();
    redraw();
    return rep;
}

void DevicesGlue::scanCommand() {
    Settings& s = frame_.settings();
    QString path = QFileDialog::getOpenFileName(&frame_, QStringLiteral("扫描输入"), Folder(s.scan.bitmapFolder),
                                                QStringLiteral("二值图象文件 (*.BMP *.bmp *.PNG *.png *.TIF *.tif *.TIFF *.tiff)"));
    if (path.isEmpty()) return;
    // The bitmap folder follows the file chosen, unless the data folders are kept (缺省路径).
    if (!(s.generalFlags & kGenKeepDataFolder)) s.scan.bitmapFolder = FolderOf(path);
    scanFile(path);
}

void DevicesGlue::scanNumbered(int first, int last) {
    for (int n = first; n <= last; ++n) {
        QString path = Folder(frame_.settings().scan.bitmapFolder) + QString::number(n) + QStringLiteral(".bmp");
        scanFile(path);
    }
}

// ---------------------------------------------------------------- pictures

bool DevicesGlue::insertPicture(const QString& path) {
    std::string why;
    auto pic = ReadPicture(path.toStdString(), &why);
    if (!pic || !InsertPicture(frame_.doc(), engine_.vs.view, pic)) {
        engine_.tone(kToneRefused);
        engine_.ShowPromptText("不能打开 " + QFileInfo(path).fileName().toStdString());
        return false;
    }
    redraw();
    return true;
}

void DevicesGlue::pictureCommand() {
    QString path = QFileDialog::getOpenFileName(
        &frame_, QStringLiteral("插入背景"), Folder(frame_.settings().pictureFolder),
        QStringLiteral("图象文件 (*.BMP *.bmp *.PNG *.png *.JPG *.jpg *.JPEG *.jpeg *.TIF *.tif *.TIFF *.tiff)"));
    if (!path.isEmpty()) insertPicture(path);
}

// ---------------------------------------------------------------- 高级

void DevicesGlue::vectoriserDialog() {
    Settings& s = frame_.settings();
    TSmooth& sm = frame_.doc().smooth;
    VectoriserDialog dlg(&frame_, s.scan, sm.joinDistance);
    if (dlg.exec() != QDialog::Accepted) return;
    dlg.store(s.scan, sm.joinDistance);
    s.curve.joinDistance = sm.joinDistance;
}

void DevicesGlue::arcFitDialog() {
    Settings& s = frame_.settings();
    TSmooth& sm = frame_.doc().smooth;
    ArcFitDialog dlg(&frame_, sm);
    if (dlg.exec() != QDialog::Accepted) return;
    dlg.store(sm);
    s.curve.arcFitTolerance = sm.arcFitTolerance;
    s.curve.straightness = sm.straightTolerance;
}

// ---------------------------------------------------------------- commands

void DevicesGlue::registerCommands() {
    CommandRouter& r = frame_.router();
    auto front = [this](int, CommandState& st) { st.enabled = !engine_.backShown(); };
    r.add(Pane::Drawing, kCmdDigitizer, [this](int) { toggleDigitizer(); },
          [this](int, CommandState& st) {
              st.checkable = true;
              st.checked = mode_->active();
          });
    r.add(Pane::Drawing, kCmdTabletInfo, [this](int) { tabletInfo(); });
    r.add(Pane::StatusBar, kCmdSerialSetup, [this](int) { serialDialog(); });
    r.add(Pane::Application, kCmdScan, [this](int) { scanCommand(); }, front);
    r.addRange(Pane::Application, kCmdScanDigitFirst, kCmdScanDigitLast,
               [this](int id) { scanNumbered(id - kCmdScanDigitFirst + 1, id - kCmdScanDigitFirst + 1); }, front);
    r.addRange(Pane::Application, kCmdScanUpToFirst, kCmdScanUpToLast,
               [this](int id) { scanNumbered(1, id - kCmdScanUpToFirst + 2); }, front);
    r.add(Pane::Application, kCmdInsertPicture, [this](int) { pictureCommand(); }, front);
    r.add(Pane::Frame, kCmdClearPictures,
          [this](int) {
              if (ClearPictures(frame_.doc())) redraw();
          },
          [this](int, CommandState& st) { st.enabled = !engine_.backShown() && !frame_.doc().pictures.empty(); });
}

}  // namespace rz
