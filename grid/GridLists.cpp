#include "grid/GridLists.h"

#include <QStringList>

void TIntList::Changed() {
    if (OnChange) OnChange(*this, param1_, param2_);
}

void TIntList::SetItem(int index, int value) {
    items_.at(size_t(index)) = value;
    Changed();
}

void TIntList::Add(int value) {
    items_.push_back(value);
    Changed();
}

void TIntList::Insert(int index, int value) {
    items_.insert(items_.begin() + std::clamp(index, 0, Count()), value);
    Changed();
}

void TIntList::Delete(int index) {
    if (index < 0 || index >= Count()) return;
    items_.erase(items_.begin() + index);
    Changed();
}

void TIntList::Clear() {
    items_.clear();
    Changed();
}

int TIntList::IndexOf(int value) const {
    for (int i = 0; i < Count(); ++i)
        if (items_[size_t(i)] == value) return i;
    return -1;
}

QString TIntList::Text() const {
    QStringList parts;
    for (int value : items_) parts << QString::number(value);
    return parts.join(u',');
}

void TIntList::SetText(const QString& text) {
    items_.clear();
    for (const QString& part : text.split(u',', Qt::SkipEmptyParts)) items_.push_back(part.trimmed().toInt());
    Changed();
}

void TSortIndexList::Add(int col, bool ascending) {
    TIntList::Add(ascending ? col : int(std::uint32_t(col) | kDescending));
}

int TSortIndexList::FindIndex(int col) const {
    for (int i = 0; i < Count(); ++i)
        if (ColumnOf(items_[size_t(i)]) == col) return i;
    return -1;
}

void TSortIndexList::Toggle(int col) {
    const int index = FindIndex(col);
    if (index >= 0) SetItem(index, int(std::uint32_t(items_[size_t(index)]) ^ kDescending));
}

bool TControlList::HasWindow(const QWidget* window) const {
    for (const TControlItem& item : items_)
        if (item.Control && item.Control == window) return true;
    return false;
}
