// The grid filled from a workbook's sheet (TVevIvizudEvar::ImportWorkbook).
//
// The source is opened on the file; the sheet is the active one, or the one whose name equals the
// name asked for (else EVozAvozError "Excel worksheet <name> not found"); its used range sizes the
// grid (ColCount and RowCount; FixedCols and FixedRows are put back where the new counts still
// exceed them) and its values, fetched in one call, fill the grid from cell (0, 0) as text: texts
// as they are, numbers in the program's number format (up to 15 significant digits), booleans
// "True" and "False", dates and times in the program's date and time formats (a date with a time
// of midnight as the date alone); empty cells and error values leave their cells empty. An address
// that names no range leaves the grid as it is; one of more cells than the import takes
// (InputLimits.h) is refused with the too-large message before the grid changes. The workbook is then closed
// without saving and the source ends, also when a step fails; the grid reports the change of all its cells.
#pragma once

#include "grid/WorkbookSource.h"

class TVevIvizudEvar;

// The import above from a given source; TVevIvizudEvar::ImportWorkbook gives it the reader that
// takes the file, or raises the not-a-workbook message (WorkbookFileReader.h) when none does.
void ImportWorkbookFrom(TVevIvizudEvar& grid, WorkbookSource& source, const QString& fileName,
                        const QString& sheetName);
// The text a value is written to its cell as (empty for empty cells and error values).
QString WorkbookValueText(const TWorkbookValue& value);
