// One rule for the whole application: a key held with a chord modifier (Ctrl, Alt or Meta, the
// Super key; see ChordModifiers in Keys.h) types nothing. InstallChordFilter puts an event filter in
// front of every widget of the application that takes the text away from such a key press before
// the widget sees it, so that text fields, masked fields, editable drop-downs, spin boxes, date
// fields, lists and Qt's own dialogs alike type nothing for Alt+A, Super+B, Alt+Shift+D or
// Ctrl+Alt+5. Shift, the keypad and AltGr (which composes a character without Alt) type as ever.
// The key itself (code and modifiers) still reaches the widget, and shortcuts run as before: a
// menu's Alt+letter and Ctrl+S are matched before the key press is sent.
#pragma once

// Installs the filter on the application (once; a second call does nothing).
void InstallChordFilter();
