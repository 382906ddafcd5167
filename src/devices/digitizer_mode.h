// Digitizer mode (数字化仪 开/关, F7) as a state of the interaction engine rather than a loop of
// its own: while it lasts the view shows the work range one to one with the tablet, the
// tablet cursor follows the puck, only F7, the arrow keys, repaints, tablet data and the stop
// message get through, and every tablet press goes to the engine's digitizer-button input.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "devices/serial_port.h"
#include "devices/tablet.h"
#include "interact/engine.h"

namespace rz {

class DigitizerMode : public InputGrab {
public:
    explicit DigitizerMode(Engine& e);
    ~DigitizerMode() override;

    // The serial tablet: opens the port of the settings (`path` overrides COM1–COM4) and starts
    // its reader. `wake` is called on the reader thread when records wait; the window answers
    // it by calling Drain on its own thread. On failure: the 500 Hz tone, the prompt
    // "不能打开 " with the device, and false.
    bool StartSerial(const std::string& path, std::function<void()> wake);
    // Records come from elsewhere: Feed (bytes of a recorded stream) or Deliver (the window's
    // tablet events).
    bool StartExternal();
    bool active() const { return active_; }

    // Bytes of the serial stream, on the calling thread, as the reader thread would pass them.
    void Feed(const uint8_t* data, size_t n);
    // Takes every waiting record and hands it to the engine; ends the mode (500 Hz) when the
    // port went away.
    void Drain();
    // One record whose position is already in model units.
    void Deliver(const TabletRecord& r, PointF model);
    // F7 again or the stop message: a line being traced is ended as by 结束, the port closed,
    // the view put back.
    void Stop();

    // Every record with its model point, as it is handed on (rozedoz-cli digitize --events).
    std::function<void(const TabletRecord&, PointF)> onRecord;
    // The mode began (true) or ended (false).
    std::function<void(bool on)> onChange;
    const std::string& error() const { return error_; }
    PixelPoint cursor() const { return cursor_; }

    // ---- InputGrab ----
    bool key(Engine& e, const KeyEvent& k) override;
    void stop(Engine&) override { Stop(); }
    bool overlay(Engine& e, Canvas& c) override;

private:
    bool begin();
    void notify();
    PointF toModel(const TabletRecord& r) const;

    Engine& e_;
    CCommSerial port_;
    TabletDecoder decoder_;
    TabletQueue queue_;
    std::function<void()> wake_;
    std::atomic<bool> wakePending_{false};
    std::atomic<bool> lost_{false};
    bool active_ = false;
    bool serial_ = false;
    std::string error_;
    PixelPoint cursor_{-100, -100};
};

}  // namespace rz
