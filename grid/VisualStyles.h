// Themed drawing of the grid family's parts. The program draws header cells, drop-down buttons,
// check boxes, radio buttons, push buttons, progress bars and spin buttons "with the visual
// style" when one is active, and with classic frames otherwise. On this platform the visual style
// is the application's QStyle: it is bound once, when first asked, and switched on by default.
// A program (or a test) may switch themed drawing off for the whole process; the grid family then
// draws every part classically.
//
// Theme classes, parts and states are numbered as the drawing code has always numbered them:
//   Header    part 1 header item                 states 1 normal, 2 hot, 3 pressed
//   ComboBox  part 1 drop-down button             states 1 normal, 2 hot, 3 pressed, 4 disabled
//   Button    part 1 push button                  states 1 normal, 2 hot, 3 pressed, 4 disabled,
//                                                  5 default
//             part 2 radio button, part 3 check box states 1-4 unchecked normal/hot/pressed/
//                                                  disabled, 5-8 checked, 9-12 mixed (check box)
//   Progress  part 1 bar, part 3 chunk            state ignored
//   Spin      parts 1 up, 2 down, 3 up (horizontal), 4 down (horizontal); states as ComboBox
// Every themed call draws through the canvas, so a recording canvas sees it as a style operation.
#pragma once

#include "platform/ui/Canvas.h"

enum class TThemeClass { Header, ComboBox, Button, Progress, Spin };

namespace VisualStyles {

// The style is there to draw with (the library is "loaded").
bool Loaded();
// Whether themed drawing is on (true unless switched off).
bool IsThemeActive();
void SetThemeActive(bool on);

} // namespace VisualStyles

// Draws the part of the theme class in the state over the rectangle. Callers test
// VisualStyles::IsThemeActive (or the grid's own flag, taken from it) first.
void DrawThemeBackground(TCanvas& canvas, TThemeClass themeClass, int part, int state, const TRect& rect);
