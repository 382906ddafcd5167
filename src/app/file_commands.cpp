// The file commands of the main window, on the document's file operations.
#include <QFileDialog>
#include <QFileInfo>

#include "app/dialogs.h"
#include "app/main_frame.h"
#include "app/menu_table.h"
#include "model/settings_file.h"

namespace rz {

namespace {
bool onFront(MainFrame& f) { return !(f.backShown && f.backShown()); }

std::string upperExt3(const std::string& path) {
    std::string e = path.size() >= 3 ? path.substr(path.size() - 3) : path;
    for (auto& c : e) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return e;
}
}  // namespace

void MainFrame::updateTitle() {
    const std::string& name = doc_->fileName;
    setWindowTitle(name == kDefaultFileName ? QStringLiteral("rozedoz")
                                            : QString::fromStdString(name));
}

void MainFrame::reportFileResult(const std::string& path, const FileResult& r) {
    switch (r.status) {
        case FileStatus::Done:
            // A truncated file opens, but the user must know it is not the whole file.
            if (r.truncated) platform_->warn(r.message);
            break;
        case FileStatus::CannotOpen:
            platform_->warn(r.message.empty() ? "不能打开 " + path : r.message);
            break;
        case FileStatus::NotAPattern:
        case FileStatus::WriteFailed:
            platform_->warn(r.message);
            break;
        case FileStatus::Refused:
            platform_->setPrompt(r.message);
            break;
        case FileStatus::Declined:
        case FileStatus::NotHandled:
            break;
    }
}

FileResult MainFrame::openFile(const std::string& path, bool merge) {
    FileResult r;
    const std::string ext = upperExt3(path);
    if (ext == "TXT") {
        if (!QFileInfo::exists(QString::fromStdString(path))) {
            r.status = FileStatus::CannotOpen;
        } else {
            showTextFile(this, QString::fromStdString(path));
            return r;
        }
    } else if (!onFront(*this) && ext == "OUT" && openBackFile) {
        // A cut file onto the current sheet; its own messages were shown.
        r = openBackFile(path);
        if (r.ok()) addRecent(path);
        return r;
    } else if (!onFront(*this) || ext != "XIE") {
        r.status = FileStatus::NotHandled;
        return r;
    } else {
        r = doc_->OpenPath(path, merge);
        if (r.ok())
            for (auto& f : fileRead) f();
    }
    reportFileResult(path, r);
    if (r.ok()) {
        updateTitle();
        addRecent(path);
    }
    return r;
}

void MainFrame::openCommand(bool lastFolder) {
    QString folder = lastFolder && !lastDialogFolder_.isEmpty()
                         ? lastDialogFolder_
                         : QString::fromStdString(settings().dataFolder);
    if (!lastFolder) ensureFolder(settings().dataFolder);
    OpenDialog dlg(this, settings(), onFront(*this), folder);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return;
    const QString file = dlg.selectedFiles().front();
    lastDialogFolder_ = QFileInfo(file).absolutePath();
    // Unless 缺省路径 keeps the data folder, it follows the chosen file.
    if (!(settings().generalFlags & kGenKeepDataFolder))
        settings().dataFolder = lastDialogFolder_.toStdString() + "/";
    openFile(file.toStdString(), dlg.merge());
}

void MainFrame::saveCommand() {
    if (!onFront(*this)) {
        if (saveBackFile) saveBackFile();
        return;
    }
    // A new design is saved as "rozedoz.xie" in the data folder, not in whatever folder the
    // program happened to start from.
    FileResult r;
    if (doc_->fileName == kDefaultFileName && doc_->design.hasContent()) {
        ensureFolder(settings().dataFolder);
        const std::string path = settings().dataFolder + kDefaultFileName + ".xie";
        if (QFileInfo::exists(QString::fromStdString(path)) &&
            !platform_->ask("复盖已有文件？"))
            return;
        r = doc_->SaveAs(path);
    } else {
        r = doc_->Save();
    }
    reportFileResult(doc_->fileName, r);
    if (r.ok()) {
        updateTitle();
        addRecent(doc_->fileName);
    }
}

void MainFrame::saveAsCommand() {
    if (!onFront(*this)) return;
    ensureFolder(settings().dataFolder);
    QFileDialog dlg(this, QStringLiteral("另存为"), QString::fromStdString(settings().dataFolder),
                    QStringLiteral("鞋样文件 (*.XIE *.xie)"));
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setDefaultSuffix(QStringLiteral("XIE"));
    if (doc_->fileName != kDefaultFileName) dlg.selectFile(QString::fromStdString(doc_->fileName));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return;
    const std::string path = dlg.selectedFiles().front().toStdString();
    FileResult r = doc_->SaveAs(path);
    reportFileResult(path, r);
    if (r.ok()) {
        updateTitle();
        addRecent(path);
    }
}

void MainFrame::registerFileCommands() {
    TDoc& d = *doc_;
    d.onDesignReplaced = [this] {
        for (auto& f : designReplaced) f();
        refreshCommandWindow();
        drawing_->update();
        params_->update();
        strip_->update();
    };
    frontScreen.modified = [this] { return doc_->design.modified != 0; };
    gradedDesign = [this] { return (doc_->design.flags & kDesignGraded) != 0; };
    autoSaveHook = [this] { doc_->AutoSave(); };

    router_.add(Pane::Application, kCmdOpen, [this](int) { openCommand(false); });
    router_.add(Pane::Application, kCmdOpenLastFolder, [this](int) { openCommand(true); });
    router_.add(Pane::Application, kCmdReopen, [this](int) {
        if (!onFront(*this)) {
            if (reopenBackFile) reopenBackFile();
            return;
        }
        FileResult r = doc_->Reopen();
        if (r.ok())
            for (auto& f : fileRead) f();
        reportFileResult(doc_->lastOpened, r);
        if (r.ok()) updateTitle();
    }, [this](int, CommandState& st) { st.enabled = !doc_->lastOpened.empty(); });
    router_.add(Pane::Application, kCmdSave, [this](int) { saveCommand(); });
    router_.add(Pane::Application, kCmdSaveAs, [this](int) { saveAsCommand(); });
    router_.add(Pane::Application, kCmdStatistics,
                [this](int) { platform_->notice(doc_->StatisticsText()); });

    // 清屏 of the front screen; the back screen's sheet clear comes with the output sheets.
    router_.add(Pane::Drawing, kCmdClearScreen, [this](int) {
        if (!onFront(*this)) {
            if (clearBackSheet) clearBackSheet();
            return;
        }
        if (doc_->ClearDesignCommand()) updateTitle();
    });

    // 新建: the work range of the front screen.
    router_.add(Pane::Application, kCmdWorkRange, [this](int) {
        WorkRangeDialog dlg(this, settings().cutSetup, settings().centimetreDisplay == 1);
        if (dlg.exec() != QDialog::Accepted) return;
        settings().cutSetup = dlg.result();
        platform_->requestRedraw();
    });

    // Ctrl+arrows open the previous or next pattern file of the current file's folder.
    keys_.add([this](const KeyPress& k) {
        if (!k.ctrl || k.alt || !onFront(*this)) return false;
        int dir = 0;
        if (k.key == Qt::Key_Left || k.key == Qt::Key_Up) dir = -1;
        if (k.key == Qt::Key_Right || k.key == Qt::Key_Down) dir = 1;
        if (dir == 0) return false;
        std::string next = doc_->NeighbourFile(dir);
        if (!next.empty()) openFile(next);
        return true;
    });
}

}  // namespace rz
