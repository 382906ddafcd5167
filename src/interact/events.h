// Input as plain values: what the drawing window (or a test) hands to the engine.
#pragma once

#include <cstdint>

#include "interact/view.h"

namespace rz {

// Button and modifier bits of pointer input, as the window's own flag word has them; Alt is
// added as 0x20. The keypad bit marks keys of the numeric keypad.
constexpr uint32_t kMkLeft = 0x1;
constexpr uint32_t kMkRight = 0x2;
constexpr uint32_t kMkShift = 0x4;
constexpr uint32_t kMkCtrl = 0x8;
constexpr uint32_t kMkMiddle = 0x10;
constexpr uint32_t kMkAlt = 0x20;
constexpr uint32_t kMkKeypad = 0x40;
constexpr uint32_t kMkModifiers = kMkShift | kMkCtrl | kMkAlt;

enum class Button { None, Left, Right, Middle };

// A press, move or release in window pixels (y down).
struct PointerEvent {
    Button button = Button::None;
    uint32_t mods = 0;
    PixelPoint px;
};

// Key codes: printable keys are their upper-case character; the others use the values of the
// window toolkit, so that the window passes its key code through unchanged.
namespace key {
constexpr int Space = 0x20;
constexpr int Plus = 0x2B;
constexpr int Minus = 0x2D;
constexpr int Period = 0x2E;
constexpr int Digit0 = 0x30;
constexpr int Z = 0x5A;
constexpr int Escape = 0x01000000;
constexpr int Tab = 0x01000001;
constexpr int Backtab = 0x01000002;
constexpr int Backspace = 0x01000003;
constexpr int Return = 0x01000004;
constexpr int Enter = 0x01000005;  // keypad Enter
constexpr int Delete = 0x01000007;
constexpr int Home = 0x01000010;
constexpr int End = 0x01000011;
constexpr int Left = 0x01000012;
constexpr int Up = 0x01000013;
constexpr int Right = 0x01000014;
constexpr int Down = 0x01000015;
constexpr int PageUp = 0x01000016;
constexpr int PageDown = 0x01000017;
constexpr int F7 = 0x01000036;
}  // namespace key

struct KeyEvent {
    int key = 0;
    uint32_t mods = 0;
    bool shift() const { return (mods & kMkShift) != 0; }
    bool ctrl() const { return (mods & kMkCtrl) != 0; }
    bool alt() const { return (mods & kMkAlt) != 0; }
    bool keypad() const { return (mods & kMkKeypad) != 0; }
};

// The five abstract buttons of tracing input, shared by the mouse and the digitizer.
enum class TraceButton { Place, TakeBack, Vertex, Finish, Corner };

}  // namespace rz
