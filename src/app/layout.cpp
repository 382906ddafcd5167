#include "app/layout.h"

#include <cstdio>

namespace rz {

const char* const kStatusFixedTexts[3] = {" Alt+X 退出", " F1 帮助", " F7 数字化仪"};

FrameLayout computeLayout(int W, int H) {
    FrameLayout l;
    const int drawRight = W - kRightColumn;
    const int stripTop = H - drawRight / 10;
    l.drawing = {1, 0, drawRight, stripTop};
    l.strip = {0, stripTop, W, H};
    l.params = {drawRight, 0, W, kParamHeight};
    l.commands = {drawRight, kParamHeight, W, stripTop};
    return l;
}

std::vector<PaneButton> commandButtons(int B, bool backScreen, bool gradedDesign) {
    struct Cell {
        const char* text;
        int id;
    };
    std::vector<PaneButton> out;
    auto put = [&](int col, int rowFromBottom, Cell c, bool enabled) {
        out.push_back({c.text, c.id, col == 0 ? 3 : 48, B - rowFromBottom, enabled});
    };
    const int rows[5] = {202, 162, 122, 82, 42};
    Cell left[5] = {{"清屏", 32894}, {"隐藏", 34098}, {"恢复", 32892}, {"切割", 32910},
                    {"换屏", 32893}};
    const Cell right[5] = {{"删除", 32859}, {"移动", 32860}, {"旋转", 32861},
                           {"等量扩边", 32874}, {"自动排", 32876}};
    if (!backScreen && gradedDesign) left[0] = {"清除扩缩", 32921};
    for (int r = 0; r < 5; ++r) {
        // On the back screen only 清屏 and the way back stay usable among the basic buttons.
        bool leftOn = !backScreen || r == 0 || r == 4;
        put(0, rows[r], left[r], leftOn);
        put(1, rows[r], right[r], !backScreen);
    }
    if (B > 327) {
        const int upper[3] = {328, 288, 248};
        if (backScreen) {
            const Cell back[4] = {{"打印", 32853}, {"排位", 32896}, {"顺序", 32895},
                                  {"排刀", 32776}};
            put(0, upper[0], back[0], true);
            put(1, upper[0], back[1], true);
            put(0, upper[1], back[2], true);
            put(1, upper[1], back[3], true);
        } else {
            const Cell l[3] = {{"测量", 32891}, {"属性", 32883}, {"指定", 32909}};
            const Cell r[3] = {{"提取", 32880}, {"共用", 32885}, {"定距主从", 32887}};
            for (int i = 0; i < 3; ++i) {
                put(0, upper[i], l[i], true);
                put(1, upper[i], r[i], true);
            }
        }
    }
    return out;
}

std::string startupDateText(std::time_t t) {
    static const char* const days[7] = {"日", "一", "二", "三", "四", "五", "六"};
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, " %4d年%2d月%2d日 星期%s", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, days[tm.tm_wday % 7]);
    return buf;
}

}  // namespace rz
