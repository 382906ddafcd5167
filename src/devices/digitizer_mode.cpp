#include "devices/digitizer_mode.h"

namespace rz {

DigitizerMode::DigitizerMode(Engine& e) : e_(e) {}

DigitizerMode::~DigitizerMode() {
    if (active_) Stop();
    port_.Close();
}

void DigitizerMode::notify() {
    // One wake-up at a time: the window drains everything that waits in one go. The fence pairs
    // with the one in Drain: either the drain sees this record or this call sees the flag clear.
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (wake_ && !wakePending_.exchange(true, std::memory_order_acq_rel)) wake_();
}

bool DigitizerMode::begin() {
    active_ = true;
    lost_ = false;
    wakePending_ = false;
    e_.setGrab(this);
    // The view matches the tablet one to one: the base scale with the origin at the lower
    // left; the old view comes back when the mode ends.
    if (e_.vs.view.holdView()) e_.redraw();
    cursor_ = e_.pixel;
    e_.doc.platform.setCursor(CursorKind::Digitize);
    e_.present();
    if (onChange) onChange(true);
    return true;
}

bool DigitizerMode::StartSerial(const std::string& path, std::function<void()> wake) {
    if (active_) return true;
    const SerialSettings& se = e_.doc.settings.serial;
    decoder_.reset(se.dataFormat == 0 ? TabletFormat::SixByte : TabletFormat::SevenByte);
    queue_.reset();
    wake_ = std::move(wake);
    SerialRequest req = SerialRequestFrom(se, path);
    if (!port_.Open(req)) {
        error_ = port_.error();
        e_.tone(kToneRefused);
        e_.ShowPromptText("不能打开 " + req.path);
        return false;
    }
    serial_ = true;
    begin();
    port_.idleTick = [this] { return queue_.waiting(); };
    bool ok = port_.StartReader(
        [this](const uint8_t* p, size_t n) {
            decoder_.feed(p, n, [this](const TabletRecord& r) { queue_.push(r); });
        },
        [this](int) {
            lost_.store(true, std::memory_order_release);
            notify();
        },
        [this] {
            queue_.flush();
            if (!queue_.empty()) notify();
        });
    if (!ok) {
        error_ = port_.error();
        Stop();
        e_.tone(kToneRefused);
        e_.ShowPromptText("不能打开 " + req.path);
        return false;
    }
    return true;
}

bool DigitizerMode::StartExternal() {
    if (active_) return true;
    const SerialSettings& se = e_.doc.settings.serial;
    decoder_.reset(se.dataFormat == 0 ? TabletFormat::SixByte : TabletFormat::SevenByte);
    queue_.reset();
    serial_ = false;
    return begin();
}

void DigitizerMode::Feed(const uint8_t* data, size_t n) {
    if (!active_) return;
    decoder_.feed(data, n, [this](const TabletRecord& r) { queue_.push(r); });
    queue_.flush();
}

PointF DigitizerMode::toModel(const TabletRecord& r) const {
    const SerialSettings& se = e_.doc.settings.serial;
    return TabletToModel(r.x, r.y, decoder_.format(), se.resolution, se.range);
}

void DigitizerMode::Drain() {
    if (!active_) return;
    wakePending_.store(false, std::memory_order_release);
    std::atomic_thread_fence(std::memory_order_seq_cst);
    TabletRecord r;
    for (;;) {
        while (active_ && queue_.pop(r)) Deliver(r, toModel(r));
        // Without a reader thread (a replay) what waits for room is put in here.
        if (!active_ || serial_ || queue_.flush()) break;
    }
    if (active_ && lost_.load(std::memory_order_acquire)) {
        // The adapter went away: the mode ends as if F7 had been pressed, with the refusal tone.
        e_.tone(kToneRefused);
        Stop();
    }
}

void DigitizerMode::Deliver(const TabletRecord& r, PointF model) {
    if (!active_) return;
    if (onRecord) onRecord(r, model);
    if (r.press()) e_.DigitizerInput(model, r.button());
    else if (r.release()) e_.DigitizerRelease(model, r.button());
    else e_.DigitizerMove(model);
    PixelPoint px = e_.vs.view.toWindow(model);
    if (px != cursor_) {
        cursor_ = px;
        e_.present();
    }
}

void DigitizerMode::Stop() {
    // The reader is joined first: nothing arrives once the mode is left, and what is still
    // queued is dropped.
    port_.Close();
    if (!active_) return;
    active_ = false;
    queue_.reset();
    e_.setGrab(nullptr);
    if (!e_.traced.empty() && e_.mode() == mode::Trace) {
        e_.model = e_.traced.back().pt();
        e_.InputButton(TraceButton::Finish);
    }
    e_.vs.view.releaseView();
    e_.redraw();
    e_.doc.platform.setCursor(e_.cursor);
    if (onChange) onChange(false);
}

bool DigitizerMode::key(Engine&, const KeyEvent& k) {
    switch (k.key) {
    case key::F7: Stop(); return true;
    case key::Left:
    case key::Right:
    case key::Up:
    case key::Down: return false;  // the motif/piece area's cell moves as usual
    default: return true;          // every other key waits until the tablet is off
    }
}

bool DigitizerMode::overlay(Engine&, Canvas& c) {
    if (!active_) return false;
    c.setColour(0xFFFFFF);
    c.setWidth(1);
    c.setDash(0, 0);
    c.line({cursor_.x - 12, cursor_.y}, {cursor_.x + 13, cursor_.y});
    c.line({cursor_.x, cursor_.y - 12}, {cursor_.x, cursor_.y + 13});
    return true;
}

}  // namespace rz
