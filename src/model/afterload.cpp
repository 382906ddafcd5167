#include "model/afterload.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

#include "geom/evaluate.h"
#include "geom/primitives.h"
#include "model/refs.h"

namespace rz {

DerivedHooks& derivedHooks() {
    static DerivedHooks hooks;
    return hooks;
}

void EvaluateLineRecord(Line& line, const TSmooth& smooth, EvalScratch& scratch) {
    if (!EvaluateLine(smooth, line.nodes, line.flags, line.eval, scratch)) line.eval.clear();
    line.second = line.margin != 0.0f ? MarginPolyline(line.eval, line.margin) : Polyline{};
}

void EvaluateLineRecord(Line& line, const TSmooth& smooth) {
    EvalScratch scratch;
    EvaluateLineRecord(line, smooth, scratch);
}

void EvaluateAllLines(Design& d, const TSmooth& smooth, unsigned threads) {
    std::vector<Line*> lines;
    for (auto& p : d.parts)
        for (List<Line>* l : {&p->gradedLines, &p->linesA, &p->linesB})
            for (auto& ln : *l) lines.push_back(ln.get());
    EvaluateLineRecords(lines, smooth, threads);
}

void EvaluateLineRecords(const std::vector<Line*>& lines, const TSmooth& smooth, unsigned threads) {
    size_t work = 0;
    for (const Line* ln : lines) work += ln->nodes.size() + 1;
    if (threads == 0) {
        // Starting a thread costs about as much as evaluating a few thousand nodes.
        threads = work < kParallelEvaluationNodes ? 1 : std::max(1u, std::thread::hardware_concurrency());
    }
    threads = static_cast<unsigned>(std::min<size_t>(threads, std::max<size_t>(lines.size(), 1)));
    if (threads <= 1) {
        EvalScratch scratch;
        for (Line* ln : lines) EvaluateLineRecord(*ln, smooth, scratch);
        return;
    }
    // Each line is evaluated from its own nodes into its own polylines and nothing else is
    // written, so the threads can take batches of lines from a shared counter: a thread that
    // gets less of the processor simply takes fewer batches. A failure (out of memory) stops the
    // taking and reaches the caller once every thread has finished, as on one thread.
    constexpr size_t kBatch = 32;
    std::atomic<size_t> next{0};
    std::atomic<bool> stop{false};
    std::vector<std::exception_ptr> failed(threads);
    auto take = [&](size_t slot) {
        try {
            EvalScratch scratch;
            for (;;) {
                if (stop.load(std::memory_order_relaxed)) return;
                const size_t from = next.fetch_add(kBatch, std::memory_order_relaxed);
                if (from >= lines.size()) return;
                const size_t to = std::min(from + kBatch, lines.size());
                for (size_t i = from; i < to; ++i) EvaluateLineRecord(*lines[i], smooth, scratch);
            }
        } catch (...) {
            failed[slot] = std::current_exception();
            stop = true;
        }
    };
    std::vector<std::thread> helpers;
    helpers.reserve(threads - 1);
    for (unsigned t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(take, t);
        } catch (const std::system_error&) {
            break;  // the threads that did start, and this one, take all the lines
        }
    }
    take(0);
    for (std::thread& h : helpers) h.join();
    for (const std::exception_ptr& e : failed)
        if (e) std::rethrow_exception(e);
}

Polyline PinCircle(float x, float y, float diameter) {
    if (!InModelRange(PointF{x, y}) || !InModelRange(diameter)) return {};
    Polyline c = EllipsePoints(diameter, diameter);
    for (auto& q : c) {
        q.x += x;
        q.y += y;
    }
    return c;
}

bool BoundsOf(const Polyline& pl, RectF& r) {
    if (pl.empty()) return false;
    r = {pl[0].x, pl[0].y, pl[0].x, pl[0].y};
    for (auto& p : pl) {
        r.minX = std::min(r.minX, p.x);
        r.minY = std::min(r.minY, p.y);
        r.maxX = std::max(r.maxX, p.x);
        r.maxY = std::max(r.maxY, p.y);
    }
    return true;
}

void UniteBounds(RectF& r, bool& any, const RectF& o) {
    if (!any) {
        r = o;
        any = true;
        return;
    }
    r.minX = std::min(r.minX, o.minX);
    r.minY = std::min(r.minY, o.minY);
    r.maxX = std::max(r.maxX, o.maxX);
    r.maxY = std::max(r.maxY, o.maxY);
}

int RunAfterLoadSteps(Design& d, const TSmooth& smooth, bool evaluate) {
    auto& hooks = derivedHooks();
    if (evaluate) EvaluateAllLines(d, smooth);
    // a. Derived data of every piece.
    if (hooks.rebuildPiece)
        for (auto& pc : d.pieces) hooks.rebuildPiece(d, *pc);
    // b. Purge records that lost a required reference; later parts above page 2 go to page 0.
    // The first part may stay on page 3; a page number beyond the four pages is never kept.
    if (d.firstPart().page() > 3) d.firstPart().setPage(0);
    for (size_t i = 1; i < d.parts.size(); ++i) {
        Part& p = *d.parts[i];
        if (p.page() > 2) p.setPage(0);
    }
    PurgeDangling(d);
    // c. Renumber base points, rebuild part data, note pages.
    int lowest = 4;
    for (auto& p : d.parts) {
        int idx = 0;
        for (auto& b : p->basePoints) b->index = idx++;
        if (hooks.rebuildPart) hooks.rebuildPart(d, *p);
        if (!p->isEmpty()) lowest = std::min(lowest, p->page());
    }
    // d. Pieces flagged for rebuilding on load.
    for (auto& pc : d.pieces) {
        if (pc->flags & kPieceRebuildRefs) {
            pc->flags &= ~kPieceRebuildRefs;
            if (hooks.rebuildPieceRefs) hooks.rebuildPieceRefs(d, *pc);
        }
        if (pc->flags & kPieceRebuildOutline) {
            pc->flags &= ~kPieceRebuildOutline;
            if (hooks.rebuildPiece) hooks.rebuildPiece(d, *pc);
            const Polyline& o = pc->outline;
            bool closed = o.size() > 2 && o.front() == o.back();
            if (closed) pc->flags |= kPieceClosed;
            else pc->flags &= ~kPieceClosed;
            RectF box{};
            bool any = false;
            RectF r;
            if (BoundsOf(o, r)) {
                UniteBounds(box, any, r);
            } else {
                for (const List<PieceLine>* l : {&pc->linesA, &pc->linesB})
                    for (auto& pl : *l)
                        if (BoundsOf(pl->drawn1, r)) UniteBounds(box, any, r);
            }
            pc->bbox = any ? box : RectF{};
        }
    }
    // e. Grading results present?
    d.updateGradedFlag();
    // f. The lowest page with content, or 3.
    if (lowest > 3 || d.firstPart().isEmpty()) return 3;
    return lowest;
}

}  // namespace rz
