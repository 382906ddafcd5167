#include "app/command_router.h"

#include <algorithm>

namespace rz {

const char* paneName(Pane p) {
    switch (p) {
        case Pane::Drawing: return "drawing window";
        case Pane::Params: return "parameter pane";
        case Pane::CommandWindow: return "command window";
        case Pane::MotifArea: return "motif/piece area";
        case Pane::StatusBar: return "status bar";
        case Pane::Frame: return "main frame";
        case Pane::Application: return "application";
    }
    return "?";
}

void CommandRouter::add(Pane pane, int id, Action action, Update update) {
    addRange(pane, id, id, std::move(action), std::move(update));
}

void CommandRouter::addRange(Pane pane, int first, int last, Action action, Update update) {
    auto& t = tables_[static_cast<int>(pane)];
    // A later registration of the same ids replaces the earlier one.
    t.erase(std::remove_if(t.begin(), t.end(),
                           [&](const Entry& e) { return e.first == first && e.last == last; }),
            t.end());
    t.push_back({first, last, std::move(action), std::move(update)});
    ++generation_;
}

void CommandRouter::remove(Pane pane, int id) {
    auto& t = tables_[static_cast<int>(pane)];
    t.erase(std::remove_if(t.begin(), t.end(),
                           [&](const Entry& e) { return e.first == id && e.last == id; }),
            t.end());
    ++generation_;
}

const CommandRouter::Entry* CommandRouter::find(Pane pane, int id) const {
    const auto& t = tables_[static_cast<int>(pane)];
    // Newest first, so a single id registered over a range wins.
    for (auto it = t.rbegin(); it != t.rend(); ++it)
        if (id >= it->first && id <= it->last) return &*it;
    return nullptr;
}

std::optional<Pane> CommandRouter::route(int id) const {
    for (int p = 0; p < kPaneCount; ++p)
        if (find(static_cast<Pane>(p), id)) return static_cast<Pane>(p);
    return std::nullopt;
}

CommandState CommandRouter::state(int id) const {
    CommandState st;
    auto pane = route(id);
    if (!pane) {
        st.enabled = false;
        return st;
    }
    const Entry* e = find(*pane, id);
    if (e->update) e->update(id, st);
    if (gate && !gate(id)) st.enabled = false;
    return st;
}

bool CommandRouter::dispatch(int id) {
    auto pane = route(id);
    if (!pane) return false;
    if (gate && !gate(id)) return false;
    const Entry* e = find(*pane, id);
    if (e->update) {
        CommandState st;
        e->update(id, st);
        if (!st.enabled) return false;
    }
    // Copy: the handler may re-register itself.
    Action a = e->action;
    if (a) a(id);
    if (afterDispatch) afterDispatch(id);
    return true;
}

int KeyChain::add(Handler h) {
    handlers_.emplace_back(next_, std::move(h));
    return next_++;
}

void KeyChain::remove(int handle) {
    handlers_.erase(std::remove_if(handlers_.begin(), handlers_.end(),
                                   [&](const auto& p) { return p.first == handle; }),
                    handlers_.end());
}

bool KeyChain::offer(const KeyPress& k) const {
    auto copy = handlers_;
    for (const auto& [h, fn] : copy)
        if (fn && fn(k)) return true;
    return false;
}

}  // namespace rz
