#pragma once
// TqvxColorPicker: a window timer (every 100 ms by default) whose handler samples the colour of
// the screen under the mouse cursor with GetColor.

#include "desktop/qvxWindowTimer.h"

#include <QColor>
#include <QPoint>

class TqvxColorPicker : public TqvxCustomTimer {
    Q_OBJECT
public:
    explicit TqvxColorPicker(QObject* owner = nullptr);

    // The colour of the screen pixel under the mouse cursor; an invalid QColor (the default
    // colour) when the screen cannot be read there (no screen, or a platform that refuses to
    // show other windows' pixels).
    virtual QColor GetColor() const;
};

// The colour of the screen pixel at a global position (see GetColor).
QColor qvxScreenPixelColor(QPoint globalPosition);
