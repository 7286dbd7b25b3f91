// The base of the grid's cell checker. A grid given one (TVevIvizudEvar::CellChecker) passes the
// text of every changed cell through it when the edit ends: CorrectCell when AutoCorrect is on,
// before OnCellValidate, and MarkCellErrors when AutoMarkError is on, after it. This base class
// returns the value unchanged and does nothing around a batch of checks; a descendant (a spelling
// checker, say) supplies the checking. Deleting a checker takes it off the grid that uses it.
#pragma once

#include <QObject>
#include <QString>

class TVevIvizudEvarCheck : public QObject {
public:
    explicit TVevIvizudEvarCheck(QObject* owner = nullptr) : QObject(owner) {}

    bool GotoCell = false, AutoCorrect = false, AutoMarkError = false, UseCorrect = false,
         UseMarkError = false;

    // The value with its errors marked (in mini-HTML, say); the base marks nothing.
    virtual QString MarkCellErrors(int col, int row, const QString& value);
    // The corrected value; the base corrects nothing.
    virtual QString CorrectCell(int col, int row, const QString& value);
    // Around a run of checks; the base needs no preparation.
    virtual void BeginChecking();
    virtual void EndChecking();
};
