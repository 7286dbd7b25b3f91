#pragma once
// TFormGrupoRam, "Grupo de ramais": the four extension groups (section 8, help 19), edited in the
// scratch table of code 5 (one row per group: GRUPO "1".."4", NUMTOQUES, TIPOGRUPO, RAMAL01..07).
// ProgrammingImage, 56 bytes:
//   2425 + 8 (g - 1)      type of group g: 0 "Hierárquico" (TIPOGRUPO "1"), 1 "Distribuidor"
//                         ("2"), 16 "Múltiplo" ("3"), 0x40 an empty group
//   2426 + 8 (g - 1)      7 members: position codes packed from the first byte in the order of
//                         RAMAL01..RAMAL07, then 0xBB
//   2457 + p              per physical position p (0..19): bit g (2, 4, 8, 16 for groups 1..4)
//                         set when p is a member of group g; bit 0 always 0
//   2477 + (g - 1)        ring count before diversion of group g (NUMTOQUES, 3..7)
//
// OK walks the groups in order and stops on the first that fails: a group with members needs a
// type ("Tipo de grupo não foi definido."), a "Múltiplo" group takes at most 6 members. A group
// without members is stored empty (0x40) whatever its type. Nothing is stored on a failure.
// The member lists offer the extensions of the numbering plan; one that is already a member of
// the group is offered only in its own slot.

#include "core/ImageLayout.h"
#include "platform/data/DataSource.h"
#include "platform/ui/Keys.h"
#include "screens/ScreenConventions.h"

#include <array>
#include <string_view>

class QGroupBox;
class QLabel;
class TCustomMaskEdit;
class TDBComboBox;
class TDBNavigator;
class TDBRadioGroup;

// The position code of a member text: 0xBB for an empty text (or blanks) and for a text that
// names no position of the numbering plan; "60".."64" give their access codes.
PositionCode RamalParaIndice(std::string_view text);

class TFormGrupoRam : public TScreenForm {
    Q_OBJECT
public:
    explicit TFormGrupoRam(QWidget* parent = nullptr);

    static constexpr int Members = 7;

    void FormShow() override;
    void OkButtonClick();
    void CancButtonClick();
    void HelpBitBtnClick();
    void EnterGrupo(int& key, TShiftState shift); // key down in the group edit
    void VRamalGrupo();                           // leaving a member list
    void AtualizaGrupo();                         // a navigator click
    void Button1Click();                          // "A&paga"
    void AtualizaCombosGrupo(bool reread);
    void PreencheCombosGrupo();

    platform::data::TDataSource DataSourceGrupoRam; // on the scratch table
    platform::data::TDataSet& TableGrupoRam();

    QLabel* const Label1;
    TCustomMaskEdit* const Edit1; // the group
    TDBNavigator* const DBNavigator1;
    TDBRadioGroup* const DBRadioGroup1; // TIPOGRUPO
    QLabel* const Label2;
    TDBComboBox* const DBComboBox8;                 // NUMTOQUES
    std::array<TDBComboBox*, Members> DBComboBoxes; // RAMAL01..RAMAL07
    QGroupBox* const GroupBox1;                     // "Ramais do grupo"
    QPushButton* const Button1;

private:
    void StoreGroups(TProgrammingEdit& edit);

    std::array<PositionCode, Members> members_{}; // of the current group
};
