#include "app/command_router.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

TEST(CommandRouter, PanesAreAskedInTheFixedOrder) {
    CommandRouter r;
    std::vector<std::string> ran;
    const int id = 40000;
    // Registered in reverse: the order of registration must not matter.
    r.add(Pane::Application, id, [&](int) { ran.push_back("application"); });
    r.add(Pane::Frame, id, [&](int) { ran.push_back("frame"); });
    r.add(Pane::StatusBar, id, [&](int) { ran.push_back("status"); });
    r.add(Pane::MotifArea, id, [&](int) { ran.push_back("motif"); });
    r.add(Pane::CommandWindow, id, [&](int) { ran.push_back("command"); });
    r.add(Pane::Params, id, [&](int) { ran.push_back("params"); });
    r.add(Pane::Drawing, id, [&](int) { ran.push_back("drawing"); });

    const std::vector<std::string> order = {"drawing", "params", "command", "motif",
                                            "status",  "frame",  "application"};
    for (size_t i = 0; i < order.size(); ++i) {
        ran.clear();
        ASSERT_TRUE(r.dispatch(id));
        ASSERT_EQ(ran, std::vector<std::string>{order[i]}) << i;  // only the first handler runs
        r.remove(static_cast<Pane>(i), id);
    }
    EXPECT_FALSE(r.dispatch(id));
    EXPECT_FALSE(r.state(id).enabled);
}

TEST(CommandRouter, UnhandledIdsAreDisabledAndUpdateHooksDecide) {
    CommandRouter r;
    EXPECT_FALSE(r.handles(32864));
    EXPECT_FALSE(r.state(32864).enabled);
    bool allowed = false;
    int runs = 0;
    r.add(Pane::Drawing, 32864, [&](int) { ++runs; },
          [&](int, CommandState& st) {
              st.enabled = allowed;
              st.checkable = true;
              st.checked = true;
              st.text = "曲线*";
          });
    EXPECT_FALSE(r.state(32864).enabled);
    EXPECT_FALSE(r.dispatch(32864));  // a disabled command does not run, even by its key
    EXPECT_EQ(runs, 0);
    allowed = true;
    CommandState st = r.state(32864);
    EXPECT_TRUE(st.enabled);
    EXPECT_TRUE(st.checked);
    EXPECT_EQ(st.text, "曲线*");
    EXPECT_TRUE(r.dispatch(32864));
    EXPECT_EQ(runs, 1);
}

TEST(CommandRouter, RangesReplacementAndNotification) {
    CommandRouter r;
    int got = 0, after = 0;
    r.afterDispatch = [&](int) { ++after; };
    r.addRange(Pane::Drawing, 32778, 32786, [&](int id) { got = id; });
    EXPECT_TRUE(r.dispatch(32781));
    EXPECT_EQ(got, 32781);
    EXPECT_FALSE(r.handles(32787));
    // A single id over a range of the same pane wins; a second registration replaces.
    r.add(Pane::Drawing, 32780, [&](int) { got = -1; });
    r.dispatch(32780);
    EXPECT_EQ(got, -1);
    r.add(Pane::Drawing, 32780, [&](int) { got = -2; });
    r.dispatch(32780);
    EXPECT_EQ(got, -2);
    EXPECT_EQ(after, 3);
    uint64_t g = r.generation();
    r.add(Pane::Frame, 1, [](int) {});
    EXPECT_GT(r.generation(), g);
    EXPECT_EQ(r.route(1), Pane::Frame);
}

TEST(KeyChain, FirstConsumerStops) {
    KeyChain k;
    std::vector<int> seen;
    int h1 = k.add([&](const KeyPress& p) {
        seen.push_back(1);
        return p.key == 'A';
    });
    k.add([&](const KeyPress& p) {
        seen.push_back(2);
        return p.ctrl;
    });
    EXPECT_TRUE(k.offer({'A'}));
    EXPECT_EQ(seen, (std::vector<int>{1}));
    seen.clear();
    EXPECT_FALSE(k.offer({'B'}));
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));
    k.remove(h1);
    seen.clear();
    EXPECT_TRUE(k.offer({'A', false, true}));
    EXPECT_EQ(seen, (std::vector<int>{2}));
}

}  // namespace
}  // namespace rz
