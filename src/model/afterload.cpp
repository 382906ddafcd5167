#include "model/afterload.h"

#include <algorithm>
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

// Each line is evaluated from its own nodes into its own polylines and nothing else is written,
// so threads can take batches of lines from the shared list while the producer goes on adding
// lines it has finished with: a thread that gets less of the processor simply takes fewer
// batches. A failure (out of memory) stops the taking and reaches the caller of finish() once
// every thread has stopped, as on one thread.
LineEvaluator::LineEvaluator(const TSmooth& smooth, unsigned threads) : smooth_(smooth), threads_(threads) {
    // Starting a thread costs about as much as evaluating a few thousand nodes: with 0 (one per
    // core) helpers start once that much work is waiting.
    if (threads_ == 0) threads_ = std::max(1u, std::thread::hardware_concurrency()), automatic_ = true;
}

// Left without finish() (the producer failed): the helpers stop after their batch.
LineEvaluator::~LineEvaluator() {
    {
        std::lock_guard lock(m_);
        stop_ = closed_ = true;
    }
    cv_.notify_all();
    for (std::thread& h : helpers_) h.join();
}

void LineEvaluator::add(std::span<Line* const> lines) {
    if (lines.empty()) return;
    size_t work = 0;
    for (const Line* ln : lines) work += ln->nodes.size() + 1;
    {
        std::lock_guard lock(m_);
        queue_.insert(queue_.end(), lines.begin(), lines.end());
        work_ += work;
    }
    cv_.notify_all();
    if (helpers_.empty() && threads_ > 1 && (!automatic_ || work_ >= kParallelEvaluationNodes)) {
        failed_.resize(threads_);
        for (unsigned t = 1; t < threads_; ++t) {
            try {
                helpers_.emplace_back([this, t] { take(t, false); });
            } catch (const std::system_error&) {
                break;  // the threads that did start, and the caller, take all the lines
            }
        }
    }
}

void LineEvaluator::take(size_t slot, bool caller) {
    try {
        EvalScratch scratch;
        Line* batch[kBatch];
        for (;;) {
            size_t count = 0;
            {
                std::unique_lock lock(m_);
                // Helpers wait for more lines until the producer is done; the caller only
                // takes what is there.
                if (!caller) cv_.wait(lock, [&] { return stop_ || closed_ || next_ < queue_.size(); });
                if (stop_ || next_ >= queue_.size()) return;
                count = std::min(kBatch, queue_.size() - next_);
                std::copy_n(queue_.begin() + std::ptrdiff_t(next_), count, batch);
                next_ += count;
            }
            for (size_t i = 0; i < count; ++i) EvaluateLineRecord(*batch[i], smooth_, scratch);
        }
    } catch (...) {
        std::lock_guard lock(m_);
        if (failed_.size() <= slot) failed_.resize(slot + 1);
        failed_[slot] = std::current_exception();
        stop_ = true;
        cv_.notify_all();
    }
}

void LineEvaluator::finish() {
    {
        std::lock_guard lock(m_);
        if (finished_) return;
        finished_ = closed_ = true;
    }
    cv_.notify_all();
    take(0, true);
    for (std::thread& h : helpers_) h.join();
    helpers_.clear();
    for (const std::exception_ptr& e : failed_)
        if (e) std::rethrow_exception(e);
}

void EvaluateLineRecords(const std::vector<Line*>& lines, const TSmooth& smooth, unsigned threads) {
    LineEvaluator ev(smooth, threads);
    ev.add(lines);
    ev.finish();
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
