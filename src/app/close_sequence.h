// The questions asked before the program closes.
//
// Every question is asked before anything is cleared or stopped: a No at any question cancels
// the close with nothing lost, and the refused screen is shown.
#pragma once

#include <functional>
#include <string>

#include "model/platform.h"

namespace rz {

// One screen of the document: the front design or an output sheet. Hooks left empty mean
// "nothing to ask" (a screen that cannot change, a sheet without jobs).
struct CloseScreen {
    std::function<bool()> modified;
    std::function<bool()> jobRunning;   // sheets only
    std::function<void()> stopJob;
    std::function<void()> clear;        // discard the changes
    std::function<void()> show;         // bring this screen into view
};

struct CloseContext {
    bool backShown = false;
    int currentSheet = 0;  // 0 or 1
    bool autoSaveTimerRunning = false;
    std::function<void()> autoSave;  // numbered auto-save
    CloseScreen front;
    CloseScreen sheets[2];
};

inline constexpr const char* kAskDiscardFront = "放弃前屏所做修改？";
inline constexpr const char* kAskDiscardBack = "放弃后屏所做修改？";
inline constexpr const char* kAskStopJob = "正在绘出样片，是否终止该线程？";

// True when the program may close. Order of the questions: with the back screen shown the
// current sheet, the other sheet, then the front design; otherwise the front design, sheet Ⅰ,
// sheet Ⅱ. A sheet with a running job first asks whether to stop it.
bool runCloseSequence(CloseContext& ctx, Platform& platform);

}  // namespace rz
