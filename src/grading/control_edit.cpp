#include "grading/control_edit.h"

#include <algorithm>
#include <cmath>

#include "commands/draw_common.h"
#include "geom/polyline.h"
#include "geom/stretch.h"
#include "grading/controls.h"
#include "model/sizes.h"

namespace rz {

namespace {

constexpr uint32_t kSelfSymmetricBit = kLineSelfSymmetric;

template <class T>
bool Holds(const List<T>& list, const void* e) {
    for (auto& x : list)
        if (x.get() == e) return true;
    return false;
}

bool IsLineKind(uint32_t k) { return k == kKindLine || k == kKindLineA || k == kKindLineB; }

// Every stretch on one line: the shared zones hosted by it, or the fixed distances whose slave it
// is; `skip` is left out (the one being edited).
std::vector<const std::array<float, 4>*> ZonesOn(const Part& p, const Line& l, const void* skip = nullptr) {
    std::vector<const std::array<float, 4>*> v;
    for (auto& z : p.sharedZones)
        if (z->host == &l && z.get() != skip) v.push_back(&z->f);
    return v;
}
std::vector<const std::array<float, 4>*> FixedOn(const Part& p, const Line& l, const void* skip = nullptr) {
    std::vector<const std::array<float, 4>*> v;
    for (auto& f : p.fixedDistances)
        if (IsLineKind(f->first.kind) && f->first.ptr == &l && f.get() != skip) v.push_back(&f->f);
    return v;
}

bool Overlaps(const std::vector<const std::array<float, 4>*>& others, double a, double b) {
    for (const auto* f : others) {
        const double lo = (*f)[0], hi = (*f)[3];
        if (a == b ? (a >= lo && a <= hi) : (a < hi && b > lo)) return true;
    }
    return false;
}

// The blend starts: f0 before f1 by `front` (fraction), not below 0 and not into a neighbour; f3
// after f2 likewise.
double FrontStart(const std::vector<const std::array<float, 4>*>& others, double f1, double front) {
    double f0 = std::max(0.0, f1 - front);
    for (const auto* f : others)
        if ((*f)[3] <= f1 && (*f)[3] > f0) f0 = (*f)[3];
    return f0;
}
double RearEnd(const std::vector<const std::array<float, 4>*>& others, double f2, double rear) {
    double f3 = std::min(1.0, f2 + rear);
    for (const auto* f : others)
        if ((*f)[0] >= f2 && (*f)[0] < f3) f3 = (*f)[0];
    return f3;
}

EditResult SetBlend(const std::vector<const std::array<float, 4>*>& others, const Line& line, std::array<float, 4>& f,
                    std::optional<double> frontMm, std::optional<double> rearMm) {
    const double len = EvaluatedLength(line);
    if (!(len > 0.0)) return EditResult::refused("line of length 0");
    for (auto mm : {frontMm, rearMm})
        if (mm && !(std::isfinite(*mm) && *mm >= 0.0)) return EditResult::refused("blend length must be 0 or more");
    if (frontMm) f[0] = float(FrontStart(others, f[1], *frontMm * 100.0 / len));
    if (rearMm) f[3] = float(RearEnd(others, f[2], *rearMm * 100.0 / len));
    return EditResult::done();
}

int FirstBaseSizeIndex(const Design& d) { return ComputeSizeCount(d.rangeFrom, d.rangeTo, d.step, d.baseSize).baseIndex; }

}  // namespace

Part* PartOfElement(Design& d, const void* element, uint32_t kind) {
    if (!element) return nullptr;
    for (auto& p : d.parts) {
        const bool in = IsLineKind(kind)        ? LineOfPart(*p, static_cast<const Line*>(element))
                        : kind == kKindPin      ? Holds(p->pins, element)
                        : kind == kKindMotif    ? Holds(p->motifs, element)
                        : kind == kKindBasePoint ? Holds(p->basePoints, element)
                        : kind == kKindSlotLine ? Holds(p->slotLines, element)
                        : kind == kKindSeamAllowance ? Holds(p->seamAllowances, element)
                                                     : false;
        if (in) return p.get();
    }
    return nullptr;
}

bool LineOfPart(const Part& p, const Line* l) { return l && (Holds(p.linesA, l) || Holds(p.linesB, l)); }

double EvaluatedLength(const Line& l) { return l.eval.size() < 2 ? 0.0 : double(PolyLength(l.eval)); }

double FractionAt(const Line& l, PointF p) {
    const double len = EvaluatedLength(l);
    if (!(len > 0.0)) return 0.0;
    return std::clamp(double(PolyLengthTo(l.eval, p).length) / len, 0.0, 1.0);
}

// ---------------------------------------------------------------- 前对称控制

EditResult CheckFrontMaster(const Part& part, const Line& master) {
    if (!LineOfPart(part, &master)) return EditResult::refused("not a line of the part");
    if (master.frontSym) return EditResult::refused("the line is itself a front-symmetry slave");
    if (std::string why = AxisProblem(master); !why.empty()) return EditResult::message(why);
    return EditResult::done();
}

EditResult ToggleFrontSymmetry(Part& part, Line& master, void* element, uint32_t kind) {
    if (EditResult r = CheckFrontMaster(part, master); !r.ok) return r;
    Line** ref = nullptr;
    if (IsLineKind(kind)) {
        Line* l = static_cast<Line*>(element);
        if (!LineOfPart(part, l)) return EditResult::refused("element of another part");
        if (l == &master) return EditResult::refused("the master itself");
        for (const List<Line>* list : {&part.linesA, &part.linesB})
            for (auto& x : *list)
                if (x->frontSym == l) return EditResult::refused("the line is the master of other lines");
        for (auto& p : part.pins)
            if (p->frontSym == l) return EditResult::refused("the line is the master of other elements");
        for (auto& m : part.motifs)
            if (m->frontSym == l) return EditResult::refused("the line is the master of other elements");
        for (auto& b : part.basePoints)
            if (b->frontSym == l) return EditResult::refused("the line is the master of other elements");
        ref = &l->frontSym;
    } else if (kind == kKindPin && Holds(part.pins, element)) {
        ref = &static_cast<Pin*>(element)->frontSym;
    } else if (kind == kKindMotif && Holds(part.motifs, element)) {
        ref = &static_cast<Motif*>(element)->frontSym;
    } else if (kind == kKindBasePoint && Holds(part.basePoints, element)) {
        ref = &static_cast<BasePoint*>(element)->frontSym;
    } else {
        return EditResult::refused("element of another part or kind");
    }
    *ref = *ref == &master ? nullptr : &master;
    return EditResult::done();
}

// ---------------------------------------------------------------- 共用

BasePoint& AddFollowingBasePoint(Part& part, PointF at) {
    auto b = std::make_unique<BasePoint>();
    b->x = at.x;
    b->y = at.y;
    b->index = part.highestBasePointIndex() + 1;
    if (!part.basePoints.empty()) {
        b->owner = part.basePoints.front().get();
        b->direction = part.basePoints.front()->direction;
        b->flags = kBaseFollowsOwner;
    }
    part.basePoints.push_back(std::move(b));
    return *part.basePoints.back();
}

namespace {

// The fractions f0..f3 of a new zone on `host`, or why there can be none.
EditResult ZoneFractions(const Part& part, const Line& host, double t1, double t2, float blend, std::array<float, 4>& f) {
    if (!LineOfPart(part, &host)) return EditResult::refused("not a line of the part");
    const double len = EvaluatedLength(host);
    if (!(len > 0.0)) return EditResult::refused("line of length 0");
    if (!std::isfinite(t1) || !std::isfinite(t2)) return EditResult::refused("fraction not a number");
    const double a = std::clamp(std::min(t1, t2), 0.0, 1.0), b = std::clamp(std::max(t1, t2), 0.0, 1.0);
    const auto others = ZonesOn(part, host);
    if (Overlaps(others, a, b)) return EditResult::refused("the stretch overlaps a shared zone");
    const double bl = std::max(0.0, double(blend)) / len;
    f = {float(FrontStart(others, a, bl)), float(a), float(b), float(RearEnd(others, b, bl))};
    return EditResult::done();
}

void PushZone(Part& part, Line& host, BasePoint& base, const std::array<float, 4>& f) {
    auto z = std::make_unique<SharedZone>();
    z->host = &host;
    z->basePoint = &base;
    z->f = f;
    part.sharedZones.push_back(std::move(z));
    BuildControlShapes(part);
}

}  // namespace

EditResult AddSharedZone(Part& part, Line& host, double t1, double t2, BasePoint& base, float blend) {
    if (!Holds(part.basePoints, &base)) return EditResult::refused("base point of another part");
    std::array<float, 4> f{};
    if (EditResult r = ZoneFractions(part, host, t1, t2, blend, f); !r.ok) return r;
    PushZone(part, host, base, f);
    return EditResult::done();
}

EditResult AddSharedZoneAtNewBase(Part& part, Line& host, double t1, double t2, PointF at, float blend) {
    if (part.basePoints.empty()) return EditResult::refused("the part has no base point to own the new one");
    if (!std::isfinite(at.x) || !std::isfinite(at.y)) return EditResult::refused("point not a number");
    std::array<float, 4> f{};
    // Everything is checked before the base point is added: a refusal adds nothing.
    if (EditResult r = ZoneFractions(part, host, t1, t2, blend, f); !r.ok) return r;
    PushZone(part, host, AddFollowingBasePoint(part, at), f);
    return EditResult::done();
}

int ZoneAt(const Part& part, const Line& host, double t) {
    for (size_t k = 0; k < part.sharedZones.size(); ++k) {
        const SharedZone& z = *part.sharedZones[k];
        if (z.host == &host && t >= z.f[0] && t <= z.f[3]) return int(k);
    }
    return -1;
}

EditResult SetZoneBlend(Part& part, SharedZone& zone, std::optional<double> frontMm, std::optional<double> rearMm) {
    if (!zone.host || !LineOfPart(part, zone.host)) return EditResult::refused("the zone has no line");
    EditResult r = SetBlend(ZonesOn(part, *zone.host, &zone), *zone.host, zone.f, frontMm, rearMm);
    if (r.ok) BuildControlShapes(part);
    return r;
}

EditResult DeleteZone(Part& part, const SharedZone& zone) {
    for (size_t k = 0; k < part.sharedZones.size(); ++k)
        if (part.sharedZones[k].get() == &zone) {
            part.sharedZones.erase(part.sharedZones.begin() + long(k));
            return EditResult::done();
        }
    return EditResult::refused("no such zone");
}

// ---------------------------------------------------------------- 定距主从

FixedDistance* FixedDistanceOf(Part& part, const void* slave) {
    for (auto& f : part.fixedDistances)
        if (f->first.ptr == slave && (f->first.kind == kKindPin || f->first.kind == kKindMotif)) return f.get();
    return nullptr;
}

EditResult AddFixedDistance(Part& part, void* slave, uint32_t kind, Line& master, bool whole, double t1, double t2,
                            float blend) {
    if (!LineOfPart(part, &master)) return EditResult::refused("the master is not a line of the part");
    auto f = std::make_unique<FixedDistance>();
    f->host = &master;
    if (kind == kKindPin || kind == kKindMotif) {
        if (!(kind == kKindPin ? Holds(part.pins, slave) : Holds(part.motifs, slave)))
            return EditResult::refused("element of another part");
        if (FixedDistanceOf(part, slave)) return EditResult::refused("the element already has a fixed distance");
        f->first = {slave, kind};
    } else if (IsLineKind(kind)) {
        Line* l = static_cast<Line*>(slave);
        if (!LineOfPart(part, l)) return EditResult::refused("line of another part");
        if (l == &master) return EditResult::refused("the master is the slave line");
        const auto others = FixedOn(part, *l);
        if (whole) {
            if (Overlaps(others, 0.0, 1.0)) return EditResult::refused("the stretch overlaps a fixed distance");
            f->f = {0, 0, 1, 1};
        } else {
            const double len = EvaluatedLength(*l);
            if (!(len > 0.0)) return EditResult::refused("line of length 0");
            if (!std::isfinite(t1) || !std::isfinite(t2)) return EditResult::refused("fraction not a number");
            const double a = std::clamp(std::min(t1, t2), 0.0, 1.0), b = std::clamp(std::max(t1, t2), 0.0, 1.0);
            if (Overlaps(others, a, b)) return EditResult::refused("the stretch overlaps a fixed distance");
            const double bl = std::max(0.0, double(blend)) / len;
            f->f = {float(FrontStart(others, a, bl)), float(a), float(b), float(RearEnd(others, b, bl))};
        }
        f->first = {l, kKindLine};
    } else {
        return EditResult::refused("a fixed distance holds a pin, a motif or a line");
    }
    part.fixedDistances.push_back(std::move(f));
    BuildControlShapes(part);
    return EditResult::done();
}

EditResult SetFixedBlend(Part& part, FixedDistance& f, std::optional<double> frontMm, std::optional<double> rearMm) {
    if (!IsLineKind(f.first.kind) || !LineOfPart(part, f.first.as<Line>()))
        return EditResult::refused("not a line stretch");
    Line& l = *f.first.as<Line>();
    EditResult r = SetBlend(FixedOn(part, l, &f), l, f.f, frontMm, rearMm);
    if (r.ok) BuildControlShapes(part);
    return r;
}

EditResult SetFixedDistanceSteps(Design& d, FixedDistance& f, const std::vector<double>& values, bool cm) {
    if (!EnsureSizeCount(d)) return EditResult::refused("the design has no sizes");
    if (int(values.size()) != d.n) return EditResult::refused("one value per size is needed");
    const double scale = cm ? 1000.0 : 100.0;
    std::vector<float> v(values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        const double x = values[i] * scale;
        if (!std::isfinite(x) || std::abs(x) > 1e6) return EditResult::refused("value out of range");
        v[i] = float(x);
    }
    return SetFixedDistanceArray(d, f, std::move(v));
}

EditResult SetFixedDistanceArray(Design& d, FixedDistance& f, std::vector<float> v) {
    if (!EnsureSizeCount(d)) return EditResult::refused("the design has no sizes");
    if (int(v.size()) != d.n) return EditResult::refused("one value per size is needed");
    for (float x : v)
        if (!std::isfinite(x) || std::abs(x) > 1e6f) return EditResult::refused("value out of range");
    // The base entry would move the base copy: it is always 0.
    if (size_t base = size_t(FirstBaseSizeIndex(d)); base < v.size()) v[base] = 0.0f;
    if (std::all_of(v.begin(), v.end(), [](float x) { return x == 0.0f; })) f.perSize.reset();
    else f.perSize = std::move(v);
    return EditResult::done();
}

EditResult DeleteFixedDistance(Part& part, const FixedDistance& f) {
    for (size_t k = 0; k < part.fixedDistances.size(); ++k)
        if (part.fixedDistances[k].get() == &f) {
            part.fixedDistances.erase(part.fixedDistances.begin() + long(k));
            return EditResult::done();
        }
    return EditResult::refused("no such fixed distance");
}

// ---------------------------------------------------------------- 固定

bool EnsureSizeCount(Design& d) {
    if (d.n > 0) return true;
    const SizeCount sc = ComputeSizeCount(d.rangeFrom, d.rangeTo, d.step, d.baseSize);
    if (sc.n <= 0 || sc.n > kMaxSizeCount) return false;
    d.resizePerSizeArrays();
    return d.n > 0;
}

bool IsFixedBasePoint(const Design& d, const BasePoint& b) {
    if (!b.sharedNotes || d.n <= 0 || int(b.sharedNotes->size()) != d.n) return false;
    const int base = FirstBaseSizeIndex(d);
    for (int i = 0; i < d.n; ++i) {
        const uint8_t v = (*b.sharedNotes)[size_t(i)];
        if ((v & 0x7F) != 1 || bool(v & 0x80) != (i == base)) return false;
    }
    return true;
}

EditResult MakeFixedBasePoint(Design& d, BasePoint& b) {
    if (!EnsureSizeCount(d)) return EditResult::refused("the design has no sizes");
    std::vector<uint8_t> notes(size_t(d.n), 1);
    const size_t base = size_t(FirstBaseSizeIndex(d));
    if (base >= notes.size()) return EditResult::refused("the base size is not among the sizes");
    notes[base] = 0x81;
    b.sharedNotes = std::move(notes);
    return EditResult::done();
}

EditResult ToggleFixedLine(Part& part, BasePoint& fixed, Line& line) {
    if (!LineOfPart(part, &line)) return EditResult::refused("line of another part");
    if (!Holds(part.basePoints, &fixed)) return EditResult::refused("base point of another part");
    line.basePoint = line.basePoint == &fixed ? part.basePoints.front().get() : &fixed;
    return EditResult::done();
}

// ---------------------------------------------------------------- 共用说明 / 共模说明

void MarkRepresentatives(std::vector<uint8_t>& bytes, int size) {
    const int n = int(bytes.size());
    if (size < 0 || size >= n || (bytes[size_t(size)] & 0x7F) == 0) return;
    auto group = [&](int i) { return bytes[size_t(i)] & 0x7F; };
    int start = size;
    while (start > 0 && group(start - 1) == group(size)) --start;
    const int position = size - start;
    for (int i = 0; i < n;) {
        int end = i;
        while (end + 1 < n && group(end + 1) == group(i)) ++end;
        const int chosen = std::min(i + position, end);
        for (int j = i; j <= end; ++j) {
            bytes[size_t(j)] &= 0x7F;
            if (j == chosen && group(j) != 0) bytes[size_t(j)] |= 0x80;
        }
        i = end + 1;
    }
}

void ClearMarks(std::vector<uint8_t>& bytes) {
    for (uint8_t& b : bytes) b &= 0x7F;
}

EditResult StoreGroups(Design& d, std::optional<std::vector<uint8_t>>& array, const std::vector<uint8_t>& bytes) {
    if (!EnsureSizeCount(d)) return EditResult::refused("the design has no sizes");
    if (int(bytes.size()) != d.n) return EditResult::refused("one group per size is needed");
    if (std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; })) array.reset();
    else array = bytes;
    return EditResult::done();
}

// ---------------------------------------------------------------- 基点属性

BasePointAttributes AttributesOf(const BasePoint& b) {
    BasePointAttributes a;
    a.lengthMode = int(b.flags & 0xF);
    a.widthMode = int((b.flags >> 4) & 0xF);
    a.lengthStepMode = int((b.flags >> 8) & 0xF);
    a.widthStepMode = int((b.flags >> 12) & 0xF);
    a.length = b.length, a.width = b.width, a.lengthStep = b.lengthStep, a.widthStep = b.widthStep;
    a.independent = !(b.flags & kBaseFollowsOwner);
    a.owner = b.owner;
    return a;
}

std::vector<BasePoint*> OwnerChoices(const Part& part, const BasePoint& b) {
    std::vector<BasePoint*> out;
    for (auto& c : part.basePoints) {
        if (c.get() == &b) continue;
        // c may own b unless b is somewhere above c (c hangs from b).
        bool below = false;
        const BasePoint* o = c->owner;
        for (size_t steps = 0; o && steps <= part.basePoints.size(); ++steps, o = o->owner)
            if (o == &b) {
                below = true;
                break;
            }
        if (!below) out.push_back(c.get());
    }
    return out;
}

EditResult ApplyBasePointAttributes(Design& d, Part& part, BasePoint& b, const BasePointAttributes& a) {
    if (!Holds(part.basePoints, &b)) return EditResult::refused("base point of another part");
    const BasePointAttributes now = AttributesOf(b);
    if (a.lengthMode < 0 || a.lengthMode > 3 || a.widthMode < 0 || a.widthMode > 3 || a.lengthStepMode < 0 ||
        a.lengthStepMode > 2 || a.widthStepMode < 0 || a.widthStepMode > 2)
        return EditResult::refused("mode out of range");
    for (float v : {a.length, a.width, a.lengthStep, a.widthStep})
        if (!std::isfinite(v)) return EditResult::refused("value not a number");
    const bool graded = (d.flags & kDesignGraded) != 0;
    const bool stepsChange = a.lengthStepMode != now.lengthStepMode || a.widthStepMode != now.widthStepMode ||
                             (a.lengthStepMode == 2 && a.lengthStep != now.lengthStep) ||
                             (a.widthStepMode == 2 && a.widthStep != now.widthStep);
    const bool refsChange = a.lengthMode != now.lengthMode || a.widthMode != now.widthMode ||
                            (a.lengthMode == 3 && a.length != now.length) ||
                            (a.widthMode == 3 && a.width != now.width);
    if (stepsChange && (graded || b.targets)) return EditResult::refused("the steps are locked");
    if (refsChange && graded) return EditResult::refused("the reference is locked while grading results exist");
    if (a.owner != b.owner) {
        const std::vector<BasePoint*> ok = OwnerChoices(part, b);
        if (a.owner && std::find(ok.begin(), ok.end(), a.owner) == ok.end())
            return EditResult::refused("the owner would close a loop");
    }
    b.flags = (b.flags & ~0x1FFFFu) | uint32_t(a.lengthMode) | uint32_t(a.widthMode) << 4 |
              uint32_t(a.lengthStepMode) << 8 | uint32_t(a.widthStepMode) << 12 | (a.independent ? 0u : kBaseFollowsOwner);
    if (a.lengthMode == 3) b.length = a.length;
    if (a.widthMode == 3) b.width = a.width;
    if (a.lengthStepMode == 2) b.lengthStep = a.lengthStep;
    if (a.widthStepMode == 2) b.widthStep = a.widthStep;
    b.owner = a.owner;
    return EditResult::done();
}

// ---------------------------------------------------------------- 对称控制

EditResult ToggleSelfSymmetric(Part& part, Line& line) {
    if (!Holds(part.linesA, &line)) return EditResult::refused("not a line of lines A");
    if (std::string why = AxisProblem(line); !why.empty()) return EditResult::message(why);
    line.flags ^= kSelfSymmetricBit;
    return EditResult::done();
}

EditResult ToggleSymmetryLink(Part& part, Line& axis, void* element, uint32_t kind, double t0, double t1) {
    if (!Holds(part.linesB, &axis)) return EditResult::refused("the axis is not a line of lines B");
    if (std::string why = AxisProblem(axis); !why.empty()) return EditResult::message(why);
    if (kind == kKindPin || kind == kKindMotif || kind == kKindSlotLine) {
        const bool in = kind == kKindPin ? Holds(part.pins, element)
                        : kind == kKindMotif ? Holds(part.motifs, element)
                                             : Holds(part.slotLines, element);
        if (!in) return EditResult::refused("element of another part");
        for (size_t k = 0; k < part.symElemLinks.size(); ++k)
            if (part.symElemLinks[k]->element.ptr == element && part.symElemLinks[k]->master == &axis) {
                part.symElemLinks.erase(part.symElemLinks.begin() + long(k));
                return EditResult::done();
            }
        auto l = std::make_unique<SymElemLink>();
        l->element = {element, kind};
        l->master = &axis;
        part.symElemLinks.push_back(std::move(l));
        BuildSymmetryShapes(part);
        return EditResult::done();
    }
    const Polyline* pts = nullptr;
    uint32_t refKind = 0;
    if (IsLineKind(kind) && LineOfPart(part, static_cast<Line*>(element))) {
        if (element == &axis) return EditResult::refused("the axis itself");
        pts = &static_cast<Line*>(element)->eval;
        refKind = kKindLine;
    } else if (kind == kKindSeamAllowance && Holds(part.seamAllowances, element)) {
        pts = &static_cast<SeamAllowance*>(element)->outline;
        refKind = kKindSeamAllowance;
    } else {
        return EditResult::refused("element of another part or kind");
    }
    if (!std::isfinite(t0) || !std::isfinite(t1)) return EditResult::refused("fraction not a number");
    double a = std::clamp(std::min(t0, t1), 0.0, 1.0), b = std::clamp(std::max(t0, t1), 0.0, 1.0);
    // A short pick means the whole line.
    if ((b - a) * double(PolyLength(*pts)) < 200.0) a = 0.0, b = 1.0;
    for (size_t k = 0; k < part.symLineLinks.size(); ++k) {
        const SymLineLink& s = *part.symLineLinks[k];
        if (s.target.ptr == element && std::abs(s.f1 - a) <= 0.01 && std::abs(s.f2 - b) <= 0.01) {
            part.symLineLinks.erase(part.symLineLinks.begin() + long(k));
            return EditResult::done();
        }
    }
    auto l = std::make_unique<SymLineLink>();
    l->target = {element, refKind};
    l->f1 = float(a);
    l->f2 = float(b);
    l->master = &axis;
    part.symLineLinks.push_back(std::move(l));
    BuildSymmetryShapes(part);
    return EditResult::done();
}

void BuildSymmetryShapes(Part& part) {
    auto mirror = [](Polyline pts, const Line* axis) {
        if (!axis || axis->nodes.size() < 2) return Polyline{};
        const PointF a = axis->nodes.front().pt(), b = axis->nodes.back().pt();
        for (PointF& p : pts) p = MirrorAcross(p, a, b);
        return pts;
    };
    for (auto& s : part.symLineLinks) {
        const Polyline* pts = nullptr;
        if (IsLineKind(s->target.kind) && LineOfPart(part, s->target.as<Line>())) pts = &s->target.as<Line>()->eval;
        else if (s->target.kind == kKindSeamAllowance && Holds(part.seamAllowances, s->target.ptr))
            pts = &s->target.as<SeamAllowance>()->outline;
        s->drawn = pts && LineOfPart(part, s->master) ? mirror(PolySubFraction(*pts, s->f1, s->f2), s->master) : Polyline{};
    }
    for (auto& s : part.symElemLinks) {
        Polyline src;
        if (s->element.kind == kKindPin && Holds(part.pins, s->element.ptr)) {
            const Pin& p = *s->element.as<Pin>();
            src = PinOutline(p.x, p.y, p.diameter);
        } else if (s->element.kind == kKindMotif && Holds(part.motifs, s->element.ptr)) {
            const Motif& m = *s->element.as<Motif>();
            if (!m.shape.empty())
                for (PointF q : m.shape.front()) src.push_back({q.x + m.x, q.y + m.y});
        } else if (s->element.kind == kKindSlotLine && Holds(part.slotLines, s->element.ptr)) {
            src = s->element.as<SlotLine>()->drawn1;
        }
        s->drawn = LineOfPart(part, s->master) ? mirror(std::move(src), s->master) : Polyline{};
    }
}

}  // namespace rz
