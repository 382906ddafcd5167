// 提取 (112): stretches of lines, seam allowances and symmetry links are picked into a working
// outline (click the start, then the end; a click under 2 mm takes the whole line, or takes it
// out again), and a right click joins them and makes a piece, a part or new lines by the
// extraction setting.
#include <cmath>

#include "commands/tool_support.h"
#include "design/design_tools.h"
#include "design/pieces.h"
#include "geom/polyline.h"
#include "geom/stretch.h"

namespace rz {

namespace {

struct ExtractTool : Tool {
    DesignServices svc;
    std::vector<Stretch> working;
    // The stretch being picked: its source, where it starts and where it runs to (arc lengths).
    bool picking = false;
    Stretch cur;
    float s0 = 0.0f, s1 = 0.0f;
    int dir = 0;  // the way the pointer first went from the start: +1 towards the end, -1 back
    PixelPoint pressPx;
    bool secondPress = false;

    void releaseData() override {
        working.clear();
        picking = false;
    }

    static float Length(const KindRef& src) {
        const Polyline* pl = SourcePolyline(src);
        return pl ? PolyLength(*pl) : 0.0f;
    }

    bool leftPress(Engine& e, const Pointer& p) override {
        if (picking) {
            secondPress = true;
            return true;
        }
        if (!SizeListConsistent(e.doc.design)) return Refuse(e);
        if (working.empty() && p.ctrl()) {
            // The current piece's outline comes back to be edited and stored again.
            Piece* pc = CurrentPiece(e.doc);
            if (!pc) return Refuse(e);
            working = PieceStretches(e.doc.design, *pc);
            if (working.empty()) return Refuse(e);
            e.setStep(1);
            e.ShowPrompt(kPromptExtract);
            e.present();
            return true;
        }
        PickResult r = e.PickAt(p.model, kPickLines | kPickSeamAllowances | kPickSymLineLinks | kPickNoLineNodes);
        KindRef src;
        if (r.kind == kKindLineA || r.kind == kKindLineB) src = {r.record, kKindLine};
        else if (r.kind == kKindSeamAllowance) src = {r.record, kKindSeamAllowance};
        else if (r.kind == kKindSymLineLink) src = {r.record, kKindSymLineLink};
        const Polyline* pl = SourcePolyline(src);
        if (!pl || pl->size() < 2 || !(PolyLength(*pl) > 0.0f)) return Refuse(e);
        cur = {src, r.part, 0.0f, 0.0f};
        s0 = s1 = PolyLengthTo(*pl, p.model).length;
        dir = 0;
        picking = true;
        secondPress = false;
        pressPx = p.px;
        e.setStep(2);
        e.ShowPrompt(kPromptExtract);
        e.present();
        return true;
    }

    void follow(const Pointer& p) {
        const Polyline* pl = SourcePolyline(cur.source);
        if (!pl) return;
        const float L = PolyLength(*pl);
        float s = PolyLengthTo(*pl, p.model).length;
        if (dir == 0 && std::fabs(s - s0) > 200.0f) dir = s > s0 ? 1 : -1;
        // With Ctrl, crossing back over the start takes the stretch to the far end instead.
        if (p.ctrl() && dir != 0 && (s - s0) * float(dir) < 0.0f) s = dir > 0 ? L : 0.0f;
        s1 = s;
    }

    bool move(Engine& e, const Pointer& p) override {
        if (!picking) return false;
        follow(p);
        e.present();
        return true;
    }

    bool leftRelease(Engine& e, const Pointer& p) override {
        if (!picking) return false;
        bool dragged = std::abs(p.px.x - pressPx.x) > 3 || std::abs(p.px.y - pressPx.y) > 3;
        if (!secondPress && !dragged) return true;  // the first click only sets the start
        follow(p);
        picking = false;
        const float L = Length(cur.source);
        Stretch s = cur;
        s.start = s0 / L;
        s.end = s1 / L;
        int r = AddStretch(working, s);
        e.tone(r < 0 ? kToneBack : r > 0 ? kToneAccepted : kToneRefused);
        e.setStep(working.empty() ? 0 : 1);
        e.present();
        return true;
    }

    bool rightPress(Engine& e, const Pointer&) override {
        if (picking) {
            picking = false;
            e.setStep(working.empty() ? 0 : 1);
            e.present();
            return true;
        }
        if (working.empty()) {
            e.SetMode(mode::Select);
            return true;
        }
        finish(e);
        return true;
    }

    bool key(Engine& e, const KeyEvent& k) override {
        if (k.key != key::Escape) return false;
        e.SetMode(mode::Select);
        return true;
    }

    void finish(Engine& e) {
        TDoc& doc = e.doc;
        if (!JoinStretches(working)) {
            Refuse(e);
            return;
        }
        ExtractOptions opt;
        opt.mode = ExtractMode(std::clamp(doc.settings.extractionMethod[0], 0, 3));
        opt.innerLines = doc.settings.extractionMethod[1] != 0;
        opt.slot = doc.currentSlot;
        const bool newPiece = opt.mode == ExtractMode::Piece && !PieceInSlot(doc.design, opt.slot);
        if (opt.mode == ExtractMode::Piece && !newPiece) {
            // No keeps the outline, to be stored elsewhere or changed.
            if (!doc.platform.ask(kAskOverwritePiece)) return;
            opt.replace = true;
        }
        ExtractResult res = ExtractOutline(doc, working, opt, svc.font);
        if (!res.ok) {
            Refuse(e);
            return;
        }
        working.clear();
        e.setStep(0);
        if (newPiece) e.tone(kToneAccepted);
        if (res.piece && svc.piecesChanged) svc.piecesChanged();
        CommitEdit(e, {res.part});
        e.ShowPrompt(kPromptExtract);
    }

    bool overlay(Engine& e, Canvas& c) override {
        if (working.empty() && !picking) return false;
        HighlightPen(c);
        for (const Stretch& s : working)
            if (const Polyline* pl = SourcePolyline(s.source)) DrawPolyline(e, c, PolySubFraction(*pl, s.start, s.end));
        if (picking)
            if (const Polyline* pl = SourcePolyline(cur.source)) {
                c.setWidth(3);
                DrawPolyline(e, c, PolySub(*pl, std::min(s0, s1), std::max(s0, s1)));
            }
        return true;
    }
};

}  // namespace

void InstallExtractTool(Engine& e, const DesignServices& s) {
    auto t = std::make_unique<ExtractTool>();
    t->svc = s;
    e.setTool(mode::Extract, std::move(t));
}

}  // namespace rz
