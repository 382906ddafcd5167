// rozedoz-cli render: draws a pattern as the drawing window shows it after loading (the view
// fitted to the work range, base scale, model origin at the bottom-left corner) into a PNG or
// an SVG, so that patterns can be looked at and checked without a display.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "grading/controls.h"
#include "grading/display.h"
#include "interact/scene.h"
#include "interact/screens.h"
#include "interact/text_strokes.h"
#include "font_path.h"
#include "commands/features.h"
#include "load.h"
#include "model/font.h"
#include "verbs.h"

#ifdef ROZEDOZ_HAVE_QTCANVAS
#include "qtcanvas/qt_canvas.h"
#endif

namespace rz::cli {
namespace {

namespace fs = std::filesystem;

std::string Lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool ParseSize(const std::string& s, int& w, int& h) {
    char x = 0;
    int a = 0, b = 0;
    char tail = 0;
    if (std::sscanf(s.c_str(), "%d%c%d%c", &a, &x, &b, &tail) != 3 || (x != 'x' && x != 'X')) return false;
    if (a < 16 || b < 16 || a > 16384 || b > 16384) return false;
    w = a;
    h = b;
    return true;
}

int RenderVerb(const std::vector<std::string>& args) {
    std::string in, out;
    int page = -1, W = 1280, H = 800;
    std::string graded;  // --graded I|all: 全号显示 of size I or of every size
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--page" && i + 1 < args.size()) {
            char* end = nullptr;
            long n = std::strtol(args[++i].c_str(), &end, 10);
            if (!end || *end || n < 0 || n > 3) {
                std::fprintf(stderr, "rozedoz-cli render: --page takes 0 to 3\n");
                return 2;
            }
            page = int(n);
        } else if (a == "--size" && i + 1 < args.size()) {
            if (!ParseSize(args[++i], W, H)) {
                std::fprintf(stderr, "rozedoz-cli render: --size takes WxH, 16 to 16384 pixels\n");
                return 2;
            }
        } else if (a == "--graded" && i + 1 < args.size()) {
            graded = args[++i];
        } else if (in.empty()) {
            in = a;
        } else if (out.empty()) {
            out = a;
        } else {
            in.clear();
            break;
        }
    }
    if (in.empty() || out.empty()) {
        std::fprintf(stderr, "usage: rozedoz-cli render FILE OUT.png|OUT.svg [--page N] [--size WxH] [--graded I|all]\n");
        return 2;
    }
    std::string ext = Lower(fs::path(out).extension().string());
    if (ext != ".svg" && ext != ".png") {
        std::fprintf(stderr, "rozedoz-cli render: %s: the picture must end in .png or .svg\n", out.c_str());
        return 2;
    }
#ifndef ROZEDOZ_HAVE_QTCANVAS
    if (ext == ".png") {
        std::fprintf(stderr, "rozedoz-cli render: built without Qt; write an .svg instead\n");
        return 2;
    }
#endif
    HeadlessPlatform platform;
    TDoc doc(platform);
    FileResult r;
    if (!LoadPattern(doc, in, r)) return 1;
    // As the window: the zones and ties are drawn from shapes a file does not keep.
    for (auto& p : doc.design.parts) BuildControlShapes(*p);
    if (page >= 0) SelectPage(doc, page);
    if (!graded.empty()) {
        Design& d = doc.design;
        if (!(d.flags & kDesignGraded) || d.n <= 0) {
            std::fprintf(stderr, "rozedoz-cli render: %s has no grading results\n", in.c_str());
            return 1;
        }
        char* end = nullptr;
        const long i = graded == "all" ? GradingBaseIndex(d) : std::strtol(graded.c_str(), &end, 10);
        if (graded != "all" && (!end || *end || i < 0 || i >= d.n)) {
            std::fprintf(stderr, "rozedoz-cli render: --graded takes all or a size index 0 to %d\n", d.n - 1);
            return 2;
        }
        d.baseIndex = int(i);
        doc.settings.displayFlags |= kDispAllSizes;
        ApplyDisplayRule(d, doc.settings.displayFlags);
    }
    TFont font;
    if (font.load(FindFontFile())) {
        FillMissingTextStrokes(doc.design, font);
        // Dimension texts are laid out with the font as well.
        featureStyle().font = &font;
        featureStyle().centimetres = doc.settings.centimetreDisplay != 0;
        for (auto& p : doc.design.parts) RebuildPartFeatures(*p);
    }

    // The window's view after loading: the work range at the base scale. A picture needs no
    // margin around the window tile.
    View view;
    const ShortCutSetup& cut = doc.settings.cutSetup;
    view.make(W, H, FrontWorkRange(cut.workRange, cut.customWidth, cut.customHeight), 0);

    if (ext == ".svg") {
        SvgCanvas svg(W, H);
        RedrawFront(doc, view, svg);
        std::ofstream f(out, std::ios::binary);
        f << svg.finish();
        if (!f) {
            std::fprintf(stderr, "rozedoz-cli render: cannot write %s\n", out.c_str());
            return 1;
        }
        return 0;
    }
#ifdef ROZEDOZ_HAVE_QTCANVAS
    QImage img(W, H, QImage::Format_RGB32);
    {
        QtCanvas c(img);
        RedrawFront(doc, view, c);
    }
    if (!img.save(QString::fromStdString(out), "PNG")) {
        std::fprintf(stderr, "rozedoz-cli render: cannot write %s\n", out.c_str());
        return 1;
    }
#endif
    return 0;
}

RegisterVerb reg("render", "render FILE OUT [--page N] [--size WxH] [--graded I|all]   draw a pattern into a PNG or SVG",
                 RenderVerb);

}  // namespace
}  // namespace rz::cli
