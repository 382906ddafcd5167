#include "devices/scan_input.h"

#include <charconv>
#include <cstdio>

#include "commands/draw_common.h"

namespace rz {

namespace {

std::vector<Node> NodesOf(const Polyline& pts) {
    std::vector<Node> nodes;
    nodes.reserve(pts.size());
    for (PointF p : pts) nodes.push_back({p.x, p.y, 0});
    return nodes;
}

std::unique_ptr<Pin> MakePin(const TDoc& doc, const PinShape& s) {
    auto pin = std::make_unique<Pin>();
    pin->x = s.centre.x;
    pin->y = s.centre.y;
    pin->diameter = s.diameter;
    pin->flags = kFlagFolds | ((doc.settings.cutSetup.cutBits & 1u) ? 3u : 1u);
    pin->outline = PinOutline(pin->x, pin->y, pin->diameter);
    return pin;
}

class Adder {
public:
    Adder(TDoc& doc, ScanReport& rep) : doc_(doc), rep_(rep), method_(doc.settings.defaultCurveMethod) {}

    std::unique_ptr<Line> line(const Polyline& pts, int edge) {
        ++rep_.lines;
        return MakeLineRecord(doc_, NodesOf(pts), method_, edge);
    }

    // Inner polylines of the outline method: pins where the pin test holds, lines otherwise.
    void inner(Part& part, const std::vector<ScanPolyline>& in, float pixel, uint32_t colour) {
        for (const ScanPolyline& p : in) {
            if (auto pin = PinTest(p, doc_.settings.scan, pixel)) {
                part.pins.push_back(MakePin(doc_, *pin));
                ++rep_.pins;
                continue;
            }
            auto l = line(p.pts, 1);
            if (colour) l->colour = colour;
            part.linesB.push_back(std::move(l));
        }
    }

    void scanLine(Shape shape) {
        if (shape.empty()) return;
        auto sl = std::make_unique<ScanLine>();
        sl->shape = std::move(shape);
        sl->value = kScanReferenceColour;
        doc_.scanLines.push_back(std::move(sl));
        ++rep_.scanLines;
    }

private:
    TDoc& doc_;
    ScanReport& rep_;
    int method_;
};

}  // namespace

ScanReport ScanIntoDocument(TDoc& doc, ScanImage& img, ScanMethod method, const TVector::Stage& stage) {
    ScanReport rep;
    rep.width = img.width;
    rep.height = img.height;
    const int page = doc.currentPage();
    // 单线 runs its line passes on the pieces page only; elsewhere it is the outline method
    // whose inner contours become a scan reference line.
    const bool singleLines = method == ScanMethod::SingleLine && page == 3;
    TVector vec(doc.settings.scan);
    ScanResult res = vec.Run(img, singleLines, stage);
    rep.pixelSize = res.pixelX;
    rep.contours = res.contours;
    rep.dropped = res.dropped;
    const float pixel = (res.pixelX + res.pixelY) / 2;

    Design& d = doc.design;
    Adder add(doc, rep);
    if (method != ScanMethod::DoubleLine && page != 3) {
        Shape scanShape;
        for (const ScanGroup& g : res.groups) {
            Part& part = AppendNewPart(d, page);
            ++rep.parts;
            for (const ScanPolyline& p : g.pieces) part.linesA.push_back(add.line(p.pts, 3));
            if (method == ScanMethod::Outline) add.inner(part, g.inner, pixel, 0);
            else
                for (const ScanPolyline& p : g.inner) scanShape.push_back(p.pts);
            CompletePart(part);
        }
        add.scanLine(std::move(scanShape));
    } else if (method == ScanMethod::Outline) {
        // The pieces page: lines and pins of the first part, after its other lines.
        Part& first = d.firstPart();
        for (const ScanGroup& g : res.groups) {
            for (const ScanPolyline& p : g.pieces) {
                auto l = add.line(p.pts, 1);
                l->colour = kScanPieceLineColour;
                first.linesB.push_back(std::move(l));
            }
            add.inner(first, g.inner, pixel, kScanPieceLineColour);
        }
        CompletePart(first);
    } else {
        for (const ScanGroup& g : res.groups) {
            Shape shape;
            for (const ScanPolyline& p : g.pieces) shape.push_back(p.pts);
            for (const ScanPolyline& p : g.inner) shape.push_back(p.pts);
            add.scanLine(std::move(shape));
        }
        Shape loose;
        for (const ScanPolyline& p : res.loose) loose.push_back(p.pts);
        add.scanLine(std::move(loose));
    }
    if (rep.scanLines > 0) d.flags |= kDesignSaveScan;
    if (rep.added()) doc.PushUndo();
    return rep;
}

ScanReport ScanBmpFile(TDoc& doc, const std::string& path, ScanMethod method, const TVector::Stage& stage) {
    if (stage) stage("读入图象...");
    ScanImage img;
    ScanReport rep;
    rep.error = ReadBmpFile(path, img);
    if (!rep.ok()) return rep;
    return ScanIntoDocument(doc, img, method, stage);
}

std::string ScanReportJson(const ScanReport& r) {
    // Locale-independent: the window's locale may use a decimal comma.
    char num[32];
    auto end = std::to_chars(num, num + sizeof num - 1, r.pixelSize).ptr;
    *end = 0;
    char buf[512];
    std::snprintf(buf, sizeof buf,
                  "{\"width\":%d,\"height\":%d,\"pixel_size\":%s,\"contours\":%d,\"dropped\":%d,\"parts\":%d,"
                  "\"lines\":%d,\"pins\":%d,\"scan_lines\":%d}",
                  r.width, r.height, num, r.contours, r.dropped, r.parts, r.lines,
                  r.pins, r.scanLines);
    return buf;
}

}  // namespace rz
