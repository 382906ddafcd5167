#include "app/app.h"

#include <unistd.h>

#include <clocale>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#include "app/main_frame.h"
#include "app/menu_table.h"
#include "model/settings_file.h"

namespace rz {

QString instanceLockPath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    return dir + QStringLiteral("/rozedoz.lock");
}

bool acquireInstanceLock(QLockFile& lock) {
    // No age limit: a lock is stale only when its process is gone, so a long session is never
    // taken over, and a crashed one never blocks the next start.
    lock.setStaleLockTime(0);
    if (lock.tryLock(0)) return true;
    if (lock.error() == QLockFile::LockFailedError && lock.removeStaleLockFile())
        return lock.tryLock(0);
    return false;
}

QString instanceChannelName() {
    return QStringLiteral("rozedoz-%1").arg(static_cast<qulonglong>(::getuid()));
}

InstanceChannel::InstanceChannel(const QString& name, QObject* parent)
    : QObject(parent), name_(name) {}

bool InstanceChannel::listen() {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // Only the lock holder gets here, so a leftover socket belongs to a dead instance.
    QLocalServer::removeServer(name_);
    if (!server_->listen(name_)) return false;
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* sock = server_->nextPendingConnection()) {
            connect(sock, &QLocalSocket::disconnected, this, [this, sock] {
                pending_.remove(sock);
                sock->deleteLater();
            });
            connect(sock, &QLocalSocket::readyRead, this, [this, sock] {
                // One message: paths separated by newlines, ended by an empty line.
                QByteArray& buf = pending_[sock];
                buf += sock->readAll();
                if (buf.size() > (1 << 20)) {  // not ours
                    sock->abort();
                    pending_.remove(sock);
                    return;
                }
                if (!buf.endsWith("\n\n") && buf != "\n") return;
                QStringList files;
                for (const QByteArray& line : buf.split('\n'))
                    if (!line.isEmpty()) files << QString::fromUtf8(line);
                pending_.remove(sock);
                sock->disconnectFromServer();
                if (received) received(files);
            });
        }
    });
    return true;
}

bool InstanceChannel::send(const QStringList& files, int timeoutMs) {
    QLocalSocket sock;
    sock.connectToServer(name_);
    if (!sock.waitForConnected(timeoutMs)) return false;
    QByteArray msg;
    for (const QString& f : files) msg += f.toUtf8() + '\n';
    msg += '\n';
    sock.write(msg);
    if (!sock.waitForBytesWritten(timeoutMs)) return false;
    sock.waitForDisconnected(timeoutMs);
    return true;
}

QString settingsFilePath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return dir + QStringLiteral("/Vopa.dat");
}

int readRecentCount() {
    QSettings s;
    bool ok = false;
    int n = s.value(QStringLiteral("Settings/Number"), RecentFiles::kDefault).toInt(&ok);
    return ok ? n : RecentFiles::kDefault;
}

std::vector<std::string> readRecentList() {
    QSettings s;
    std::vector<std::string> out;
    s.beginGroup(QStringLiteral("Recent File List"));
    for (int i = 1; i <= RecentFiles::kMax; ++i) {
        QString v = s.value(QStringLiteral("File%1").arg(i)).toString();
        if (!v.isEmpty()) out.push_back(v.toStdString());
    }
    s.endGroup();
    return out;
}

void writeRecentList(const std::vector<std::string>& items) {
    QSettings s;
    s.remove(QStringLiteral("Recent File List"));
    s.beginGroup(QStringLiteral("Recent File List"));
    for (size_t i = 0; i < items.size(); ++i)
        s.setValue(QStringLiteral("File%1").arg(i + 1), QString::fromStdString(items[i]));
    s.endGroup();
    if (!s.contains(QStringLiteral("Settings/Number")))
        s.setValue(QStringLiteral("Settings/Number"), RecentFiles::kDefault);
}

QIcon appIcon() {
    // Drawn here rather than loaded: the SVG of the desktop entry needs an image plugin
    // that a minimal Qt installation lacks. Same picture: a last outline with stitch holes.
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 64.0, size / 64.0);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x1d, 0x2b, 0x3a));
        p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
        QPainterPath last;
        last.moveTo(10, 40);
        last.cubicTo(12, 26, 22, 20, 30, 22);
        last.cubicTo(38, 24, 40, 32, 48, 34);
        last.cubicTo(54, 35.5, 56, 40, 54, 44);
        last.lineTo(12, 46);
        last.closeSubpath();
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0xf0, 0xc0, 0x40), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(last);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xf0, 0xf0, 0xf0));
        for (QPointF c : {QPointF(24, 30), QPointF(30, 29), QPointF(36, 31), QPointF(42, 35)})
            p.drawEllipse(c, 1.6, 1.6);
        p.setPen(QPen(QColor(0x4f, 0xb0, 0xe0), 2, Qt::DashLine));
        p.drawLine(QPointF(10, 52), QPointF(54, 52));
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

int runApplication(int argc, char** argv) {
    QApplication app(argc, argv);
    // Qt takes the user's locale for the C library too; numbers in files, jobs and panels are
    // written with a decimal point whatever the locale.
    std::setlocale(LC_NUMERIC, "C");
    QCoreApplication::setOrganizationName(QStringLiteral("Brelan"));
    QCoreApplication::setApplicationName(QStringLiteral("rozedoz"));
    QCoreApplication::setApplicationVersion(QStringLiteral("6.5"));
    QApplication::setWindowIcon(appIcon());

    QStringList files;
    for (const QString& a : app.arguments().mid(1))
        if (!a.startsWith(QLatin1Char('-'))) files << QFileInfo(a).absoluteFilePath();

    // A second instance ends at once, without a message; the files it was given go to the
    // running one.
    QLockFile lock(instanceLockPath());
    if (!acquireInstanceLock(lock)) {
        InstanceChannel(instanceChannelName()).send(files);
        return 0;
    }

    // So does a screen below 800 × 600.
    if (QScreen* sc = QGuiApplication::primaryScreen()) {
        QSize sz = sc->size();
        if (sz.width() < 800 || sz.height() < 600) return 0;
    }

    FrameOptions opt;
    opt.settingsPath = settingsFilePath().toStdString();
    opt.home = homeFolder();
    opt.recentCapacity = readRecentCount();
    opt.recentItems = readRecentList();

    MainFrame frame(opt);
    // Cover the whole screen even where no window manager honours "maximised".
    if (QScreen* sc = QGuiApplication::primaryScreen()) frame.setGeometry(sc->availableGeometry());
    frame.showMaximized();

    InstanceChannel channel(instanceChannelName());
    channel.received = [&frame](const QStringList& more) {
        frame.showMaximized();
        frame.raise();
        frame.activateWindow();
        for (const QString& f : more) frame.openFile(f.toStdString());
    };
    channel.listen();

    // The About box shows once, over the first screen.
    QTimer::singleShot(0, &frame, [&frame, files] {
        // `rozedoz FILE.XIE` opens the file; the About box then shows over it.
        for (const QString& f : files) frame.openFile(f.toStdString());
        frame.router().dispatch(kCmdAbout);
    });
    int rc = app.exec();
    writeRecentList(frame.recent().items());
    return rc;
}

}  // namespace rz
