// Derived data after a design was read or changed. The owners of the geometry (curve
// evaluation, piece assembly) install their rebuild functions here at start-up, so that the
// model can run the after-load steps without depending on the layers above it.
#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "geom/evaluate.h"
#include "geom/smooth.h"
#include "model/design.h"

namespace rz {

struct DerivedHooks {
    // Rebuilds the derived data of a piece (outline, drawn shapes) from its piece lines.
    std::function<void(Design&, Piece&)> rebuildPiece;
    // Rebuilds a piece's references to part elements (piece flag bit 24).
    std::function<void(Design&, Piece&)> rebuildPieceRefs;
    // Rebuilds a part's derived data (bounding box, outline, drawn features).
    std::function<void(Design&, Part&)> rebuildPart;
};

DerivedHooks& derivedHooks();

// Evaluates one line from its nodes: its evaluated polyline (empty when the evaluation fails,
// a bad line) and, with a margin, its second polyline.
void EvaluateLineRecord(Line& line, const TSmooth& smooth);
void EvaluateLineRecord(Line& line, const TSmooth& smooth, EvalScratch& scratch);

// Below this many nodes in all, a design's lines are evaluated on the calling thread alone.
constexpr size_t kParallelEvaluationNodes = 20000;
// Evaluates every line of the design (lines A, B and graded lines). A large design is shared out
// over `threads` threads (0: one per core); the result is the same for any number.
void EvaluateAllLines(Design& d, const TSmooth& smooth, unsigned threads = 0);
// The same for a list of lines (the copies a grading run made).
void EvaluateLineRecords(const std::vector<Line*>& lines, const TSmooth& smooth, unsigned threads = 0);

// Evaluates lines while their producer goes on making others: lines handed to add() may be
// evaluated at once by helper threads, so the producer must not touch them (nor anything they
// are evaluated from) until finish() has returned. finish() evaluates what is left on the calling
// thread, waits for the helpers and rethrows a failure of any of them.
class LineEvaluator {
public:
    LineEvaluator(const TSmooth& smooth, unsigned threads);
    ~LineEvaluator();
    LineEvaluator(const LineEvaluator&) = delete;
    LineEvaluator& operator=(const LineEvaluator&) = delete;
    void add(std::span<Line* const> lines);
    void finish();

private:
    static constexpr size_t kBatch = 32;
    void take(size_t slot, bool caller);

    const TSmooth& smooth_;
    unsigned threads_;
    bool automatic_ = false;
    std::mutex m_;
    std::condition_variable cv_;
    std::vector<Line*> queue_;
    size_t next_ = 0, work_ = 0;
    bool closed_ = false, stop_ = false, finished_ = false;
    std::vector<std::thread> helpers_;
    std::vector<std::exception_ptr> failed_;
};

// The after-load steps; returns the page the design opens on (0–3).
int RunAfterLoadSteps(Design& d, const TSmooth& smooth, bool evaluate = true);

// The circle drawn for a pin: none for a pin far outside any pattern or of an absurd size.
Polyline PinCircle(float x, float y, float diameter);

// Bounding box of a polyline; false when it is empty.
bool BoundsOf(const Polyline& pl, RectF& r);
// Grows `r` by `o`; the first box grown into (any == false) is taken as it is.
void UniteBounds(RectF& r, bool& any, const RectF& o);

}  // namespace rz
