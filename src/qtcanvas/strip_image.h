// The motif/piece strip painted into an image: the drawing calls of the strip through the Qt
// canvas, then the exclusive-or marks (current cell, current slot, piece marks). The window and
// rozedoz-cli strip --render share it.
#pragma once

#include <QImage>

#include "interact/strip.h"

namespace rz {

// Paints the whole strip into `image` (the strip's client size, Format_RGB32).
void PaintStrip(QImage& image, const Strip& s);
QImage StripImage(const Strip& s);
// A piece's slot of the image shrunk to the drag image's side.
QImage DragImage(const QImage& strip, const Strip& s, int slot);

}  // namespace rz
