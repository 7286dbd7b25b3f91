#include "grid/ButtonedEdit.h"

#include <QApplication>

int TButtonedEdit::TextLineHeight() const {
    const int own = fontMetrics().height();
    const int system = QFontMetrics(QApplication::font()).height();
    return own + std::min(system, own) / 4;
}

void TButtonedEdit::resizeEvent(QResizeEvent* e) {
    TCustomMaskEdit::resizeEvent(e);
    if (height() < MinHeight()) {
        resize(width(), MinHeight());
        return; // the resize places the buttons
    }
    PlaceButtons();
}

void TButtonedEdit::DoCut() {
    if (EditorEnabled && !isReadOnly()) TCustomMaskEdit::DoCut();
}

void TButtonedEdit::DoPaste() {
    if (EditorEnabled && !isReadOnly()) TCustomMaskEdit::DoPaste();
}
