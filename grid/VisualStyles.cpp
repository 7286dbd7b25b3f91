#include "grid/VisualStyles.h"

#include <QApplication>
#include <QStyleOption>

namespace {

bool& ThemeActive() {
    static bool active = true;
    return active;
}

// Enabled, hot and pressed flags of the numbered states that share the 1-4 pattern.
QStyle::State CommonState(int state) {
    const int base = (state - 1) % 4 + 1;
    QStyle::State s = QStyle::State_Raised;
    if (base != 4) s |= QStyle::State_Enabled;
    if (base == 2) s |= QStyle::State_MouseOver;
    if (base == 3) s |= QStyle::State_Sunken;
    return s;
}

void DrawButtonPart(TCanvas& canvas, int part, int state, const QRect& rect) {
    QStyleOptionButton option;
    option.rect = rect;
    if (part == 1) {
        option.state =
            state == 5 ? QStyle::State_Enabled | QStyle::State_Raised : CommonState(std::min(state, 4));
        if (state == 5) option.features |= QStyleOptionButton::DefaultButton;
        canvas.DrawStyleControl(QStyle::CE_PushButtonBevel, option);
        return;
    }
    option.state = CommonState(state);
    option.state |= state >= 9 ? QStyle::State_NoChange : state >= 5 ? QStyle::State_On : QStyle::State_Off;
    // The style greys a disabled box by the palette it is given.
    if (!(option.state & QStyle::State_Enabled)) option.palette.setCurrentColorGroup(QPalette::Disabled);
    canvas.DrawStylePrimitive(part == 2 ? QStyle::PE_IndicatorRadioButton : QStyle::PE_IndicatorCheckBox,
                              option);
}

void DrawProgressPart(TCanvas& canvas, int part, const QRect& rect) {
    QStyleOptionProgressBar option;
    option.rect = rect;
    option.state = QStyle::State_Enabled | QStyle::State_Horizontal;
    option.minimum = 0;
    option.maximum = 1;
    option.progress = part == 3 ? 1 : 0;
    canvas.DrawStyleControl(part == 3 ? QStyle::CE_ProgressBarContents : QStyle::CE_ProgressBarGroove,
                            option);
}

void DrawArrowButton(TCanvas& canvas, QStyle::PrimitiveElement arrow, int state, const QRect& rect) {
    QStyleOptionButton panel;
    panel.rect = rect;
    panel.state = CommonState(state);
    canvas.DrawStylePrimitive(QStyle::PE_PanelButtonBevel, panel);
    QStyleOption option;
    option.rect = rect.adjusted(2, 2, -2, -2);
    option.state = CommonState(state);
    canvas.DrawStylePrimitive(arrow, option);
}

} // namespace

namespace VisualStyles {

bool Loaded() {
    return QApplication::style() != nullptr;
}

bool IsThemeActive() {
    return ThemeActive() && Loaded();
}

void SetThemeActive(bool on) {
    ThemeActive() = on;
}

} // namespace VisualStyles

void DrawThemeBackground(TCanvas& canvas, TThemeClass themeClass, int part, int state, const TRect& rect) {
    if (!VisualStyles::Loaded() || rect.IsEmpty()) return;
    const QRect r = ToQRect(rect);
    switch (themeClass) {
    case TThemeClass::Header: {
        QStyleOptionHeader option;
        option.rect = r;
        option.state = CommonState(state);
        canvas.DrawStyleControl(QStyle::CE_HeaderSection, option);
        return;
    }
    case TThemeClass::ComboBox:
        DrawArrowButton(canvas, QStyle::PE_IndicatorArrowDown, state, r);
        return;
    case TThemeClass::Button:
        DrawButtonPart(canvas, part, state, r);
        return;
    case TThemeClass::Progress:
        DrawProgressPart(canvas, part, r);
        return;
    case TThemeClass::Spin: {
        static const QStyle::PrimitiveElement arrows[] = {
            QStyle::PE_IndicatorSpinUp, QStyle::PE_IndicatorSpinDown, QStyle::PE_IndicatorArrowRight,
            QStyle::PE_IndicatorArrowLeft};
        DrawArrowButton(canvas, arrows[std::clamp(part, 1, 4) - 1], state, r);
        return;
    }
    }
}
