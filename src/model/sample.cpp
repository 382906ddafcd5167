#include "model/sample.h"

#include <cmath>

#include "model/afterload.h"
#include "model/gbk.h"

namespace rz {

namespace {

Line& AddLine(List<Line>& l, std::vector<Node> nodes, uint32_t flags = 0) {
    auto ln = std::make_unique<Line>();
    ln->nodes = std::move(nodes);
    ln->flags = flags;
    ln->colour = 0xFFFFFF;  // white on the black drawing window
    l.push_back(std::move(ln));
    return *l.back();
}

std::vector<Node> Rect(float x0, float y0, float x1, float y1) {
    return {{x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}, {x0, y0, 0}};
}

Part& NewPart(Design& d, int page, bool first) {
    if (!first) d.parts.push_back(std::make_unique<Part>());
    Part& p = first ? d.firstPart() : *d.parts.back();
    p.year = 2026;
    p.month = 12;
    p.day = 9;
    p.setPage(page);
    return p;
}

}  // namespace

void BuildSampleDesign(Design& d) {
    d.clear();
    d.flags = 0x30000;
    d.sizeSystem = 0;
    d.sizeCategory = 3;
    d.widthType = 20;
    d.rangeFrom = 220;
    d.rangeTo = 260;
    d.step = 5;
    d.baseSize = 240;
    d.resizePerSizeArrays();
    d.baseParams = {245.0f, 230.0f, 5.0f, 3.5f};
    d.labelFormat = 1;
    d.report = Utf8ToGbk("样板：女鞋前帮");
    d.notes.push_back({7, Utf8ToGbk("备注一"), 1, 2});

    // Page 0: a vamp (前帮) with a curved top line, a base point, pins, a motif and a text.
    Part& vamp = NewPart(d, 0, true);
    Line& outline = AddLine(vamp.linesA,
                            {{0, 0, 0},
                             {12000, 0, 0},
                             {16000, 3000, 0},
                             {17000, 7000, kNodeBreak},
                             {12000, 9000, 0},
                             {5000, 8500, 0},
                             {0, 6000, kNodeBreak},
                             {0, 0, 0}},
                            (2u << kLineMethodShift) | 0x8u);
    vamp.setLineType(outline, 1);
    Line& top = AddLine(vamp.linesB, {{2000, 6500, 0}, {8000, 7600, 0}, {14000, 6000, 0}},
                        (2u << kLineMethodShift) | kFlagFolds);
    top.colour = 0x0000FF;
    top.margin = 300.0f;
    auto bp = std::make_unique<BasePoint>();
    bp->x = 8000;
    bp->y = 4000;
    bp->length = 17000;
    bp->width = 9000;
    bp->flags = kBaseFollowsOwner;
    bp->targets = std::vector<PairF>(size_t(d.n));
    BasePoint* base = bp.get();
    vamp.basePoints.push_back(std::move(bp));
    outline.basePoint = base;
    top.basePoint = base;
    for (int i = 0; i < 5; ++i) {
        auto pin = std::make_unique<Pin>();
        pin->x = 3000.0f + 2000.0f * float(i);
        pin->y = 5600.0f + 250.0f * float(i % 2);
        pin->diameter = 100.0f;
        pin->flags = kFlagFolds | 1u;
        pin->basePoint = base;
        vamp.pins.push_back(std::move(pin));
    }
    vamp.pins[2]->frontSym = &top;
    auto motif = std::make_unique<Motif>();
    motif->x = 9000;
    motif->y = 2500;
    motif->flags = kFlagFolds | 1u;
    motif->shape = {{{-300, 0}, {0, 300}, {300, 0}, {0, -300}, {-300, 0}}};
    motif->basePoint = base;
    vamp.motifs.push_back(std::move(motif));
    auto text = std::make_unique<TextString>();
    text->text = Utf8ToGbk("前帮 L");
    text->x = 4000;
    text->y = 2000;
    text->width = 500;
    text->height = 600;
    text->flags = 1u;
    vamp.texts.push_back(std::move(text));
    auto label = std::make_unique<SizeLabel>();
    label->x = 10000;
    label->y = 1200;
    label->flags = 1u;
    vamp.sizeLabels.push_back(std::move(label));
    vamp.setPage(0);
    auto notch = std::make_unique<Notch>();
    notch->x = 12000;
    notch->y = 0;
    notch->depth = 200;
    notch->angle = 1.0471976f;
    notch->flags = 1u;
    vamp.notches.push_back(std::move(notch));
    auto seam = std::make_unique<SeamAllowance>();
    seam->baseLine = &outline;
    seam->margin = 500;
    seam->valueCount = 2;
    seam->values1 = std::vector<uint32_t>{0, 0x3F800000u};
    vamp.seamAllowances.push_back(std::move(seam));
    auto slot = std::make_unique<SlotLine>();
    slot->host = {&top, kKindLine};
    slot->f = {0.25f, 0.75f, 0, 120, 1.0471976f};  // start, end, offset, depth, angle
    slot->flags = 1u;
    vamp.slotLines.push_back(std::move(slot));

    // Page 1: a quarter (后帮) with a seam-allowance hosted mark and a second base point.
    Part& quarter = NewPart(d, 1, false);
    Line& q = AddLine(quarter.linesA, Rect(20000, 0, 32000, 8000), (4u << kLineMethodShift) | 0x8u);
    AddLine(quarter.linesB, {{21000, 4000, 0}, {31000, 4000, 0}}, 4u << kLineMethodShift);
    auto qb = std::make_unique<BasePoint>();
    qb->x = 26000;
    qb->y = 4000;
    BasePoint* qbase = qb.get();
    quarter.basePoints.push_back(std::move(qb));
    auto qb2 = std::make_unique<BasePoint>();
    qb2->x = 30000;
    qb2->y = 2000;
    qb2->owner = qbase;
    qb2->flags = kBaseFollowsOwner;
    quarter.basePoints.push_back(std::move(qb2));
    q.basePoint = qbase;
    auto mark = std::make_unique<Mark>();
    mark->host1 = {&q, kKindLine};
    mark->host2 = {quarter.linesB.front().get(), kKindLine};
    mark->depth = 200;
    mark->width = 100;
    mark->flags = 1u;
    quarter.marks.push_back(std::move(mark));
    auto fixed = std::make_unique<FixedDistance>();
    fixed->host = &q;
    fixed->first = {quarter.linesB.front().get(), kKindLine};
    fixed->f = {0, 0, 1, 1};
    fixed->perSize = std::vector<float>(size_t(d.n), 0.5f);
    quarter.fixedDistances.push_back(std::move(fixed));

    // Page 2: a lining (里) circle.
    Part& lining = NewPart(d, 2, false);
    std::vector<Node> circle;
    for (int i = 0; i <= 8; ++i) {
        double a = 2 * M_PI * (i % 8) / 8;
        circle.push_back({float(40000 + 3000 * std::cos(a)), float(4000 + 3000 * std::sin(a)), 0});
    }
    AddLine(lining.linesA, circle, (2u << kLineMethodShift) | 0x8u);
    AddLine(lining.linesB, {{38000, 4000, 0}, {42000, 4000, 0}}, 4u << kLineMethodShift);

    // One piece cut from the quarter.
    auto piece = std::make_unique<Piece>();
    piece->slot = 0;
    piece->flags = kPieceClosed | kPieceMarkedForOutput;
    auto pl = std::make_unique<PieceLine>();
    pl->source = {&q, kKindLine};
    pl->start = 0;
    pl->end = 1;
    PieceLine* plp = pl.get();
    piece->linesA.push_back(std::move(pl));
    plp->prevSeg = plp;
    plp->nextSeg = plp;
    auto member = std::make_unique<PieceMember>();
    member->element = {plp, kKindPieceLine};
    member->pieceLine = plp;
    piece->members.push_back(std::move(member));
    piece->sharedDie = std::vector<uint8_t>(size_t(d.n), 0);
    d.pieces.push_back(std::move(piece));
    // As the program would have them: evaluated, with the sample counts in the node words.
    EvaluateAllLines(d, TSmooth{});
    d.modified = 0;
}

void BuildLargeDesign(Design& d, int parts, int linesPerPart, int nodesPerLine, int pinsPerPart,
                      int motifsPerPart) {
    d.clear();
    d.flags = 0x30000;
    d.rangeFrom = 220;
    d.rangeTo = 260;
    d.step = 5;
    d.baseSize = 240;
    d.resizePerSizeArrays();
    for (int p = 0; p < parts; ++p) {
        Part& part = NewPart(d, p % 3, p == 0);
        float ox = float(p % 50) * 40000.0f, oy = float(p / 50) * 40000.0f;
        auto bp = std::make_unique<BasePoint>();
        bp->x = ox;
        bp->y = oy;
        BasePoint* base = bp.get();
        part.basePoints.push_back(std::move(bp));
        for (int l = 0; l < linesPerPart; ++l) {
            std::vector<Node> nodes(static_cast<size_t>(nodesPerLine));
            for (int i = 0; i < nodesPerLine; ++i) {
                double a = 2 * M_PI * i / nodesPerLine;
                float r = 10000.0f + 800.0f * float(l);
                nodes[size_t(i)] = {ox + r * float(std::cos(a)), oy + r * float(std::sin(a)), 0};
            }
            Line& ln = AddLine(l == 0 ? part.linesA : part.linesB, std::move(nodes),
                               (2u << kLineMethodShift));
            ln.basePoint = base;
        }
        for (int i = 0; i < pinsPerPart; ++i) {
            auto pin = std::make_unique<Pin>();
            pin->x = ox + 100.0f * float(i);
            pin->y = oy;
            pin->diameter = 100;
            pin->basePoint = base;
            part.pins.push_back(std::move(pin));
        }
        for (int i = 0; i < motifsPerPart; ++i) {
            auto m = std::make_unique<Motif>();
            m->x = ox;
            m->y = oy + 100.0f * float(i);
            m->shape = {{{-300, 0}, {0, 300}, {300, 0}, {0, -300}, {-300, 0}}};
            m->basePoint = base;
            part.motifs.push_back(std::move(m));
        }
    }
}

}  // namespace rz
