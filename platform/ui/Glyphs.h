// The small pictures and cursors the platform's controls draw, made by the program itself (no
// image files):
// - "VzgSpinUp", "VzgSpinDown": 7 x 4 spin arrows, on the transparent colour (fuchsia) in the
//   top-left pixel, so they can be drawn transparently as the class library draws its resource
//   bitmaps.
// - "INTLI1" (both directions), "INTLI2" (horizontal), "INTLI3" (vertical): 32 x 32 marks of the
//   panning origin, on white.
// The grid's own bitmap resources (check boxes, radio items, node glyphs) are PNG files it carries
// (grid/DrawUtils.h).
// Cursors: 8000 panning, 8010 row selection, 8011 column selection, 8012 select all.
#pragma once

#include "platform/ui/Bitmap.h"

#include <QCursor>
#include <QStringList>

// The picture of the name; an empty bitmap for a name that is not known.
const TBitmap& GlyphBitmap(const QString& name);
QStringList GlyphNames();
// The cursor of the number; the arrow cursor for a number that is not known.
QCursor GlyphCursor(int id);
