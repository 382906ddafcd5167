// The function-line tools that put features on lines: 槽线 (142), 记号 (120), 倒角 (122) and
// 标注 (29), with the attribute dialogs of slot lines, marks and chamfers that 属性 shares.
#pragma once

#include <numbers>
#include <optional>
#include <utility>

#include "commands/edit_tools.h"
#include "commands/features.h"
#include "interact/engine.h"

namespace rz {

namespace mode {
constexpr int Mark = 120;
constexpr int Chamfer = 122;
constexpr int Slot = 142;
}  // namespace mode

constexpr const char* kPromptPickMarkLine = " 请选择记号线！";
constexpr const char* kPromptPickOtherLine = " 请选择另一线条！";
constexpr int kPromptOtherEnd = 33994;
constexpr int kPromptDimText = 34004;

// Values of this session that the settings file has no place for.
struct FeatureSession {
    float slotAngle = float(std::numbers::pi / 3.0);  // shown as "60"
    float markWidth = 200.0f;
    int divisions = 1;  // 等分线
};
FeatureSession& featureSession();

// A new slot line over the arc lengths [s0, s1] (either order) of `host` (kind 9, 10, 20 or
// 30): tool and pointed bit from the settings, the default depth on the left (`right`: on the
// right), one-sided when asked. Null for a stretch shorter than kMinSlotLength or a host of no
// length.
std::unique_ptr<SlotLine> MakeSlot(const TDoc& doc, KindRef host, float s0, float s1, bool right, bool oneSided);
// A new mark at the point of `host1` nearest to `at`, opening on `host2`; null when its V cannot
// be built (the hosts do not cross).
std::unique_ptr<Mark> MakeMark(const TDoc& doc, KindRef host1, KindRef host2, PointF at);

// 倒角 on two hosts: a chamfer between them goes (the command toggles); otherwise one is made
// with the corner at `first`'s end (else its start) and `second`'s start (else its end), the
// radius of the settings, cut. Refused when no arc fits (parallel lines, a radius too large).
enum class ChamferToggle { Removed, Made, Refused };
ChamferToggle ToggleChamfer(const TDoc& doc, List<Chamfer>& list, KindRef first, bool firstEnd, KindRef second,
                            bool secondStart);

// "槽线属性", "记号属性" and "倒角属性": edit in place; false when cancelled or refused (a width,
// depth or radius not above 0, an angle outside (0°, 180°) gives the 500 Hz tone).
bool SlotDialog(Engine& e, SlotLine& s);
bool MarkDialog(Engine& e, Mark& m);
bool ChamferDialog(Engine& e, Chamfer& c);

// The symmetry centre line of a part along `direction` (radians): the axis whose mirror image of
// the outline lies nearest the outline, found by a bounded search across the part, clipped to
// the outline. Nothing for a part without an outline or an axis that misses it.
std::optional<std::pair<PointF, PointF>> SymmetryCentreLine(const Part& part, float direction);

// Registers 槽线, 记号, 倒角 and 标注, the construction lines (中间线, 垂直线, 等分线, 切刀线,
// 圆角线, 针车线, 中心线, 十字线) and the connecting lines (自由连线 with its popup, 定针连线).
void InstallFeatureTools(Engine& e, PopupMenu popup = {});
void InstallConstructionTools(Engine& e);
void InstallConnectTools(Engine& e, PopupMenu popup);

}  // namespace rz
