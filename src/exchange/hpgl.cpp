#include "exchange/hpgl.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "geom/primitives.h"

namespace rz {

namespace {

constexpr double kDeg = 0.017453292519943295;
// Beyond any plotter's reach; a coordinate further out ends the stroke.
constexpr double kMaxPlotter = 1e9;

class Parser {
public:
    explicit Parser(std::string_view s) : s_(s) {}

    HpglReadResult run() {
        while (pos_ < s_.size()) {
            const char a = upper(s_[pos_]);
            if (a < 'A' || a > 'Z' || pos_ + 1 >= s_.size()) {
                ++pos_;
                continue;
            }
            const char b = upper(s_[pos_ + 1]);
            if (b < 'A' || b > 'Z') {
                ++pos_;
                continue;
            }
            pos_ += 2;
            instruction(a, b);
        }
        flush();
        return std::move(res_);
    }

private:
    static char upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; }

    // The numbers after an instruction, up to its terminator or the next letter.
    std::vector<double> params() {
        std::vector<double> v;
        while (pos_ < s_.size()) {
            const char c = s_[pos_];
            if (c == ';' || c == '\n' || (upper(c) >= 'A' && upper(c) <= 'Z')) break;
            if (c == '-' || c == '+' || c == '.' || (c >= '0' && c <= '9')) {
                size_t start = pos_;
                if (c == '+') ++start;
                double d = 0;
                auto r = std::from_chars(s_.data() + start, s_.data() + s_.size(), d);
                if (r.ec != std::errc() || r.ptr == s_.data() + start) {
                    ++pos_;
                    continue;
                }
                pos_ = size_t(r.ptr - s_.data());
                v.push_back(std::isfinite(d) && std::fabs(d) <= kMaxPlotter ? d : NAN);
                continue;
            }
            ++pos_;
        }
        if (pos_ < s_.size() && s_[pos_] == ';') ++pos_;
        return v;
    }

    PointF doc(double x, double y) const { return {float(x * kHpglUnit), float(y * kHpglUnit)}; }

    void flush() {
        if (cur_.size() >= 2) res_.polylines.push_back(std::move(cur_));
        cur_.clear();
    }

    void moveTo(double x, double y) {
        if (!std::isfinite(x) || !std::isfinite(y)) {
            flush();
            return;
        }
        if (down_) {
            if (cur_.empty()) cur_.push_back(doc(x0_, y0_));
            cur_.push_back(doc(x, y));
        }
        x0_ = x;
        y0_ = y;
    }

    void moves(const std::vector<double>& v) {
        for (size_t i = 0; i + 1 < v.size(); i += 2) {
            if (relative_) moveTo(x0_ + v[i], y0_ + v[i + 1]);
            else moveTo(v[i], v[i + 1]);
        }
    }

    // An arc about (cx, cy) from the current point through `sweep` degrees (positive: counter-
    // clockwise), drawn when the pen is down; the pen ends at its end.
    void arc(double cx, double cy, double sweep) {
        if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(sweep)) return;
        const double r = std::hypot(x0_ - cx, y0_ - cy);
        const double a0 = std::atan2(y0_ - cy, x0_ - cx);
        const double a1 = a0 + sweep * kDeg;
        if (down_ && r > 0) {
            Polyline p = ArcPoints(doc(cx, cy), {float((x0_ - cx) * kHpglUnit), float((y0_ - cy) * kHpglUnit)},
                                   float(sweep * kDeg), float(r * kHpglUnit), 0.0f);
            if (cur_.empty()) cur_.push_back(doc(x0_, y0_));
            cur_.insert(cur_.end(), p.begin() + (p.empty() ? 0 : 1), p.end());
        }
        x0_ = cx + r * std::cos(a1);
        y0_ = cy + r * std::sin(a1);
    }

    void rectangle(double x1, double y1) {
        if (!std::isfinite(x1) || !std::isfinite(y1)) return;
        flush();
        const double x = x0_, y = y0_;
        res_.polylines.push_back({doc(x, y), doc(x1, y), doc(x1, y1), doc(x, y1), doc(x, y)});
    }

    void instruction(char a, char b) {
        std::vector<double> v;
        if (a == 'L' && b == 'B') {
            // A label runs to the end-of-text character.
            while (pos_ < s_.size() && s_[pos_] != '\x03') ++pos_;
            ++pos_;
            ++res_.skipped;
            return;
        }
        v = params();
        switch (a * 256 + b) {
        case 'I' * 256 + 'N':
            flush();
            down_ = false, relative_ = false, x0_ = 0, y0_ = 0;
            break;
        case 'P' * 256 + 'U':
            flush();
            down_ = false;
            moves(v);
            break;
        case 'P' * 256 + 'D':
            down_ = true;
            moves(v);
            break;
        case 'P' * 256 + 'A':
            relative_ = false;
            moves(v);
            break;
        case 'P' * 256 + 'R':
            relative_ = true;
            moves(v);
            break;
        case 'S' * 256 + 'P':
            flush();
            break;
        case 'C' * 256 + 'I':
            if (!v.empty() && std::isfinite(v[0]) && v[0] != 0) {
                // A circle about the pen's place, drawn whatever the pen state; the pen stays.
                flush();
                const double cx = x0_, cy = y0_;
                const bool was = down_;
                down_ = true;
                x0_ = cx + std::fabs(v[0]);
                cur_.clear();
                arc(cx, cy, 360.0);
                if (cur_.size() > 1) cur_.back() = cur_.front();
                flush();
                down_ = was;
                x0_ = cx, y0_ = cy;
            }
            break;
        case 'A' * 256 + 'A':
            if (v.size() >= 3) arc(v[0], v[1], v[2]);
            break;
        case 'A' * 256 + 'R':
            if (v.size() >= 3) arc(x0_ + v[0], y0_ + v[1], v[2]);
            break;
        case 'E' * 256 + 'A':
            if (v.size() >= 2) rectangle(v[0], v[1]);
            break;
        case 'E' * 256 + 'R':
            if (v.size() >= 2) rectangle(x0_ + v[0], y0_ + v[1]);
            break;
        default:
            ++res_.skipped;
            break;
        }
    }

    std::string_view s_;
    size_t pos_ = 0;
    HpglReadResult res_;
    Polyline cur_;
    double x0_ = 0, y0_ = 0;
    bool down_ = false, relative_ = false;
};

}  // namespace

HpglReadResult ReadHpgl(std::string_view bytes) { return Parser(bytes).run(); }

}  // namespace rz
