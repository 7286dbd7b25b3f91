#pragma once
// TFormConfigVias, "Configuração das vias": the trunks of the exchange (section 4, help 14).
//
// A data-aware screen: the main window builds the scratch table of the trunks (one row per trunk,
// keyed by VIA "01".."06"; the texts of its 28 columns are those of the trunk table builder) and
// hands it to OpenTable; the controls show the current row. Before showing the screen the main
// window fills the attendant lists (FillAttendantLists), the routes (PreencheRotas), sets the
// mode (SetMode: every trunk, or the one trunk of a trunk button) and calls MontaTelaVias.
//
// OK packs every row into the trunk records of the header (198 + 8 (k - 1), k = VIA) and the
// trunk byte (247 + k), in VIA order; the first row that fails stays current and its trunk is
// shown: no direction ("Via de saída", "de entrada", "bloqueada") is error 5, a missing main
// attendant error 1 and a missing night attendant error 2 (either replaces 5). 246 and 247 get
// the most frequent main and night attendant codes of the model's trunks (codes 0..119, ties to
// the lowest). Bit 4 of a trunk byte is always written 0; an empty overflow clears "Possui
// transbordo noturno". RECHAMADA and TOM425 are carried but never stored. An attendant number
// that no position has counts as no attendant (error 1 or 2), an overflow number that no position
// has is refused ("Ramal não existe."), and a timer that is no number 0..255 is refused at its
// list: none of them is ever stored as position 0 or a cut value.
//
// "Padrão" writes the defaults into the row in edit, or, asked with TFormPadrao in the
// all-trunks mode, into every row ("LimiteCifras" of "CENTRPRG.INI" gives LIMCIFRAS). "C&opia"
// copies the 27 settings of the row in edit into the rows of the trunks picked in TFormCopiaVia.

#include "platform/data/DataSource.h"
#include "screens/ScreenConventions.h"

#include <string>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TDBCheckBox;
class TDBComboBox;
class TDBNavigator;
class TDBRadioGroup;
class TFormCopiaVia;

namespace platform::data {
class TDataSet;
}

// True when a trunk of the model names, as main, overflow or night attendant, an extension group
// (0x71..0x74) that has become empty.
bool ViaComGrupoVazio();

class TFormConfigVias : public TScreenForm {
    Q_OBJECT
public:
    explicit TFormConfigVias(QWidget* parent = nullptr);
    ~TFormConfigVias() override;

    // Binds the controls to the scratch table of the trunks and opens it on its first row. The
    // table is closed again when the screen closes.
    void OpenTable(platform::data::TDataSet& table);
    // The three attendant lists from the program-wide list built with the access codes: the
    // overflow list starts with five blanks and offers "60"; the others do not offer "60".
    void FillAttendantLists();
    // AllTempTableItems: every trunk (copy button and navigator shown, trunk edit "01"); else the one
    // trunk (1-based) of a trunk button: both hidden, the trunk edit disabled showing its number.
    void SetMode(int which);
    // Captions, the lists of the radio groups and the model rules.
    void MontaTelaVias();

    void FormShow() override;
    void OkButtonClick();
    void CancButtonClick();
    void DefButtonClick(); // "&Padrão"
    void CopiaButtonClick();
    void HelpBitBtnClick();
    void PosicVia();    // leaving the trunk edit
    void EnterVia();    // Enter in the trunk edit
    void AtualizaVia(); // a click on the navigator
    void Label3Click(); // "automático sem discagem"
    void DBCheckBox1Click();
    void DBCheckBox5Click();

    platform::data::TDataSource DataSourceConfVias;
    platform::data::TDataSet* TableConfVia = nullptr;

    QLabel* const LabelVia;
    QLineEdit* const EditVia; // the trunk number
    TDBNavigator* const DBNavigator1;
    QPushButton* const CopiaButton;

    TDBCheckBox* const CheckLimCifras; // LIMCIFRAS
    TDBCheckBox* const CheckAcessaIU;  // ACESSAIU
    TDBCheckBox* const CheckDDCNot;    // DDCNOT
    TDBCheckBox* const CheckDDCDiu;    // DDCDIU
    TDBCheckBox* const CheckAtendDig;  // ATENDDIG
    TDBCheckBox* const CheckAposTTD;   // APOSTTD
    TDBCheckBox* const DBCheckBox5;    // BINA
    TDBCheckBox* const CheckDetFax;    // DETFAX
    TDBCheckBox* const CheckNToques;   // NTOQUES
    TDBCheckBox* const CheckTransBN;   // TRANSBN
    TDBCheckBox* const CheckDAtdAuto;  // DATDAUTO
    QLabel* const Label3;              // "automático sem discagem"
    TDBCheckBox* const DBCheckBox1;    // RTSAIDA
    TDBCheckBox* const DBCheckBox2;    // RTENTRA
    TDBCheckBox* const DBCheckBox3;    // RTBLOQ
    QCheckBox* const CheckEnlace;      // checked when no direction is
    TDBRadioGroup* const RadioTipoVia; // TIPOVIA
    TDBRadioGroup* const RadioCifras;  // CIFRAS
    TDBRadioGroup* const RadioDTMFFSK; // DTMFFSK
    TDBRadioGroup* const RadioRotas;   // NROTA
    QLabel *const LabelAtendPrin, *const LabelTransbordo, *const LabelAtendNot;
    TDBComboBox* const ComboAtendPrin;  // ATENDPRIN
    TDBComboBox* const ComboTransbordo; // TRANSBORDO
    TDBComboBox* const ComboAtendNot;   // ATENDNOT
    QLabel *const LabelTmpTrans, *const LabelTmpTomDis, *const LabelTmpInibil;
    TDBComboBox* const ComboTmpTrans;  // TMPTRANS
    TDBComboBox* const ComboTmpTomDis; // TMPTOMDIS
    TDBComboBox* const ComboTmpInibil; // TMPINIBIL
    QGroupBox *const GroupOpcoes, *const GroupSentido, *const GroupAtend, *const GroupTempos;

    TFormCopiaVia* const FormCopiaVia;

    void done(int result) override; // also closes the table

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    platform::data::TDataSet& Table() const;
    std::string Text(const char* field) const;
    // Moves to the row of the trunk; stays on the current row when no row has it.
    bool GoToVia(const std::string& via);
    void SelecionaVia();
    // Packs the current row into its trunk record and trunk byte; a failure shows its trunk.
    void StoreTrunk(const TImageView& header);
    void PackTrunk(const TImageView& header);
    void ApplyDefaults();
    void CloseTable();
};

// The routes 0..n of the radio group (n = the model's trunk count).
void PreencheRotas(TFormConfigVias& screen, int n);

// What the main window does before it shows the screen over the scratch table of the trunks, for
// every trunk (AllTempTableItems) or the one trunk of a trunk button: builds the program-wide
// extension list with the access codes, fills the attendant lists and the routes, sets the mode,
// opens the table and calls MontaTelaVias.
void PrepareTrunkScreen(TFormConfigVias& screen, platform::data::TDataSet& table, int which);
