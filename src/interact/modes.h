// The numbered tool modes: which command selects which mode, the name the status bar shows,
// the cursor of each mode and the prompt texts of the steps.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/platform.h"

namespace rz {

// Mode numbers used by the engine itself.
namespace mode {
constexpr int Select = 0;
constexpr int Trace = 1;
constexpr int Move = 20;
constexpr int Rotate = 21;
constexpr int Delete = 23;
constexpr int Trim = 28;
constexpr int Dimension = 29;
constexpr int Measure = 31;
constexpr int LineColour = 34;
constexpr int PointOp = 35;
constexpr int Extract = 112;
constexpr int Fix = 116;
constexpr int FixedDistance = 117;
constexpr int Share = 118;
constexpr int Align = 126;
constexpr int SplitBoard = 132;
constexpr int SymControl = 144;
constexpr int Assign = 153;
constexpr int FrontSymControl = 154;
constexpr int AdjustBackground = 177;
constexpr int SideBuild = 194;
constexpr int FixedDart = 195;
}  // namespace mode

// One command of the mode table. Mode 1 has nine commands, one per input kind.
struct ModeCommandInfo {
    int command;
    int mode;
    int inputKind;  // 0–8 for mode 1, -1 otherwise
    const char* text;
};
const std::vector<ModeCommandInfo>& ModeCommands();

// The mode (and input kind) a command selects; nothing for other commands.
std::optional<ModeCommandInfo> ModeForCommand(int command);
// True for 0 and every mode of the table.
bool IsMode(int mode);
// The status-bar name of a mode: its command's menu text (mode 1: of the input kind); empty
// for mode 0 and for numbers that are no mode.
std::string ModeMenuText(int mode, int inputKind = 0);

// The help text of a command (shown with its menu item); empty when it has none.
std::string CommandHelpText(int command);

// Extra cursor kinds of the modes beyond the platform's.
CursorKind CursorForMode(int mode);

// Prompt resources.
constexpr int kPromptTitle = 33001;  // the default prompt: the program's title
constexpr int kPromptPickNode = 34019;
constexpr int kPromptAlignPart = 34020;
constexpr int kPromptFixedElement = 34027;
constexpr int kPromptFixBase = 34028;
constexpr int kPromptSymAxis = 34029;
// The text of a prompt resource; empty for an unknown number.
std::string PromptText(int resource);

}  // namespace rz
