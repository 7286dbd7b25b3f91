// Sum, average, minimum and maximum of a column's float values over a range of rows. Every row of
// the range counts, node and summary rows included; an empty cell counts 0 and a text that is no
// number raises the float read's error.
#include "grid/AdvancedGrid.h"

double TVevIvizudEvar::ColumnSum(int col, int fromRow, int toRow) {
    double sum = 0;
    for (int row = fromRow; row <= toRow; ++row) sum += Floats(col, row);
    return sum;
}

double TVevIvizudEvar::ColumnAvg(int col, int fromRow, int toRow) {
    if (toRow < fromRow) return 0;
    return ColumnSum(col, fromRow, toRow) / (double(toRow) - fromRow + 1);
}

double TVevIvizudEvar::ColumnMin(int col, int fromRow, int toRow) {
    double least = Floats(col, fromRow);
    for (int row = fromRow + 1; row <= toRow; ++row) least = std::min(least, Floats(col, row));
    return least;
}

double TVevIvizudEvar::ColumnMax(int col, int fromRow, int toRow) {
    double most = Floats(col, fromRow);
    for (int row = fromRow + 1; row <= toRow; ++row) most = std::max(most, Floats(col, row));
    return most;
}
