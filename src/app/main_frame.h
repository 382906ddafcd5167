// The main window: menus and accelerators, the four panes, the status bar, command routing,
// the auto-save timer and the close sequence.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QTimer>
#include <array>
#include <map>
#include <memory>

#include "app/close_sequence.h"
#include "app/command_router.h"
#include "app/panes.h"
#include "app/qt_platform.h"
#include "app/recent_files.h"
#include "model/doc.h"
#include "model/settings.h"

class QMenu;
class QAction;

namespace rz {

class ViewController;
class EngineController;
class DrawingGlue;
class DevicesGlue;
class OutputGlue;
class ExchangeGlue;
class StripController;
class SettingsCommands;
class GradingGlue;

struct FrameOptions {
    std::string settingsPath;  // Vopa.dat; empty: nothing read or written
    std::string home;          // for the folders under ~/qdat
    int recentCapacity = RecentFiles::kDefault;
    std::vector<std::string> recentItems;
};

class MainFrame : public QMainWindow {
public:
    explicit MainFrame(const FrameOptions& opt, QWidget* parent = nullptr);
    ~MainFrame() override;

    CommandRouter& router() { return router_; }
    KeyChain& keys() { return keys_; }
    QtPlatform& platform() { return *platform_; }
    TDoc& doc() { return *doc_; }
    Settings& settings() { return doc_->settings; }
    RecentFiles& recent() { return recent_; }

    DrawingWindow* drawing() const { return drawing_; }
    ViewController* view() const { return view_; }
    EngineController* engine() const { return engine_; }
    // The tracing-in and shape modes and 退一步/进一步 on the engine.
    DrawingGlue* drawingGlue() const { return glue_; }
    // The digitizer, scan input and background pictures.
    DevicesGlue* devices() const { return devices_; }
    // The output sheets' commands, dialogs and jobs.
    OutputGlue* outputGlue() const { return output_; }
    ExchangeGlue* exchange() const { return exchange_; }
    // The motif/piece strip's logic, the motif library and its commands.
    StripController* stripController() const { return stripCtl_; }
    // 设定, 选项, 高级, 输出选择 and 操作指导.
    SettingsCommands* settingsCommands() const { return settingsCmds_; }
    // A file in the configuration folder beside Vopa.dat (the folder itself for an empty name);
    // empty when the window keeps no settings file.
    std::string configFile(const std::string& name) const;
    // The parameter table, the grading commands and the size dialogs.
    GradingGlue* grading() const { return grading_; }
    ParamPane* params() const { return params_; }
    CommandWindow* commandWindow() const { return commands_; }
    MotifStrip* strip() const { return strip_; }
    QLabel* statusPane(int i) const { return status_[i]; }
    QWidget* client() const { return client_; }

    // The menu action of a command id (accelerator-only ids included), or null.
    QAction* action(int id) const;
    QMenu* fileMenu() const { return fileMenu_; }

    // Re-reads every enabled, checked and text state from the router.
    void refreshCommandStates();
    // Rebuilds the command window for the screen shown and the design's grading state.
    void refreshCommandWindow();

    // Starts the numbered auto-save timer whenever 自动保存 is on (interval 0 means 10 s);
    // called at start and whenever the settings change.
    void restartAutoSaveTimer();
    const QTimer& autoSaveTimer() const { return autoSave_; }

    // The close questions; true when the window may close. Used by closeEvent.
    bool queryClose();
    // Writes Vopa.dat (once); false when it could not be written.
    bool saveSettings();

    void showAbout();
    void addRecent(const std::string& path);
    void rebuildRecentMenu();

    // The open path by file name (recent files, browsing, the command line, the open
    // dialog): "TXT" shows the text, "XIE" reads a pattern on the front screen. Failures and
    // truncated files are reported in a box.
    FileResult openFile(const std::string& path, bool merge = false);
    // 打开... (F3) and Ctrl+F3: the dialog starts in the data folder or in the folder the
    // dialog used last.
    void openCommand(bool lastFolder);
    void saveCommand();
    void saveAsCommand();
    // The window title: "rozedoz" for a new design, else the file's path.
    void updateTitle();
    // Run after the design was replaced as a whole (load, clear, undo).
    std::vector<std::function<void()>> designReplaced;
    // Run after a pattern file was read into the front screen (after designReplaced).
    std::vector<std::function<void()>> fileRead;

    // Hooks the document and the output sheets fill in.
    std::function<bool()> backShown;        // the back screen is in view
    std::function<int()> currentSheet;      // 0 or 1
    std::function<bool()> gradedDesign;     // design flag bit 19: first button reads 清除扩缩
    std::function<void()> autoSaveHook;     // the numbered auto-save
    CloseScreen frontScreen;
    std::array<CloseScreen, 2> sheetScreens;
    // The back screen's cut files (open, F2, Alt+R) and 清屏, filled by the output sheets.
    std::function<FileResult(const std::string& path)> openBackFile;
    std::function<void()> saveBackFile, reopenBackFile, clearBackSheet;

    int aboutShown() const { return aboutShown_; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool event(QEvent* e) override;

private:
    void buildMenus();
    void buildStatusBar();
    void registerOwnCommands();
    void registerFileCommands();
    void reportFileResult(const std::string& path, const FileResult& r);
    void layoutPanes();
    QAction* makeAction(const QString& text, int id, const std::string& key, QObject* parent);

    FrameOptions options_;
    CommandRouter router_;
    KeyChain keys_;
    std::unique_ptr<QtPlatform> platform_;
    std::unique_ptr<TDoc> doc_;
    QString lastDialogFolder_;
    RecentFiles recent_;

    QWidget* client_ = nullptr;
    DrawingWindow* drawing_ = nullptr;
    ViewController* view_ = nullptr;  // owned as a child object
    EngineController* engine_ = nullptr;  // the drawing window's input; a child object
    DrawingGlue* glue_ = nullptr;         // a child object
    DevicesGlue* devices_ = nullptr;      // a child object
    OutputGlue* output_ = nullptr;        // a child object
    ExchangeGlue* exchange_ = nullptr;    // a child object
    StripController* stripCtl_ = nullptr;        // a child object
    SettingsCommands* settingsCmds_ = nullptr;  // a child object
    GradingGlue* grading_ = nullptr;      // a child object
    ParamPane* params_ = nullptr;
    CommandWindow* commands_ = nullptr;
    MotifStrip* strip_ = nullptr;
    std::array<QLabel*, 7> status_{};

    QMenu* fileMenu_ = nullptr;
    QAction* recentAnchor_ = nullptr;  // "最近文件" while the list is empty
    std::vector<QAction*> recentActions_;
    std::vector<QMenu*> submenus_;
    std::map<int, QAction*> actions_;
    QTimer autoSave_;
    QTimer idleUpdate_;
    uint64_t seenGeneration_ = ~0ull;
    bool settingsWritten_ = false;
    int aboutShown_ = 0;
};

}  // namespace rz
