// The events of the grid's editor controls (spin buttons, the custom editor's link).
#pragma once

#include "grid/NumberDateUtils.h"

#include <functional>

class QObject;
class TEditLink;

using TSpinClickEvent = std::function<void(QObject* Sender, int ACol, int ARow, int AValue, bool UpDown)>;
using TFloatSpinClickEvent =
    std::function<void(QObject* Sender, int ACol, int ARow, double AValue, bool UpDown)>;
using TDateTimeSpinClickEvent =
    std::function<void(QObject* Sender, int ACol, int ARow, TDateTime AValue, bool UpDown)>;
using TGetEditorPropEvent = std::function<void(QObject* Sender, int ACol, int ARow, TEditLink* AEditLink)>;
