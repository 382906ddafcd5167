#include "devices/pictures.h"

#include <algorithm>
#include <cmath>

#include "geom/polyline.h"
#include "geom/primitives.h"
#include "geom/transform.h"
#include "interact/colours.h"

namespace rz {

std::array<PointF, 4> FitPictureToView(const View& v, int w, int h) {
    PointF lo = v.toModel(0, v.H), hi = v.toModel(v.W, 0);
    double vw = double(hi.x) - lo.x, vh = double(hi.y) - lo.y;
    if (w <= 0 || h <= 0 || vw <= 0 || vh <= 0) return {};
    // A little room is left round the picture so that its corners can be taken.
    double k = 0.95 * std::min(vw / w, vh / h);
    double pw = w * k, ph = h * k;
    double x0 = lo.x + (vw - pw) / 2, y0 = lo.y + (vh - ph) / 2;
    return {PointF{float(x0), float(y0)}, PointF{float(x0 + pw), float(y0)}, PointF{float(x0 + pw), float(y0 + ph)},
            PointF{float(x0), float(y0 + ph)}};
}

bool InsertPicture(TDoc& doc, const View& v, std::shared_ptr<const Picture> pixels) {
    if (!pixels || !pixels->valid()) return false;
    auto pic = std::make_unique<TPIC>();
    pic->corners = FitPictureToView(v, pixels->width, pixels->height);
    pic->pixels = std::move(pixels);
    // Shown or hidden like the others under 隐藏显示.
    if (doc.settings.displayFlags & kDispHidden) pic->word |= kFlagHidden;
    doc.pictures.push_back(std::move(pic));
    return true;
}

bool ClearPictures(TDoc& doc) {
    if (doc.pictures.empty()) return false;
    doc.pictures.clear();
    return true;
}

namespace {

PointF Centre(const std::array<PointF, 4>& q) {
    return {(q[0].x + q[1].x + q[2].x + q[3].x) / 4, (q[0].y + q[1].y + q[2].y + q[3].y) / 4};
}

class PictureTool : public Tool {
public:
    void enter(Engine& e) override {
        picked_ = nullptr;
        e.ShowPrompt(kPromptAdjustPicture);
    }

    bool leftPress(Engine& e, const Pointer& p) override {
        if (TPIC* pic = picked(e)) {
            float tol = e.vs.view.s > 0 ? float(e.doc.settings.snapRange) / e.vs.view.s : 0.0f;
            int corner = -1;
            float best = tol;
            for (int i = 0; i < 4; ++i) {
                float d = PtDist(pic->corners[size_t(i)], p.model);
                if (d <= best) best = d, corner = i;
            }
            if (corner >= 0 || PointInPolygon(pic->corners, p.model) != 0) {
                drag(e, p, *pic, corner, corner < 0 && p.shift());
                return true;
            }
        }
        PickResult r = e.PickAt(p.model, kPickPictures);
        if (r.kind != kKindPicture) {
            picked_ = nullptr;
            e.setStep(0);
            e.tone(kToneRefused);
            e.present();
            return true;
        }
        picked_ = r.as<TPIC>();
        e.setStep(1);
        e.tone(kToneAccepted);
        e.present();
        return true;
    }

    bool rightPress(Engine& e, const Pointer&) override {
        e.SetMode(mode::Select);
        return true;
    }

    bool key(Engine& e, const KeyEvent& k) override {
        if (k.key != key::Delete) return false;
        if (TPIC* pic = picked(e)) {
            std::erase_if(e.doc.pictures, [pic](const std::unique_ptr<TPIC>& q) { return q.get() == pic; });
            picked_ = nullptr;
            e.setStep(0);
            e.redraw();
        } else {
            e.tone(kToneRefused);
        }
        return true;  // the design's own selection is not deleted from this mode
    }

    bool cancelStep(Engine& e) override {
        picked_ = nullptr;
        e.present();
        e.ShowPrompt(kPromptAdjustPicture);
        return true;
    }
    void releaseData() override { picked_ = nullptr; }

    bool overlay(Engine& e, Canvas& c) override {
        TPIC* pic = picked(e);
        if (!pic) return false;
        const auto& q = dragging_ ? live_ : pic->corners;
        PixelPoint px[5];
        for (int i = 0; i < 4; ++i) px[i] = e.vs.view.toWindow(q[size_t(i)]);
        px[4] = px[0];
        c.setColour(e.doc.settings.colours[kColHighlight]);
        c.setWidth(1);
        c.setDash(0, 0);
        c.polyline(px, 5);
        for (int i = 0; i < 4; ++i) c.fillRect({px[i].x - 3, px[i].y - 3, px[i].x + 4, px[i].y + 4});
        return true;
    }

private:
    // The picked picture while it is still there (a load or 清除背景 may have removed it).
    TPIC* picked(Engine& e) const {
        if (!picked_) return nullptr;
        for (auto& p : e.doc.pictures)
            if (p.get() == picked_) return picked_;
        return nullptr;
    }

    // Drags a corner (0–3), the whole picture, or turns it about the centre of its corners.
    void drag(Engine& e, const Pointer& at, TPIC& pic, int corner, bool turn) {
        std::array<PointF, 4> from = pic.corners;
        live_ = from;
        dragging_ = true;
        PointF press = at.model, centre = Centre(from);
        auto place = [this, from, press, centre, corner, turn](const Pointer& p) {
            double dx = double(p.model.x) - press.x, dy = double(p.model.y) - press.y;
            if (corner >= 0) {
                live_ = from;
                live_[size_t(corner)] = {float(from[size_t(corner)].x + dx), float(from[size_t(corner)].y + dy)};
            } else if (turn) {
                float a = PtAngle(centre, p.model) - PtAngle(centre, press);
                Rotation rot = SetRotation(a);
                for (size_t i = 0; i < 4; ++i) live_[i] = RotatePoint(rot, centre, from[i]);
            } else {
                for (size_t i = 0; i < 4; ++i) live_[i] = {float(from[i].x + dx), float(from[i].y + dy)};
            }
        };
        DragCapture d;
        d.move = [place](Engine& en, const Pointer& p) {
            place(p);
            en.present();
        };
        d.end = [this, place, &pic](Engine& en, const Pointer& p, bool accepted) {
            dragging_ = false;
            if (accepted && picked(en) == &pic) {
                place(p);
                pic.corners = live_;
                en.redraw();
            } else {
                en.present();
            }
        };
        e.beginDrag(at, std::move(d));
    }

    TPIC* picked_ = nullptr;
    bool dragging_ = false;
    std::array<PointF, 4> live_{};
};

}  // namespace

void InstallPictureTool(Engine& e) { e.setTool(kAdjustPictureMode, std::make_unique<PictureTool>()); }

}  // namespace rz
