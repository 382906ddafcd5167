// The cut file as JSON and back, for scripts: numbers written locale-free ("%.9g" for floats).
#include <charconv>
#include <cmath>
#include <cstring>

#include "output/cutfile.h"
#include "output/material_record.h"

namespace rz {

namespace {

std::string G9(float f) {
    if (!std::isfinite(f)) return "null";
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, double(f), std::chars_format::general, 9);
    return std::string(buf, r.ptr);
}

// A small reader for the shape written below: objects, arrays, strings without escapes beyond
// \" and \\, numbers, true, false and null.
struct Reader {
    const std::string& s;
    size_t i = 0;
    std::string err;

    void ws() {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\n' || s[i] == '\r' || s[i] == '\t')) ++i;
    }
    bool eat(char c) {
        ws();
        if (i < s.size() && s[i] == c) return ++i, true;
        return false;
    }
    bool fail(const std::string& what) {
        if (err.empty()) err = what + " at byte " + std::to_string(i);
        return false;
    }
    bool string(std::string& out) {
        if (!eat('"')) return fail("expected a string");
        out.clear();
        while (i < s.size() && s[i] != '"') {
            if (s[i] == '\\' && i + 1 < s.size()) ++i;
            out += s[i++];
        }
        return i < s.size() ? (++i, true) : fail("unterminated string");
    }
    bool number(double& v) {
        ws();
        if (s.compare(i, 4, "null") == 0) {
            i += 4;
            v = NAN;
            return true;
        }
        auto r = std::from_chars(s.data() + i, s.data() + s.size(), v);
        if (r.ec != std::errc()) return fail("expected a number");
        i = size_t(r.ptr - s.data());
        return true;
    }
    // Skips any value.
    bool skip() {
        ws();
        if (i >= s.size()) return fail("unexpected end");
        char c = s[i];
        if (c == '"') {
            std::string t;
            return string(t);
        }
        if (c == '{' || c == '[') {
            const char close = c == '{' ? '}' : ']';
            ++i;
            if (eat(close)) return true;
            do {
                if (c == '{') {
                    std::string k;
                    if (!string(k) || !eat(':')) return fail("expected a key");
                }
                if (!skip()) return false;
            } while (eat(','));
            return eat(close) ? true : fail("expected a close");
        }
        for (const char* w : {"true", "false", "null"})
            if (s.compare(i, std::strlen(w), w) == 0) return i += std::strlen(w), true;
        double v;
        return number(v);
    }
    // Calls `field(key)` for every key of an object; the callback reads the value.
    template <class F>
    bool object(F field) {
        if (!eat('{')) return fail("expected an object");
        if (eat('}')) return true;
        do {
            std::string k;
            if (!string(k) || !eat(':')) return fail("expected a key");
            if (!field(k)) return false;
        } while (eat(','));
        return eat('}') ? true : fail("expected }");
    }
    template <class F>
    bool array(F element) {
        if (!eat('[')) return fail("expected an array");
        if (eat(']')) return true;
        do {
            if (!element()) return false;
        } while (eat(','));
        return eat(']') ? true : fail("expected ]");
    }
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string CutFileToJson(const CutFileContent& c) {
    std::string o = "{\"version\":\"" + std::string(CutFileFormName(c.form)) + "\",\"truncated\":" +
                    (c.truncated ? "true" : "false") + ",\"next_piece_id\":" + std::to_string(c.nextPieceId) +
                    ",\"items\":[";
    for (size_t i = 0; i < c.items.size(); ++i) {
        const PlotItem& it = c.items[i];
        if (i) o += ",";
        o += "{\"flags\":" + std::to_string(it.flags) + ",\"kind\":" + std::to_string(it.kind()) +
             ",\"tool\":" + std::to_string(it.tool()) + ",\"pen\":" + std::to_string(it.pen()) +
             ",\"piece\":" + std::to_string(it.pieceId) + ",\"points\":[";
        for (size_t k = 0; k < it.points.size(); ++k) {
            if (k) o += ",";
            o += "[" + G9(it.points[k].x) + "," + G9(it.points[k].y) + "]";
        }
        o += "]}";
    }
    o += "],\"material\":[";
    static const char* hex = "0123456789abcdef";
    for (size_t i = 0; i < c.material.size(); ++i) {
        if (i) o += ",";
        o += "\"";
        for (uint8_t b : c.material[i]) o += hex[b >> 4], o += hex[b & 15];
        o += "\"";
    }
    // The same records decoded, for reading; the hexadecimal form is what comes back.
    o += "],\"material_fields\":[";
    for (size_t i = 0; i < c.material.size(); ++i) {
        const MaterialFields f = DecodeMaterial(c.material[i]);
        auto pt = [&](const char* k, PointF p) { o += ",\"" + std::string(k) + "\":[" + G9(p.x) + "," + G9(p.y) + "]"; };
        if (i) o += ",";
        o += "{\"flags\":" + std::to_string(f.flags) + ",\"mode\":" + std::to_string(f.mode()) +
             ",\"piece\":" + std::to_string(f.pieceId) + ",\"rows\":" + std::to_string(f.rows) +
             ",\"largest_row\":" + std::to_string(f.largestRow);
        pt("pair_anchor", f.pairAnchor), pt("pair_point", f.pairPt), pt("row_anchor", f.rowAnchor);
        pt("row_point", f.rowPt), pt("second_row_anchor", f.row2Anchor), pt("second_row_point", f.row2Pt);
        pt("J", f.J), pt("M", f.M), pt("R", f.R), pt("U", f.U);
        o += ",\"W\":" + G9(f.W) + ",\"H\":" + G9(f.H) + ",\"margin\":" + G9(f.margin) + ",\"usage\":" + G9(f.usage) + "}";
    }
    return o + "]}";
}

bool CutFileFromJson(const std::string& text, CutFileContent& out, std::string& err) {
    Reader r{text, 0, {}};
    out = CutFileContent{};
    out.form = CutFileForm::V65;
    bool ok = r.object([&](const std::string& key) {
        if (key == "items")
            return r.array([&] {
                PlotItem it;
                bool haveFlags = false;
                int kind = 0, tool = 0, pen = 0;
                bool ok = r.object([&](const std::string& k) {
                    double v;
                    if (k == "points")
                        return r.array([&] {
                            double x, y;
                            if (!r.eat('[') || !r.number(x) || !r.eat(',') || !r.number(y) || !r.eat(']'))
                                return r.fail("expected [x, y]");
                            it.points.push_back({float(x), float(y)});
                            return true;
                        });
                    if (k != "flags" && k != "kind" && k != "tool" && k != "pen" && k != "piece") return r.skip();
                    if (!r.number(v) || !std::isfinite(v)) return r.fail("expected a number for " + k);
                    if (k == "flags") it.flags = uint32_t(int64_t(v)), haveFlags = true;
                    else if (k == "kind") kind = int(v);
                    else if (k == "tool") tool = int(v);
                    else if (k == "pen") pen = int(v);
                    else it.pieceId = int32_t(v);
                    return true;
                });
                if (!ok) return false;
                if (!haveFlags) it.setKind(kind), it.setTool(tool), it.setPen(pen);
                out.items.push_back(std::move(it));
                return true;
            });
        if (key == "material")
            return r.array([&] {
                std::string h;
                if (!r.string(h)) return false;
                MaterialRecord m{};
                if (h.size() != m.size() * 2) return r.fail("a material record is 116 bytes");
                for (size_t k = 0; k < m.size(); ++k) {
                    int a = HexDigit(h[2 * k]), b = HexDigit(h[2 * k + 1]);
                    if (a < 0 || b < 0) return r.fail("not hexadecimal");
                    m[k] = uint8_t(a * 16 + b);
                }
                out.material.push_back(m);
                return true;
            });
        if (key == "next_piece_id") {
            double v;
            if (!r.number(v)) return false;
            out.nextPieceId = int32_t(v);
            return true;
        }
        return r.skip();
    });
    r.ws();
    if (ok && r.i != text.size()) ok = r.fail("text after the object");
    err = r.err;
    return ok;
}

}  // namespace rz
