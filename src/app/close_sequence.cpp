#include "app/close_sequence.h"

#include <vector>

namespace rz {

namespace {
bool call(const std::function<bool()>& f) { return f && f(); }
void run(const std::function<void()>& f) {
    if (f) f();
}
}  // namespace

bool runCloseSequence(CloseContext& ctx, Platform& platform) {
    // The last numbered auto-save is a safety copy and runs before any question.
    if (!ctx.autoSaveTimerRunning) run(ctx.autoSave);

    std::vector<std::pair<CloseScreen*, bool>> order;  // screen, is a sheet
    const int cur = ctx.currentSheet == 1 ? 1 : 0;
    if (ctx.backShown) {
        order = {{&ctx.sheets[cur], true}, {&ctx.sheets[1 - cur], true}, {&ctx.front, false}};
    } else {
        order = {{&ctx.front, false}, {&ctx.sheets[0], true}, {&ctx.sheets[1], true}};
    }

    std::vector<CloseScreen*> stop, discard;
    for (auto [screen, isSheet] : order) {
        if (isSheet && call(screen->jobRunning)) {
            if (!platform.ask(kAskStopJob)) {
                run(screen->show);
                return false;
            }
            stop.push_back(screen);
        }
        if (call(screen->modified)) {
            if (!platform.ask(isSheet ? kAskDiscardBack : kAskDiscardFront)) {
                run(screen->show);
                return false;
            }
            discard.push_back(screen);
        }
    }
    for (CloseScreen* s : stop) run(s->stopJob);
    for (CloseScreen* s : discard) run(s->clear);
    return true;
}

}  // namespace rz
