#include "devices/vectorise.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "geom/polyline.h"
#include "geom/primitives.h"

namespace rz {

namespace {

// Work bits in the pixel bytes below the foreground bit.
constexpr uint8_t kBoundary = 0x01;  // a paper pixel on an edge, not yet traced
constexpr uint8_t kLine = 0x02;      // a pixel of a drawn line (single-line passes)
constexpr uint8_t kOutside = 0x04;   // background reached from the border
constexpr uint8_t kQueued = 0x08;    // in the thinning's list of candidates

constexpr uint64_t kAllBytes = 0x0101010101010101ull;

// Neighbour directions: 0 same row, next column; 1 previous row (below), next column; 2 below;
// 3 below, previous column; 4 previous column; 5 above, previous column; 6 above; 7 above, next
// column. Rows count up the picture.
constexpr int kDc[8] = {1, 1, 0, -1, -1, -1, 0, 1};
constexpr int kDr[8] = {0, -1, -1, -1, 0, 1, 1, 1};

struct Offsets {
    std::ptrdiff_t d[8];
    explicit Offsets(size_t stride) {
        for (int k = 0; k < 8; ++k) d[k] = std::ptrdiff_t(kDr[k]) * std::ptrdiff_t(stride) + kDc[k];
    }
};

// Step 1: a paper pixel whose four neighbours are neither all paper nor all background lies on
// an edge. Eight pixels at a time; only the foreground bits are read, so marking in place is
// safe.
void MarkBoundary(ScanImage& img) {
    const size_t W = img.stride();
    constexpr uint64_t kFgMask = 0x8080808080808080ull;
    for (int r = 0; r < img.height; ++r) {
        uint8_t* cur = img.px.data() + img.index(0, r);
        const uint8_t* up = cur + W;
        const uint8_t* dn = cur - W;
        int c = 0;
        for (; c + 8 <= img.width; c += 8) {
            uint64_t f, n, s, e, w;
            std::memcpy(&f, cur + c, 8);
            if (!(f & kFgMask)) continue;
            std::memcpy(&n, up + c, 8);
            std::memcpy(&s, dn + c, 8);
            std::memcpy(&e, cur + c + 1, 8);
            std::memcpy(&w, cur + c - 1, 8);
            n &= kFgMask, s &= kFgMask, e &= kFgMask, w &= kFgMask;
            uint64_t edge = (f & kFgMask) & ~(n & s & e & w) & (n | s | e | w);
            if (!edge) continue;
            f |= edge >> 7;
            std::memcpy(cur + c, &f, 8);
        }
        for (; c < img.width; ++c) {
            if (!(cur[c] & ScanImage::kFg)) continue;
            int k = ((up[c] & ScanImage::kFg) != 0) + ((dn[c] & ScanImage::kFg) != 0) +
                    ((cur[c + 1] & ScanImage::kFg) != 0) + ((cur[c - 1] & ScanImage::kFg) != 0);
            if (k > 0 && k < 4) cur[c] |= kBoundary;
        }
    }
}

// Calls f(index) for every pixel of the picture carrying `bit`, rows bottom to top and pixels
// left to right, skipping clear stretches eight bytes at a time. f may clear bits anywhere.
template <class F>
void ForEachMarked(ScanImage& img, uint8_t bit, F&& f) {
    const uint64_t mask = kAllBytes * bit;
    for (int r = 0; r < img.height; ++r) {
        size_t base = img.index(0, r);
        int c = 0;
        while (c < img.width) {
            if (c + 8 <= img.width) {
                uint64_t w;
                std::memcpy(&w, img.px.data() + base + size_t(c), 8);
                if (!(w & mask)) {
                    c += 8;
                    continue;
                }
            }
            if (img.px[base + size_t(c)] & bit) f(base + size_t(c));
            ++c;
        }
    }
}

// Step 2: follows the edge of the paper from a boundary pixel round the background next to it
// (Moore's neighbour tracing), until the walk takes its first step again. The walk keeps the
// paper on its right: outer edges run clockwise, the edges of holes counter-clockwise.
void FollowContour(const ScanImage& img, const Offsets& o, size_t start, std::vector<size_t>& out) {
    out.clear();
    const uint8_t* px = img.px.data();
    const size_t W = img.stride();
    // The walk starts with a background neighbour behind it.
    int back = -1;
    for (int k : {4, 2, 0, 6})
        if (!(px[size_t(std::ptrdiff_t(start) + o.d[k])] & ScanImage::kFg)) {
            back = k;
            break;
        }
    out.push_back(start);
    if (back < 0) return;
    // The background neighbour examined just before the next pixel, seen from that pixel.
    static constexpr int kNewBack[8] = {6, 6, 0, 0, 2, 2, 4, 4};
    auto step = [&](size_t p, int& b) -> size_t {
        for (int i = 1; i < 8; ++i) {
            int k = (b + i) & 7;
            size_t q = size_t(std::ptrdiff_t(p) + o.d[k]);
            if (px[q] & ScanImage::kFg) {
                b = kNewBack[k];
                return q;
            }
        }
        return p;
    };
    size_t p = start;
    int b = back;
    size_t first = step(p, b);
    if (first == start) return;  // a single pixel
    // No edge has more steps than the picture has pixel sides; a guard, never reached.
    const size_t limit = 4 * (W * (size_t(img.height) + 2)) + 8;
    p = first;
    for (size_t n = 0; n < limit; ++n) {
        if (p == start) {
            int bb = b;
            if (step(p, bb) == first) return;
        }
        out.push_back(p);
        p = step(p, b);
    }
}

// Pixel positions in model units, y′ = (w − 1)·px − y so that the picture is not mirrored.
struct PixelMap {
    double px, py, shX, shY, top;
    size_t W;
    PointF operator()(size_t idx) const {
        double c = double(idx % W) - 1.0, r = double(idx / W) - 1.0;
        double x = r * py + c * px * shY;
        double y = c * px + r * py * shX;
        return {float(x), float(top - y)};
    }
};

double Normalise(double a) {
    while (a > std::numbers::pi) a -= 2 * std::numbers::pi;
    while (a <= -std::numbers::pi) a += 2 * std::numbers::pi;
    return a;
}

PointF MiddleOf(const Polyline& pl) {
    if (pl.empty()) return {};
    PointAt at = PolyPointAt(pl, PolyLength(pl) / 2.0f);
    return at.pt;
}

RectF BoxOf(const Polyline& pl) {
    RectF b{pl.front().x, pl.front().y, pl.front().x, pl.front().y};
    for (PointF p : pl) {
        b.minX = std::min(b.minX, p.x), b.maxX = std::max(b.maxX, p.x);
        b.minY = std::min(b.minY, p.y), b.maxY = std::max(b.maxY, p.y);
    }
    return b;
}

bool InBox(const RectF& b, PointF p) { return p.x >= b.minX && p.x <= b.maxX && p.y >= b.minY && p.y <= b.maxY; }

// Step 6: a polyline inside a group (the last whose outline holds its middle) joins it; large
// ones outside every group start one, joined by the pieces of the same contour that follow on.
class Grouper {
public:
    Grouper(ScanResult& r, const ScanSettings& s, float pixel) : r_(r), s_(s), pixel_(pixel) {}

    ScanGroup* groupOf(const Polyline& pl) {
        PointF mid = MiddleOf(pl);
        ScanGroup* found = nullptr;
        for (size_t g = 0; g < r_.groups.size(); ++g)
            if (InBox(boxes_[g], mid) && PointInPolygon(r_.groups[g].outline, mid) != 0) found = &r_.groups[g];
        return found;
    }

    void add(std::vector<ScanPolyline>& pieces, bool acceptAll) {
        for (size_t i = 0; i < pieces.size(); ++i) {
            ScanPolyline& p = pieces[i];
            if (ScanGroup* g = groupOf(p.pts)) {
                if (acceptAll || p.tag == kTagLarge || PinTest(p, s_, pixel_)) g->inner.push_back(std::move(p));
                else ++r_.dropped;
                continue;
            }
            if (acceptAll) {
                r_.loose.push_back(std::move(p));
                continue;
            }
            if (p.tag == kTagSmall) {
                ++r_.dropped;
                continue;
            }
            ScanGroup g;
            g.outline = p.pts;
            g.pieces.push_back(std::move(p));
            while (i + 1 < pieces.size() && !pieces[i + 1].pts.empty() &&
                   pieces[i + 1].pts.front() == g.pieces.back().pts.back() && pieces[i + 1].contour == g.pieces.back().contour) {
                ++i;
                g.outline.insert(g.outline.end(), pieces[i].pts.begin() + 1, pieces[i].pts.end());
                g.pieces.push_back(std::move(pieces[i]));
            }
            boxes_.push_back(BoxOf(g.outline));
            r_.groups.push_back(std::move(g));
        }
    }

private:
    ScanResult& r_;
    const ScanSettings& s_;
    float pixel_;
    std::vector<RectF> boxes_;
};

// Steps 3 to 5 for one traced run of pixels.
class Shaper {
public:
    Shaper(const ScanSettings& s, const PixelMap& map) : s_(s), map_(map) {}

    void shape(const std::vector<size_t>& pixels, bool closed, bool hole, int contour, std::vector<ScanPolyline>& out) {
        pts_.clear();
        for (size_t i : pixels) pts_.push_back(map_(i));
        if (closed) {
            while (pts_.size() > 1 && pts_.back() == pts_.front()) pts_.pop_back();
            pts_.push_back(pts_.front());
        }
        uint8_t tag = int(pixels.size()) < s_.validPart ? kTagSmall : kTagLarge;
        float tol = tag == kTagSmall ? s_.smallDeviation : s_.largeDeviation;
        PolySimplifyTo(pts_, tol, s_.maxStep, simple_, scratch_);
        bool cut = false;
        for (Polyline& piece : CutAtCorners(simple_, closed, s_, &cut)) {
            ScanPolyline p;
            p.pts = std::move(piece);
            p.tag = tag;
            p.closed = closed && !cut;
            p.hole = hole;
            p.contour = contour;
            out.push_back(std::move(p));
        }
    }

private:
    const ScanSettings& s_;
    PixelMap map_;
    Polyline pts_, simple_;
    SimplifyScratch scratch_;
};

// ---------------------------------------------------------------- single-line passes

// The background reached from the border through background pixels (four-connected), filled
// run by run with a stack of its own: a scan is far too large for recursion.
void FloodOutside(ScanImage& img) {
    const size_t W = img.stride(), rows = size_t(img.height) + 2;
    uint8_t* px = img.px.data();
    auto open = [&](size_t i) { return !(px[i] & (ScanImage::kFg | kOutside)); };
    std::vector<size_t> stack;
    for (size_t c = 0; c < W; ++c) px[c] |= kOutside, px[(rows - 1) * W + c] |= kOutside;
    for (size_t r = 0; r < rows; ++r) px[r * W] |= kOutside, px[r * W + W - 1] |= kOutside;
    for (size_t c = 1; c + 1 < W; ++c) stack.push_back(W + c), stack.push_back((rows - 2) * W + c);
    for (size_t r = 1; r + 1 < rows; ++r) stack.push_back(r * W + 1), stack.push_back(r * W + W - 2);
    while (!stack.empty()) {
        size_t i = stack.back();
        stack.pop_back();
        if (!open(i)) continue;
        size_t l = i, r = i;
        while (open(l - 1)) --l;
        while (open(r + 1)) ++r;
        for (size_t k = l; k <= r; ++k) px[k] |= kOutside;
        for (size_t nb : {l - W, l + W}) {
            bool inRun = false;
            for (size_t k = nb; k <= nb + (r - l); ++k) {
                bool o = open(k);
                if (o && !inRun) stack.push_back(k);
                inRun = o;
            }
        }
    }
}

// Crossing number: background-to-line changes round a pixel, neighbours from above clockwise.
inline int Crossings(const uint8_t* px, std::ptrdiff_t i, const std::ptrdiff_t* ring) {
    int a = 0;
    bool prev = px[i + ring[7]] & kLine;
    for (int k = 0; k < 8; ++k) {
        bool on = px[i + ring[k]] & kLine;
        a += !prev && on;
        prev = on;
    }
    return a;
}

// Hilditch's thinning of the line pixels to lines one pixel wide. Decisions of a pass are made
// on the image the previous pass left; only pixels near a removal are looked at again.
void Thin(ScanImage& img) {
    const std::ptrdiff_t W = std::ptrdiff_t(img.stride());
    uint8_t* px = img.px.data();
    // P2 … P9: above, above right, right, below right, below, below left, left, above left.
    const std::ptrdiff_t ring[8] = {W, W + 1, 1, -W + 1, -W, -W - 1, -1, W - 1};
    auto examinable = [&](size_t i) {
        long c = long(i % size_t(W)) - 1, r = long(i / size_t(W)) - 1;
        return c >= 1 && c <= img.width - 2 && r >= 1 && r <= img.height - 2;
    };
    std::vector<size_t> cand, next, remove;
    ForEachMarked(img, kLine, [&](size_t i) {
        if (!examinable(i)) return;
        for (std::ptrdiff_t d : {ring[0], ring[2], ring[4], ring[6]})
            if (!(px[std::ptrdiff_t(i) + d] & kLine)) {
                px[i] |= kQueued;
                cand.push_back(i);
                return;
            }
    });
    while (!cand.empty()) {
        remove.clear();
        for (size_t u : cand) {
            px[u] &= uint8_t(~kQueued);
            if (!(px[u] & kLine)) continue;
            const std::ptrdiff_t i = std::ptrdiff_t(u);
            bool p[8];
            int b = 0;
            for (int k = 0; k < 8; ++k) b += p[k] = (px[i + ring[k]] & kLine) != 0;
            if (b < 2 || b > 6) continue;
            if (Crossings(px, i, ring) != 1) continue;
            if (p[0] && p[2] && p[6] && Crossings(px, i + ring[0], ring) == 1) continue;
            if (p[0] && p[2] && p[4] && Crossings(px, i + ring[2], ring) == 1) continue;
            remove.push_back(u);
        }
        for (size_t u : remove) px[u] &= uint8_t(~kLine);
        next.clear();
        for (size_t u : remove)
            for (std::ptrdiff_t dr = -2; dr <= 2; ++dr)
                for (std::ptrdiff_t dc = -2; dc <= 2; ++dc) {
                    size_t q = size_t(std::ptrdiff_t(u) + dr * W + dc);
                    if ((px[q] & (kLine | kQueued)) == kLine && examinable(q)) {
                        px[q] |= kQueued;
                        next.push_back(q);
                    }
                }
        cand.swap(next);
    }
}

// Walks a one-pixel line from `from`, clearing what it takes: each step goes to the first line
// neighbour found cyclically after the direction back to the pixel it came from.
void WalkLine(uint8_t* px, const Offsets& o, size_t from, std::vector<size_t>& out) {
    size_t cur = from;
    int startCode = 1;
    for (;;) {
        int found = -1;
        for (int i = 0; i < 8; ++i) {
            int k = (startCode + i) & 7;
            if (px[size_t(std::ptrdiff_t(cur) + o.d[k])] & kLine) {
                found = k;
                break;
            }
        }
        if (found < 0) return;
        cur = size_t(std::ptrdiff_t(cur) + o.d[found]);
        px[cur] &= uint8_t(~kLine);
        out.push_back(cur);
        startCode = (found + 5) & 7;  // one after the code pointing back
    }
}

}  // namespace

// ---------------------------------------------------------------- shared pieces

PointF ScanPixelSize(const ScanImage& img, const ScanSettings& s) {
    double res = s.resolution > 0 ? s.resolution : 200;
    double x = img.ppmX > 0 ? s.xFactor * 100000.0 / img.ppmX : s.xFactor * 2540.0 / res;
    double y = img.ppmY > 0 ? s.yFactor * 100000.0 / img.ppmY : s.yFactor * 2540.0 / res;
    return {float(x), float(y)};
}

std::optional<PinShape> PinTest(const ScanPolyline& p, const ScanSettings& s, float pixel) {
    if (p.pts.size() < 3) return std::nullopt;
    RectF b = BoxOf(p.pts);
    PointF c{(b.minX + b.maxX) / 2, (b.minY + b.maxY) / 2};
    float d = ((b.maxX - b.minX) + (b.maxY - b.minY)) / 2;
    float pin = p.hole ? d - pixel : d;
    if (pin > s.maxNeedle || pin <= 0) return std::nullopt;
    for (PointF q : p.pts) {
        float r = PtDist(q, c);
        if (r > 150.0f || std::fabs(r - d / 2) > 50.0f) return std::nullopt;
    }
    return PinShape{c, pin};
}

std::vector<Polyline> CutAtCorners(const Polyline& in, bool closed, const ScanSettings& s, bool* cutOut) {
    if (cutOut) *cutOut = false;
    std::vector<PointF> v(in.begin(), in.end());
    if (closed && v.size() >= 2 && v.front() == v.back()) v.pop_back();
    const size_t n = v.size();
    if (n < 3) return {in};
    const size_t segs = closed ? n : n - 1;
    auto at = [&](long k) -> PointF {
        if (closed) return v[size_t(((k % long(n)) + long(n)) % long(n))];
        return v[size_t(std::clamp(k, 0L, long(n) - 1))];
    };
    std::vector<size_t> counted;
    for (size_t i = 0; i < segs; ++i)
        if (PtDist(at(long(i)), at(long(i) + 1)) >= s.minSegment) counted.push_back(i);
    const size_t m = counted.size();
    if (m < 2) return {in};
    auto angle = [&](size_t i) {
        PointF a = at(long(i)), b = at(long(i) + 1);
        return std::atan2(double(b.y) - a.y, double(b.x) - a.x);
    };
    Polyline out;
    std::vector<size_t> corners;  // indices into out
    if (!closed) out.insert(out.end(), v.begin(), v.begin() + long(counted[0]) + 1);
    const size_t pairs = closed ? m : m - 1;
    for (size_t pi = 0; pi < pairs; ++pi) {
        size_t a = counted[pi], b = counted[(pi + 1) % m];
        long from = long(a) + 1, to = long(b);
        if (to < from) to += long(n);  // wraps round a closed polyline
        double turn = Normalise(angle(b) - angle(a));
        PointF aEnd = at(from), bStart = at(to);
        if (std::fabs(turn) > s.minTurn) {
            PointF k = PtMid(aEnd, bStart);
            if (std::fabs(turn) < s.extremeTurn)
                if (auto x = LineIntersectPts(at(long(a)), aEnd, bStart, at(to + 1))) k = *x;
            out.push_back(k);
            corners.push_back(out.size() - 1);
        } else if (to > from) {
            // A short stretch between segments that hardly turn: each short segment becomes the
            // four-point midpoint of its neighbourhood.
            for (long j = from; j < to; ++j) {
                PointF p0 = at(j - 1), p1 = at(j), p2 = at(j + 1), p3 = at(j + 2);
                out.push_back({9.0f / 16 * (p1.x + p2.x) - 1.0f / 16 * (p0.x + p3.x),
                               9.0f / 16 * (p1.y + p2.y) - 1.0f / 16 * (p0.y + p3.y)});
            }
        } else {
            out.push_back(aEnd);
        }
    }
    if (!closed) out.insert(out.end(), v.begin() + long(counted[m - 1]) + 1, v.end());
    if (corners.empty()) {
        if (closed) out.push_back(out.front());
        return {out};
    }
    if (cutOut) *cutOut = true;
    std::vector<Polyline> pieces;
    if (closed) {
        // Corner to corner round the loop; the last piece ends on the first corner.
        for (size_t ci = 0; ci < corners.size(); ++ci) {
            size_t s0 = corners[ci], s1 = corners[(ci + 1) % corners.size()];
            Polyline piece;
            for (size_t k = s0;; k = (k + 1) % out.size()) {
                piece.push_back(out[k]);
                if (k == s1 && piece.size() > 1) break;
                if (piece.size() > out.size() + 1) break;
            }
            pieces.push_back(std::move(piece));
        }
    } else {
        size_t s0 = 0;
        for (size_t c : corners) {
            if (c > s0) pieces.emplace_back(out.begin() + long(s0), out.begin() + long(c) + 1);
            s0 = c;
        }
        if (s0 + 1 < out.size()) pieces.emplace_back(out.begin() + long(s0), out.end());
    }
    return pieces;
}

// ---------------------------------------------------------------- the passes

ScanResult TVector::Run(ScanImage& img, bool singleLines, const Stage& stage) {
    ScanResult res;
    if (img.width <= 0 || img.height <= 0) return res;
    auto say = [&](const char* t) {
        if (stage) stage(t);
    };
    PointF ps = ScanPixelSize(img, s_);
    res.pixelX = ps.x, res.pixelY = ps.y;
    const float pixel = (ps.x + ps.y) / 2;
    const Offsets off(img.stride());
    const PixelMap map{ps.x, ps.y, s_.shearX, s_.shearY, double(img.width - 1) * ps.x, img.stride()};
    Shaper shaper(s_, map);

    say("处理图象...");
    MarkBoundary(img);
    say("处理图象......");
    std::vector<size_t> contour;
    std::vector<ScanPolyline> pieces;
    ForEachMarked(img, kBoundary, [&](size_t start) {
        FollowContour(img, off, start, contour);
        for (size_t i : contour) img.px[i] &= uint8_t(~kBoundary);
        ++res.contours;
        if (int(contour.size()) <= s_.validPin) {
            ++res.dropped;
            return;
        }
        // Outer edges run clockwise (negative area with rows counted up), holes the other way.
        double area = 0;
        const size_t W = img.stride();
        for (size_t k = 0; k < contour.size(); ++k) {
            size_t a = contour[k], b = contour[(k + 1) % contour.size()];
            area += double(a % W) * double(b / W) - double(b % W) * double(a / W);
        }
        shaper.shape(contour, true, area > 0, res.contours - 1, pieces);
    });
    Grouper grouper(res, s_, pixel);
    grouper.add(pieces, false);
    if (!singleLines) return res;

    // The drawn lines: the background not reached from the border, thinned and traced.
    for (auto& g : res.groups) g.inner.clear();
    say("再次处理图象...");
    FloodOutside(img);
    for (int r = 0; r < img.height; ++r) {
        uint8_t* row = img.px.data() + img.index(0, r);
        for (int c = 0; c < img.width; ++c)
            if (!(row[c] & (ScanImage::kFg | kOutside))) row[c] |= kLine;
    }
    say("三次处理图象......");
    Thin(img);
    say("最后处理图象.........");
    std::vector<ScanPolyline> lines;
    std::vector<size_t> there, back;
    ForEachMarked(img, kLine, [&](size_t start) {
        img.px[start] &= uint8_t(~kLine);
        there.assign(1, start);
        WalkLine(img.px.data(), off, start, there);
        // The line may go on beyond the pixel it was found at: that half comes first.
        back.clear();
        WalkLine(img.px.data(), off, start, back);
        if (!back.empty()) {
            std::reverse(back.begin(), back.end());
            back.insert(back.end(), there.begin(), there.end());
            there.swap(back);
        }
        ++res.contours;
        if (int(there.size()) <= s_.validPin) {
            ++res.dropped;
            return;
        }
        shaper.shape(there, false, false, res.contours - 1, lines);
    });
    grouper.add(lines, true);
    return res;
}

}  // namespace rz
