#include "qtcanvas/sheet_pdf.h"

#include <QFile>
#include <QGuiApplication>
#include <clocale>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>
#include <memory>

namespace rz {

namespace {

constexpr double kMarginMm = 10.0;  // unprintable border left on every page
constexpr int kDpi = 600;

double Px(double mm) { return mm * kDpi / 25.4; }

}  // namespace

TileGrid PlanTiles(double wMm, double hMm, const PdfTiling& t) {
    const QSizeF paper = QPageSize(t.paper == "A3" ? QPageSize::A3 : QPageSize::A4).size(QPageSize::Millimeter);
    TileGrid g;
    g.tileW = paper.width() - 2 * kMarginMm;
    g.tileH = paper.height() - 2 * kMarginMm;
    const double overlap = std::clamp(t.overlapMm, 0.0, std::min(g.tileW, g.tileH) / 2);
    g.stepX = g.tileW - overlap;
    g.stepY = g.tileH - overlap;
    g.cols = std::max(1, int(std::ceil(std::max(0.0, wMm - overlap) / g.stepX)));
    g.rows = std::max(1, int(std::ceil(std::max(0.0, hMm - overlap) / g.stepY)));
    return g;
}

bool WriteSheetPdf(const std::string& path, const std::vector<Polyline>& lines, const std::string& title,
                   const PdfTiling& tiling, std::string& err, int* pages) {
    // Text needs the font database of a GUI application; the command-line tool has none.
    std::unique_ptr<QGuiApplication> app;
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "rozedoz-cli";
        static char* argv[] = {name, nullptr};
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
        std::setlocale(LC_NUMERIC, "C");  // Qt took the user's locale; the job streams need points
    }
    // The drawing's box in millimetres.
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool any = false;
    for (const Polyline& pl : lines)
        for (PointF q : pl) {
            double x = q.x / 100.0, y = q.y / 100.0;
            if (!std::isfinite(x) || !std::isfinite(y)) continue;
            if (!any) x0 = x1 = x, y0 = y1 = y, any = true;
            x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
        }
    const TileGrid g = PlanTiles(x1 - x0, y1 - y0, tiling);
    QPdfWriter pdf(QString::fromStdString(path));
    pdf.setResolution(kDpi);
    pdf.setPageSize(QPageSize(tiling.paper == "A3" ? QPageSize::A3 : QPageSize::A4));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setTitle(QString::fromStdString(title));
    QPainter p;
    if (!p.begin(&pdf)) {
        err = "cannot write";
        return false;
    }
    QFont font = p.font();
    font.setPointSizeF(9);
    p.setFont(font);
    // Page 1: the scale check and how the tiles go together.
    QPen pen(Qt::black);
    pen.setWidthF(Px(0.2));
    p.setPen(pen);
    p.drawRect(QRectF(Px(kMarginMm + 20), Px(kMarginMm + 40), Px(100), Px(100)));
    p.drawText(QPointF(Px(kMarginMm), Px(kMarginMm + 10)), QString::fromStdString(title));
    p.drawText(QPointF(Px(kMarginMm), Px(kMarginMm + 20)),
               QStringLiteral("100 mm × 100 mm — %1 × %2 pages (%3 mm overlap)")
                   .arg(g.cols)
                   .arg(g.rows)
                   .arg(tiling.overlapMm));
    int count = 1;
    for (int r = 0; r < g.rows; ++r)
        for (int c = 0; c < g.cols; ++c) {
            // Tile (c, r): columns from the left, rows from the top of the drawing.
            const double tx = x0 + c * g.stepX, ty = y1 - r * g.stepY;
            pdf.newPage();
            ++count;
            p.save();
            p.setClipRect(QRectF(Px(kMarginMm), Px(kMarginMm), Px(g.tileW), Px(g.tileH)));
            for (const Polyline& pl : lines) {
                QPolygonF poly;
                for (PointF q : pl) poly << QPointF(Px(kMarginMm + q.x / 100.0 - tx), Px(kMarginMm + ty - q.y / 100.0));
                if (poly.size() == 1) p.drawEllipse(poly[0], Px(0.5), Px(0.5));
                else p.drawPolyline(poly);
            }
            p.restore();
            // Crop marks at the tile's corners and the join lines of the overlap.
            const double L = kMarginMm, T = kMarginMm, R = kMarginMm + g.tileW, B = kMarginMm + g.tileH;
            for (auto [cx, cy] : {std::pair{L, T}, {R, T}, {L, B}, {R, B}}) {
                p.drawLine(QPointF(Px(cx - 5), Px(cy)), QPointF(Px(cx + 5), Px(cy)));
                p.drawLine(QPointF(Px(cx), Px(cy - 5)), QPointF(Px(cx), Px(cy + 5)));
            }
            QPen dash = pen;
            dash.setStyle(Qt::DashLine);
            p.setPen(dash);
            if (c + 1 < g.cols) p.drawLine(QPointF(Px(L + g.stepX), Px(T)), QPointF(Px(L + g.stepX), Px(B)));
            if (r + 1 < g.rows) p.drawLine(QPointF(Px(L), Px(T + g.stepY)), QPointF(Px(R), Px(T + g.stepY)));
            p.setPen(pen);
            p.drawText(QPointF(Px(L), Px(B + 6)),
                       QStringLiteral("%1-%2  (%3/%4)").arg(r + 1).arg(c + 1).arg(count - 1).arg(g.cols * g.rows));
        }
    p.end();
    if (!QFile::exists(QString::fromStdString(path))) {
        err = "cannot write";
        return false;
    }
    if (pages) *pages = count;
    return true;
}

}  // namespace rz
