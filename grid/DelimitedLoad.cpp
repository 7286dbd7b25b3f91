// The advanced grid filled from a delimited file (DelimitedImport.h reads it): all of the file or,
// when anything fails on the way, nothing of it. The file is read and cut into cells before the
// grid changes; the texts the rows take are written over texts kept aside until the fill has ended,
// and a failure puts them, the grid's size and its footer rows back before it is passed on.
#include "grid/AdvancedGrid.h"
#include "grid/DelimitedImport.h"
#include "grid/TextsBefore.h"

#include <new>

void TVevIvizudEvar::LoadFromCSV(const QString& fileName) {
    LoadDelimited(fileName, false);
}

void TVevIvizudEvar::LoadDelimited(const QString& fileName, bool append) {
    TDelimitedCells cells = ReadDelimitedFile(fileName, Delimiter, OemConvert, AllColCount());
    {
        // Open editors close first, and the grid's checks wait while the footer row is aside.
        TStructureChange change(*this);
        const int lines = cells.RowCount();
        const int oldRows = RowCount(), oldCols = ColCount();
        // The footer rows wait aside while the lines fill the rows; they come back below them.
        const int footers = std::min(FooterRowCount(), oldRows);
        // The order before sorting as it was: appended lines join it as rows inserted above the
        // footer rows do, whatever the row count does meanwhile.
        const int footerReal = footers > 0 ? DisplToRealRow(oldRows - footers) : 0;
        std::vector<int> orderBefore;
        if (append && footers > 0 && !unsortedRowOrder_.empty()) {
            AlignRowOrder(RealRowCount());
            orderBefore = unsortedRowOrder_;
        }
        int fillRow = append ? DataRowEnd() : 0;
        // The rows the lines may write over (the footer rows are kept whole), in every column they
        // may reach: the lines' and, once ColCount has grown to them, the hidden ones beyond.
        const TTextsBefore before(CellStore(), fillRow, std::min(oldRows - footers, fillRow + lines), 0,
                                  std::max(ColCount(), cells.Width()) + HiddenColCount());
        // The footer rows leave the blocks they share with rows above, which keep their part above
        // them; their part of them (Row counted from -footers until they are placed) goes with them.
        std::vector<TGridLine> footer;
        std::vector<TMergedArea> blocksBefore, footerBlocks, blocksAbove;
        if (footers > 0) {
            const int firstFooter = oldRows - footers, footerReal = DisplToRealRow(firstFooter);
            blocksBefore = TakeMergedAreas(firstFooter, oldRows - 1, 0, AllColCount() - 1);
            for (const TMergedArea& block : blocksBefore) {
                if (block.Bottom() < footerReal || block.Row >= footerReal + footers) {
                    blocksAbove.push_back(block); // remembered elsewhere: put back as it was
                    continue;
                }
                if (block.Row < footerReal)
                    blocksAbove.push_back({block.Col, block.Row, block.Cols, footerReal - block.Row});
                const int top = std::max(block.Row, footerReal);
                footerBlocks.push_back(
                    {block.Col, top - footerReal - footers, block.Cols, block.Bottom() - top + 1});
            }
            PutMergedAreas(blocksAbove);
            for (int k = 0; k < footers; ++k) footer.push_back(CellStore().TakeRow(firstFooter + k));
        }
        auto putFooter = [&](std::vector<TMergedArea> blocks) {
            const int firstFooter = RowCount() - footers;
            for (int k = 0; k < footers; ++k)
                CellStore().PutRow(firstFooter + k, std::move(footer[size_t(k)]));
            for (TMergedArea& block : blocks)
                if (block.Row < 0) block.Row += DisplToRealRow(firstFooter) + footers;
            PutMergedAreas(std::move(blocks));
        };
        auto restore = [&] {
            cells.Release(); // the memory the cells held serves the way back
            before.PutBack(CellStore());
            if (RowCount() != oldRows) SetRowCount(oldRows);
            if (ColCount() != oldCols) SetColCount(oldCols);
            if (footer.empty()) return;
            // The blocks as they were, in place of their parts.
            std::vector<TMergedArea> split =
                TakeMergedAreas(std::max(oldRows - footers - 1, 0), oldRows - 1, 0, AllColCount() - 1);
            blocksBefore.insert(blocksBefore.end(), split.begin(), split.end());
            putFooter(std::move(blocksBefore));
        };
        try {
            if (OnFileProgress) SetRowCount(fillRow + lines + footers);
            int reported = 0;
            for (int line = 0; line < lines; ++line) {
                if (RowCount() - footers <= fillRow) SetRowCount(fillRow + 1000);
                const std::span<QString> row = cells.Row(line);
                const int count = int(row.size());
                if (count > ColCount()) SetColCount(count);
                for (int col = 0; col < count; ++col) SetGridCells(col, fillRow, row[size_t(col)]);
                // A row loaded over an earlier one keeps nothing of it.
                for (int col = count; col < std::min(AllColCount(), CellStore().LineLength(fillRow)); ++col)
                    if (!Cells(col, fillRow).isEmpty()) SetGridCells(col, fillRow, QString());
                ++fillRow;
                const int percent = qRound(100.0 * double(line + 1) / double(lines));
                if (percent != reported) {
                    reported = percent;
                    FileProgress(short(percent));
                }
            }
            SetRowCount(fillRow + footers);
        } catch (const std::bad_alloc&) {
            restore();
            RaiseDelimitedFileTooLarge(fileName); // as a file beyond the limits is
        } catch (...) {
            restore();
            throw;
        }
        if (!footer.empty()) putFooter(std::move(footerBlocks));
        // Rows loaded afresh stand in the order before sorting.
        if (!append) {
            ForgetRowOrder();
        } else if (!orderBefore.empty()) {
            unsortedRowOrder_ = std::move(orderBefore);
            RowOrderRowsInserted(footerReal, lines, true);
        }
    }
    CellsChanged(TRect{0, 0, ColCount() - 1, RowCount() - 1});
}

void TVevIvizudEvar::FileProgress(short progress) {
    if (OnFileProgress) OnFileProgress(this, progress);
}
