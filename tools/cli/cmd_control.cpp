// rozedoz-cli control: the grading controls' tools and dialogs without a window. IN is read, the
// action applied as the tool or dialog applies it, and OUT written only on success; the verb
// prints {"ok":true,…}. A refusal prints the system's text or "refused: REASON" and exits 1.
#include <charconv>
#include <cstdio>
#include <optional>

#include "control_address.h"
#include "design/derived.h"
#include "design_args.h"
#include "grading/control_dialogs.h"
#include "grading/control_edit.h"
#include "grading/controls.h"
#include "json_out.h"
#include "load.h"
#include "model/sizes.h"
#include "verbs.h"

namespace rz::cli {
namespace {

constexpr const char* kUsage =
    "usage: rozedoz-cli control IN OUT ACTION ...\n"
    "  front MASTER ELEM...                      前对称控制 (toggles each element)\n"
    "  share LINE T1 T2 base:I|--new-base X Y    共用\n"
    "  blend zone:P/K|fixed:P/K [--front MM] [--rear MM]\n"
    "  unshare zone:P/K\n"
    "  fixed SLAVE MASTER [T1 T2|--whole]         定距主从\n"
    "  distances fixed:P/K V,...|--clear|--delete [--cm]   定距参数\n"
    "  fix base:I [LINE...]                      固定\n"
    "  groups base:I|part:P|piece:Q G,G*,...|--mark K|--clear   共用说明/共模说明\n"
    "  attr base:I [--length-mode M [V]] [--width-mode M [V]] [--length-step-mode M [V]]\n"
    "       [--width-step-mode M [V]] [--independent|--follow] [--owner base:J|none]   基点属性\n"
    "  symmetry AXIS [ELEM [T0 T1]]               对称控制\n";

int Refuse(const EditResult& r) {
    if (!r.text.empty()) std::fprintf(stderr, "%s\n", r.text.c_str());
    else std::fprintf(stderr, "refused: %s\n", r.why.c_str());
    return 1;
}
int Refuse(const std::string& why) { return Refuse(EditResult::refused(why)); }

bool Number(const std::string& s, double& v) { return ParseDouble(s, v); }

class ControlVerb {
public:
    ControlVerb(TDoc& doc) : doc_(doc), d_(doc.design), a_(doc.design) {}

    // Runs the action; 0 with `json` filled on success.
    int run(const std::string& action, const std::vector<std::string>& args) {
        if (action == "front") return front(args);
        if (action == "share") return share(args);
        if (action == "blend") return blend(args);
        if (action == "unshare") return unshare(args);
        if (action == "fixed") return fixed(args);
        if (action == "distances") return distances(args);
        if (action == "fix") return fix(args);
        if (action == "groups") return groups(args);
        if (action == "attr") return attr(args);
        if (action == "symmetry") return symmetry(args);
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }

    JsonOut json;

private:
    template <class T>
    T* get(const std::string& text, uint32_t kind, Part** part) {
        const KindRef r = a_.element(text);
        if (!r.ptr || (r.kind != kind)) return nullptr;
        if (part) *part = PartOfElement(d_, r.ptr, r.kind);
        return static_cast<T*>(r.ptr);
    }
    Line* line(const std::string& text, Part** part) {
        Line* l = get<Line>(text, kKindLine, part);
        return l && part && *part ? l : nullptr;  // graded copies are no part's lines
    }

    void begin(const char* action) { json.beginObj().key("ok").boolean(true).key("action").str(action); }

    int front(const std::vector<std::string>& args) {
        if (args.size() < 2) return usage();
        Part* part = nullptr;
        Line* master = line(args[0], &part);
        if (!master) return Refuse("MASTER is not a line of a part");
        if (EditResult r = CheckFrontMaster(*part, *master); !r.ok) return Refuse(r);
        for (size_t i = 1; i < args.size(); ++i) {
            const KindRef e = a_.element(args[i]);
            if (!e.ptr) return Refuse("no element " + args[i]);
            if (PartOfElement(d_, e.ptr, e.kind) != part) return Refuse(args[i] + " is in another part");
            if (EditResult r = ToggleFrontSymmetry(*part, *master, e.ptr, e.kind); !r.ok) return Refuse(r);
        }
        begin("front");
        json.key("master").str(args[0]).key("linked").beginArr();
        for (const List<Line>* list : {&part->linesA, &part->linesB})
            for (auto& l : *list)
                if (l->frontSym == master) json.str(a_.name(Cat::Lines, l.get()));
        for (auto& p : part->pins)
            if (p->frontSym == master) json.str(a_.name(Cat::Pins, p.get()));
        for (auto& m : part->motifs)
            if (m->frontSym == master) json.str(a_.name(Cat::Motifs, m.get()));
        for (auto& b : part->basePoints)
            if (b->frontSym == master) json.str(a_.name(Cat::BasePoints, b.get()));
        json.endArr();
        return 0;
    }

    int share(const std::vector<std::string>& args) {
        double t1 = 0, t2 = 0;
        if (args.size() < 4 || !Number(args[1], t1) || !Number(args[2], t2)) return usage();
        Part* part = nullptr;
        Line* host = line(args[0], &part);
        if (!host) return Refuse("LINE is not a line of a part");
        if (!(EvaluatedLength(*host) > 0.0)) return Refuse("line of length 0");
        BasePoint* base = nullptr;
        if (args[3] == "--new-base") {
            double x = 0, y = 0;
            if (args.size() != 6 || !Number(args[4], x) || !Number(args[5], y)) return usage();
            if (EditResult r = AddSharedZoneAtNewBase(*part, *host, t1, t2, {float(x), float(y)}, BlendLength(doc_.settings));
                !r.ok)
                return Refuse(r);
            base = part->basePoints.back().get();
        } else {
            Part* bp = nullptr;
            base = get<BasePoint>(args[3], kKindBasePoint, &bp);
            if (!base || args.size() != 4) return usage();
            if (bp != part) return Refuse("base point of another part");
            if (EditResult r = AddSharedZone(*part, *host, t1, t2, *base, BlendLength(doc_.settings)); !r.ok)
                return Refuse(r);
        }
        const int p = a_.partIndex(part);
        begin("share");
        zone(p, int(part->sharedZones.size()) - 1);
        // A new base point has no address yet in IN's numbering: its index in the part says which.
        if (args[3] == "--new-base") json.key("new_base_index").num(base->index);
        else json.key("base_point").str(args[3]);
        return 0;
    }

    void zone(int p, int k) {
        const SharedZone& z = *d_.parts[size_t(p)]->sharedZones[size_t(k)];
        json.key("zone").str("zone:" + std::to_string(p) + "/" + std::to_string(k)).key("f").beginArr();
        for (float f : z.f) json.num(f);
        json.endArr();
    }

    static bool Millimetres(const std::vector<std::string>& args, size_t& i, std::optional<double>& v) {
        double x = 0;
        if (i + 1 >= args.size() || !Number(args[i + 1], x)) return false;
        v = x;
        ++i;
        return true;
    }

    int blend(const std::vector<std::string>& args) {
        if (args.empty()) return usage();
        std::optional<double> front, rear;
        for (size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "--front" && Millimetres(args, i, front)) continue;
            if (args[i] == "--rear" && Millimetres(args, i, rear)) continue;
            return usage();
        }
        if (auto [p, k] = a_.control(args[0], "zone"); p >= 0) {
            Part& part = *d_.parts[size_t(p)];
            if (EditResult r = SetZoneBlend(part, *part.sharedZones[size_t(k)], front, rear); !r.ok) return Refuse(r);
            begin("blend");
            zone(p, k);
            return 0;
        }
        if (auto [p, k] = a_.control(args[0], "fixed"); p >= 0) {
            Part& part = *d_.parts[size_t(p)];
            FixedDistance& f = *part.fixedDistances[size_t(k)];
            if (EditResult r = SetFixedBlend(part, f, front, rear); !r.ok) return Refuse(r);
            begin("blend");
            json.key("fixed").str(args[0]).key("f").beginArr();
            for (float v : f.f) json.num(v);
            json.endArr();
            return 0;
        }
        return Refuse("no zone or fixed distance " + args[0]);
    }

    int unshare(const std::vector<std::string>& args) {
        if (args.size() != 1) return usage();
        auto [p, k] = a_.control(args[0], "zone");
        if (p < 0) return Refuse("no zone " + args[0]);
        Part& part = *d_.parts[size_t(p)];
        if (EditResult r = DeleteZone(part, *part.sharedZones[size_t(k)]); !r.ok) return Refuse(r);
        begin("unshare");
        json.key("zones").num(double(part.sharedZones.size()));
        return 0;
    }

    int fixed(const std::vector<std::string>& args) {
        if (args.size() < 2) return usage();
        const KindRef slave = a_.element(args[0]);
        if (!slave.ptr || slave.kind == kKindBasePoint) return Refuse("SLAVE is not a pin, motif or line");
        Part* part = PartOfElement(d_, slave.ptr, slave.kind);
        Part* mp = nullptr;
        Line* master = line(args[1], &mp);
        if (!part || !master) return Refuse("no such slave or master");
        if (mp != part) return Refuse("the master is in another part");
        bool whole = slave.kind != kKindLine;
        double t1 = 0, t2 = 1;
        if (args.size() == 3 && args[2] == "--whole") whole = true;
        else if (args.size() == 4 && Number(args[2], t1) && Number(args[3], t2)) whole = false;
        else if (args.size() != 2) return usage();
        else whole = true;
        if (EditResult r = AddFixedDistance(*part, slave.ptr, slave.kind, *master, whole, t1, t2,
                                            BlendLength(doc_.settings));
            !r.ok)
            return Refuse(r);
        const int p = a_.partIndex(part);
        const FixedDistance& f = *part->fixedDistances.back();
        begin("fixed");
        json.key("fixed").str("fixed:" + std::to_string(p) + "/" + std::to_string(part->fixedDistances.size() - 1));
        json.key("kind").num(double(f.first.kind)).key("f").beginArr();
        for (float v : f.f) json.num(v);
        json.endArr();
        return 0;
    }

    int distances(const std::vector<std::string>& args) {
        if (args.size() < 2) return usage();
        auto [p, k] = a_.control(args[0], "fixed");
        if (p < 0) return Refuse("no fixed distance " + args[0]);
        Part& part = *d_.parts[size_t(p)];
        FixedDistance& f = *part.fixedDistances[size_t(k)];
        bool cm = false;
        std::string values;
        for (size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "--cm") cm = true;
            else if (values.empty()) values = args[i];
            else return usage();
        }
        // As 定距参数 does it: the fields typed in, 清空 or 删除, then 确认.
        if (!EnsureSizeCount(d_)) return Refuse("the design has no sizes");
        FixedStepsModel m(d_, f, cm);
        if (values == "--delete") {
            m.pressDelete();
        } else if (values == "--clear") {
            m.clear();
        } else {
            const std::vector<std::string> items = SplitOn(values, ',');
            if (int(items.size()) != m.n) return Refuse("one value per size is needed (" + std::to_string(m.n) + ")");
            for (size_t i = 0; i < items.size(); ++i) {
                double x = 0;
                if (!Number(items[i], x)) return Refuse("'" + items[i] + "' is not a number");
                if (!m.editable(int(i)) || x == m.value(int(i))) continue;
                char text[40];
                m.texts[i].assign(text, std::to_chars(text, text + sizeof text, x).ptr);
            }
        }
        const FixedStepsModel::Outcome o = m.apply(d_, part, f);
        if (o == FixedStepsModel::Outcome::Refused) return Refuse("value out of range");
        if (o == FixedStepsModel::Outcome::Deleted) {
            begin("distances");
            json.key("deleted").str(args[0]);
            return 0;
        }
        begin("distances");
        json.key("fixed").str(args[0]).key("per_size");
        if (!f.perSize) json.null();
        else {
            json.beginArr();
            for (float v : *f.perSize) json.num(v);
            json.endArr();
        }
        return 0;
    }

    int fix(const std::vector<std::string>& args) {
        if (args.empty()) return usage();
        Part* part = nullptr;
        BasePoint* b = get<BasePoint>(args[0], kKindBasePoint, &part);
        if (!b || !part) return Refuse("no base point " + args[0]);
        std::vector<Line*> lines;
        for (size_t i = 1; i < args.size(); ++i) {
            Part* lp = nullptr;
            Line* l = line(args[i], &lp);
            if (!l) return Refuse("no line " + args[i]);
            if (lp != part) return Refuse(args[i] + " is in another part");
            lines.push_back(l);
        }
        const bool was = IsFixedBasePoint(d_, *b);
        if (!was)
            if (EditResult r = MakeFixedBasePoint(d_, *b); !r.ok) return Refuse(r);
        for (Line* l : lines) ToggleFixedLine(*part, *b, *l);
        begin("fix");
        json.key("base_point").str(args[0]).key("made_fixed").boolean(!was).key("lines").beginArr();
        for (const List<Line>* list : {&part->linesA, &part->linesB})
            for (auto& l : *list)
                if (l->basePoint == b) json.str(a_.name(Cat::Lines, l.get()));
        json.endArr();
        return 0;
    }

    int groups(const std::vector<std::string>& args) {
        if (args.size() < 2) return usage();
        std::optional<std::vector<uint8_t>>* array = nullptr;
        if (int p = a_.part(args[0]); p >= 0) array = &d_.parts[size_t(p)]->sharedDie;
        else if (int q = a_.piece(args[0]); q >= 0) array = &d_.pieces[size_t(q)]->sharedDie;
        else if (BasePoint* b = get<BasePoint>(args[0], kKindBasePoint, nullptr)) array = &b->sharedNotes;
        else return Refuse("no base point, part or piece " + args[0]);
        // As 共用说明/共模说明 does it: the cells set, a corner marked or unmarked, then 确认.
        if (!EnsureSizeCount(d_)) return Refuse("the design has no sizes");
        SizeGroupsModel m(d_, "", *array);
        if (args[1] == "--mark") {
            int k = 0;
            if (args.size() != 3 || !ParseIndex(args[2], k) || k >= m.n) return usage();
            if (m.group(k) == 0) return Refuse("size " + args[2] + " is in no group");
            if (!m.marked(k)) m.toggleMark(k);
            else MarkRepresentatives(m.bytes, k);
        } else if (args[1] == "--clear") {
            ClearMarks(m.bytes);
        } else {
            std::vector<std::string> items = SplitOn(args[1], ',');
            if (int(items.size()) != m.n || args.size() != 2)
                return Refuse("one group per size is needed (" + std::to_string(m.n) + ")");
            for (size_t i = 0; i < items.size(); ++i) {
                std::string s = items[i];
                const bool marked = !s.empty() && s.back() == '*';
                if (marked) s.pop_back();
                int g = 0;
                if (!ParseIndex(s, g) || g > SizeGroupsModel::kMaxGroup) return Refuse("group '" + items[i] + "' is not 0–127");
                m.bytes[i] = uint8_t(g | (marked ? 0x80 : 0));
            }
        }
        if (m.apply(d_, *array) == SizeGroupsModel::Outcome::Refused) return Refuse("the design has no sizes");
        begin("groups");
        json.key("target").str(args[0]).key("groups");
        if (!*array) json.null();
        else {
            json.beginArr();
            for (uint8_t v : **array) json.num(v);
            json.endArr();
        }
        return 0;
    }

    int attr(const std::vector<std::string>& args) {
        if (args.empty()) return usage();
        Part* part = nullptr;
        BasePoint* b = get<BasePoint>(args[0], kKindBasePoint, &part);
        if (!b || !part) return Refuse("no base point " + args[0]);
        BasePointAttributes a = AttributesOf(*b);
        for (size_t i = 1; i < args.size(); ++i) {
            const std::string& o = args[i];
            int* mode = o == "--length-mode"        ? &a.lengthMode
                        : o == "--width-mode"       ? &a.widthMode
                        : o == "--length-step-mode" ? &a.lengthStepMode
                        : o == "--width-step-mode"  ? &a.widthStepMode
                                                    : nullptr;
            float* value = o == "--length-mode"        ? &a.length
                           : o == "--width-mode"       ? &a.width
                           : o == "--length-step-mode" ? &a.lengthStep
                                                       : &a.widthStep;
            if (mode) {
                int m = 0;
                if (i + 1 >= args.size() || !ParseIndex(args[i + 1], m)) return usage();
                *mode = m;
                ++i;
                double v = 0;
                if (i + 1 < args.size() && Number(args[i + 1], v)) {
                    *value = float(v);
                    ++i;
                }
            } else if (o == "--independent") a.independent = true;
            else if (o == "--follow") a.independent = false;
            else if (o == "--owner" && i + 1 < args.size()) {
                ++i;
                if (args[i] == "none") a.owner = nullptr;
                else {
                    Part* op = nullptr;
                    a.owner = get<BasePoint>(args[i], kKindBasePoint, &op);
                    if (!a.owner) return Refuse("no base point " + args[i]);
                    if (op != part) return Refuse("the owner is in another part");
                }
            } else return usage();
        }
        if (EditResult r = ApplyBasePointAttributes(d_, *part, *b, a); !r.ok) return Refuse(r);
        begin("attr");
        json.key("base_point").str(args[0]).key("flags").num(double(b->flags)).key("owner");
        if (b->owner) json.str(a_.name(Cat::BasePoints, b->owner));
        else json.null();
        json.key("owner_choices").beginArr();
        for (BasePoint* c : OwnerChoices(*part, *b)) json.str(a_.name(Cat::BasePoints, c));
        json.endArr();
        return 0;
    }

    int symmetry(const std::vector<std::string>& args) {
        if (args.empty() || args.size() == 3 || args.size() > 4) return usage();
        Part* part = nullptr;
        Line* axis = line(args[0], &part);
        if (!axis) return Refuse("AXIS is not a line of a part");
        if (args.size() == 1) {
            if (EditResult r = ToggleSelfSymmetric(*part, *axis); !r.ok) return Refuse(r);
            RebuildPartAndPieces(d_, *part);
            begin("symmetry");
            json.key("self_symmetric").boolean((axis->flags & kLineSelfSymmetric) != 0);
            return 0;
        }
        const KindRef e = a_.element(args[1]);
        if (!e.ptr) return Refuse("no element " + args[1]);
        if (PartOfElement(d_, e.ptr, e.kind) != part) return Refuse(args[1] + " is in another part");
        double t0 = 0, t1 = 1;
        if (args.size() == 4 && (!Number(args[2], t0) || !Number(args[3], t1))) return usage();
        if (EditResult r = ToggleSymmetryLink(*part, *axis, e.ptr, e.kind, t0, t1); !r.ok) return Refuse(r);
        begin("symmetry");
        json.key("line_links").num(double(part->symLineLinks.size()));
        json.key("element_links").num(double(part->symElemLinks.size()));
        return 0;
    }

    int usage() {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }

    TDoc& doc_;
    Design& d_;
    DesignAddresses a_;
};

int ControlMain(const std::vector<std::string>& args) {
    if (args.size() < 3) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    HeadlessPlatform platform;
    TDoc doc(platform);
    FileResult fr;
    if (!LoadPattern(doc, args[0], fr)) return 1;
    ControlVerb v(doc);
    const int rc = v.run(args[2], std::vector<std::string>(args.begin() + 3, args.end()));
    if (rc != 0) return rc;
    if (!SavePattern(doc, args[1], "control", "the design is blank")) return 1;
    v.json.endObj();
    std::printf("%s\n", v.json.s.c_str());
    return 0;
}

RegisterVerb reg("control", "control IN OUT ACTION ...   grading controls as the tools and dialogs set them", ControlMain);

}  // namespace
}  // namespace rz::cli
