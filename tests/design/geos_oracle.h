// GEOS as an independent oracle for outlines: areas, mitre buffers, offset curves and Hausdorff
// distances of our polylines, computed by another library.
#pragma once

#include <geos_c.h>

#include <memory>
#include <stdexcept>

#include "geom/types.h"

namespace rz::test {

class Geos {
public:
    Geos() : h_(GEOS_init_r()) {}
    ~Geos() { GEOS_finish_r(h_); }
    Geos(const Geos&) = delete;
    Geos& operator=(const Geos&) = delete;

    struct Free {
        GEOSContextHandle_t h;
        void operator()(GEOSGeometry* g) const {
            if (g) GEOSGeom_destroy_r(h, g);
        }
    };
    using Geom = std::unique_ptr<GEOSGeometry, Free>;

    Geom line(const Polyline& pl) const { return Geom(GEOSGeom_createLineString_r(h_, seq(pl)), Free{h_}); }
    // A polygon from a closed polyline.
    Geom polygon(const Polyline& pl) const {
        GEOSGeometry* ring = GEOSGeom_createLinearRing_r(h_, seq(pl));
        return Geom(GEOSGeom_createPolygon_r(h_, ring, nullptr, 0), Free{h_});
    }
    double area(const Geom& g) const {
        double a = 0;
        GEOSArea_r(h_, g.get(), &a);
        return a;
    }
    // Buffer with mitred corners (the allowance's corners are the meeting points of the offsets).
    Geom mitreBuffer(const Geom& g, double d) const {
        return Geom(GEOSBufferWithStyle_r(h_, g.get(), d, 8, GEOSBUF_CAP_FLAT, GEOSBUF_JOIN_MITRE, 100.0), Free{h_});
    }
    // GEOS takes positive distances to the left; ours go to the right of travel.
    Geom offsetRight(const Geom& g, double d) const {
        return Geom(GEOSOffsetCurve_r(h_, g.get(), -d, 8, GEOSBUF_JOIN_MITRE, 100.0), Free{h_});
    }
    double hausdorff(const Geom& a, const Geom& b) const {
        double d = 0;
        GEOSHausdorffDistanceDensify_r(h_, a.get(), b.get(), 0.05, &d);
        return d;
    }
    // The exterior ring of a polygon as a line, to compare outlines by their boundaries.
    Geom boundary(const Geom& g) const { return Geom(GEOSBoundary_r(h_, g.get()), Free{h_}); }
    Geom unite(const Geom& a, const Geom& b) const { return Geom(GEOSUnion_r(h_, a.get(), b.get()), Free{h_}); }

private:
    GEOSCoordSequence* seq(const Polyline& pl) const {
        GEOSCoordSequence* s = GEOSCoordSeq_create_r(h_, unsigned(pl.size()), 2);
        for (unsigned i = 0; i < pl.size(); ++i) {
            GEOSCoordSeq_setX_r(h_, s, i, pl[i].x);
            GEOSCoordSeq_setY_r(h_, s, i, pl[i].y);
        }
        return s;
    }
    GEOSContextHandle_t h_;
};

}  // namespace rz::test
