// The main menu (menu 131) and the accelerator table 131, as data.
//
// `owner` names the pane that is meant to handle an item (features register there); items
// whose owner is kNoOwner have no handler at all and stay disabled. Keys are written in the
// portable form of key sequences ("Ctrl+N", "Alt+X", "Shift+Tab"); a key of the form "&0" is a
// mnemonic in the item's text rather than an accelerator.
#pragma once

#include <string>
#include <vector>

#include "app/command_router.h"

namespace rz {

constexpr int kNoOwner = -1;

// Ids the shell itself uses.
enum CommandId : int {
    kCmdHelp = 32800,          // 操作指导
    kCmdAbout = 57664,         // 关于
    kCmdWorkRange = 32911,     // 新建
    kCmdOpen = 57601,          // 打开...
    kCmdOpenLastFolder = 32801,
    kCmdReopen = 32802,
    kCmdSave = 32913,
    kCmdSaveAs = 32914,
    kCmdRecentFirst = 57616,   // 最近文件 1 … 16
    kCmdRecentLast = 57631,
    kCmdExit = 57665,
    kCmdClearScreen = 32894,   // 清屏
    kCmdClearGrading = 32921,  // 清除扩缩
    kCmdSwapScreens = 32893,   // 换屏
    kCmdStatistics = 34069,
    kCmdRedrawScreen = 32795,
    kCmdNoEffect = 32829,
    kCmdSwitchSheet = 32826,
};

struct MenuItemDef {
    std::string path;  // "全选 > 所有": a submenu and its item
    int id;
    std::string key;
    int owner;  // a Pane value or kNoOwner
};

struct MenuDef {
    std::string title;  // "文件[&F]" is shown as "文件(&F)"
    std::vector<MenuItemDef> items;
};

struct AccelDef {
    std::string key;
    int id;
};

const std::vector<MenuDef>& mainMenu();
// Accelerators of table 131 that have no menu item.
const std::vector<AccelDef>& extraAccelerators();

// The menu text of a command id ("" when the id has no item); the leaf text of a submenu item.
std::string menuText(int id);

}  // namespace rz
