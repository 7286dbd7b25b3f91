// The texts of a block of the cell store kept aside before a change writes over them, so that a
// change that fails on the way puts them back: a file loaded into the rows, a paste.
#pragma once

#include "platform/ui/CellStore.h"

#include <algorithm>
#include <vector>

class TTextsBefore {
public:
    // The store's rows firstRow to endRow - 1 in its columns firstCol to endCol - 1, as they are.
    TTextsBefore(const TCellStore& store, int firstRow, int endRow, int firstCol, int endCol)
        : firstRow_(firstRow), endRow_(endRow), firstCol_(firstCol), endCol_(endCol) {
        for (int row = firstRow; row < endRow; ++row)
            for (int col = firstCol; col < std::min(endCol, store.LineLength(row)); ++col)
                if (const QString& text = store.Text(col, row); !text.isEmpty())
                    texts_.push_back({col, row, text});
    }

    // Every cell of the block was there before or holds no text: nothing is allocated.
    void PutBack(TCellStore& store) const {
        for (int row = firstRow_; row < std::min(endRow_, store.RowCount()); ++row)
            for (int col = firstCol_; col < std::min(endCol_, store.LineLength(row)); ++col)
                if (!store.Text(col, row).isEmpty()) store.SetText(col, row, QString());
        for (const TText& t : texts_) store.SetText(t.Col, t.Row, t.Text);
    }

private:
    struct TText {
        int Col, Row;
        QString Text;
    };
    int firstRow_, endRow_, firstCol_, endCol_;
    std::vector<TText> texts_;
};
