// The small pictures and cursors the grid draws, made by the program itself (no image files):
// - "VZGCHK01".."VZGCHK04": 20 x 20 check boxes of the flat style, "VZGCHK05".."VZGCHK08":
//   16 x 16 of the themed style; each set checked enabled, unchecked enabled, checked disabled,
//   unchecked disabled.
// - "VZGRAD01".."VZGRAD04" and "VZGRAD05".."VZGRAD08": 16 x 16 radio items, on enabled, off
//   enabled, on disabled, off disabled, in the same two styles.
// - "VZGLEAFOPEN", "VZGLEAFCLOSE": 16 x 16 node glyphs, expanded and contracted.
// - "XPNODEO", "XPNODEC": 9 x 9 node boxes with a minus (expanded) and a plus (contracted).
// - "VZGFILT": 16 x 16 filter funnel. "VzgSpinUp", "VzgSpinDown": 7 x 4 spin arrows.
// - "INTLI1" (both directions), "INTLI2" (horizontal), "INTLI3" (vertical): 32 x 32 marks of the
//   panning origin, on white.
// Every picture but the panning marks has the transparent colour (fuchsia) in its top-left pixel,
// so it can be drawn transparently as the class library draws its resource bitmaps.
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
