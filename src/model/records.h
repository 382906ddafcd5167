// Records of a pattern design: parts, pieces, lines and the feature records they hold.
// Lists own their records (in list order); references between records are non-owning
// pointers re-targeted by the address map whenever a design is copied or read.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "geom/types.h"

namespace rz {

template <class T>
using List = std::vector<std::unique_ptr<T>>;

// Transient state in the top four bits of every element flag word.
constexpr uint32_t kFlagSelected = 1u << 31;
constexpr uint32_t kFlagHidden = 1u << 28;
constexpr uint32_t kFlagTransient = 0xF0000000u;
constexpr uint32_t kFlagToolMask = 0xFu;  // 1 pen, 2 half cut, 3 full cut, 4 lift at corners
constexpr uint32_t kFlagFolds = 1u << 16;

// Element kind codes, used by pick results and by references with a kind word.
enum Kind : uint32_t {
    kKindPin = 1,
    kKindSizeLabel = 2,
    kKindNotch = 3,
    kKindMotif = 4,
    kKindText = 5,
    kKindDimension = 6,
    kKindBasePoint = 7,
    kKindPointRow = 8,
    kKindSeamAllowance = 9,
    kKindSymLineLink = 10,
    kKindSlotLine = 11,
    kKindMark = 12,
    kKindChamfer = 13,
    kKindSymElemLink = 14,
    kKindLine = 20,
    kKindLineA = 21,
    kKindLineB = 22,
    kKindLineByPoint = 23,
    kKindPieceLine = 30,
};

// Address-map categories: the record kinds that can be the target of a reference.
enum class Cat : uint8_t {
    Lines,
    Pins,
    Motifs,
    BasePoints,
    PointRows,
    SeamAllowances,
    SymLineLinks,
    SlotLines,
    SymElemLinks,
    PieceLines,
};
constexpr int kCatCount = 10;

// The category a reference kind word selects (its low byte); nullopt for any other kind.
std::optional<Cat> CategoryOfKind(uint32_t kindWord);

// A reference whose target kind is given by a kind word stored next to it.
struct KindRef {
    void* ptr = nullptr;
    uint32_t kind = 0;
    template <class T>
    T* as() const { return static_cast<T*>(ptr); }
};

struct BasePoint;
struct PieceLine;
struct PairF {
    float a = 0.0f, b = 0.0f;
    friend bool operator==(const PairF&, const PairF&) = default;
};

// Line flags.
constexpr uint32_t kLineEdgeMask = 0x3u;          // 边线 setting
constexpr uint32_t kLineOrigMask = 0xCu;          // 原线 setting
constexpr uint32_t kLineWidthShift = 4;           // bits 4–7 line width
constexpr uint32_t kLineTypeShift = 8;            // bits 8–11: 1 length line, 2 width line
constexpr uint32_t kLineTypeMask = 0xF00u;
constexpr uint32_t kLineMethodShift = 12;         // bits 12–15 curve method
constexpr uint32_t kLineMethodMask = 0xF000u;
constexpr uint32_t kLineExtendStart = 1u << 18;
constexpr uint32_t kLineExtendEnd = 1u << 19;
constexpr uint32_t kLineFixedLength = 1u << 20;
constexpr uint32_t kLineSelfSymmetric = 1u << 23;
constexpr uint32_t kLineNoPreview = 1u << 25;     // left out of the file preview
constexpr uint32_t kLineAuxiliary = 1u << 27;

struct Line {
    Polyline eval;    // derived: empty when evaluation failed (a bad line)
    Polyline second;  // derived: eval offset by the margin
    std::vector<Node> nodes;
    uint32_t flags = 0;
    uint16_t valueA = 0;
    uint16_t valueB = 0;
    uint32_t colour = 0;
    float margin = 0.0f;
    float startExt = 0.0f;
    float endExt = 0.0f;
    BasePoint* basePoint = nullptr;
    Line* frontSym = nullptr;
    Line* graded = nullptr;

    int lineType() const { return int((flags & kLineTypeMask) >> kLineTypeShift); }
    int curveMethod() const { return int((flags & kLineMethodMask) >> kLineMethodShift); }
};

// Pin (定针).
class TDZ {
public:
    Polyline outline;  // derived: the drawn circle
    float x = 0.0f, y = 0.0f;
    float diameter = 0.0f;
    uint32_t flags = kFlagFolds;
    BasePoint* basePoint = nullptr;
    Line* frontSym = nullptr;
    TDZ* graded = nullptr;
};
using Pin = TDZ;

struct SizeLabel {
    Shape strokes;  // derived
    float x = 0.0f, y = 0.0f, angle = 0.0f;
    float width = 400.0f, height = 400.0f;
    uint32_t colour = 0;
    uint32_t flags = 0;
};

struct Notch {
    Polyline outline;  // derived
    float x = 0.0f, y = 0.0f, depth = 0.0f, angle = 0.0f;
    uint32_t flags = 0;
};

struct Motif {
    Shape shape;  // owned, relative to the position
    float x = 0.0f, y = 0.0f;
    uint32_t flags = kFlagFolds;
    BasePoint* basePoint = nullptr;
    Line* frontSym = nullptr;
    Motif* graded = nullptr;
};

struct TextString {
    Shape strokes;     // derived
    std::string text;  // GBK bytes
    float angle = 0.0f, width = 0.0f, height = 0.0f, x = 0.0f, y = 0.0f;
    uint32_t flags = 0;
};

struct Dimension {
    Shape drawn1, drawn2;  // derived
    std::array<float, 4> points{};
    std::string text;
    float f1 = 0.0f, f2 = 0.0f;
    uint32_t flags = 0;
    KindRef ref1, ref2;
};

// Base-point flags.
constexpr uint32_t kBaseFollowsOwner = 1u << 16;

struct BasePoint {
    Shape drawn1, drawn2;                        // derived
    std::optional<std::vector<PairF>> factors;   // derived by grading
    std::optional<std::vector<PairF>> displacement;
    int index = 0;                               // derived: position in the part's list
    float x = 0.0f, y = 0.0f, direction = 0.0f;
    float length = 0.0f, width = 0.0f, lengthStep = 0.0f, widthStep = 0.0f;
    std::optional<std::vector<PairF>> targets;
    std::optional<std::vector<uint8_t>> sharedNotes;
    uint32_t flags = 0;
    Line* frontSym = nullptr;
    BasePoint* owner = nullptr;
};

struct PointRow {
    Shape drawn;  // derived
    uint16_t v0 = 0, v1 = 0;
    std::array<float, 7> f{};
    uint16_t v2 = 0, v3 = 0;
    Shape pointShape;  // owned: the pin or motif used for each point
    uint32_t flags = 0;
    Line* host = nullptr;
};

struct SeamAllowance {
    Polyline outline;  // derived
    uint32_t valueCount = 0;
    std::optional<std::vector<uint32_t>> values1, values2;
    uint32_t word = 0;
    Line* baseLine = nullptr;
    float margin = 0.0f;
    float f2 = 0.0f;
};

struct SymLineLink {
    Polyline drawn;  // derived
    KindRef target;  // kind 9 seam allowance or 20 line
    float f1 = 0.0f, f2 = 0.0f;
    Line* master = nullptr;
    uint32_t linkWord = 0;
};

struct SlotLine {
    Polyline drawn1, drawn2;  // derived
    KindRef host;             // kind 9, 10, 20 or 30
    std::array<float, 5> f{};
    uint32_t flags = 0;
    PieceLine* pieceLine = nullptr;
};

struct Mark {
    Polyline drawn;  // derived
    float f0 = 0.0f;
    KindRef host1, host2;
    float depth = 0.0f, width = 0.0f;
    uint32_t flags = 0;
    PieceLine* pieceLine = nullptr;
};

struct Chamfer {
    Polyline drawn;                   // derived
    std::array<PointF, 2> corners{};  // derived
    KindRef host1, host2;
    float radius = 0.0f;
    uint32_t flags = 0;
};

struct SymElemLink {
    Polyline drawn;   // derived
    KindRef element;  // kind 1 pin, 4 motif, 11 slot line
    Line* master = nullptr;
    uint32_t linkWord = 0;
};

struct SharedZone {
    Shape drawn;                       // derived
    std::array<uint32_t, 4> derived{};  // derived words
    std::array<float, 4> f{};
    Line* host = nullptr;
    BasePoint* basePoint = nullptr;
};

struct FixedDistance {
    Shape drawn;  // derived
    std::array<float, 4> f{};
    std::optional<std::vector<float>> perSize;
    KindRef first;
    Line* host = nullptr;
};

// Part flags.
constexpr uint32_t kPartPageMask = 0xFu;
constexpr uint32_t kPartShrink = 1u << 22;
constexpr uint32_t kPartNewBits = 0x1300u;  // a new part: bits 8, 9, 12 set within mask 0xEC00
constexpr uint32_t kDefaultPartColour = 0x808040u;

// The fields of a part other than its lists (copied as one block).
struct PartHeader {
    RectF bbox;        // derived
    Polyline outline;  // derived
    Shape drawn;       // derived
    uint32_t flags = kPartNewBits;
    int32_t year = 0, month = 0, day = 0;
    uint32_t partWord = 0;
    uint32_t colour = kDefaultPartColour;
    float homeX = 0.0f, homeY = 0.0f;
    float partValue = 0.0f;
    std::optional<std::vector<uint8_t>> sharedDie;
};

struct Part : PartHeader {
    Part() = default;
    Part(const Part&) = delete;
    Part& operator=(const Part&) = delete;
    List<Line> gradedLines;
    List<Pin> gradedPins;
    List<Motif> gradedMotifs;
    List<Line> linesA;
    List<Line> linesB;
    List<Pin> pins;
    List<SizeLabel> sizeLabels;
    List<Notch> notches;
    List<Motif> motifs;
    List<TextString> texts;
    List<Dimension> dimensions;
    List<BasePoint> basePoints;
    List<PointRow> pointRows;
    List<SeamAllowance> seamAllowances;
    List<SymLineLink> symLineLinks;
    List<SlotLine> slotLines;
    List<Mark> marks;
    List<Chamfer> chamfers;
    List<SymElemLink> symElemLinks;
    List<SharedZone> sharedZones;
    List<FixedDistance> fixedDistances;

    int page() const { return int(flags & kPartPageMask); }
    bool hidden() const { return (flags & kFlagHidden) != 0; }
    // Empty when every list from lines A to symmetry element links is empty.
    bool isEmpty() const;
    Line* lengthLine() const;  // type 1, lines A then lines B
    Line* widthLine() const;   // type 2
    BasePoint* basePointByIndex(int index) const;
    int highestBasePointIndex() const;  // -1 without base points
    // Sets the page bits and the page colour of every size label.
    void setPage(int page);
    // Sets the line type (1 length, 2 width) on `line`, clearing it on the part's other line.
    void setLineType(Line& line, int type);
    // Sets the creation date from the local clock.
    void stampToday();
};

uint32_t PageLabelColour(int page);

struct PieceMember {
    Shape drawn;  // derived
    KindRef element;
    uint32_t memberWord = 0;
    PieceLine* pieceLine = nullptr;
};

struct PieceLine {
    Polyline drawn1, drawn2;            // derived
    std::array<uint32_t, 4> derived{};  // derived words
    KindRef source;                     // kind 9, 10 or 20
    float start = 0.0f, end = 1.0f;
    uint32_t flags = 0;
    std::array<float, 3> f{};
    PieceLine* prevSeg = nullptr;
    PieceLine* nextSeg = nullptr;
    PieceLine* paired = nullptr;
};

// Piece flags.
constexpr uint32_t kPieceClosed = 1u << 16;
constexpr uint32_t kPieceMarkedForOutput = 1u << 20;
constexpr uint32_t kPieceRebuildRefs = 1u << 24;
constexpr uint32_t kPieceRebuildOutline = 1u << 26;

struct PieceHeader {
    RectF bbox;        // derived
    Polyline outline;  // derived
    Shape drawn;       // derived
    uint8_t slot = 0;
    uint32_t flags = kFlagHidden;
    std::array<uint32_t, 4> words{0, kDefaultPartColour, 0, 0};  // words[1] is the colour
    float pieceFloat = 0.0f;
    std::optional<std::vector<uint8_t>> sharedDie;

    uint32_t colour() const { return words[1]; }
};

struct Piece : PieceHeader {
    Piece() = default;
    Piece(const Piece&) = delete;
    Piece& operator=(const Piece&) = delete;
    List<PieceLine> linesA;
    List<PieceLine> linesB;
    List<PieceMember> members;
    List<SizeLabel> sizeLabels;
    List<Notch> notches;
    List<TextString> texts;
    List<PointRow> pointRows;
    List<SlotLine> slotLines;
    List<Mark> marks;
    List<Chamfer> chamfers;
};

struct DesignNote {
    uint32_t word0 = 0;
    std::string text;
    uint32_t word2 = 0, word3 = 0;
    friend bool operator==(const DesignNote&, const DesignNote&) = default;
};

struct ScanLine {
    Shape shape;
    uint16_t v1 = 0, v2 = 0;
    uint32_t value = 0;
    uint32_t flags = 0;
};

// The pixels of a background picture: 0xAARRGGBB words, rows from the top.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> argb;
    bool valid() const { return width > 0 && height > 0 && argb.size() == size_t(width) * size_t(height); }
};

// Background picture; the pixels are not kept in pattern files.
struct TPIC {
    uint32_t word = 0;  // bit 28 hides it
    // Placement of the bitmap in the pattern: the corners of its lower-left, lower-right,
    // upper-right and upper-left pixel edges (model units). Not in the file; a picture read
    // from a file has no bitmap and all corners at the origin.
    std::array<PointF, 4> corners{};
    // Shared by copies of the picture, so that copying never duplicates the pixels.
    std::shared_ptr<const Picture> pixels;
};

}  // namespace rz
