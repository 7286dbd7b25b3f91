#pragma once
// TFormTeclasTI, "Configuração das teclas dos Terminais Inteligentes": the 25 function keys of
// each intelligent terminal (section 25, help 24; no scratch table). Codes: TerminalKeys.h.
//
// ProgrammingImage 4130 + (t - 1) holds the position of the extension terminal t (1 .. the
// model's terminal count) is attached to; 0xBB or a position of 20 and above is no terminal.
// The terminal list ("Ramal T&I") offers the extension numbers of the attached terminals.
//
// The screen edits working copies: the 25 codes of the terminal in edit, the key table of every
// terminal (image 4170..4419) and the 250 bytes of key parameters (4420..4669, not shown, written
// back as read). They are loaded once per showing, so a message box, the help or another window
// taking the focus loses no edit. Choosing another terminal keeps the keys edited so far in the
// working table. Without any terminal the keys edited are those of terminal 1, shown as stored
// (an OK without a change writes them back as they were).
//
// A key is picked by its button (click or focus); its function by a radio button and, for the
// numbered functions, an item of the value list (ComboBoxF). The code is written into the working
// copy when the radio button or the list is left, and by OK for the one the focus is on. OK
// writes the key table and the parameters back and marks section 25 in EditedSections and
// ModifiedSections, but not ProgrammingModified: the main window's Save and exit prompt look at
// every ModifiedSections entry. "&Padrão" gives the terminal in edit the model's default keys.
// "&Mostra teclas" lists the 25 keys of the terminal on a panel over the editing panel.

#include "screens/ScreenConventions.h"

#include <array>
#include <cstdint>

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QRadioButton;
class QStackedLayout;
class TStringGrid;

class TFormTeclasTI : public TScreenForm {
    Q_OBJECT
public:
    explicit TFormTeclasTI(QWidget* parent = nullptr); // FormCreate

    static constexpr int KeyCount = 25;
    static constexpr int TagCount = 17; // radio button Tags 1..16

    void FormShow() override;               // captions, then FormActivate
    void FormActivate();                    // loads the working copies; once per showing
    void ComboBox2Change();                 // a terminal chosen
    void ButtonTClick(QPushButton* button); // a key button clicked or entered
    void RadioButtonTClick(int tag);
    void RadioButtonTExit(int tag);
    void ComboBoxFExit();
    void MostraTeclas(std::uint8_t code); // shows a key's code in the radio buttons and the list
    void Button28Click();                 // "&Mostra teclas"
    void Button29Click();                 // "&Retornar"
    void Button30Click();                 // "&Padrão"
    void Button1Click();                  // "O&k"
    void Button2Click();                  // "&Cancela"
    void BitBtn1Click();                  // "A&juda"

    // Working state, kept between showings.
    int CurrentTerminal = 1; // 1..10
    int CurrentKey = 1;      // 1..25
    std::array<std::uint8_t, KeyCount> KeyCodes{};
    std::array<std::uint8_t, 250> KeyTable{};
    std::array<std::uint8_t, 250> KeyParameters{};
    int ListTag = 0; // the function the value list holds (a radio button's Tag)

    QLabel* const LabelRamalTI;   // "Ramal T&I"
    QComboBox* const ComboBox2;   // the terminals, as extension numbers
    QLabel* const LabelTI;        // "(TI 01)"
    QGroupBox* const PanelConfig; // "Configuração da tecla"
    QGroupBox* const GroupBoxTeclas;
    std::array<QPushButton*, KeyCount> ButtonT{}; // A .. Z
    QLabel* const LabelTecla;                     // the key in edit
    QGroupBox* const GroupBoxProgramacoes;
    std::array<QRadioButton*, TagCount> RadioButtonT{}; // by Tag; none for 0, 11 and 12
    QGroupBox* const GroupBoxChefeSecr;                 // "Chefe-Secretária" around Tags 7 and 13
    QFrame* const PNCodigos;
    QLabel* const LabelF;
    QComboBox* const ComboBoxF;
    QPushButton* const Button28;
    QWidget* const PainelTeclas;
    QLabel* const Panel7;
    TStringGrid* const StringGrid1;
    QPushButton* const Button29;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ChooseTerminal(int index);
    void ShowTerminalLabel();
    void ShowKey(int key);
    void FillList(int tag, bool asKeyShowsIt);
    void SelectRadio(int tag);
    void FillKeyList();
    void StoreFocusedChoice();
    void StoreCode(std::uint8_t code);

    QStackedLayout* const panels_;
};
