// The point-row tools: 自动排 (108), 等距排 (109), 节点排 (110) and 第二排 (111).
#include <cmath>

#include "commands/draw_common.h"
#include "commands/tool_support.h"
#include "design/design_tools.h"
#include "design/rows.h"
#include "model/integrity.h"

namespace rz {

namespace {

bool IsLineKind(int k) { return k == kKindLineA || k == kKindLineB; }

// 自动排 and 等距排: a click on a row edits it; on a line it makes a row after the dialog.
struct RowTool : Tool {
    explicit RowTool(RowMode m) : mode(m) {}
    RowMode mode;
    Line* line = nullptr;

    void releaseData() override { line = nullptr; }

    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickPointRows | kPickLines);
        if (r.kind == kKindPointRow) {
            if (RowDialog(e, *r.as<PointRow>(), false)) CommitEdit(e, {r.part});
            return true;
        }
        if (!IsLineKind(r.kind) || r.as<Line>()->eval.size() < 2) return Refuse(e);
        line = r.as<Line>();
        e.setStep(1);
        e.present();
        auto row = MakeRow(*line, mode, DefaultDiameter(e.doc), PinToolBits(e.doc));
        row->flags |= kRowCreating;
        bool ok = RowDialog(e, *row, true);
        e.setStep(0);
        releaseData();
        if (!ok) {
            e.present();
            return true;
        }
        row->flags &= ~kRowCreating;
        RebuildRow(*row, true);
        r.part->pointRows.push_back(std::move(row));
        CommitEdit(e, {r.part});
        return true;
    }
    bool overlay(Engine& e, Canvas& c) override { return HighlightPicked(e, c, line); }
};

// 节点排 and 第二排.
struct NodeRowTool : Tool {
    explicit NodeRowTool(bool second) : second(second) {}
    bool second;
    const PointRow* flashed = nullptr;

    void releaseData() override { flashed = nullptr; }

    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickPointRows | kPickLines);
        if (r.kind == kKindPointRow) return onRow(e, *r.part, *r.as<PointRow>(), p);
        if (!IsLineKind(r.kind) || r.as<Line>()->eval.size() < 2) return Refuse(e);
        return onLine(e, *r.part, *r.as<Line>(), p.model);
    }

    bool onLine(Engine& e, Part& part, Line& line, PointF at) {
        PointRow* row = nullptr;
        for (auto& q : part.pointRows)
            if (q->host == &line && ReadRow(*q).mode == RowMode::Nodes) row = q.get();
        if (!row) {
            part.pointRows.push_back(MakeRow(line, RowMode::Nodes, DefaultDiameter(e.doc), PinToolBits(e.doc)));
            row = part.pointRows.back().get();
        }
        RowParams rp = ReadRow(*row);
        rp.startNode = NearestNodeIndex(line, at);
        StoreRow(*row, rp);
        RebuildRow(*row, true);
        CommitEdit(e, {&part});
        return true;
    }

    bool onRow(Engine& e, Part& part, PointRow& row, const Pointer& p) {
        RowParams rp = ReadRow(row);
        if (second) {
            // The distance of the second row from the first.
            const LengthUnit u = DialogLengthUnit(e.doc.settings);
            double initial = rp.secondDistance != 0.0f ? rp.secondDistance : e.doc.settings.equidistance;
            std::vector<ValueField> f{{"距离(" + u.name + ")", initial / u.per, -1.0e4, 1.0e4, 2}};
            if (!e.doc.platform.valueDialog("第二排", f)) return true;
            float dist = float(f[0].value * u.per);
            if (!std::isfinite(dist)) return Refuse(e);
            rp.secondDistance = dist;
            StoreRow(row, rp);
            RebuildRow(row, true);
            CommitEdit(e, {&part});
            return true;
        }
        if (rp.mode == RowMode::Nodes && row.host) return onLine(e, part, *row.host, p.model);
        const bool innerHost = row.host && std::any_of(part.linesB.begin(), part.linesB.end(),
                                                       [&](auto& l) { return l.get() == row.host; });
        if (!innerHost) return Refuse(e);
        RowPoints pts = RowPointsOf(row);
        if (pts.points.size() < 2) return Refuse(e);
        flashed = &row;
        e.setStep(1);
        e.present();
        bool yes = e.doc.platform.ask(kAskToNodeRow);
        e.setStep(0);
        releaseData();
        if (!yes) {
            e.present();
            return true;
        }
        // A new inner line through the row's points carries a node row; the old line and row go.
        std::vector<Node> nodes;
        for (PointF q : pts.points) nodes.push_back({q.x, q.y, 0});
        auto made = MakeLineRecord(e.doc, std::move(nodes), e.doc.settings.defaultCurveMethod, 1);
        Line& nl = *made;
        part.linesB.push_back(std::move(made));
        auto nr = MakeRow(nl, RowMode::Nodes, DefaultDiameter(e.doc), row.flags & kFlagToolMask);
        RebuildRow(*nr, true);
        part.pointRows.push_back(std::move(nr));
        RemovalSet gone;
        gone.records.insert(row.host);
        gone.records.insert(&row);
        RemoveRecords(e.doc.design, gone);
        CommitEdit(e, {&part});
        return true;
    }

    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() == 0 || !flashed) return false;
        HighlightPen(c);
        for (auto& pl : flashed->drawn) DrawPolyline(e, c, pl);
        return true;
    }
};

}  // namespace

void InstallRowTools(Engine& e) {
    e.setTool(mode::RowAuto, std::make_unique<RowTool>(RowMode::Auto));
    e.setTool(mode::RowSpacing, std::make_unique<RowTool>(RowMode::Spacing));
    e.setTool(mode::RowNodes, std::make_unique<NodeRowTool>(false));
    e.setTool(mode::RowSecond, std::make_unique<NodeRowTool>(true));
}

}  // namespace rz
