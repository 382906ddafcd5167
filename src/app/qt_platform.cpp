#include "app/qt_platform.h"

#include <QPrinter>
#include <QPrinterInfo>

#include <QApplication>
#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBitmap>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMediaDevices>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>
#include <cstring>

#include "app/dialogs.h"
#include "app/tone.h"

namespace rz {

// ---------------------------------------------------------------- tones

TonePlayer::TonePlayer(QObject* parent) : QObject(parent) {}

TonePlayer::~TonePlayer() { stop(); }

void TonePlayer::stop() {
    if (sink_) {
        sink_->stop();
        delete sink_;
        sink_ = nullptr;
    }
    delete buffer_;
    buffer_ = nullptr;
}

void TonePlayer::play(int hz) {
    ++played_;
    if (!probed_) {
        probed_ = true;
        available_ = !QMediaDevices::defaultAudioOutput().isNull();
    }
    if (!available_) return;
    const QAudioDevice dev = QMediaDevices::defaultAudioOutput();
    QAudioFormat fmt;
    fmt.setSampleRate(22050);
    fmt.setChannelCount(1);
    fmt.setSampleFormat(QAudioFormat::Int16);
    if (!dev.isFormatSupported(fmt)) fmt = dev.preferredFormat();
    if (!fmt.isValid() || fmt.sampleRate() <= 0) return;

    const std::vector<float> mono = toneSamples(hz, kToneMillis, fmt.sampleRate());
    const int ch = std::max(1, fmt.channelCount());
    QByteArray pcm;
    pcm.reserve(static_cast<int>(mono.size()) * ch * fmt.bytesPerSample());
    for (float v : mono) {
        for (int c = 0; c < ch; ++c) {
            switch (fmt.sampleFormat()) {
                case QAudioFormat::UInt8: {
                    char b = static_cast<char>(static_cast<uint8_t>(128 + v * 127));
                    pcm.append(b);
                    break;
                }
                case QAudioFormat::Int16: {
                    int16_t s = static_cast<int16_t>(v * 32767);
                    pcm.append(reinterpret_cast<const char*>(&s), 2);
                    break;
                }
                case QAudioFormat::Int32: {
                    int32_t s = static_cast<int32_t>(v * 2147483647.0);
                    pcm.append(reinterpret_cast<const char*>(&s), 4);
                    break;
                }
                case QAudioFormat::Float:
                    pcm.append(reinterpret_cast<const char*>(&v), 4);
                    break;
                default:
                    return;
            }
        }
    }
    // A new tone cuts the previous one short, as quick successive clicks expect.
    stop();
    buffer_ = new QBuffer;
    buffer_->setData(pcm);
    buffer_->open(QIODevice::ReadOnly);
    sink_ = new QAudioSink(dev, fmt);
    QAudioSink* sink = sink_;
    QObject::connect(sink_, &QAudioSink::stateChanged, this, [this, sink](QAudio::State st) {
        if (sink == sink_ && (st == QAudio::IdleState || st == QAudio::StoppedState) &&
            sink_->error() != QAudio::NoError) {
            // The device went away: stay silent from now on.
            available_ = false;
        }
        if (sink == sink_ && st == QAudio::IdleState) sink_->stop();
    });
    sink_->start(buffer_);  // returns at once; the samples play from the event loop
}

// ---------------------------------------------------------------- cursors

namespace {

QCursor drawnCursor(const std::function<void(QPainter&)>& draw, int hotX, int hotY) {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    {
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        // A white halo under a black stroke reads on every background.
        p.setPen(QPen(Qt::white, 3));
        draw(p);
        p.setPen(QPen(Qt::black, 1));
        draw(p);
    }
    return QCursor(pm, hotX, hotY);
}

}  // namespace

QCursor cursorFor(CursorKind kind) {
    static std::map<CursorKind, QCursor> cache;
    auto it = cache.find(kind);
    if (it != cache.end()) return it->second;
    QCursor c;
    switch (kind) {
        case CursorKind::Arrow: c = QCursor(Qt::ArrowCursor); break;
        case CursorKind::Wait: c = QCursor(Qt::WaitCursor); break;
        case CursorKind::Cross:
            c = drawnCursor([](QPainter& p) {
                p.drawLine(16, 2, 16, 30);
                p.drawLine(2, 16, 30, 16);
            }, 16, 16);
            break;
        case CursorKind::Pick:
            c = drawnCursor([](QPainter& p) {
                p.drawRect(12, 12, 8, 8);
                p.drawLine(16, 2, 16, 10);
                p.drawLine(16, 22, 16, 30);
                p.drawLine(2, 16, 10, 16);
                p.drawLine(22, 16, 30, 16);
            }, 16, 16);
            break;
        case CursorKind::Move: c = QCursor(Qt::SizeAllCursor); break;
        case CursorKind::Rotate:
            c = drawnCursor([](QPainter& p) {
                p.drawArc(6, 6, 20, 20, 30 * 16, 300 * 16);
                p.drawLine(26, 10, 26, 4);
                p.drawLine(26, 10, 20, 10);
                p.drawLine(14, 16, 18, 16);
                p.drawLine(16, 14, 16, 18);
            }, 16, 16);
            break;
        case CursorKind::Zoom:
            c = drawnCursor([](QPainter& p) {
                p.drawEllipse(3, 3, 16, 16);
                p.drawLine(17, 17, 28, 28);
            }, 11, 11);
            break;
        case CursorKind::Pan: c = QCursor(Qt::OpenHandCursor); break;
        case CursorKind::Digitize:
            c = drawnCursor([](QPainter& p) {
                p.drawEllipse(10, 10, 12, 12);
                p.drawLine(16, 0, 16, 31);
                p.drawLine(0, 16, 31, 16);
            }, 16, 16);
            break;
        case CursorKind::Delete:
            c = drawnCursor([](QPainter& p) {
                p.drawRect(12, 12, 8, 8);
                p.drawLine(20, 20, 30, 30);
                p.drawLine(30, 20, 20, 30);
            }, 16, 16);
            break;
        case CursorKind::PointOp:
            c = drawnCursor([](QPainter& p) {
                p.drawEllipse(12, 12, 8, 8);
                p.drawLine(16, 2, 16, 10);
                p.drawLine(2, 16, 10, 16);
            }, 16, 16);
            break;
    }
    cache.emplace(kind, c);
    return c;
}

// ---------------------------------------------------------------- the seam

namespace {
// 确认 and 取消 under a form.
void AddConfirmButtons(QDialog& dlg, QFormLayout* form) { form->addRow(OkCancelButtons(&dlg)); }
}  // namespace

QtPlatform::QtPlatform(QWidget* window) : window_(window), tones_(std::make_unique<TonePlayer>()) {}

void QtPlatform::tone(int hz) { tones_->play(hz); }

bool QtPlatform::ask(const std::string& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("提问"), QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::No, window_);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
    box.button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void QtPlatform::warn(const std::string& text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("警告"), QString::fromStdString(text),
                    QMessageBox::Ok, window_);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}

void QtPlatform::notice(const std::string& text) { noticeCaption("提示", text); }

void QtPlatform::noticeCaption(const std::string& caption, const std::string& text) {
    QMessageBox box(QMessageBox::Information, QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok, window_);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}

void QtPlatform::setCursor(CursorKind kind) {
    if (kind == CursorKind::Wait) {
        // Old style: the wait cursor set like a mode cursor ends with the next cursor.
        ++busyByCursor_;
        setBusy(true);
        return;
    }
    for (; busyByCursor_ > 0; --busyByCursor_) setBusy(false);
    cursor_ = kind;
    if (drawing) drawing->setCursor(cursorFor(kind));
}

void QtPlatform::setBusy(bool on) {
    if (on) {
        if (busy_++ == 0) QApplication::setOverrideCursor(cursorFor(CursorKind::Wait));
    } else if (busy_ > 0) {
        if (--busy_ == 0) QApplication::restoreOverrideCursor();
    }
}

void QtPlatform::setPrompt(const std::string& text) {
    if (statusSink) statusSink(3, QString::fromStdString(text));
}

void QtPlatform::setStatus(int pane, const std::string& text) {
    if (statusSink) statusSink(pane, QString::fromStdString(text));
}

void QtPlatform::requestRedraw() {
    if (onRedraw) onRedraw();
    if (drawing) drawing->update();
}

bool QtPlatform::valueDialog(const std::string& title, std::vector<ValueField>& fields) {
    QDialog dlg(window_);
    dlg.setWindowTitle(QString::fromStdString(title));
    auto* form = new QFormLayout(&dlg);
    std::vector<QDoubleSpinBox*> boxes;
    for (const auto& f : fields) {
        auto* sb = new QDoubleSpinBox(&dlg);
        sb->setDecimals(f.decimals);
        sb->setRange(f.min, f.max);
        sb->setValue(f.value);
        form->addRow(QString::fromStdString(f.label), sb);
        boxes.push_back(sb);
    }
    AddConfirmButtons(dlg, form);
    if (dlg.exec() != QDialog::Accepted) return false;
    for (size_t i = 0; i < fields.size(); ++i) fields[i].value = boxes[i]->value();
    return true;
}

bool QtPlatform::askCaption(const std::string& caption, const std::string& text) {
    QMessageBox box(QMessageBox::Question, QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::No, window_);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

bool QtPlatform::formDialog(const std::string& title, std::vector<FormField>& fields) {
    QDialog dlg(window_);
    dlg.setWindowTitle(QString::fromStdString(title));
    auto* form = new QFormLayout(&dlg);
    std::vector<QWidget*> widgets(fields.size(), nullptr);
    for (size_t i = 0; i < fields.size(); ++i) {
        const FormField& f = fields[i];
        const QString label = QString::fromStdString(f.label);
        QWidget* w = nullptr;
        switch (f.kind) {
        case FormField::Kind::Number: {
            auto* sb = new QDoubleSpinBox(&dlg);
            sb->setDecimals(f.decimals);
            sb->setRange(f.min, f.max);
            sb->setValue(f.value);
            w = sb;
            form->addRow(label, w);
            break;
        }
        case FormField::Kind::Check: {
            auto* cb = new QCheckBox(label, &dlg);
            cb->setChecked(f.value != 0.0);
            w = cb;
            form->addRow(QString(), w);
            break;
        }
        case FormField::Kind::Choice: {
            auto* combo = new QComboBox(&dlg);
            for (const auto& o : f.options) combo->addItem(QString::fromStdString(o));
            combo->setCurrentIndex(int(f.value));
            w = combo;
            form->addRow(label, w);
            break;
        }
        case FormField::Kind::Text: {
            auto* le = new QLineEdit(QString::fromStdString(f.text), &dlg);
            w = le;
            form->addRow(label, w);
            break;
        }
        case FormField::Kind::Label: {
            w = new QLabel(QString::fromStdString(f.text), &dlg);
            form->addRow(label, w);
            break;
        }
        case FormField::Kind::Button: {
            auto* b = new QPushButton(label, &dlg);
            b->setAutoDefault(false);
            const std::function<void()> action = f.action;
            if (action) QObject::connect(b, &QPushButton::clicked, &dlg, [action] { action(); });
            w = b;
            form->addRow(QString(), w);
            break;
        }
        }
        w->setEnabled(f.enabled);
        widgets[i] = w;
    }
    // A list whose items fill another field locks that field while one of them is chosen.
    for (size_t i = 0; i < fields.size(); ++i) {
        const FormField& f = fields[i];
        if (f.kind != FormField::Kind::Choice || f.presetTarget < 0 || size_t(f.presetTarget) >= fields.size()) continue;
        auto* target = qobject_cast<QDoubleSpinBox*>(widgets[size_t(f.presetTarget)]);
        auto* combo = qobject_cast<QComboBox*>(widgets[i]);
        if (!target || !combo) continue;
        const double initial = fields[size_t(f.presetTarget)].value;
        const std::vector<double> presets = f.presets;
        auto apply = [target, initial, presets](int k) {
            bool fixed = k >= 0 && size_t(k) < presets.size() && !std::isnan(presets[size_t(k)]);
            target->setValue(fixed ? presets[size_t(k)] : initial);
            target->setEnabled(!fixed);
        };
        QObject::connect(combo, &QComboBox::currentIndexChanged, &dlg, apply);
        apply(combo->currentIndex());
    }
    AddConfirmButtons(dlg, form);
    // The dialog opens at the cursor.
    dlg.adjustSize();
    dlg.move(QCursor::pos());
    if (dlg.exec() != QDialog::Accepted) return false;
    for (size_t i = 0; i < fields.size(); ++i) {
        FormField& f = fields[i];
        switch (f.kind) {
        case FormField::Kind::Number: f.value = static_cast<QDoubleSpinBox*>(widgets[i])->value(); break;
        case FormField::Kind::Check: f.value = static_cast<QCheckBox*>(widgets[i])->isChecked() ? 1.0 : 0.0; break;
        case FormField::Kind::Choice: f.value = static_cast<QComboBox*>(widgets[i])->currentIndex(); break;
        case FormField::Kind::Text: f.text = static_cast<QLineEdit*>(widgets[i])->text().toStdString(); break;
        case FormField::Kind::Label:
        case FormField::Kind::Button: break;
        }
    }
    return true;
}

int QtPlatform::choose(const std::string& title, const std::vector<std::string>& options) {
    QDialog dlg(window_);
    dlg.setWindowTitle(QString::fromStdString(title));
    auto* bb = new QDialogButtonBox(Qt::Vertical, &dlg);
    int chosen = -1;
    for (size_t i = 0; i < options.size(); ++i) {
        QPushButton* b = bb->addButton(QString::fromStdString(options[i]), QDialogButtonBox::AcceptRole);
        if (i == 0) b->setDefault(true);
        QObject::connect(b, &QPushButton::clicked, &dlg, [&chosen, &dlg, i] {
            chosen = int(i);
            dlg.accept();
        });
    }
    bb->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    QObject::connect(bb, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    auto* lay = new QVBoxLayout(&dlg);
    lay->addWidget(bb);
    if (dlg.exec() != QDialog::Accepted) return -1;
    return chosen;
}

std::vector<PrinterInfo> QtPlatform::printers() {
    std::vector<PrinterInfo> out;
    const QString def = QPrinterInfo::defaultPrinterName();
    for (const QPrinterInfo& info : QPrinterInfo::availablePrinters()) {
        PrinterInfo p;
        p.name = info.printerName().toStdString();
        p.port = info.location().isEmpty() ? info.makeAndModel().toStdString() : info.location().toStdString();
        p.isDefault = info.printerName() == def;
        QPrinter printer(info, QPrinter::HighResolution);
        const QRectF mm = printer.pageLayout().paintRect(QPageLayout::Millimeter);
        const QRect px = printer.pageLayout().paintRectPixels(printer.resolution());
        p.sizeX = int(mm.width() + 0.5), p.sizeY = int(mm.height() + 0.5);
        p.scopeX = px.width(), p.scopeY = px.height();
        p.resX = p.resY = printer.resolution();
        if (p.isDefault) out.insert(out.begin(), p);
        else out.push_back(p);
    }
    return out;
}

}  // namespace rz
