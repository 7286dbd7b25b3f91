#pragma once
// TMultPageDlg, "Categoria dos ramais": the day and night categories, routes, sub-routes,
// facility permissions and attributes of every extension (section 2, help 15, scratch table
// code 1 for all extensions: one record per extension, in number order). Pages and fields:
// CategoryScreen.h; bytes: CategoryRecord.h.
//
// The main window builds the table, calls MontaTelaCategorias and shows the screen. The user
// moves between extensions with the number field ("Número do &Ramal": the extension is looked up
// when the field is left or on Enter; an unknown number gives "Ramal <n> não existe.") or the
// navigator; the boxes edit the current record. "Ramal internet" (model 9 only) is enabled for
// the extensions at positions 0 and 1.
//
// OK walks the table in number order and folds each record into a copy of header bytes
// 18..197; the first record that fails its checks stops the walk: its message, its page and its
// extension are shown and nothing is stored. Facility bit 5 and attribute bit 4 are cleared.
// "&Padrão" asks the scope (every extension or the one in edit) and gives the defaults. "C&opia"
// copies the current extension's 50 fields onto the extensions picked in TFormCopRamal.

#include "screens/CategoryScreen.h"

class QLabel;
class QLineEdit;
class TDBNavigator;

class TMultPageDlg : public TCategoryScreen {
    Q_OBJECT
public:
    explicit TMultPageDlg(QWidget* parent = nullptr);

    // Captions and the model's controls, for the table built for the screen.
    void MontaTelaCategorias();
    void FormShow() override; // focuses the number field

    void ButtonOkClick();
    void ButtonCancelaClick();
    void BitBtn1Click();
    void PadButtonClick();
    void CopButtonClick();
    void ButtonCatClick();
    void TabbedNotebook1Change() override;

    void PosicRamal();      // the number field is left
    void EnterRamal();      // Enter in the number field
    void MaskEdit1Change(); // every change of the number field
    void AtualizaRamal();   // a navigator click

    QLabel* const Label1; // "Número do &Ramal"
    QLineEdit* const MaskEdit1;
    TDBNavigator* const DBNavigator2;
    QPushButton* const CopButton;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowCurrentRamal(); // the number field shows the current record's RAMAL, with the focus
    void ApplyDefaultsToAll();
};
