// rozedoz-cli strip: the motif/piece strip without a window — a picture of it, what a pixel
// hits, the wheel, the arrow keys and a piece dragged to another slot.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "interact/events.h"
#include "interact/strip.h"
#include "library_args.h"
#include "load.h"
#include "verbs.h"

#ifdef ROZEDOZ_HAVE_QTCANVAS
#include <QGuiApplication>
#include <clocale>

#include "qtcanvas/strip_image.h"
#endif

namespace rz::cli {
namespace {

const char* const kUsage =
    "usage: rozedoz-cli strip [IN.XIE] [--library F] --size WxH [--view motif|piece] [--cell N|--slot N]\n"
    "       (--render OUT.png | --hit X Y | --wheel ±N | --key left|right|up|down | --drag X,Y X,Y OUT.XIE)\n";

const char* RegionName(StripRegion r) {
    switch (r) {
    case StripRegion::None: return "none";
    case StripRegion::Cell: return "cell";
    case StripRegion::UseWidth: return "use_width";
    case StripRegion::UseHeight: return "use_height";
    case StripRegion::Quarter: return "quarter";
    case StripRegion::ViewToggle: return "view_toggle";
    case StripRegion::Slot: return "slot";
    case StripRegion::PieceCorner: return "piece_corner";
    }
    return "none";
}

bool ParsePoint(const std::string& s, int& x, int& y) {
    const size_t c = s.find(',');
    return c != std::string::npos && ParseInt(s.substr(0, c), -100000, 100000, x) &&
           ParseInt(s.substr(c + 1), -100000, 100000, y);
}

std::string State(const Strip& s) {
    return std::string("\"view\":\"") + (s.view == StripView::Motif ? "motif" : "piece") +
           "\",\"cell\":" + std::to_string(s.cell()) + ",\"slot\":" + std::to_string(s.slot());
}

int StripVerb(const std::vector<std::string>& args) {
    std::string in, library, render, key, dragOut;
    int w = 0, h = 0, cell = -1, slot = -1, wheel = 0, hx = 0, hy = 0, fx = 0, fy = 0, tx = 0, ty = 0;
    bool hit = false, drag = false, haveWheel = false, bad = false;
    std::string view;
    for (size_t i = 0; i < args.size() && !bad; ++i) {
        const std::string& a = args[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= args.size()) {
                bad = true;
                return {};
            }
            return args[++i];
        };
        if (a == "--library") library = next();
        else if (a == "--size") {
            const std::string v = next();
            const size_t x = v.find('x');
            bad = x == std::string::npos || !ParseInt(v.substr(0, x), 1, 20000, w) ||
                  !ParseInt(v.substr(x + 1), 1, 20000, h);
        } else if (a == "--view") {
            view = next();
            bad = view != "motif" && view != "piece";
        } else if (a == "--cell") bad = !ParseInt(next(), 0, kCellCount - 1, cell);
        else if (a == "--slot") bad = !ParseInt(next(), 0, kSlotCount - 1, slot);
        else if (a == "--render") render = next();
        else if (a == "--hit") {
            hit = true;
            bad = !ParseInt(next(), -100000, 100000, hx) || !ParseInt(next(), -100000, 100000, hy);
        } else if (a == "--wheel") {
            haveWheel = true;
            bad = !ParseInt(next(), -1000, 1000, wheel);
        } else if (a == "--key") {
            key = next();
            bad = key != "left" && key != "right" && key != "up" && key != "down";
        } else if (a == "--drag") {
            drag = true;
            bad = !ParsePoint(next(), fx, fy) || !ParsePoint(next(), tx, ty);
            dragOut = next();
        } else if (in.empty() && a.rfind("--", 0) != 0) in = a;
        else bad = true;
    }
    const int actions = !render.empty() + hit + haveWheel + !key.empty() + drag;
    if (bad || w == 0 || actions != 1) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    HeadlessPlatform platform;
    TDoc doc(platform);
    FileResult r;
    if (!in.empty() && !LoadPattern(doc, in, r)) return 1;
    TFont font;
    font.load(FindFontFile());
    ReadLibraryArg("strip", library, doc.library, doc.smooth, font);
    Strip s(doc);
    s.width = w;
    s.height = h;
    s.followPage(doc.currentPage());
    if (view == "motif") s.view = StripView::Motif;
    if (view == "piece") s.view = StripView::Piece;
    if (cell >= 0) s.selectCell(cell);
    if (slot >= 0) s.selectSlot(slot);

    if (hit) {
        const StripHit t = s.hit(hx, hy);
        std::printf("{\"region\":\"%s\",\"cell\":%d,\"slot\":%d,\"step\":%s,\"view\":\"%s\"}\n",
                    RegionName(t.region), t.cell, t.slot, JsonNumber(t.step).c_str(),
                    s.view == StripView::Motif ? "motif" : "piece");
        return 0;
    }
    if (haveWheel) {
        s.wheel(wheel);
        std::printf("{%s}\n", State(s).c_str());
        return 0;
    }
    if (!key.empty()) {
        s.arrow(key == "left" ? -1 : key == "right" ? 1 : 0, key == "up" ? -1 : key == "down" ? 1 : 0);
        std::printf("{%s}\n", State(s).c_str());
        return 0;
    }
    if (drag) {
        const StripPress p = s.press(fx, fy, false, 0);
        const bool moved = p.action == StripAction::BeginDrag && s.drop(p.slot, tx, ty);
        if (moved) {
            FileResult wr = doc.SaveAs(dragOut);
            if (!wr.ok()) {
                std::fprintf(stderr, "rozedoz-cli strip: %s\n", wr.message.c_str());
                return 1;
            }
        }
        std::printf("{\"moved\":%s,%s}\n", moved ? "true" : "false", State(s).c_str());
        return moved ? 0 : 1;
    }
#ifdef ROZEDOZ_HAVE_QTCANVAS
    // The panel's texts need the fonts of a GUI application; none needs a display.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char name[] = "rozedoz-cli";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");  // Qt took the user's locale; the panel writes decimal points
    if (!StripImage(s).save(QString::fromStdString(render), "PNG")) {
        std::fprintf(stderr, "rozedoz-cli strip: cannot write %s\n", render.c_str());
        return 1;
    }
    std::printf("{%s}\n", State(s).c_str());
    return 0;
#else
    std::fprintf(stderr, "rozedoz-cli strip: built without Qt; no picture\n");
    return 2;
#endif
}

RegisterVerb reg("strip",
                 "strip [IN.XIE] [--library F] --size WxH [--view motif|piece] [--cell N|--slot N] "
                 "(--render OUT.png | --hit X Y | --wheel ±N | --key K | --drag X,Y X,Y OUT.XIE)",
                 StripVerb);

}  // namespace
}  // namespace rz::cli
