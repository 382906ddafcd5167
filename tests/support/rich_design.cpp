#include "rich_design.h"

#include "model/gbk.h"
#include "model/sample.h"

namespace rz::test {

void BuildRichDesign(Design& d) {
    BuildSampleDesign(d);
    d.flags |= kDesignSaveGrading;
    d.targets = std::vector<PairF>(size_t(d.n), PairF{1.5f, -2.5f});
    d.lengthAdj = -7;
    d.girthAdj = 12;
    d.autoSaveNumber = 42;
    Part& p = d.firstPart();
    p.sharedDie = std::vector<uint8_t>(size_t(d.n), 3);
    p.homeX = 10;
    p.homeY = -20;
    p.partWord = 0xABCD;
    p.partValue = 2.5f;
    Line* a = p.linesA.front().get();
    Line* b = p.linesB.front().get();
    BasePoint* bp = p.basePoints.front().get();
    bp->sharedNotes = std::vector<uint8_t>(size_t(d.n), 9);
    bp->frontSym = b;
    bp->owner = bp;  // a self-owner, as files may hold

    // Graded copies.
    auto gl = std::make_unique<Line>(*b);
    gl->basePoint = bp;
    gl->graded = nullptr;
    b->graded = gl.get();
    p.gradedLines.push_back(std::move(gl));
    auto gp = std::make_unique<Pin>(*p.pins.front());
    gp->graded = nullptr;
    p.pins.front()->graded = gp.get();
    p.gradedPins.push_back(std::move(gp));
    auto gm = std::make_unique<Motif>(*p.motifs.front());
    gm->graded = nullptr;
    p.motifs.front()->graded = gm.get();
    p.gradedMotifs.push_back(std::move(gm));

    auto dim = std::make_unique<Dimension>();
    dim->points = {0, 0, 12000, 0};
    dim->text = "<DIM>";
    dim->ref1 = {a, kKindLine};
    dim->ref2 = {p.pins.front().get(), kKindPin};
    p.dimensions.push_back(std::move(dim));

    auto row = std::make_unique<PointRow>();
    row->v0 = 5;
    row->f = {1, 2, 3, 4, 5, 6, 7};
    row->pointShape = {{{-50, 0}, {50, 0}}, {{0, -50}, {0, 50}}};
    row->host = b;
    PointRow* rowp = row.get();
    p.pointRows.push_back(std::move(row));

    SeamAllowance* seam = p.seamAllowances.front().get();
    seam->values2 = std::vector<uint32_t>{7, 8};

    auto sll = std::make_unique<SymLineLink>();
    sll->target = {seam, kKindSeamAllowance};
    sll->master = b;
    sll->linkWord = 3;
    SymLineLink* sllp = sll.get();
    p.symLineLinks.push_back(std::move(sll));

    auto slot2 = std::make_unique<SlotLine>();
    slot2->host = {sllp, kKindSymLineLink};
    SlotLine* slotp = slot2.get();
    p.slotLines.push_back(std::move(slot2));

    auto mark = std::make_unique<Mark>();
    mark->host1 = {a, kKindLine};
    mark->host2 = {seam, kKindSeamAllowance};
    p.marks.push_back(std::move(mark));

    auto ch = std::make_unique<Chamfer>();
    ch->host1 = {a, kKindLine};
    ch->host2 = {b, kKindLine};
    ch->radius = 500;
    p.chamfers.push_back(std::move(ch));

    auto sel = std::make_unique<SymElemLink>();
    sel->element = {slotp, kKindSlotLine};
    sel->master = b;
    p.symElemLinks.push_back(std::move(sel));
    auto sel2 = std::make_unique<SymElemLink>();
    sel2->element = {p.motifs.front().get(), kKindMotif};
    sel2->master = a;
    p.symElemLinks.push_back(std::move(sel2));

    auto sz = std::make_unique<SharedZone>();
    sz->f = {0.1f, 0.2f, 0.3f, 0.4f};
    sz->host = a;
    sz->basePoint = bp;
    p.sharedZones.push_back(std::move(sz));

    // The piece gets lists of every kind.
    Piece& pc = *d.pieces.front();
    PieceLine* pl = pc.linesA.front().get();
    auto plb = std::make_unique<PieceLine>();
    plb->source = {seam, kKindSeamAllowance};
    plb->paired = pl;
    pc.linesB.push_back(std::move(plb));
    auto m2 = std::make_unique<PieceMember>();
    m2->element = {rowp, kKindPointRow};
    pc.members.push_back(std::move(m2));
    auto m3 = std::make_unique<PieceMember>();
    m3->element = {p.pins.back().get(), kKindPin};
    pc.members.push_back(std::move(m3));
    pc.sizeLabels.push_back(std::make_unique<SizeLabel>());
    auto pn = std::make_unique<Notch>();
    pn->depth = 150;
    pc.notches.push_back(std::move(pn));
    auto pt = std::make_unique<TextString>();
    pt->text = Utf8ToGbk("分片一");
    pc.texts.push_back(std::move(pt));
    auto prow = std::make_unique<PointRow>();
    prow->host = a;
    pc.pointRows.push_back(std::move(prow));
    auto pslot = std::make_unique<SlotLine>();
    pslot->host = {pl, kKindPieceLine};
    pslot->pieceLine = pl;
    pc.slotLines.push_back(std::move(pslot));
    auto pmark = std::make_unique<Mark>();
    pmark->host1 = {pl, kKindPieceLine};
    pmark->host2 = {pl, kKindPieceLine};
    pmark->pieceLine = pl;
    pc.marks.push_back(std::move(pmark));
    auto pch = std::make_unique<Chamfer>();
    pch->host1 = {pl, kKindPieceLine};
    pch->host2 = {a, kKindLine};
    pc.chamfers.push_back(std::move(pch));
    pc.words = {1, 0x112233, 3, 4};
    pc.pieceFloat = 0.75f;

    auto piece2 = std::make_unique<Piece>();
    piece2->slot = 4;
    piece2->flags = 0;
    d.pieces.push_back(std::move(piece2));
    d.updateGradedFlag();
}

}  // namespace rz::test
