#include <cmath>
#include <optional>
#include <vector>

#include "exchange/dxf.h"
#include "exchange/text_lines.h"
#include "geom/primitives.h"
#include "model/font.h"
#include "model/gbk.h"

namespace rz {

double ImportUnitScale(int unit) {
    if (unit == 1) return 10.0;
    if (unit == 2) return 25.4;
    return 1.0;
}

DxfReadOptions DxfReadOptions::FromSettings(const Settings& s) {
    DxfReadOptions o;
    o.unitScale = ImportUnitScale(s.scan.reserved);
    o.calibrate = (s.generalFlags & kGenCalibrateDxf) != 0;
    o.sx = s.scan.xFactor;
    o.sy = s.scan.yFactor;
    o.kx = s.scan.shearX;
    o.ky = s.scan.shearY;
    o.dashLong = s.dashLong;
    o.dashShort = s.dashShort;
    return o;
}

void SplitLongPolylines(Shape& s, std::size_t limit) {
    if (limit < 2) return;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i].size() <= limit) continue;
        Polyline rest(s[i].begin() + std::ptrdiff_t(limit - 1), s[i].end());
        s[i].resize(limit);
        s.insert(s.begin() + std::ptrdiff_t(i) + 1, std::move(rest));
    }
}

void AppendDashed(const Polyline& pl, double on, double off, Shape& out) {
    if (pl.empty()) return;
    double total = 0.0;
    for (std::size_t i = 1; i < pl.size(); ++i) total += std::hypot(double(pl[i].x) - pl[i - 1].x, double(pl[i].y) - pl[i - 1].y);
    if (off < 0.0) off = 0.0;
    // Dashes too short to draw, or so many that they would only fill memory: one solid line.
    if (!(on > 0.0) || !std::isfinite(total) || total / (on + off) > 1e6) {
        out.push_back(pl);
        return;
    }
    bool draw = true;
    double left = on;
    Polyline cur{pl[0]};
    for (std::size_t i = 1; i < pl.size(); ++i) {
        const PointF a = pl[i - 1], b = pl[i];
        const double len = std::hypot(double(b.x) - a.x, double(b.y) - a.y);
        double pos = 0.0;
        while (len - pos > left) {
            pos += left;
            const double t = pos / len;
            PointF p{float(a.x + (b.x - a.x) * t), float(a.y + (b.y - a.y) * t)};
            if (draw) {
                cur.push_back(p);
                out.push_back(std::move(cur));
                cur.clear();
            } else {
                cur.assign(1, p);
            }
            draw = !draw;
            left = draw ? on : off;
        }
        left -= len - pos;
        if (draw) cur.push_back(b);
    }
    if (draw && cur.size() >= 2) out.push_back(std::move(cur));
}

namespace {

void AppendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x110000) {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

bool IsUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 9;
        if (n == 9 || i + n >= s.size()) return false;
        for (std::size_t k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
        i += n + 1;
    }
    return true;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string DxfTextToGbk(std::string_view t, bool mtext) {
    std::string s;
    s.reserve(t.size());
    for (std::size_t i = 0; i < t.size(); ++i) {
        char c = t[i];
        if (c == '\\' && i + 2 < t.size() && (t[i + 1] == 'U' || t[i + 1] == 'u') && t[i + 2] == '+') {
            uint32_t v = 0;
            int k = 0;
            for (; k < 4 && i + 3 + std::size_t(k) < t.size(); ++k) {
                int h = HexValue(t[i + 3 + std::size_t(k)]);
                if (h < 0) break;
                v = v * 16 + uint32_t(h);
            }
            if (k == 4) {
                AppendUtf8(s, v);
                i += 6;
                continue;
            }
        }
        if (c == '%' && i + 2 < t.size() && t[i + 1] == '%') {
            char k = t[i + 2];
            if (k == 'd' || k == 'D') { s += "\xC2\xB0"; i += 2; continue; }
            if (k == 'p' || k == 'P') { s += "\xC2\xB1"; i += 2; continue; }
            if (k == 'c' || k == 'C') { s += "\xC3\x98"; i += 2; continue; }
            if (k == '%') { s += '%'; i += 2; continue; }
            if (k == 'u' || k == 'U' || k == 'o' || k == 'O') { i += 2; continue; }
        }
        if (mtext && (c == '{' || c == '}')) continue;
        if (mtext && c == '\\' && i + 1 < t.size()) {
            char k = t[++i];
            switch (k) {
            case 'P': s += ';'; break;
            case '~': s += ' '; break;
            case '\\': case '{': case '}': s += k; break;
            case 'L': case 'l': case 'O': case 'o': case 'K': case 'k': break;
            case 'S': {
                // Stacked text a^b; or a/b; reads as a/b.
                for (++i; i < t.size() && t[i] != ';'; ++i) s += (t[i] == '^' || t[i] == '#') ? '/' : t[i];
                break;
            }
            default:
                // Formatting codes with an argument run to their ';'.
                while (i < t.size() && t[i] != ';') ++i;
                break;
            }
            continue;
        }
        s += c;
    }
    return IsUtf8(s) ? Utf8ToGbk(s) : s;
}

namespace {

struct Group {
    int code;
    std::string_view value;
};

// One entity's groups after its name, with the readers' accessors.
struct Entity {
    std::string_view name;
    std::vector<Group> groups;
    bool bad = false;  // a number that does not parse or is not finite

    double num(int code, double dflt) {
        double v = dflt;
        for (const Group& g : groups)
            if (g.code == code && !ParseDouble(g.value, v)) bad = true;
        return v;
    }
    long integer(int code, long dflt) {
        long v = dflt;
        for (const Group& g : groups)
            if (g.code == code) {
                double d;
                if (ParseInt(g.value, v)) continue;
                if (ParseDouble(g.value, d) && std::fabs(d) < 2e9) v = long(d);
                else bad = true;
            }
        return v;
    }
    std::string_view text(int code) const {
        for (const Group& g : groups)
            if (g.code == code) return g.value;
        return {};
    }
};

// Far beyond any sheet (10,000 km), and far enough from the float range that every
// coordinate read can be written and read again.
constexpr double kMaxCoord = 1e12;

class Reader {
public:
    Reader(const DxfReadOptions& o, DxfReadResult& r) : opt_(o), res_(r), k_(100.0 * o.unitScale) {}

    void run(std::string_view bytes);

private:
    void finish(Entity& e);
    void skip(std::string_view name) { ++res_.skipped[std::string(name)]; }
    // Drawing units to document units; false (entity dropped) when the result is not finite.
    bool pt(double x, double y, PointF& p) const {
        p = {float(x * k_), float(y * k_)};
        return std::fabs(x * k_) <= kMaxCoord && std::fabs(y * k_) <= kMaxCoord;
    }
    void add(Shape&& s, bool mirror, bool bad) {
        if (bad) {
            ++res_.dropped;
            return;
        }
        for (Polyline& pl : s) {
            for (PointF& p : pl) {
                if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
                    ++res_.dropped;
                    return;
                }
            }
        }
        for (Polyline& pl : s) {
            if (pl.empty()) continue;
            if (mirror)
                for (PointF& p : pl) p.x = -p.x;
            res_.polylines.push_back(std::move(pl));
        }
    }
    void line(Entity& e);
    void arc(Entity& e, bool circle);
    void text(Entity& e, bool mtext);
    void lwpolyline(Entity& e);
    void endPolyline();
    // Appends the bulged segment from a to b (a already in pl).
    void bulgeTo(Polyline& pl, PointF a, PointF b, double bulge);

    const DxfReadOptions& opt_;
    DxfReadResult& res_;
    const double k_;
    std::optional<TFont> font_;
    std::string_view section_;

    struct Vertex {
        PointF p;
        double bulge;
    };
    bool inPolyline_ = false;
    bool polyBad_ = false, polyClosed_ = false, polyDashed_ = false, polyMirror_ = false;
    std::vector<Vertex> verts_;
};

void Reader::bulgeTo(Polyline& pl, PointF a, PointF b, double bulge) {
    if (bulge == 0.0 || PtSame(a, b)) {
        pl.push_back(b);
        return;
    }
    const double sweep = 4.0 * std::atan(bulge);
    const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
    const double chord = std::hypot(dx, dy);
    const double r = chord / (2.0 * std::sin(std::fabs(sweep) / 2.0));
    // The centre lies on the chord's perpendicular bisector, to the left for a positive bulge.
    const double h = r * std::cos(sweep / 2.0) * (sweep > 0 ? 1.0 : -1.0);
    const double mx = (a.x + b.x) / 2.0, my = (a.y + b.y) / 2.0;
    const PointF c{float(mx - dy / chord * h), float(my + dx / chord * h)};
    Polyline arcPts = ArcPoints(c, {a.x - c.x, a.y - c.y}, float(sweep), float(r), 0.0f);
    if (arcPts.size() < 2) {
        pl.push_back(b);
        return;
    }
    arcPts.back() = b;
    pl.insert(pl.end(), arcPts.begin() + 1, arcPts.end());
}

void Reader::line(Entity& e) {
    PointF a, b;
    bool ok = pt(e.num(10, 0), e.num(20, 0), a) && pt(e.num(11, 0), e.num(21, 0), b);
    add(Shape{Polyline{a, b}}, e.num(230, 1) < 0, e.bad || !ok);
}

void Reader::arc(Entity& e, bool circle) {
    PointF c;
    bool ok = pt(e.num(10, 0), e.num(20, 0), c);
    const double r = e.num(40, 0) * k_;
    double a0 = 0.0, a1 = 360.0;
    if (!circle) {
        a0 = e.num(50, 0);
        a1 = e.num(51, 0);
        // Arcs run counter-clockwise from the start angle to the end angle.
        a0 = std::fmod(a0, 360.0);
        a1 = std::fmod(a1, 360.0);
        if (a1 <= a0) a1 += 360.0;
    }
    if (e.bad || !ok || !(r > 0.0) || !(r <= kMaxCoord)) {
        add({}, false, true);
        return;
    }
    constexpr double kDeg = 0.017453292519943295;
    Polyline pts = ArcByAngles(c, float(r), float(a0 * kDeg), float(a1 * kDeg), 0.0f);
    if (circle && pts.size() > 1) pts.back() = pts.front();
    add(Shape{std::move(pts)}, e.num(230, 1) < 0, false);
}

void Reader::text(Entity& e, bool mtext) {
    std::string raw;
    if (mtext)
        for (const Group& g : e.groups)
            if (g.code == 3) raw += g.value;
    raw += e.text(1);
    PointF at;
    bool ok = pt(e.num(10, 0), e.num(20, 0), at);
    double h = e.num(40, 5.0);
    if (!(h > 0.0)) h = 5.0;
    double angle = e.num(50, 0.0) * 0.017453292519943295;
    if (mtext) {
        double dx = e.num(11, 0.0), dy = e.num(21, 0.0);
        if (dx != 0.0 || dy != 0.0) angle = std::atan2(dy, dx);
    }
    const double cell = h * k_;
    if (e.bad || !ok || !(cell <= kMaxCoord) || !std::isfinite(angle)) {
        add({}, false, true);
        return;
    }
    if (!opt_.font || !opt_.font->hasData()) {
        skip(e.name);
        return;
    }
    // The user's font settings stay as they are: texts are laid out with a copy.
    if (!font_) font_.emplace(*opt_.font);
    font_->charWidth = float(cell);
    font_->charHeight = float(cell);
    Shape strokes = font_->layoutText(DxfTextToGbk(raw, mtext)).strokes;
    moveStrokes(strokes, at.x, at.y);
    if (angle != 0.0) turnStrokes(strokes, at, float(angle));
    add(std::move(strokes), e.num(230, 1) < 0, false);
}

void Reader::lwpolyline(Entity& e) {
    std::vector<Vertex> v;
    double x = 0.0;
    bool haveX = false;
    for (const Group& g : e.groups) {
        double d;
        if (g.code == 10 || g.code == 20 || g.code == 42) {
            if (!ParseDouble(g.value, d)) {
                e.bad = true;
                break;
            }
            if (g.code == 10) {
                x = d;
                haveX = true;
            } else if (g.code == 20 && haveX) {
                PointF p;
                if (!pt(x, d, p)) e.bad = true;
                v.push_back({p, 0.0});
                haveX = false;
            } else if (g.code == 42 && !v.empty()) {
                v.back().bulge = d;
            }
        }
    }
    const bool closed = (e.integer(70, 0) & 1) != 0;
    const bool mirror = e.num(230, 1) < 0;
    if (e.bad) {
        add({}, false, true);
        return;
    }
    verts_ = std::move(v);
    polyClosed_ = closed;
    polyDashed_ = SameNoCase(Trim(e.text(6)), "DASHED");
    polyMirror_ = mirror;
    polyBad_ = false;
    endPolyline();
}

void Reader::endPolyline() {
    inPolyline_ = false;
    if (polyBad_) {
        add({}, false, true);
        return;
    }
    if (verts_.empty()) return;
    Polyline pl{verts_[0].p};
    for (std::size_t i = 1; i < verts_.size(); ++i) bulgeTo(pl, verts_[i - 1].p, verts_[i].p, verts_[i - 1].bulge);
    if (polyClosed_ && verts_.size() > 1) {
        if (verts_.back().bulge != 0.0) bulgeTo(pl, verts_.back().p, verts_[0].p, verts_.back().bulge);
        else if (!PtSame(pl.back(), pl.front())) pl.push_back(pl.front());
    }
    Shape s;
    if (polyDashed_) AppendDashed(pl, opt_.dashLong * 100.0, opt_.dashShort * 100.0, s);
    else s.push_back(std::move(pl));
    add(std::move(s), polyMirror_, false);
    verts_.clear();
}

void Reader::finish(Entity& e) {
    const std::string_view n = e.name;
    if (n == "SECTION") {
        section_ = Trim(e.text(2));
        return;
    }
    if (inPolyline_) {
        if (n == "VERTEX") {
            const long flags = e.integer(70, 0);
            // Spline frame points are not on the line; face records carry no point.
            if (flags & 16) return;
            if ((flags & 128) && !(flags & 64)) return;
            PointF p;
            const double x = e.num(10, 0), y = e.num(20, 0), b = e.num(42, 0);
            if (e.bad || !pt(x, y, p) || !std::isfinite(b)) polyBad_ = true;
            else verts_.push_back({p, b});
            return;
        }
        if (n == "SEQEND") {
            endPolyline();
            return;
        }
        // An entity other than a vertex before SEQEND: the polyline is cut off.
        ++res_.dropped;
        inPolyline_ = false;
        verts_.clear();
    }
    const bool drawing = section_ == "ENTITIES" || section_ == "BLOCKS";
    if (n == "LINE") line(e);
    else if (n == "ARC") arc(e, false);
    else if (n == "CIRCLE") arc(e, true);
    else if (n == "TEXT") text(e, false);
    else if (n == "MTEXT") text(e, true);
    else if (n == "LWPOLYLINE") lwpolyline(e);
    else if (n == "POLYLINE") {
        const long flags = e.integer(70, 0);
        if (flags & (16 | 64)) {
            skip(flags & 64 ? "POLYFACE" : "POLYMESH");
            return;
        }
        inPolyline_ = true;
        polyBad_ = e.bad;
        polyClosed_ = (flags & 1) != 0;
        polyDashed_ = SameNoCase(Trim(e.text(6)), "DASHED");
        polyMirror_ = e.num(230, 1) < 0;
        if (e.bad) polyBad_ = true;
        verts_.clear();
    } else if (drawing && n != "BLOCK" && n != "ENDBLK" && n != "ENDSEC" && n != "VERTEX" && n != "SEQEND") {
        skip(n);
    }
}

void Reader::run(std::string_view bytes) {
    TextLines lines(bytes);
    Entity e;
    bool inEntity = false;
    std::string_view codeLine, value;
    while (lines.next(codeLine)) {
        long code;
        if (!ParseInt(codeLine, code)) {
            // Not a group code: the pairs are out of step, nothing after here can be trusted.
            res_.truncated = true;
            break;
        }
        if (!lines.next(value)) break;
        if (code == 0) {
            if (inEntity) finish(e);
            e.name = Trim(value);
            e.groups.clear();
            e.bad = false;
            inEntity = true;
            if (e.name == "EOF") {
                if (inPolyline_) ++res_.dropped;
                return;
            }
            continue;
        }
        if (inEntity && code > INT32_MIN && code < INT32_MAX) e.groups.push_back({int(code), value});
    }
    // No EOF: whatever entity was open is cut off.
    res_.truncated = true;
    if (inPolyline_) ++res_.dropped;
}

}  // namespace

DxfReadResult ReadDxf(std::string_view bytes, const DxfReadOptions& opt) {
    DxfReadResult res;
    Reader(opt, res).run(bytes);
    if (opt.calibrate) {
        for (Polyline& pl : res.polylines)
            for (PointF& p : pl) {
                const float x = p.x, y = p.y;
                p.x = opt.sx * x + opt.kx * (opt.sy * y);
                p.y = opt.sy * y + opt.ky * (opt.sx * x);
            }
    }
    SplitLongPolylines(res.polylines);
    return res;
}

}  // namespace rz
