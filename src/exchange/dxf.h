// DXF exchange on bytes: the reader turns lines, arcs, circles, polylines and texts of an ASCII
// DXF file into plain polylines in document units; the writers give the current sheet's items
// as one POLYLINE per item (线段整合格式) or one LINE per segment (线段独立格式), in millimetres.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "geom/types.h"
#include "model/settings.h"

namespace rz {

class TFont;

// Millimetres per drawing unit of the import unit setting: 1 cm, 2 in, anything else mm.
double ImportUnitScale(int unit);

struct DxfReadOptions {
    double unitScale = 1.0;    // millimetres per drawing unit
    bool calibrate = false;    // 校正 DXF: apply the scan calibration below
    float sx = 1.0f, sy = 1.0f, kx = 0.0f, ky = 0.0f;
    double dashLong = 15.0;    // mm; 0 or less: dashed polylines are drawn solid
    double dashShort = 5.0;    // mm
    const TFont* font = nullptr;  // lays out TEXT and MTEXT; none: texts are skipped

    // The options the settings give (import unit, calibration, dashes).
    static DxfReadOptions FromSettings(const Settings& s);
};

struct DxfReadResult {
    Shape polylines;                    // 0.01 mm, in file order; none longer than 65,535 points
    std::map<std::string, int> skipped;  // entities of the drawing that are not read, by name
    int dropped = 0;                    // entities left out for a bad or non-finite number
    bool truncated = false;             // the file ended before its EOF (the last entity is lost)
};

DxfReadResult ReadDxf(std::string_view bytes, const DxfReadOptions& opt);

// Longest polyline the pattern file keeps in one piece.
constexpr std::size_t kMaxShapePoints = 0xFFFF;
// Cuts polylines longer than `limit` points into runs that share their end points.
void SplitLongPolylines(Shape& s, std::size_t limit = kMaxShapePoints);
// Cuts a polyline into drawn stretches of `on` and gaps of `off` (document units), starting with a
// stretch at its first point; a stretch keeps the corners inside it. `on` ≤ 0 keeps it whole.
void AppendDashed(const Polyline& pl, double on, double off, Shape& out);

enum class DxfLayout { Polylines, Segments };  // 线段整合格式, 线段独立格式

struct DxfItem {
    const Polyline* points;
    bool noSegments;  // left out of the segment format
};
// The file text (CR LF lines, C locale numbers); empty items write nothing but count for nothing.
std::string WriteDxf(const std::vector<DxfItem>& items, DxfLayout layout);

// Text of a DXF TEXT or MTEXT value as GBK bytes for the stroke font: \U+XXXX escapes decoded,
// MTEXT codes stripped (\P becomes ";"), %% codes replaced; UTF-8 is converted, other bytes
// are taken as GBK already.
std::string DxfTextToGbk(std::string_view text, bool mtext);

}  // namespace rz
