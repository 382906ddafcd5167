// Builds the stroke font brelan.fnt from packaged single-line stroke data:
//   ASCII      Hershey simplex glyphs (a .jhf file of Debian's hershey-fonts-data)
//   GB2312     stroke medians of hanzi-writer-data (one JSON file per character, named by
//              the character in UTF-8); GB2312 codes are mapped to Unicode with iconv.
// Characters without data stay empty. The file is an index of 6896 four-byte entries
// (24-bit offset, pair count) followed by the glyphs as (x, y) byte pairs on a 128 grid with
// y up; the pair (0, 0) lifts the pen.
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kEntries = 6896;
constexpr int kMaxPairs = 255;

struct Pt {
    double x, y;
};
using Stroke = std::vector<Pt>;
using Glyph = std::vector<Stroke>;
struct GridPt {
    int x, y;
    bool operator==(const GridPt&) const = default;
};
using GridStroke = std::vector<GridPt>;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// ---- Hershey .jhf: "NNNNN" glyph number, "CCC" pair count, then the pairs (the first holds the
// left and right bounds); each coordinate is a character minus 'R', y downwards; " R" lifts
// the pen. Long records may be wrapped over lines.
struct HersheyGlyph {
    int left = 0, right = 0;
    Glyph strokes;
};

std::vector<HersheyGlyph> readJhf(const std::string& path) {
    std::string text = readFile(path);
    std::vector<HersheyGlyph> out;
    std::size_t i = 0;
    auto nextChar = [&]() -> int {
        while (i < text.size() && (text[i] == '\n' || text[i] == '\r')) ++i;
        return i < text.size() ? static_cast<unsigned char>(text[i++]) : -1;
    };
    while (true) {
        while (i < text.size() && (text[i] == '\n' || text[i] == '\r')) ++i;
        if (i + 8 > text.size()) break;
        int count = std::atoi(text.substr(i + 5, 3).c_str());
        i += 8;
        HersheyGlyph g;
        Stroke cur;
        for (int k = 0; k < count; ++k) {
            int a = nextChar(), b = nextChar();
            if (a < 0 || b < 0) break;
            if (k == 0) {
                g.left = a - 'R';
                g.right = b - 'R';
            } else if (a == ' ' && b == 'R') {
                if (cur.size() >= 2) g.strokes.push_back(cur);
                cur.clear();
            } else {
                cur.push_back({double(a - 'R'), double(b - 'R')});
            }
        }
        if (cur.size() >= 2) g.strokes.push_back(cur);
        out.push_back(std::move(g));
    }
    return out;
}

// ---- hanzi-writer-data: {"strokes": [...], "medians": [[[x, y], ...], ...], ...} on a 1024 box
// whose y runs from -124 (bottom) to 900 (top).
bool readMedians(const std::string& json, Glyph& out) {
    std::size_t at = json.find("\"medians\"");
    if (at == std::string::npos) return false;
    at = json.find('[', at);
    if (at == std::string::npos) return false;
    int depth = 0;
    Stroke stroke;
    std::vector<double> nums;
    for (std::size_t i = at; i < json.size(); ++i) {
        char c = json[i];
        if (c == '[') {
            ++depth;
            if (depth == 2) stroke.clear();
            if (depth == 3) nums.clear();
        } else if (c == ']') {
            if (depth == 3 && nums.size() == 2) stroke.push_back({nums[0], nums[1]});
            if (depth == 2 && !stroke.empty()) out.push_back(stroke);
            if (--depth == 0) return true;
        } else if (depth == 3 && (c == '-' || (c >= '0' && c <= '9'))) {
            char* end = nullptr;
            nums.push_back(std::strtod(json.c_str() + i, &end));
            i = static_cast<std::size_t>(end - json.c_str()) - 1;
        }
    }
    return false;
}

// ---- simplification on the grid so that a glyph fits its 255 pairs
double segDistance(const Pt& p, const Pt& a, const Pt& b) {
    double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0) : 0.0;
    double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
    return std::sqrt(ex * ex + ey * ey);
}

void simplify(const Stroke& s, std::size_t lo, std::size_t hi, double tol, std::vector<bool>& keep) {
    if (hi <= lo + 1) return;
    double worst = -1;
    std::size_t at = lo;
    for (std::size_t k = lo + 1; k < hi; ++k) {
        double d = segDistance(s[k], s[lo], s[hi]);
        if (d > worst) worst = d, at = k;
    }
    if (worst > tol) {
        keep[at] = true;
        simplify(s, lo, at, tol, keep);
        simplify(s, at, hi, tol, keep);
    }
}

// Grid strokes of a glyph given in grid coordinates (doubles), rounded into 0..127, with
// repeated points removed and no pair (0, 0); every stroke keeps at least two distinct points.
std::vector<GridStroke> toGrid(const Glyph& g, double tol) {
    std::vector<GridStroke> out;
    for (const Stroke& s : g) {
        if (s.empty()) continue;
        std::vector<bool> keep(s.size(), tol <= 0);
        keep.front() = keep.back() = true;
        if (tol > 0) simplify(s, 0, s.size() - 1, tol, keep);
        GridStroke gs;
        for (std::size_t k = 0; k < s.size(); ++k) {
            if (!keep[k]) continue;
            GridPt p{std::clamp(int(std::lround(s[k].x)), 0, 127), std::clamp(int(std::lround(s[k].y)), 0, 127)};
            if (p.x == 0 && p.y == 0) p.x = 1;  // (0, 0) would lift the pen
            if (gs.empty() || !(gs.back() == p)) gs.push_back(p);
        }
        if (gs.size() == 1) {  // a dot shorter than a grid step: keep it as a tiny stroke
            GridPt q = gs[0];
            q.y = q.y < 127 ? q.y + 1 : q.y - 1;
            gs.push_back(q);
        }
        if (gs.size() >= 2) out.push_back(std::move(gs));
    }
    return out;
}

int pairCount(const std::vector<GridStroke>& g) {
    int n = 0;
    for (const auto& s : g) n += int(s.size());
    return g.empty() ? 0 : n + int(g.size()) - 1;
}

std::vector<GridStroke> fit(const Glyph& g) {
    for (double tol : {0.0, 0.35, 0.6, 1.0, 1.5, 2.0, 3.0, 4.5, 6.0, 9.0, 14.0, 64.0}) {
        auto s = toGrid(g, tol);
        if (pairCount(s) <= kMaxPairs) return s;
    }
    return {};
}

// Hershey simplex glyphs into the ASCII cell. The cell is half a character wide and 0.9 high,
// so x is stretched against y to keep the letters' proportions, but never beyond the grid.
// The baseline sits low in the cell, where the built-in dot of the layouts sits; descenders
// are shortened to fit below it.
Glyph placeHershey(const HersheyGlyph& h) {
    constexpr double baseline = 12.0;             // grid y of the Hershey baseline (y = 9)
    constexpr double sy = (124.0 - baseline) / 25;  // Hershey y from 9 up to -16 fills the rest
    constexpr double below = (baseline - 1) / 7;    // the deepest descenders reach y = 16
    constexpr double natural = sy * 0.9 / 0.5;
    double minX = 1e9, maxX = -1e9;
    for (const auto& s : h.strokes)
        for (const auto& p : s) minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
    double sx = natural;
    if (maxX > minX) sx = std::min(sx, 118.0 / (maxX - minX));
    double mid = (minX + maxX) / 2;
    Glyph g;
    for (const auto& s : h.strokes) {
        Stroke t;
        for (const auto& p : s) {
            double up = 9 - p.y;
            t.push_back({64 + (p.x - mid) * sx, baseline + (up >= 0 ? up * sy : up * below)});
        }
        g.push_back(t);
    }
    return g;
}

Glyph placeHanzi(const Glyph& m) {
    Glyph g;
    for (const auto& s : m) {
        Stroke t;
        for (const auto& p : s) t.push_back({p.x / 8.0, (p.y + 124.0) / 8.0});
        g.push_back(t);
    }
    return g;
}

std::string gb2312ToUtf8(iconv_t cd, unsigned char lead, unsigned char trail) {
    char in[2] = {char(lead), char(trail)};
    char out[8] = {};
    char* ip = in;
    char* op = out;
    std::size_t il = 2, ol = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &ip, &il, &op, &ol) == std::size_t(-1) || il != 0) return {};
    return std::string(out, op);
}

int usage() {
    std::fprintf(stderr, "usage: rozedoz-fontgen --hershey FILE.jhf --hanzi DIR --out brelan.fnt\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string jhf, hanziDir, outPath;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        if (a == "--hershey") jhf = argv[i + 1];
        else if (a == "--hanzi") hanziDir = argv[i + 1];
        else if (a == "--out") outPath = argv[i + 1];
        else return usage();
    }
    if (jhf.empty() || outPath.empty()) return usage();

    std::vector<std::vector<GridStroke>> glyphs(kEntries);

    std::vector<HersheyGlyph> latin = readJhf(jhf);
    if (latin.size() < 95) {
        std::fprintf(stderr, "rozedoz-fontgen: %s holds %zu glyphs, expected the 95 printable ASCII ones\n",
                     jhf.c_str(), latin.size());
        return 1;
    }
    for (int c = 33; c < 127; ++c) glyphs[c] = fit(placeHershey(latin[c - 32]));

    int level1 = 0, level2 = 0, missing = 0;
    if (!hanziDir.empty()) {
        iconv_t cd = iconv_open("UTF-8", "GB2312");
        if (cd == iconv_t(-1)) {
            std::perror("rozedoz-fontgen: iconv GB2312");
            return 1;
        }
        for (int lead = 0xB0; lead <= 0xF7; ++lead)
            for (int trail = 0xA1; trail <= 0xFE; ++trail) {
                std::string utf8 = gb2312ToUtf8(cd, lead, trail);
                if (utf8.empty()) continue;  // an unassigned code
                Glyph m;
                std::string json = readFile(hanziDir + "/" + utf8 + ".json");
                if (json.empty() || !readMedians(json, m) || m.empty()) {
                    ++missing;
                    continue;
                }
                int entry = (lead - 0xA0) * 94 + (trail - 0xA0) - 1377;
                glyphs[entry] = fit(placeHanzi(m));
                if (glyphs[entry].empty()) ++missing;
                else if (lead <= 0xD7) ++level1;
                else ++level2;
            }
        iconv_close(cd);
    }

    std::vector<uint8_t> file(kEntries * 4);
    for (int e = 0; e < kEntries; ++e) {
        const auto& g = glyphs[e];
        int pairs = pairCount(g);
        std::size_t offset = file.size();
        if (offset > 0xFFFFFF) {
            std::fprintf(stderr, "rozedoz-fontgen: glyph data beyond the 24-bit offsets\n");
            return 1;
        }
        file[e * 4 + 0] = uint8_t(offset);
        file[e * 4 + 1] = uint8_t(offset >> 8);
        file[e * 4 + 2] = uint8_t(offset >> 16);
        file[e * 4 + 3] = uint8_t(pairs);
        for (std::size_t s = 0; s < g.size(); ++s) {
            if (s > 0) file.insert(file.end(), {0, 0});
            for (const GridPt& p : g[s]) file.insert(file.end(), {uint8_t(p.x), uint8_t(p.y)});
        }
    }
    std::string tmp = outPath + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
        if (!out) {
            std::fprintf(stderr, "rozedoz-fontgen: cannot write %s\n", tmp.c_str());
            return 1;
        }
    }
    if (std::rename(tmp.c_str(), outPath.c_str()) != 0) {
        std::perror("rozedoz-fontgen: rename");
        return 1;
    }
    std::printf("rozedoz-fontgen: %s, %zu bytes: 94 ASCII, %d level-1 and %d level-2 characters, %d without data\n",
                outPath.c_str(), file.size(), level1, level2, missing);
    return 0;
}
