#include "app/main_frame.h"
#include "app/output_glue.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProxyStyle>
#include <QStatusBar>
#include <ctime>

#include "app/devices_glue.h"
#include "app/exchange_glue.h"
#include "app/drawing_glue.h"
#include "app/grading_glue.h"
#include "app/layout.h"
#include "app/menu_table.h"
#include "app/piece_commands.h"
#include "app/engine_controller.h"
#include "app/settings_dialogs.h"
#include "app/strip_controller.h"
#include "app/view_controller.h"
#include "interact/modes.h"
#include "model/settings_file.h"

namespace rz {

namespace {

// The client area lays its panes out again whenever it is resized.
class ClientArea : public QWidget {
public:
    using QWidget::QWidget;
    std::function<void()> onResize;

protected:
    void resizeEvent(QResizeEvent*) override {
        if (onResize) onResize();
    }
};

QRect toQRect(const PaneRect& r) { return QRect(r.left, r.top, r.width(), r.height()); }

// Alt pressed alone does not move the focus into the menu bar: the window keeps the keys,
// and Alt+letter still opens the menus.
class NoAltNavigationStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* opt, const QWidget* w,
                  QStyleHintReturn* ret) const override {
        if (hint == QStyle::SH_MenuBar_AltKeyNavigation) return 0;
        return QProxyStyle::styleHint(hint, opt, w, ret);
    }
};

// Keys the menu shows but the key dispatcher of the drawing window owns: binding them as
// shortcuts would take Space and Enter away from the tool modes and dialogs.
bool displayOnlyKey(const std::string& key) { return key == "Space" || key == "Enter"; }

}  // namespace

MainFrame::MainFrame(const FrameOptions& opt, QWidget* parent)
    : QMainWindow(parent), options_(opt), platform_(std::make_unique<QtPlatform>(this)) {
    setWindowTitle(QStringLiteral("rozedoz"));
    setObjectName("TVOPAWND");
    setMinimumSize(800, 600);

    // The document and its settings first: the panes take their colours from them.
    const std::string home = opt.home.empty() ? homeFolder() : opt.home;
    options_.home = home;
    doc_ = std::make_unique<TDoc>(*platform_);
    doc_->settings = opt.settingsPath.empty() ? defaultSettings(home)
                                              : readSettingsFile(opt.settingsPath, home);
    doc_->lastOpened = doc_->settings.lastOpenedPath;
    doc_->rememberDesignDefaults();
    const Settings& st = doc_->settings;
    recent_.setCapacity(opt.recentCapacity);
    recent_.setItems(opt.recentItems);

    auto* client = new ClientArea(this);
    client_ = client;
    client_->setObjectName("client");
    setCentralWidget(client_);
    drawing_ = new DrawingWindow(client_);
    drawing_->background = colourFromSetting(st.colours[0]);
    params_ = new ParamPane(client_);
    commands_ = new CommandWindow(client_, router_);
    strip_ = new MotifStrip(client_);
    strip_->background = colourFromSetting(st.colours[1]);
    strip_->grid = colourFromSetting(st.colours[2]);
    client->onResize = [this] { layoutPanes(); };

    platform_->drawing = drawing_;
    platform_->statusSink = [this](int pane, const QString& text) {
        if (pane >= 0 && pane < 7 && status_[pane]) status_[pane]->setText(text);
    };

    buildStatusBar();
    registerOwnCommands();
    registerFileCommands();
    buildMenus();
    router_.afterDispatch = [this](int) { refreshCommandStates(); };

    idleUpdate_.setInterval(300);
    connect(&idleUpdate_, &QTimer::timeout, this, [this] {
        if (isActiveWindow()) refreshCommandStates();
    });
    idleUpdate_.start();

    autoSave_.setTimerType(Qt::CoarseTimer);
    connect(&autoSave_, &QTimer::timeout, this, [this] {
        if (!autoSaveHook) return;
        WaitCursor busy(*platform_);
        autoSaveHook();
    });
    restartAutoSaveTimer();

    // The view takes the drawing window's paint, mouse and wheel, and the view commands.
    view_ = new ViewController(*this);
    // The interaction engine then takes the drawing window's mouse and keys.
    engine_ = new EngineController(*this, *view_);
    glue_ = new DrawingGlue(*this, engine_->engine());
    devices_ = new DevicesGlue(*this, engine_->engine());
    output_ = new OutputGlue(*this, engine_->engine());
    exchange_ = new ExchangeGlue(*this, engine_->engine());
    // The strip reads the motif library after the view has loaded the font.
    stripCtl_ = new StripController(*this);
    settingsCmds_ = new SettingsCommands(*this);
    new PieceCommands(*this, engine_->engine());  // a child object
    grading_ = new GradingGlue(*this, engine_->engine(), *view_);
    // 高级 with a modifier opens the dialog of the subsystem it belongs to.
    settingsCmds_->advancedAlt = [this] { devices_->vectoriserDialog(); };
    settingsCmds_->advancedCtrl = [this] { devices_->arcFitDialog(); };
    settingsCmds_->advancedShift = [this] { grading_->stepStandardDialog(); };

    layoutPanes();
    refreshCommandStates();
}

MainFrame::~MainFrame() {
    // The tablet is let go while the engine it feeds still exists.
    if (devices_) devices_->shutdown();
    autoSave_.stop();
    saveSettings();
}

// ---------------------------------------------------------------- menus

QAction* MainFrame::makeAction(const QString& text, int id, const std::string& key,
                               QObject* parent) {
    QString shown = text;
    if (key.size() == 2 && key[0] == '&') {
        shown += QStringLiteral("(&%1)").arg(QChar(key[1]));
    } else if (displayOnlyKey(key)) {
        shown += QStringLiteral("\t") + QString::fromStdString(key);
    }
    auto* a = new QAction(shown, parent);
    a->setData(id);
    a->setProperty("baseText", shown);
    a->setProperty("key", QString::fromStdString(key));
    if (!key.empty() && key[0] != '&' && !displayOnlyKey(key)) {
        QList<QKeySequence> seqs{QKeySequence(QString::fromStdString(key))};
        if (key == "Ctrl+Enter") seqs.append(QKeySequence(Qt::CTRL | Qt::Key_Return));
        a->setShortcuts(seqs);
        a->setShortcutContext(Qt::WindowShortcut);
    }
    connect(a, &QAction::triggered, this, [this, id] { router_.dispatch(id); });
    return a;
}

void MainFrame::buildMenus() {
    auto* style = new NoAltNavigationStyle;
    style->setParent(menuBar());
    menuBar()->setStyle(style);
    for (const MenuDef& m : mainMenu()) {
        QMenu* menu = menuBar()->addMenu(QString::fromStdString(m.title));
        if (m.title.rfind("文件", 0) == 0) fileMenu_ = menu;
        std::map<std::string, QMenu*> subs;
        for (const MenuItemDef& it : m.items) {
            QMenu* target = menu;
            std::string leaf = it.path;
            // "a > b > item": one submenu per level, shared by the items of the same path.
            for (size_t p = it.path.find(" > "), from = 0; p != std::string::npos; p = it.path.find(" > ", from)) {
                const std::string sub = it.path.substr(0, p);
                auto [pos, fresh] = subs.emplace(sub, nullptr);
                if (fresh) {
                    pos->second = target->addMenu(QString::fromStdString(it.path.substr(from, p - from)));
                    submenus_.push_back(pos->second);
                }
                target = pos->second;
                from = p + 3;
                leaf = it.path.substr(from);
            }
            QAction* a = makeAction(QString::fromStdString(leaf), it.id, it.key, target);
            // The help text shows as the item's tooltip, so the prompt pane keeps the tool's prompt.
            if (std::string help = CommandHelpText(it.id); !help.empty()) {
                a->setToolTip(QString::fromStdString(help));
                target->setToolTipsVisible(true);
            }
            target->addAction(a);
            actions_[it.id] = a;
            if (it.id == kCmdRecentFirst) recentAnchor_ = a;
        }
        connect(menu, &QMenu::aboutToShow, this, [this] { refreshCommandStates(); });
    }
    for (const AccelDef& acc : extraAccelerators()) {
        QAction* a = makeAction(QString::number(acc.id), acc.id, acc.key, this);
        addAction(a);  // shortcut only, no menu item
        if (!actions_.count(acc.id)) actions_[acc.id] = a;
        else a->setProperty("extra", true);
        a->setObjectName(QString::fromStdString("accel " + acc.key));
    }
    rebuildRecentMenu();
}

QAction* MainFrame::action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void MainFrame::refreshCommandStates() {
    for (auto& [id, a] : actions_) {
        CommandState st = router_.state(id);
        a->setEnabled(st.enabled);
        if (st.checkable) {
            a->setCheckable(true);
            a->setChecked(st.checked);
        }
        QString text = st.text.empty() ? a->property("baseText").toString()
                                        : QString::fromStdString(st.text);
        if (a->text() != text && !a->property("baseText").toString().isEmpty()) a->setText(text);
    }
    // Accelerators that share an id with a menu item follow its state.
    for (QAction* a : QMainWindow::actions())
        if (a->property("extra").toBool()) a->setEnabled(router_.state(a->data().toInt()).enabled);
    for (QAction* a : recentActions_) a->setEnabled(router_.state(a->data().toInt()).enabled);
    // A submenu none of whose items can run is greyed like an item.
    for (QMenu* sub : submenus_) {
        bool any = false;
        for (QAction* a : sub->actions()) any = any || a->isEnabled();
        sub->menuAction()->setEnabled(any);
    }
    commands_->refreshStates();
    seenGeneration_ = router_.generation();
}

void MainFrame::refreshCommandWindow() {
    commands_->rebuild(backShown && backShown(), gradedDesign && gradedDesign());
}

void MainFrame::rebuildRecentMenu() {
    if (!fileMenu_ || !recentAnchor_) return;
    for (QAction* a : recentActions_) {
        fileMenu_->removeAction(a);
        a->deleteLater();
    }
    recentActions_.clear();
    const auto& items = recent_.items();
    // Like the usual recent-file list: the placeholder shows while the list is empty.
    recentAnchor_->setVisible(items.empty());
    for (size_t i = 0; i < items.size(); ++i) {
        int id = kCmdRecentFirst + static_cast<int>(i);
        auto* a = new QAction(QString::fromStdString(RecentFiles::menuLabel(int(i), items[i])),
                              fileMenu_);
        a->setData(id);
        a->setToolTip(QString::fromStdString(items[i]));
        connect(a, &QAction::triggered, this, [this, id] { router_.dispatch(id); });
        fileMenu_->insertAction(recentAnchor_, a);
        recentActions_.push_back(a);
    }
    for (QAction* a : recentActions_) a->setEnabled(router_.state(a->data().toInt()).enabled);
}

void MainFrame::addRecent(const std::string& path) {
    recent_.add(path);
    rebuildRecentMenu();
}

// ---------------------------------------------------------------- own commands

void MainFrame::registerOwnCommands() {
    router_.add(Pane::Application, kCmdAbout, [this](int) { showAbout(); });
    router_.add(Pane::Application, kCmdExit, [this](int) { close(); });
    router_.addRange(
        Pane::Application, kCmdRecentFirst, kCmdRecentLast,
        [this](int id) {
            size_t i = static_cast<size_t>(id - kCmdRecentFirst);
            if (i >= recent_.items().size()) return;
            std::string path = recent_.items()[i];
            FileResult r = openFile(path);
            // A file that is gone leaves the list.
            if (r.status == FileStatus::CannotOpen) {
                recent_.remove(path);
                rebuildRecentMenu();
            }
        },
        [this](int id, CommandState& st) {
            st.enabled = size_t(id - kCmdRecentFirst) < recent_.items().size();
        });
    router_.add(Pane::Frame, kCmdRedrawScreen, [this](int) { platform_->requestRedraw(); });
    router_.add(Pane::Frame, kCmdNoEffect, [](int) {});
}

void MainFrame::showAbout() {
    ++aboutShown_;
    QMessageBox box(this);
    box.setWindowTitle(QStringLiteral("版权信息"));
    box.setIconPixmap(windowIcon().pixmap(64, 64));
    box.setText(QStringLiteral("<b>rozedoz</b> 鞋样设计系统<br>版本 6.5"));
    box.setInformativeText(QStringLiteral("鞋样的描入、设计、扩缩、算料与切割输出。"));
    box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    box.exec();
    // The keys belong to the window again, even where no window manager hands focus back.
    activateWindow();
    drawing_->setFocus();
}

// ---------------------------------------------------------------- layout and status bar

void MainFrame::buildStatusBar() {
    QStatusBar* sb = statusBar();
    sb->setSizeGripEnabled(false);
    for (int i = 0; i < 7; ++i) {
        auto* l = new QLabel(sb);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (i == kStatusPrompt) {
            l->setMinimumWidth(kStatusWidths[i]);
            sb->addWidget(l, 1);
        } else {
            l->setFixedWidth(kStatusWidths[i]);
            sb->addWidget(l, 0);
        }
        status_[i] = l;
    }
    for (int i = 0; i < 3; ++i) status_[i]->setText(QString::fromUtf8(kStatusFixedTexts[i]));
    status_[kStatusPrompt]->setText(QStringLiteral("rozedoz"));
    status_[kStatusDate]->setText(QString::fromStdString(startupDateText(std::time(nullptr))));
    // The pane widths suit the classic 12-pixel system font; a larger font widens the panes
    // with fixed texts so that nothing is cut off.
    for (int i : {0, 1, 2, kStatusDate}) {
        int need = status_[i]->fontMetrics().horizontalAdvance(status_[i]->text()) + 10;
        status_[i]->setFixedWidth(std::max(kStatusWidths[i], need));
    }
}

void MainFrame::layoutPanes() {
    FrameLayout l = computeLayout(client_->width(), client_->height());
    drawing_->setGeometry(toQRect(l.drawing));
    strip_->setGeometry(toQRect(l.strip));
    params_->setGeometry(toQRect(l.params));
    commands_->setGeometry(toQRect(l.commands));
    refreshCommandWindow();
}

// ---------------------------------------------------------------- timer, close, events

void MainFrame::restartAutoSaveTimer() {
    autoSave_.stop();
    if (settings().autoSaveOn()) autoSave_.start(settings().autoSaveMillis());
}

bool MainFrame::queryClose() {
    CloseContext ctx;
    ctx.backShown = backShown && backShown();
    ctx.currentSheet = currentSheet ? currentSheet() : 0;
    ctx.autoSaveTimerRunning = autoSave_.isActive();
    ctx.autoSave = [this] {
        if (!autoSaveHook) return;
        WaitCursor busy(*platform_);
        autoSaveHook();
    };
    ctx.front = frontScreen;
    ctx.sheets[0] = sheetScreens[0];
    ctx.sheets[1] = sheetScreens[1];
    return runCloseSequence(ctx, *platform_);
}

bool MainFrame::saveSettings() {
    if (settingsWritten_ || options_.settingsPath.empty()) return false;
    settingsWritten_ = true;
    Settings& s = settings();
    // The next run's new designs start from this design's parameters (flags 16 and 17 only).
    s.defaultDesignFlags = doc_->design.flags & 0x30000u;
    s.defaultSizeSystem = doc_->design.sizeSystem;
    s.defaultSizeCategory = doc_->design.sizeCategory;
    s.defaultLabelFormat = doc_->design.labelFormat;
    s.lastOpenedPath = doc_->lastOpened;
    if (stripCtl_) stripCtl_->saveLibrary();
    return writeSettingsFile(options_.settingsPath, s);
}

std::string MainFrame::configFile(const std::string& name) const {
    if (options_.settingsPath.empty()) return {};
    std::string dir = options_.settingsPath;
    const size_t slash = dir.rfind('/');
    dir = slash == std::string::npos ? std::string("./") : dir.substr(0, slash + 1);
    return dir + name;
}

void MainFrame::closeEvent(QCloseEvent* e) {
    if (!queryClose()) {
        e->ignore();
        return;
    }
    autoSave_.stop();
    idleUpdate_.stop();
    saveSettings();
    e->accept();
}

void MainFrame::keyPressEvent(QKeyEvent* e) {
    KeyPress k;
    k.key = e->key();
    k.shift = e->modifiers() & Qt::ShiftModifier;
    k.ctrl = e->modifiers() & Qt::ControlModifier;
    k.alt = e->modifiers() & Qt::AltModifier;
    if (keys_.offer(k)) return;
    // Space and Enter reach their menu commands when no tool mode took them.
    if (!k.ctrl && !k.alt && !k.shift) {
        if (k.key == Qt::Key_Space && router_.dispatch(32808)) return;
        if ((k.key == Qt::Key_Return || k.key == Qt::Key_Enter) && router_.dispatch(32892)) return;
    }
    QMainWindow::keyPressEvent(e);
}

void MainFrame::changeEvent(QEvent* e) {
    if (e->type() == QEvent::ActivationChange && !isActiveWindow()) {
        // Any drag or rubber band in progress ends when the application loses activation.
        if (drawing_->endDragHook) drawing_->endDragHook();
        if (strip_->endDragHook) strip_->endDragHook();
    }
    QMainWindow::changeEvent(e);
}

bool MainFrame::event(QEvent* e) {
    // The prompt pane keeps the tool prompt; menu hovering does not replace it.
    if (e->type() == QEvent::StatusTip) return true;
    return QMainWindow::event(e);
}

}  // namespace rz
