// Designs for the drawing benchmarks: many evaluated lines spread over the A0 work range.
#pragma once

#include <cmath>
#include <memory>

#include "model/design.h"

namespace rz::bench {

// A wavy open polyline of n points across a strip of the range.
inline Polyline Wave(float x0, float y0, float len, float amp, int n, float phase) {
    Polyline p(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        float t = float(i) / float(n - 1);
        p[size_t(i)] = {x0 + len * t, y0 + amp * std::sin(6.2831853f * (3.0f * t + phase))};
    }
    return p;
}

// `parts` parts on page 0 with `lines` lines of `points` points each.
inline void BuildDrawingDesign(Design& d, int parts, int lines, int points) {
    d.clear();
    d.flags = 0x30000;
    for (int k = 0; k < parts; ++k) {
        if (k > 0) d.parts.push_back(std::make_unique<Part>());
        Part& p = *d.parts.back();
        float px = float(k % 5) * 24000.0f, py = float(k / 5) * 22000.0f;
        for (int i = 0; i < lines; ++i) {
            auto l = std::make_unique<Line>();
            l->eval = Wave(px + 500.0f, py + 1000.0f + 200.0f * float(i), 22000.0f, 600.0f, points, 0.01f * float(i));
            l->colour = 0x00C0C0 + uint32_t(i % 7) * 0x100000;
            if (i == 0) l->flags |= 2u << kLineWidthShift;
            (i == 0 ? p.linesA : p.linesB).push_back(std::move(l));
        }
        for (int i = 0; i < 10; ++i) {
            auto pin = std::make_unique<Pin>();
            pin->x = px + 1000.0f * float(i);
            pin->y = py + 500.0f;
            for (int a = 0; a <= 12; ++a)
                pin->outline.push_back({pin->x + 50.0f * std::cos(0.5236f * float(a)), pin->y + 50.0f * std::sin(0.5236f * float(a))});
            p.pins.push_back(std::move(pin));
        }
    }
}

// Adds `sizes` graded copies (slightly scaled) of every line and pin of every part.
inline void AddGradedSizes(Design& d, int sizes) {
    for (auto& p : d.parts) {
        for (int s = 0; s < sizes; ++s) {
            float f = 0.9f + 0.01f * float(s);
            for (const List<Line>* l : {&p->linesA, &p->linesB})
                for (auto& ln : *l) {
                    auto g = std::make_unique<Line>();
                    g->eval = ln->eval;
                    for (auto& q : g->eval) q = {q.x * f, q.y * f};
                    g->colour = ln->colour;
                    p->gradedLines.push_back(std::move(g));
                }
            for (auto& pin : p->pins) {
                auto g = std::make_unique<Pin>();
                g->x = pin->x * f;
                g->y = pin->y * f;
                g->outline = pin->outline;
                for (auto& q : g->outline) q = {q.x * f, q.y * f};
                p->gradedPins.push_back(std::move(g));
            }
        }
    }
}

}  // namespace rz::bench
