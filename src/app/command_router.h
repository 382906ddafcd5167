// Command routing: one table of command-id handlers per pane, asked in a fixed order.
//
// A menu item, accelerator or button carries a command id. The router offers it to the panes
// in this order: drawing window, parameter pane, command window, motif/piece area, status bar,
// main frame, application; the first pane with a handler for the id runs it and the search
// stops. An id that no pane handles is shown disabled.
//
// The router is plain C++ (no toolkit types), so that features register their handlers from
// anywhere: `router.add(Pane::Drawing, 32893, [&](int) { swapScreens(); });`
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace rz {

enum class Pane : int {
    Drawing = 0,    // CReadDigit
    Params,         // CPrm
    CommandWindow,  // CMrk
    MotifArea,      // CPtn
    StatusBar,      // CStb
    Frame,          // CMainFrame
    Application,
};
constexpr int kPaneCount = 7;
const char* paneName(Pane p);

// What a menu item or button shows for a command; an update hook may change it.
struct CommandState {
    bool enabled = true;
    bool checked = false;
    bool checkable = false;   // a toggle (display flags, snap modes)
    std::string text;         // empty: keep the menu's own text
};

class CommandRouter {
public:
    using Action = std::function<void(int id)>;
    using Update = std::function<void(int id, CommandState& state)>;

    // Registers (or replaces) the handler of a pane for one id or an inclusive id range.
    void add(Pane pane, int id, Action action, Update update = {});
    void addRange(Pane pane, int first, int last, Action action, Update update = {});
    void remove(Pane pane, int id);

    // The pane that would handle the id, in routing order; nothing when none does.
    std::optional<Pane> route(int id) const;
    bool handles(int id) const { return route(id).has_value(); }

    // Runs the first handler in routing order; false when no pane handles the id or its
    // update hook says it is disabled.
    bool dispatch(int id);

    // Disabled when unhandled; otherwise what the handling pane's update hook says.
    CommandState state(int id) const;

    // Bumped by every registration, so views know when to refresh their enabled states.
    uint64_t generation() const { return generation_; }

    // Called after every dispatched command (the frame refreshes menus and buttons).
    std::function<void(int id)> afterDispatch;
    // While set, only the ids it accepts are enabled and run (digitizer mode lets F7 through).
    std::function<bool(int id)> gate;

private:
    struct Entry {
        int first = 0;
        int last = 0;
        Action action;
        Update update;
    };
    const Entry* find(Pane pane, int id) const;
    std::array<std::vector<Entry>, kPaneCount> tables_;
    uint64_t generation_ = 0;
};

// Key presses offered to handlers in registration order until one consumes the key (the
// back-screen handler, the front-screen handler, then the general key dispatcher).
struct KeyPress {
    int key = 0;            // Qt key code values (letters upper case, Key_Left = 0x01000012 …)
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
};

class KeyChain {
public:
    using Handler = std::function<bool(const KeyPress&)>;
    // Returns a handle for remove().
    int add(Handler h);
    void remove(int handle);
    bool offer(const KeyPress& k) const;

private:
    std::vector<std::pair<int, Handler>> handlers_;
    int next_ = 1;
};

}  // namespace rz
