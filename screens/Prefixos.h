#pragma once
// TFormPref, "Bloqueio de prefixos": which dialled prefixes each category of extension may call,
// and the local area code (section 14, help 32).
//
// The screen edits the rows of the scratch table (code 7: PREFIXOS, 1..7 digits, and TLIBERA, the
// access code of the model's list, PrefixAccessCodes) that the main window builds from the stored
// trie before showing it; its OK rebuilds the trie from the rows and stores it with the area code
// (StorePrefixTrie, PrefixTrie.h). The rows always divide the number space: every dialled number
// begins with exactly one of them. A prefix typed is taken on Enter, when the user moves on to
// another control, and first thing at OK; taking it keeps the rows dividing the number space:
//  - a prefix that is a row is selected;
//  - a prefix under a row (the row "4" and "4812") splits that row digit by digit: "40".."49",
//    then "480".."489" without "481", then "4810".."4819", all with the row's code;
//  - a prefix over rows (the rows "480".."489" and "48") asks "Reduzir o número de cifras ?":
//    Yes merges them into one row with the code of the first of them, No changes nothing.
// The list shows every row, sorted; the radio group edits TLIBERA of the current row; "&Todos"
// gives every row one code (TFormTodPref). The table is opened when the screen is shown and
// closed however it closes (AttachTable, TableRows.h).

#include "platform/data/DataSource.h"
#include "screens/ScreenConventions.h"

#include <string>

class QLabel;
class QLineEdit;
class QListWidget;
class TDBRadioGroup;

namespace platform::data {
class TDataSet;
}

class TFormPref : public TScreenForm {
    Q_OBJECT
public:
    // The screen over the main window's scratch table.
    explicit TFormPref(QWidget* parent = nullptr);
    // The screen over a table of the same fields.
    TFormPref(QWidget* parent, platform::data::TDataSet& table);

    void FormShow() override;
    void OkButtonClick();
    void CancButtonClick();
    void HelpBitBtnClick();
    void Edit1KeyPress(int key); // Enter runs AdicionaPrefixo
    void Edit1Exit();
    void ListBox1Click();
    void ListBox1KeyPress(int key); // Enter: as a click, and the prefix edit takes the focus
    void Button1Click();            // "&Todos"

    // The prefix typed into Edit1 becomes a row (see above); the current row ends on it. After
    // Enter the list takes the focus; when the field is left, the focus stays where the user put
    // it, so that the control clicked gets its click.
    enum class TAfterAdd { FocusList, KeepFocus };
    void AdicionaPrefixo(TAfterAdd after = TAfterAdd::FocusList);

    QLabel* const Label1;
    QLineEdit* const Edit1; // the prefix, up to 7 digits
    QLabel* const Label2;
    QLineEdit* const MaskEdit1; // the area code: " 0" and up to three digits
    QListWidget* const ListBox1;
    TDBRadioGroup* const DBRadioGroup1; // TLIBERA, in the frame "Acesso ao prefixo"
    QPushButton* const Button1;

    platform::data::TDataSet& TablePref;
    platform::data::TDataSource DataSourcePref;

    // Every way the screen closes also closes its table (before the main window deletes it).
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Merges the rows under prefix into one row with the code of firstUnder (the first of them),
    // when the user agrees; false when not.
    bool ConfirmaReducaoCifras(const std::string& prefix, const std::string& firstUnder);
    // Splits the row covering prefix digit by digit down to it.
    void DivideAte(const std::string& prefix);
    // Adds the row (prefix, code) and its list item.
    void AcrescentaPrefixo(const std::string& prefix, char code);
    // Deletes the row prefix (when present) and its list item.
    void RemovePrefixo(const std::string& prefix);
    // Removes the list items equal to (or beginning with) prefix.
    void RemoveListItems(const std::string& prefix, Qt::MatchFlags match);
    // Makes the row the current one and selects it in the list (no selection when absent).
    void SelecionaPrefixo(const std::string& prefix);
    std::string CurrentPrefix() const;
    char CurrentAccess() const;
    void FillList();
    void SetAccessItems();
};
