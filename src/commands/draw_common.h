// Pieces shared by the tracing and shape commands: new line records in the current style,
// completing a part after its outline, and the part under a point.
#pragma once

#include <vector>

#include "model/doc.h"

namespace rz {

// Input kinds of mode 1.
enum InputKind : int {
    kInputCurve = 0,
    kInputStraight = 1,
    kInputArc = 2,
    kInputPin = 3,
    kInputSizeLabel = 4,
    kInputLevel = 5,
    kInputNotch = 6,
    kInputMotif = 7,
    kInputText = 8,
};
constexpr int kCurveCommand = 32864;  // 曲线
constexpr int kUndoCommand = 57643;   // 退一步
constexpr int kRedoCommand = 57644;   // 进一步

// Colour of traced and constructed lines: yellow, readable on the default black background.
constexpr uint32_t kNewLineColour = 0x00FFFF;

// Document input option: new lines B get the 边线 setting 3 instead of 1.
constexpr uint32_t kInputOptionEdge3 = 0x10;

// A line record of `nodes` in the current line style: curve method `type`, 边线 setting
// `edge`, the default line width and 原线 setting, the new-line colour; evaluated.
std::unique_ptr<Line> MakeLineRecord(const TDoc& doc, std::vector<Node> nodes, int type, int edge);

// A new, empty part on `page`, dated today, appended to the parts chain.
Part& AppendNewPart(Design& d, int page);

// Lengths in dialogs: millimetres, or centimetres under the centimetre setting (typed values
// are read in the unit shown).
struct LengthUnit {
    double per = 100.0;  // model units per displayed unit
    std::string name = "mm";
};
LengthUnit DialogLengthUnit(const Settings& s);

// No pattern reaches 10 m from the origin: typed sizes, factors and distances that would put
// a point beyond this are refused, since curves evaluated at such sizes take ever more points.
constexpr float kMaxPatternCoord = 1.0e6f;
bool WithinPatternLimits(PointF p);

// Completes a part after its outline changed: the outline polyline joined from the evaluated
// lines A and the bounding box of the outline and every line.
void CompletePart(Part& p);

// The circle drawn for a pin.
Polyline PinOutline(float x, float y, float diameter);

// A notch at `at` (a point of the part's outline) with the notch depth and angle of the
// settings, drawn and cut; its V opens at the outline and points into the part.
std::unique_ptr<Notch> MakeNotch(const TDoc& doc, const Part& part, PointF at);

}  // namespace rz
