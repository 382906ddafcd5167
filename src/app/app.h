// Start-up of the desktop program.
#pragma once

#include <QHash>
#include <QIcon>
#include <QLockFile>
#include <QObject>
#include <functional>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

class QLocalServer;

namespace rz {

class MainFrame;

// Where the single-instance lock lives: the user's runtime folder, else the temp folder.
QString instanceLockPath();

// Takes the single-instance lock. A lock left by a crashed instance (its process is gone) is
// taken over; a lock held by a running instance is not.
bool acquireInstanceLock(QLockFile& lock);

// The running instance listens for the files a second start was asked to open; the second
// start hands them over and ends (without a message, as before).
class InstanceChannel : public QObject {
public:
    explicit InstanceChannel(const QString& name, QObject* parent = nullptr);
    // The first instance: listen (a socket left by a crashed instance is replaced).
    bool listen();
    // A second instance: pass the files on; false when no instance answers.
    bool send(const QStringList& files, int timeoutMs = 2000);
    std::function<void(const QStringList& files)> received;

private:
    QString name_;
    QLocalServer* server_ = nullptr;
    QHash<QObject*, QByteArray> pending_;
};
QString instanceChannelName();

// Vopa.dat in the user's configuration folder.
QString settingsFilePath();

// Recent-file count ("Settings"/"Number", 1–16, default 4) and list, from the application's
// configuration; written back at exit.
int readRecentCount();
std::vector<std::string> readRecentList();
void writeRecentList(const std::vector<std::string>& items);

// The program icon.
QIcon appIcon();

// The whole start-up: instance check, screen check, the frame, the About box, files named on
// the command line. Returns the process exit status.
int runApplication(int argc, char** argv);

}  // namespace rz
