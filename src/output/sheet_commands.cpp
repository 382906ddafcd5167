#include "output/sheet_commands.h"

#include <map>
#include <set>

#include "output/job.h"
#include "output/job_stream.h"
#include "output/sheet_rules.h"

namespace rz {

namespace {
constexpr const char* kBusyText = "正在直接输出样板！";
constexpr const char* kNoDirectText = "请在[设备]栏选择直接输出!";
constexpr const char* kStopText = "正在绘出样片，是否终止该线程？";
}  // namespace

OrderView MakeOrderView(const PLTC& sheet) {
    OrderView o;
    std::map<int32_t, int> number;
    std::set<int32_t> labelled;
    for (const PlotItem& it : sheet.items) {
        if (!(it.flags & (kItemChosen | kItemExcluded))) continue;
        auto [at, fresh] = number.try_emplace(it.pieceId, int(number.size()) + 1);
        if (it.kind() == kItemLabel && !it.points.empty() && labelled.insert(it.pieceId).second)
            o.numbers.push_back({it.points.front(), std::to_string(at->second)});
    }
    static const char* names[] = {"笔画", "半刀", "全刀", "转角提刀"};
    bool present[5] = {};
    for (const PlotItem& it : sheet.items)
        if ((it.flags & kItemChosen) && it.tool() >= 1 && it.tool() <= 4) present[it.tool()] = true;
    for (int t = 1; t <= 4; ++t)
        if (present[t]) o.corner.push_back(std::string(names[t - 1]) + ": " + std::to_string(PenSlot(sheet.settings(), t)));
    return o;
}

void DrawOrderView(const OrderView& o, const View& v, Canvas& c) {
    c.setColour(0x0000FF);
    for (auto& n : o.numbers) c.text(v.toPixel(n.at), n.text, std::nullopt);
    for (size_t i = 0; i < o.corner.size(); ++i)
        c.text({v.mx + 10 + 60 * int(i), v.my + 10}, o.corner[i], std::nullopt);
}

OutputCommands::OutputCommands(Engine& e) : engine(e) {
    e.hooks.layOntoSheet = [this] { layOntoSheet(); };
    e.hooks.stepSize = [this](int d) { return stepSize(d); };
    e.hooks.directOutputRunning = [this] { return jobRunning(currentIndex()); };
    e.hooks.backUndo = [this] { return undoLayout(); };
    e.hooks.backRedo = [this] { return redoLayout(); };
    auto previous = e.hooks.backKey;
    e.hooks.backKey = [this, previous](const KeyEvent& k) {
        // ESC stops the job of the sheet shown before it does anything else.
        if (k.key == key::Escape && jobRunning(currentIndex())) {
            stopJob(currentIndex());
            return true;
        }
        return previous && previous(k);
    };
}

// Jobs end with their sheets, which go with the document; the document may already be gone
// when the commands are.
OutputCommands::~OutputCommands() = default;

View OutputCommands::orderingView(const PLTC& s) const {
    if (engine.vs.backShown && &s == engine.doc.sheets[size_t(currentIndex())].get() && engine.vs.view.hasArea())
        return engine.vs.view;
    return OrderingView(s.area());
}

void OutputCommands::prepareJob(PLTC& s) {
    const WorkRange a = s.area();
    SelectForJob(s.items, a.w, a.h, s.skipPens != 0, s.skipCuts != 0);
    OrderForJob(s, orderingView(s));
}

void OutputCommands::startJob(PLTC& s, int index, std::vector<uint8_t> bytes, int mode) {
    s.jobMode = mode;
    s.busy.store(1);
    const int port = SheetInt(s.settings(), sheetword::Port);
    s.job = std::make_unique<Job>(ports.targetFor(port), std::move(bytes));
    if (shown(index)) engine.redraw();
    if (!s.job->start()) finishJob(index);  // busy is cleared on this path too
}

void OutputCommands::cut(bool shift, bool alt) {
    if (!engine.backShown()) {
        engine.tone(kToneBack);
        return;
    }
    PLTC& s = current();
    if (s.items.empty()) return;
    if (s.busy.load()) {
        engine.doc.platform.warn(kBusyText);
        return;
    }
    if (!(s.settings().words[0] & kSheetDirect)) {
        engine.doc.platform.warn(kNoDirectText);
        return;
    }
    s.skipCuts = shift ? 1 : 0;
    s.skipPens = shift ? 0 : alt ? 0 : 1;
    prepareJob(s);
    const WorkRange a = s.area();
    startJob(s, currentIndex(), BuildJobStream(s.items, SheetInt(s.settings(), sheetword::FinalPos), a.w, a.h), 1);
}

bool OutputCommands::preparePrint() {
    if (engine.doc.platform.printers().empty()) {
        engine.doc.platform.warn("目前尚无安装任何打印设备!");
        return false;
    }
    return preparePaper(true);
}

bool OutputCommands::preparePdf() { return preparePaper(false); }

bool OutputCommands::preparePaper(bool printer) {
    if (!engine.backShown()) {
        engine.tone(kToneBack);
        return false;
    }
    PLTC& s = current();
    if (s.items.empty()) return false;
    if (s.busy.load()) {
        engine.doc.platform.warn(kBusyText);
        return false;
    }
    // With direct output the sheet goes to the cutter, not to the printer.
    if (printer && (s.settings().words[0] & kSheetDirect)) return false;
    s.skipCuts = s.skipPens = 0;
    prepareJob(s);
    return true;
}

std::optional<OrderView> OutputCommands::orderView() {
    if (!engine.backShown()) return std::nullopt;
    PLTC& s = current();
    if (s.items.empty()) return std::nullopt;
    prepareJob(s);
    OrderView o = MakeOrderView(s);
    ClearJobBits(s.items);
    return o;
}

void OutputCommands::layoutChanged(PLTC& s) {
    s.dirty = 1;
    s.pushLayout();
    if (shown(currentIndex()) && &s == &current()) engine.redraw();
}

void OutputCommands::arrange() {
    if (!engine.backShown()) return;
    PLTC& s = current();
    if (s.items.empty()) return;
    const WorkRange a = s.area();
    ArrangeSheet(s.items, a.w, a.h);
    s.sorted = 0;
    layoutChanged(s);
}

void OutputCommands::layOntoSheet() {
    PLTC& s = current();
    if (s.busy.load()) return;
    LaySheetFromPage(s, engine.doc.design, engine.doc.currentPage(), font);
    s.pushLayout();
}

void OutputCommands::regenerate(PLTC& s, int index, int size) {
    const int last = sizes.sizeCount(engine.doc) - 1;
    std::vector<int> list{size};
    // Four sizes a sheet, but never past the end of the list.
    if (SheetInt(s.settings(), sheetword::OutputMethod) == 2)
        for (int k = 1; k <= 3 && size + k <= last; ++k) list.push_back(size + k);
    Settings& st = engine.doc.settings;
    st.cornerFlag() = 0;
    s.clearItems();
    sizes.generate(engine.doc, s, list);
    st.cornerFlag() = 1;
    if (list.back() != sizes.currentSize(engine.doc)) sizes.setCurrentSize(engine.doc, list.back());
    s.pushLayout();
    if (shown(index)) engine.redraw();
}

bool OutputCommands::stepSize(int delta) {
    TDoc& doc = engine.doc;
    PLTC& s = current();
    if (s.busy.load()) {
        doc.platform.warn(kBusyText);
        return false;
    }
    if (doc.design.isBlank() || !(doc.design.flags & kDesignGraded)) return false;
    if (!sizes.sizeCount || !sizes.currentSize || !sizes.setCurrentSize || !sizes.generate) return false;
    const int n = sizes.sizeCount(doc), cur = sizes.currentSize(doc);
    if (n <= 0 || (delta < 0 && cur <= 0) || (delta > 0 && cur >= n - 1)) return false;
    const int next = std::clamp(cur + delta, 0, n - 1);
    sizes.setCurrentSize(doc, next);
    regenerate(s, currentIndex(), next);
    if (s.items.empty()) return true;
    s.skipCuts = s.skipPens = 0;
    prepareJob(s);
    if (s.settings().words[0] & kSheetDirect) {
        const WorkRange a = s.area();
        startJob(s, currentIndex(), BuildJobStream(s.items, SheetInt(s.settings(), sheetword::FinalPos), a.w, a.h), 1);
    }
    return true;
}

void OutputCommands::paneStep(int delta) {
    TDoc& doc = engine.doc;
    PLTC& s = current();
    if (s.busy.load() || !sizes.sizeCount || !sizes.currentSize || !sizes.setCurrentSize || !sizes.generate) return;
    const int n = sizes.sizeCount(doc);
    if (n <= 0) return;
    int next = sizes.currentSize(doc) + (delta < 0 ? -1 : 1);
    if (next < 0) next = n - 1;
    if (next >= n) next = 0;
    sizes.setCurrentSize(doc, next);
    regenerate(s, currentIndex(), next);
    SheetSettings& b = s.settings();
    const int q = SheetInt(b, sheetword::Quarter);
    if (q >= 1 && q <= 4) {
        const WorkRange a = s.area();
        const float dx = (q == 2 || q == 4) ? a.w / 2 : 0.0f, dy = (q == 2 || q == 3) ? a.h / 2 : 0.0f;
        if (dx != 0.0f || dy != 0.0f) ShiftItems(s.items, dx, dy);
        if (SheetInt(b, sheetword::OutputMethod) != 3) SetSheetInt(b, sheetword::Quarter, q % 4 + 1);
        s.pushLayout();
        if (shown(currentIndex())) engine.redraw();
    }
    if (sizes.refreshQuarterPane) sizes.refreshQuarterPane();
}

bool OutputCommands::moveHead(PointF at) {
    PLTC& s = current();
    if (s.busy.load()) {
        engine.doc.platform.warn(kBusyText);
        return false;
    }
    if (!(s.settings().words[0] & kSheetDirect)) {
        engine.doc.platform.warn(kNoDirectText);
        return false;
    }
    startJob(s, currentIndex(), BuildMoveStream(at), 0);
    return true;
}

int OutputCommands::stopJob(int index, bool ask) {
    PLTC& s = sheet(index);
    if (!s.job || s.job->finished()) {
        poll();
        return 1;
    }
    // The worker holds back its next piece while the question is open.
    s.job->pause(true);
    const bool yes = !ask || engine.doc.platform.ask(kStopText);
    if (yes) {
        s.job->stop();
        s.job->wait(1500);
    }
    if (s.job) s.job->pause(false);
    poll();
    return 0;
}

bool OutputCommands::setToolOnPicked(int tool) {
    PLTC& s = current();
    if (!SetToolOnPicked(s.items, s.settings(), tool)) return false;
    s.sorted = 0;
    layoutChanged(s);
    return true;
}

void OutputCommands::applyCutSettings(const SheetSettings& edited) {
    PLTC& s = current();
    AssignTools(s.items, edited);
    s.sorted = 0;
    layoutChanged(s);
}

bool OutputCommands::undoLayout() { return stepLayout(true); }
bool OutputCommands::redoLayout() { return stepLayout(false); }

bool OutputCommands::stepLayout(bool back) {
    PLTC& s = current();
    SheetState st;
    if (!(back ? s.ring.undo(st) : s.ring.redo(st))) {
        engine.tone(kToneRefused);
        return false;
    }
    s.restore(st);
    engine.redraw();
    engine.tone(back ? kToneBack : kToneAccepted);
    return true;
}

void OutputCommands::finishJob(int index) {
    PLTC& s = sheet(index);
    if (!s.job) return;
    s.job->wait(1500);
    const JobOutcome o = s.job->outcome();
    const std::string target = s.job->target(), why = s.job->reason();
    s.job.reset();
    if (s.jobMode == 1) ClearJobBits(s.items);
    s.busy.store(0);
    if (o == JobOutcome::OpenFailed || o == JobOutcome::WriteFailed)
        engine.doc.platform.warn("不能打开 " + PortFailureText(SheetInt(s.settings(), sheetword::Port), target, why));
    if (shown(index)) engine.redraw();
    if (jobEnded) jobEnded(index);
}

bool OutputCommands::poll() {
    bool running = false;
    std::string status;
    for (int i = 0; i < 2; ++i) {
        auto* s = static_cast<PLTC*>(engine.doc.sheets[size_t(i)].get());
        if (!s || !s->job) continue;
        if (s->job->finished()) {
            finishJob(i);
            continue;
        }
        running = true;
        status = s->job->stalled() ? "等待设备…" : "正在输出 " + std::to_string(s->job->percent()) + "%";
    }
    if (status != lastStatus_) {
        // The prompt of the mode comes back once no job runs.
        if (status.empty()) engine.ShowPrompt(engine.shownPrompt());
        else engine.doc.platform.setPrompt(status);
        lastStatus_ = status;
    }
    return running;
}

}  // namespace rz
