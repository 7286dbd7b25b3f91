#pragma once
// TFormAtuaAuto, "Atuação externa": the switching times of the two external actuation outputs
// (section 16, help 35; no "Padrão"). ProgrammingHeader:
//   734 + 2 (i - 1)  actuation 1 time i: 12 times, 24 on models 3, 4 and 5 (the rest of the
//                    area, 758..781, is not touched on the other models)
//   782 + 2 (i - 1)  actuation 2 times, the same sizes
//   830              activation: bits 2-3 actuation 1, bits 6-7 actuation 2 (ScheduleParts.h);
//                    other bits kept
// OK checks each row's actuation-1 time, then its actuation-2 time (an empty cell is refused, a
// cell showing ":" is no time); the first refused one stops it. Each list is sorted, empty times
// last; an actuation without a first time is stored as "Não ativa". Models 8, 9 and 13 have no
// actuation 2: its controls are disabled and its bytes are written back as shown.

#include "screens/ScreenConventions.h"

#include <memory>

class QGroupBox;
class TActivationChoice;
class TVevIvizudEvar;

class TFormAtuaAuto : public TScreenForm {
    Q_OBJECT
public:
    explicit TFormAtuaAuto(QWidget* parent = nullptr);
    ~TFormAtuaAuto() override;

    void FormShow() override;
    void MostraAtuacao();
    void OkButtonClick();
    void CancButtonClick();
    void HelpBitBtnClick();

    TActivationChoice& Activation1() { return *activation1_; } // "ATIVAÇÃO ATUAÇÃO 1"
    TActivationChoice& Activation2() { return *activation2_; } // "ATIVAÇÃO ATUAÇÃO 2"
    TVevIvizudEvar* const VevIvizudEvar1;                      // actuation 1 times
    TVevIvizudEvar* const VevIvizudEvar2;                      // actuation 2 times
    QGroupBox* const Panel1;                                   // "Atuação 1", around VevIvizudEvar1
    QGroupBox* const Panel2;                                   // "Atuação 2", around VevIvizudEvar2

private:
    std::unique_ptr<TActivationChoice> activation1_, activation2_;
};
