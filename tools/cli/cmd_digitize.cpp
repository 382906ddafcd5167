// rozedoz-cli digitize: a tablet stream traced into a design without a window. The bytes go
// the way the window's do — packet decoder, record queue, digitizer mode, the engine's tracing
// input — from a recorded stream (--replay) or a serial port (--port, until it falls idle);
// then F7 ends the mode and the design is written as 6.5.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <sstream>
#include <string>

#include "commands/draw_common.h"
#include "commands/shapes.h"
#include "commands/trace.h"
#include "devices/digitizer_mode.h"
#include "interact/screens.h"
#include "load.h"
#include "model/xie.h"
#include "verbs.h"

namespace rz::cli {
namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: rozedoz-cli digitize (--replay STREAM | --port DEVICE [--baud N] [--idle S]) OUT.XIE "
                 "[--format 0|1] [--resolution LPI] [--range A3|A1|A0|A00] [--keys P,T,V,E,C] "
                 "[--menu X0,Y0,X1,Y1] [--kind curve|straight|arc|pin] [--chunk BYTES] [--events]\n");
    return 2;
}

bool ParseInt(const std::string& s, long lo, long hi, long& v) {
    char* end = nullptr;
    v = std::strtol(s.c_str(), &end, 10);
    return !s.empty() && end && !*end && v >= lo && v <= hi;
}

template <class T, size_t N>
bool ParseList(const std::string& s, std::array<T, N>& out) {
    std::stringstream in(s);
    std::string item;
    size_t n = 0;
    while (std::getline(in, item, ',')) {
        if (n == N) return false;
        char* end = nullptr;
        double v = std::strtod(item.c_str(), &end);
        if (item.empty() || !end || *end || !std::isfinite(v)) return false;
        out[n++] = T(v);
    }
    return n == N;
}

std::string Num(float v) {
    char b[32];
    auto e = std::to_chars(b, b + sizeof b, v).ptr;
    return std::string(b, e);
}

int DigitizeVerb(const std::vector<std::string>& args) {
    std::string replay, port, out;
    long baud = -1, chunk = 84, format = -1, resolution = -1, range = -1;
    double idle = 2.0;
    std::array<int32_t, 5> keys{};
    std::array<float, 4> menu{};
    bool haveKeys = false, haveMenu = false, events = false;
    int kindCommand = kCurveCommand;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool more = i + 1 < args.size();
        if (a == "--replay" && more) replay = args[++i];
        else if (a == "--port" && more) port = args[++i];
        else if (a == "--baud" && more) {
            if (!ParseInt(args[++i], 1, 4000000, baud)) return Usage();
        } else if (a == "--idle" && more) {
            char* end = nullptr;
            idle = std::strtod(args[++i].c_str(), &end);
            if (!end || *end || !(idle > 0 && idle < 86400)) return Usage();
        } else if (a == "--format" && more) {
            if (!ParseInt(args[++i], 0, 1, format)) return Usage();
        } else if (a == "--resolution" && more) {
            if (!ParseInt(args[++i], 1, 1000000, resolution)) return Usage();
        } else if (a == "--range" && more) {
            const std::string& r = args[++i];
            range = r == "A3" ? 0 : r == "A1" ? 1 : r == "A0" ? 2 : r == "A00" ? 3 : -1;
            if (range < 0) return Usage();
        } else if (a == "--keys" && more) {
            if (!ParseList(args[++i], keys)) return Usage();
            for (int32_t k : keys)
                if (k < 0 || k > 0xFFFF) return Usage();
            haveKeys = true;
        } else if (a == "--menu" && more) {
            if (!ParseList(args[++i], menu)) return Usage();
            haveMenu = true;
        } else if (a == "--kind" && more) {
            const std::string& k = args[++i];
            kindCommand = k == "curve" ? 32864 : k == "straight" ? 32865 : k == "arc" ? 32866 : k == "pin" ? 32867 : 0;
            if (!kindCommand) return Usage();
        } else if (a == "--chunk" && more) {
            if (!ParseInt(args[++i], 1, 1 << 20, chunk)) return Usage();
        } else if (a == "--events") {
            events = true;
        } else if (!a.empty() && a[0] == '-') {
            return Usage();
        } else if (out.empty()) {
            out = a;
        } else {
            return Usage();
        }
    }
    if (out.empty() || replay.empty() == port.empty()) return Usage();

    HeadlessPlatform platform;
    TDoc doc(platform);
    SerialSettings& se = doc.settings.serial;
    if (format >= 0) se.dataFormat = uint8_t(format);
    if (resolution > 0) se.resolution = int32_t(resolution);
    if (range >= 0) se.range = int32_t(range);
    if (baud > 0) {
        int index = -1;
        for (int k = 0; k < 15; ++k)
            if (kBaudRates[k] == baud) index = k;
        if (index < 0) {
            std::fprintf(stderr, "rozedoz-cli digitize: %ld is not a rate of the baud list\n", baud);
            return 2;
        }
        se.baudIndex = uint8_t(index);
    }
    if (haveKeys) doc.settings.cutSetup.keys = keys;
    if (haveMenu) doc.settings.cutSetup.menuRect = menu;

    // The window's default size over the front work range; the tablet's points are taken as
    // they are, so the view only decides pixels.
    ViewState vs;
    MakeSurfaces(vs, 1600, 1000, {45720, 30480}, {92300, 61800}, {92300, 61800});
    Engine engine(doc, vs);
    DrawTools tools;
    InstallDrawTools(engine, tools);
    engine.Command(kindCommand);

    DigitizerMode mode(engine);
    if (events)
        mode.onRecord = [](const TabletRecord& r, PointF p) {
            const char* ev = r.press() ? "press" : r.release() ? "release" : "move";
            std::printf("{\"event\":\"%s\",\"button\":%d,\"x\":%s,\"y\":%s}\n", ev, r.button(), Num(p.x).c_str(),
                        Num(p.y).c_str());
        };

    if (!replay.empty()) {
        std::vector<uint8_t> bytes;
        std::string err;
        if (!ReadFileBytes(replay, bytes, &err)) {
            std::fprintf(stderr, "rozedoz-cli digitize: %s: cannot read\n", replay.c_str());
            return 1;
        }
        mode.StartExternal();
        for (size_t at = 0; at < bytes.size(); at += size_t(chunk)) {
            mode.Feed(bytes.data() + at, std::min(size_t(chunk), bytes.size() - at));
            mode.Drain();
        }
    } else {
        std::mutex m;
        std::condition_variable cv;
        bool woken = false;
        bool ok = mode.StartSerial(port, [&] {
            std::lock_guard<std::mutex> lock(m);
            woken = true;
            cv.notify_one();
        });
        if (!ok) {
            std::fprintf(stderr, "rozedoz-cli digitize: cannot open %s: %s\n", port.c_str(), mode.error().c_str());
            return 1;
        }
        auto quiet = std::chrono::duration<double>(idle);
        while (mode.active()) {
            std::unique_lock<std::mutex> lock(m);
            if (!cv.wait_for(lock, quiet, [&] { return woken; })) break;  // idle: the stream is over
            woken = false;
            lock.unlock();
            mode.Drain();
        }
    }
    // F7 ends the mode: a line still being traced is finished.
    engine.OnKeyDown({key::F7, 0});
    return SavePattern(doc, out, "digitize", "nothing was traced") ? 0 : 1;
}

RegisterVerb reg("digitize",
                 "digitize (--replay STREAM | --port DEV) OUT [--format 0|1] [--resolution LPI] [--keys P,T,V,E,C] "
                 "[--events] ...  trace a tablet stream",
                 DigitizeVerb);

}  // namespace
}  // namespace rz::cli
