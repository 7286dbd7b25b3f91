#pragma once
// TFormProgInd, "Programações individuais": a view of what each extension's user programmed on the
// telephone itself: hot line, diversions, follow-me and personal timers (help 23). It shows the
// scratch table (code 8) that the main window builds before showing it, one row per extension,
// every column already a text; nothing is written back and no section is marked.
//
// The extension edit chooses the row: Enter looks the number up and, when no row has it, silently
// shows the current row's number again; leaving the edit looks it up too and reports a missing
// number ("Ramal X não existe.") before showing the current one. The navigator moves through the
// rows and the edit follows. The table is opened when the view is shown and closed however it
// closes (AttachTable, TableRows.h).

#include "platform/data/DataSource.h"
#include "screens/ScreenConventions.h"

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

class QGroupBox;
class QLabel;
class QLineEdit;
class TDBNavigator;
class TDBText;

namespace platform::data {
class TDataSet;
}

class TFormProgInd : public TScreenForm {
    Q_OBJECT
public:
    // The view over the main window's scratch table.
    explicit TFormProgInd(QWidget* parent = nullptr);
    // The view over a table of the same fields.
    TFormProgInd(QWidget* parent, platform::data::TDataSet& table);

    void FormShow() override;
    void OKButtonClick(); // closes the table and the view
    void HelpBitBtnClick();
    void PosicRml();        // the extension edit was left
    void EnterRml(int key); // a key went down in the extension edit
    void DBNavigator1Click();

    // The label that shows a column of the table (RAMAL has none: the edit shows it).
    TDBText* ColumnText(const char* column) const;

    QLabel* const Label1; // "&Ramal"
    QLineEdit* const EditRamal;
    TDBNavigator* const DBNavigator1;

    platform::data::TDataSet& TableIndProg;
    platform::data::TDataSource DataSourceIndProg;

    // Every way the view closes also closes its table (before the main window deletes it).
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Makes the row of the extension number text current; false (the row unchanged) without one.
    bool Procura(const std::string& text);
    void ShowCurrentRamal();
    QGroupBox* NewGroup(const char* name, std::initializer_list<std::pair<const char*, const char*>> rows);

    std::vector<std::pair<QLabel*, const char*>> captions_; // each label and its source text
    std::vector<std::pair<QGroupBox*, const char*>> groups_;
};
