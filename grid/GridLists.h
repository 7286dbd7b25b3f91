// Small lists the grid keeps: integers with a change notification, the sort index list (column
// numbers with bit 31 set for a descending column) and the list of controls placed in cells.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

class TIntList {
public:
    // Called with the two numbers given at creation after every change (never on reading).
    using TNotify = std::function<void(TIntList& Sender, int Param1, int Param2)>;
    TIntList(int param1 = 0, int param2 = 0) : param1_(param1), param2_(param2) {}

    TNotify OnChange;
    int Count() const { return int(items_.size()); }
    int Item(int index) const { return items_.at(size_t(index)); }
    void SetItem(int index, int value);
    void Add(int value);
    void Insert(int index, int value);
    void Delete(int index);
    void Clear();
    int IndexOf(int value) const;
    // The values joined by ','; assigning such a text clears the list and adds every value.
    QString Text() const;
    void SetText(const QString& text);

protected:
    void Changed();
    std::vector<int> items_;

private:
    int param1_, param2_;
};

class TSortIndexList : public TIntList {
public:
    static constexpr std::uint32_t kDescending = 0x80000000u;
    void Add(int col, bool ascending);
    // The position of the column's entry (whatever its direction), -1 when absent.
    int FindIndex(int col) const;
    void Toggle(int col);
    static int ColumnOf(int entry) { return int(std::uint32_t(entry) & ~kDescending); }
    static bool IsDescending(int entry) { return (std::uint32_t(entry) & kDescending) != 0; }
};

// The controls shown in cells: each item a column, a (real) row and the control (not owned).
struct TControlItem {
    int Col = 0, Row = 0;
    QPointer<QWidget> Control;
};

class TControlList {
public:
    void Add(int col, int row, QWidget* control) { items_.push_back({col, row, control}); }
    const std::vector<TControlItem>& Items() const { return items_; }
    bool HasWindow(const QWidget* window) const;
    void Clear() { items_.clear(); }

private:
    std::vector<TControlItem> items_;
};
