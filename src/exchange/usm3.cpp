#include "exchange/usm3.h"

#include <charconv>
#include <cmath>

#include "commands/draw_common.h"
#include "exchange/text_lines.h"

namespace rz {

namespace {

constexpr std::string_view kMarker = "\"<<LINES>>\"";

// The decimal number at the start of a text (after spaces); 0 when there is none.
double Leading(std::string_view s) {
    s = Trim(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    double v = 0.0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || !std::isfinite(v) || std::fabs(v) > 1e7) return 0.0;
    return v;
}

bool LeadingInt(std::string_view s, long& n) {
    s = Trim(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    auto r = std::from_chars(s.data(), s.data() + s.size(), n);
    return r.ec == std::errc() && r.ptr != s.data();
}

}  // namespace

Usm3ReadResult ReadUsm3(std::string_view bytes) {
    Usm3ReadResult res;
    TextLines lines(bytes);
    std::string_view line;
    bool pending = false;  // `line` holds a marker already read
    while (pending || lines.next(line)) {
        pending = false;
        if (line.find(kMarker) == std::string_view::npos) continue;
        ++res.sections;
        long count;
        if (!lines.next(line)) break;
        if (!LeadingInt(line, count) || count <= 0) {
            pending = line.find(kMarker) != std::string_view::npos;
            continue;
        }
        // The counts are not trusted: points are kept as their lines arrive.
        bool ended = false;
        for (long k = 0; k < count && !ended; ++k) {
            long n;
            if (!lines.next(line)) {
                ended = true;
                break;
            }
            if (!LeadingInt(line, n) || n <= 0) {
                pending = line.find(kMarker) != std::string_view::npos;
                break;
            }
            Polyline pl;
            for (long i = 0; i < n; ++i) {
                if (!lines.next(line)) {
                    ended = true;
                    break;
                }
                if (line.find(kMarker) != std::string_view::npos) {
                    pending = true;
                    break;
                }
                const size_t comma = line.find(',');
                const double x = Leading(line.substr(0, comma));
                const double y = comma == std::string_view::npos ? 0.0 : Leading(line.substr(comma + 1));
                pl.push_back({float(x * 100.0), float(y * 100.0)});
            }
            if (!pl.empty()) res.polylines.push_back(std::move(pl));
            if (pending) break;
        }
        if (ended) break;
    }
    return res;
}

int AddUsm3Lines(TDoc& doc, const Usm3ReadResult& r) {
    if (r.polylines.empty()) return 0;
    Part& first = doc.design.firstPart();
    for (const Polyline& pl : r.polylines) {
        std::vector<Node> nodes;
        nodes.reserve(pl.size());
        for (PointF p : pl) nodes.push_back({p.x, p.y, 0});
        auto l = MakeLineRecord(doc, std::move(nodes), 0, 1);
        l->flags = 1;
        l->colour = kUsm3LineColour;
        l->valueA = l->valueB = 0;
        l->margin = l->startExt = l->endExt = 0.0f;
        l->eval = doc.smooth.EvaluateNodes(l->nodes, 0, doc.smooth.sampleCount);
        first.linesB.push_back(std::move(l));
    }
    CompletePart(first);
    doc.design.modified = 1;
    doc.PushUndo();
    return int(r.polylines.size());
}

}  // namespace rz
