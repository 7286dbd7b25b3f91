#pragma once
// TFormNotAuto, "Noturno automático": when the exchange switches itself into and out of night
// service (section 16, help 33; no "Padrão"). ProgrammingHeader:
//   686 + 4 (i - 1)  entry i = 1..12: [exit hour, exit minute, entry hour, entry minute]; all
//                    12 are written, models 3, 4 and 5 use 12 and the others 6 (7..12 get 0x60)
//   830 bits 4-5     the activation: 0x30 "Ativa nos dias úteis", 0x20 "Ativa todos os dias",
//                    0 "Não ativa"; other bits kept
// Times and their encoding: ScheduleParts.h. OK checks each row's entry time, then its exit
// time (an empty cell is no time); the first refused one stops it (a box, the cursor on the
// cell). The exit times and the entry times are sorted each on their own, the empty ones last;
// without a first exit time the activation is stored as "Não ativa".

#include "screens/ScreenConventions.h"

#include <memory>

class QGroupBox;
class TActivationChoice;
class TVevIvizudEvar;

class TFormNotAuto : public TScreenForm {
    Q_OBJECT
public:
    explicit TFormNotAuto(QWidget* parent = nullptr);
    ~TFormNotAuto() override;

    void FormShow() override;
    void MostraNoturno();
    void OkButtonClick();
    void CancButtonClick();
    void HelpBitBtnClick();

    TActivationChoice& Activation() { return *activation_; } // "ATIVAÇÃO"
    TVevIvizudEvar* const VevIvizudEvar1;                    // the entry times
    TVevIvizudEvar* const VevIvizudEvar2;                    // the exit times
    QGroupBox* const Panel2;                                 // "Entrada", around VevIvizudEvar1
    QGroupBox* const Panel3;                                 // "Saída", around VevIvizudEvar2

private:
    std::unique_ptr<TActivationChoice> activation_;
};
