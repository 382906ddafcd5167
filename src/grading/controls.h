// The grading controls in a run: front symmetry (elements graded from their mirror image across a
// straight master line), shared zones (a stretch of a line handed to another base point, blended
// into its neighbours) and fixed distances (a slave kept at its offset from the nearest node of a
// graded master line, changed per size by the 定距说明 array).
//
//     GradingRunControls controls;            // all three; ControlSet{} chooses
//     GradeOptions o; o.controls = &controls;
//     GradeDesign(d, smooth, o);
//     for (const PartControlReport& r : controls.report()) ...   // what each control did
//
// Controls whose references are null or wrong (from files, merges, a base point deleted without
// heir) are skipped and say why; the base pattern is never written.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "grading/engine.h"
#include "model/settings.h"

namespace rz {

struct ControlSet {
    bool front = true, shared = true, fixed = true;
    bool any() const { return front || shared || fixed; }
};
// "all", "none" or a comma list of front, shared, fixed; nullopt for anything else.
std::optional<ControlSet> ParseControlSet(const std::string& text);

// The blend length new shared zones and fixed distances take at each end: a setting of 1500
// units, kept in the settings' further floats.
inline float& BlendLength(Settings& s) { return s.extraFloats[1]; }
inline float BlendLength(const Settings& s) { return s.extraFloats[1]; }

// A node's position along a line: the arc length of its nearest evaluated point, as a fraction of
// the evaluated length. Empty for a line without an evaluated form.
std::vector<double> NodeFractions(const Line& line);

// The nodes i0 ≤ i1 ≤ i2 ≤ i3 that the fractions f0..f3 of a shared zone or fixed-distance
// stretch cover: f0 and f1 take the first node at or after their point, f2 and f3 the last at or
// before it; a first blend never starts at node 0 and a rear one never ends at the last node
// while it has length. Nullopt when the indices are not in order (the stretch covers no node).
std::optional<std::array<int, 4>> StretchNodes(const Line& line, const std::array<float, 4>& f);
std::optional<std::array<int, 4>> StretchNodes(const std::vector<double>& nodeFractions, const std::array<float, 4>& f);

// Mirror image of p across the straight line through a and b (p itself when a = b).
PointF MirrorAcross(PointF p, PointF a, PointF b);
// The same for many points across one axis.
class MirrorAxis {
public:
    MirrorAxis(PointF a, PointF b) : a_(a), ux_(double(b.x) - a.x), uy_(double(b.y) - a.y), len2_(ux_ * ux_ + uy_ * uy_) {}
    PointF operator()(PointF p) const {
        if (!(len2_ > 0.0)) return p;
        const double vx = double(p.x) - a_.x, vy = double(p.y) - a_.y;
        const double t = (vx * ux_ + vy * uy_) / len2_;
        return {float(a_.x + 2.0 * t * ux_ - vx), float(a_.y + 2.0 * t * uy_ - vy)};
    }

private:
    PointF a_;
    double ux_, uy_, len2_;
};

// Why a line cannot be a symmetry axis: "" when it can. A zero-length chord is refused (it has
// no direction), as is a line that strays more than `tolerance` from its chord.
std::string AxisProblem(const Line& line, float tolerance = 20.0f);

// Nearest-node queries over the nodes of one master line (a grid for long lines).
class NearestNodeIndex {
public:
    explicit NearestNodeIndex(const std::vector<Node>& nodes);
    int nearest(PointF p) const;  // −1 for a line without nodes

private:
    const std::vector<Node>& nodes_;
    double minX_ = 0, minY_ = 0, cell_ = 1;
    int cols_ = 0, rows_ = 0;
    std::vector<int> start_, items_;  // cell c holds items_[start_[c] .. start_[c+1])
};

// The cumulative change of a fixed distance for size i (0.01 mm): the base entry counts as 0, so
// the base size is never moved.
double FixedDistanceChange(const std::vector<float>& perSize, int baseIndex, int i);

// What the run did with each control of one part.
struct ZoneOutcome {
    const SharedZone* zone = nullptr;
    std::optional<std::array<int, 4>> nodes;
    std::string skipped;  // why the zone took no part; empty when it did
};
struct FixedPair {
    int slaveNode = 0, masterNode = 0;  // slave node index (0 for a pin or motif)
    float dx = 0, dy = 0;               // offset of the slave from the master node
};
struct FixedOutcome {
    const FixedDistance* fixed = nullptr;
    std::optional<std::array<int, 4>> nodes;  // line stretches
    std::vector<FixedPair> pairs;
    std::string skipped;
};
struct FrontOutcome {
    KindRef element;  // kind 1 pin, 4 motif, 7 base point, 20 line
    const Line* master = nullptr;
    std::string skipped;
};
struct PartControlReport {
    const Part* part = nullptr;
    int partIndex = 0;
    std::vector<ZoneOutcome> zones;
    std::vector<FixedOutcome> fixed;
    std::vector<FrontOutcome> front;
};

class GradingRunControls : public GradingControls {
public:
    explicit GradingRunControls(ControlSet set = {}) : set_(set) {}
    void prepare(PartGrading& g) override;
    void frontSymmetryBefore(PartGrading& g) override;
    void applySharedZones(PartGrading& g) override;
    void frontSymmetryAfter(PartGrading& g) override;
    void applyFixedDistances(PartGrading& g) override;

    const std::vector<PartControlReport>& report() const { return report_; }

private:
    struct Zone {
        SharedZone* record = nullptr;
        int base = -1;
        std::array<int, 4> nodes{};
        std::vector<int> stretch, front, rear;  // the nodes it places (a shared node: the first zone's)
    };
    struct Fixed {
        FixedDistance* record = nullptr;
        Line* slaveLine = nullptr;
        Pin* pin = nullptr;
        Motif* motif = nullptr;
        std::array<int, 4> nodes{};
        std::vector<FixedPair> pairs;
    };
    struct Front {
        KindRef element;
        Line* master = nullptr;
        int base = -1;  // the base point's index for kind 7
    };
    void prepareZones(PartGrading& g, PartControlReport& r);
    void prepareFixed(PartGrading& g, PartControlReport& r);

    ControlSet set_;
    std::vector<PartControlReport> report_;
    std::vector<Zone> zones_;
    std::vector<Fixed> fixed_;
    std::vector<Front> front_;
};

// The shapes the scene draws for the controls of a part: a zone or fixed-distance stretch as
// [front blend, stretch, rear blend] along its line, a pin's or motif's fixed distance as a tie
// to the nearest master node.
void BuildControlShapes(Part& part);

}  // namespace rz
