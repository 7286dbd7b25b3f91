#pragma once
// TFormChefeSecr, "Grupos chefe-secretária": the four boss-secretary groups (section 9, help 20),
// edited in the scratch table of code 6 (one row per group: GRUPO "1".."4", CHEFE01, CHEFE02,
// SECRE01, SECRE02, extension numbers or blanks).
// ProgrammingHeader, 16 bytes:
//   274 + 2 (g - 1)   "Chefe 1", "Chefe 2" of group g: position codes, 0xBB when empty
//   282 + 2 (g - 1)   "Secretária 1", "Secretária 2" of group g
// Bytes from 290 on belong to other screens.
//
// A group is stored when it is empty or has both "Chefe 1" and "Secretária 1"; otherwise OK stops
// on it ("Se grupo for preenchido deve existir Chefe 1 e Secretária 1.") and stores nothing.
// The lists offer the extensions of the numbering plan that belong to no other group; a member of
// the group shown is offered only in its own slot. BossSecretaryCodes holds the members of every
// group as the rows have them (filled by the table's builder, refreshed whenever the group edit
// changes). Space or Delete in a list empties it (not as a chord: held with Ctrl, Alt or Meta).

#include "platform/data/DataSource.h"
#include "platform/ui/Keys.h"
#include "screens/ScreenConventions.h"

#include <array>

class QGroupBox;
class QLabel;
class TCustomMaskEdit;
class TDBComboBox;
class TDBNavigator;

class TFormChefeSecr : public TScreenForm {
    Q_OBJECT
public:
    explicit TFormChefeSecr(QWidget* parent = nullptr);

    static constexpr int Slots = 4; // 1 CHEFE01, 2 CHEFE02, 3 SECRE01, 4 SECRE02

    void FormShow() override;
    // Refills the four lists for the group (1..4); the main window calls it before showing.
    void PreencheCombosChefeSecr(int group);
    void OkButtonClick();
    void CancButtonClick();
    void HelpBitBtnClick();
    void EnterGrupo(int& key, TShiftState shift); // key down in the group edit
    void VRamalGrupo();                           // leaving a list
    void AtualizaGrupo();                         // a navigator click
    void DBComboBox1KeyDown(int& key, TShiftState shift);
    void DBComboBox2KeyDown(int& key, TShiftState shift);
    void DBComboBox3KeyDown(int& key, TShiftState shift);
    void DBComboBox4KeyDown(int& key, TShiftState shift);
    void Button1Click(); // "A&paga"
    void Edit1Change();
    void ApagaRamalChefeSecr(int slot);

    platform::data::TDataSource DataSourceChefeSecr; // on the scratch table
    platform::data::TDataSet& TableChefeSecr();

    QLabel* const Label1;
    TCustomMaskEdit* const Edit1; // the group
    TDBNavigator* const DBNavigator1;
    QLabel *const Label2, *const Label3, *const Label4, *const Label5;
    TDBComboBox *const DBComboBox1, *const DBComboBox2, *const DBComboBox3, *const DBComboBox4;
    QGroupBox *const GroupBox1, *const GroupBox2; // "Chefes", "Secretárias"
    QPushButton* const Button1;

private:
    std::array<TDBComboBox*, Slots> Lists() const {
        return {DBComboBox1, DBComboBox2, DBComboBox3, DBComboBox4};
    }
    void ReadBossSecretaryCodes();
    void RefreshCombos(bool reread);
    void ClearOnKey(int slot, int& key, TShiftState shift); // Space or Delete, not as a chord
};
