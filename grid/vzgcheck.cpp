#include "grid/vzgcheck.h"

QString TVevIvizudEvarCheck::MarkCellErrors(int, int, const QString& value) {
    return value;
}

QString TVevIvizudEvarCheck::CorrectCell(int, int, const QString& value) {
    return value;
}

void TVevIvizudEvarCheck::BeginChecking() {
    // Nothing to prepare: the base checker checks nothing.
}

void TVevIvizudEvarCheck::EndChecking() {
    // Nothing to release.
}
