#include "grid/CellProperties.h"

#include "grid/BaseGrid.h"

TCellProperties::TCellProperties(TBaseGrid* owner, int col, int row) : owner_(owner), seenAt_{col, row} {}

int TCellProperties::OwnerCol() const {
    return owner_ ? owner_->LocateProperties(*this, false).X : -1;
}

int TCellProperties::OwnerRow() const {
    return owner_ ? owner_->LocateProperties(*this, false).Y : -1;
}

void TCellProperties::Repaint() {
    if (owner_) owner_->RepaintProperties(*this);
}

void TCellProperties::SetBrushColor(TColor color) {
    brushColor_ = color;
    Repaint();
}

void TCellProperties::SetBrushColorTo(TColor color) {
    brushColorTo_ = color;
    Repaint();
}

void TCellProperties::SetVAlignment(TVAlignment alignment) {
    vAlignment_ = alignment;
    Repaint();
}

void TCellProperties::SetWordWrap(bool on) {
    wordWrap_ = on;
    Repaint();
}

TGridCoord TCellProperties::BaseCellOf(int col, int row) const {
    if (IsBaseCell || CellSpanX == -1 || CellSpanY == -1) return {col, row};
    return {col - CellSpanX, row - CellSpanY};
}

void TCellProperties::Assign(const TCellProperties& other) {
    IsBaseCell = other.IsBaseCell;
    CellSpanX = other.CellSpanX;
    CellSpanY = other.CellSpanY;
    Alignment = other.Alignment;
    BorderColor = other.BorderColor;
    BorderWidth = other.BorderWidth;
    brushColor_ = other.brushColor_;
    BrushStyle = other.BrushStyle;
    FontColor = other.FontColor;
    FontStyle = other.FontStyle;
    FontName = other.FontName;
    FontSize = other.FontSize;
    ReadOnly = other.ReadOnly;
    Editor = other.Editor;
    vAlignment_ = other.vAlignment_;
    SetWordWrap(other.wordWrap_);
    NodeLevel = other.NodeLevel;
    Control = other.Control;
    CalcType = other.CalcType;
}
