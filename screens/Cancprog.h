#pragma once
// TFormCancProg, "Cancelamento das programações": which individual facilities each extension has
// programmed, and their cancellation (section 6, help 17), edited in the scratch table of code 4
// (one row per extension: RAMAL and the six flags "1"/"0").
//
// ProgrammingHeader 254 + p, the facility byte of physical position p:
//   bit 0 SENHAPROG  "Ramal com senha programada"   (not offered on models 8, 9 and 13)
//   bit 1 NAOPERTURB "Ramal com não perturbe"
//   bit 2 CADEADO    "Ramal cadeado"
//   bit 3 SIGAME     "Ramal com siga-me"
//   bit 4 HOTLINE    "Ramal com Hot-Line"
//   bit 5 RAMALTI    "Ramal TI"
//   bits 6-7 kept as stored.
// A clear bit also resets the extension's data of that facility (CancelaDadosRamal).

#include "core/ImageView.h"
#include "platform/data/DataSource.h"
#include "platform/ui/Keys.h"
#include "screens/ScreenConventions.h"

#include <array>
#include <cstdint>

class QLabel;
class TCustomMaskEdit;
class TDBCheckBox;
class TDBNavigator;

// Resets, in the image, the data of every facility whose bit is clear in the facility byte of the
// extension at physical position positionPlusOne - 1 (the data of set bits stays):
//   bit 4 clear (hot line)   3570 + p := 0xFF
//   bit 3 clear (follow-me)  3630 + p := 0xBB
//   bit 0 clear (password)   3650 + 2p, 3651 + 2p := 0xED
//   bit 2 clear (padlock)    3770 + p := 0xFF
void CancelaDadosRamal(const TImageView& image, int positionPlusOne, std::uint8_t facilities);

class TFormCancProg : public TScreenForm {
    Q_OBJECT
public:
    explicit TFormCancProg(QWidget* parent = nullptr);

    static constexpr int Facilities = 6;

    void FormShow() override;
    void OKButtonClick();
    void CancButtonClick();
    void HelpBitBtnClick();
    void PosicRml();                            // leaving the extension edit
    void EnterRml(int& key, TShiftState shift); // key down in it: Enter looks the extension up
    void AtualizaRml();                         // a navigator click

    platform::data::TDataSource DataSourceCancProg; // on the scratch table
    platform::data::TDataSet& TableCancProg();

    QLabel* const Label1;
    TCustomMaskEdit* const Edit1; // the extension
    TDBNavigator* const DBNavigator1;
    std::array<TDBCheckBox*, Facilities> DBCheckBoxes; // bits 0..5

private:
    void ShowCurrentExtension();
};
