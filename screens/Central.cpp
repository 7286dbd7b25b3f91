#include "screens/Central.h"

#include "core/Language.h"
#include "core/Programming.h"
#include "core/ValueConversions.h"
#include "platform/ui/UiServices.h"
#include "screens/ScreenFields.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int CentralHelp = 36;

} // namespace

TFormCentral::TFormCentral(QWidget* parent)
    : TScreenForm(parent, WithHelp, CentralHelp, "BitBtn1"), Label1(new QLabel(this)),
      MaskEdit1(NewMaskEdit(this, "MaskEdit1", "00;_")), Label2(new QLabel(this)),
      MaskEdit2(NewMaskEdit(this, "MaskEdit2", "00:00;_")), Label3(new QLabel(this)),
      MaskEdit3(NewMaskEdit(this, "MaskEdit3", "0000000000000;_")) {
    Label1->setBuddy(MaskEdit1);
    Label2->setBuddy(MaskEdit2);
    Label3->setBuddy(MaskEdit3);
    auto* fields = new QFormLayout;
    fields->addRow(Label1, MaskEdit1);
    fields->addRow(Label2, MaskEdit2);
    fields->addRow(Label3, MaskEdit3);
    SetContent(fields);

    connect(OkButton, &QPushButton::clicked, this, &TFormCentral::OkButtonClick);
    connect(CancButton, &QPushButton::clicked, this, &TFormCentral::CancButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TFormCentral::BitBtn1Click);
}

void TFormCentral::FormShow() {
    setWindowTitle(TrText("Dados do centralizador"));
    CaptionButtons();
    Label1->setText(TrLabel("&Número de identificação da central"));
    Label2->setText(TrLabel("&Horário da chamada ao centralizador"));
    Label3->setText(TrLabel("Número do &telefone centralizador"));

    const std::uint8_t id = ProgrammingImage[Offset::CentralizerId];
    SetText(MaskEdit1, id != 0 ? IntToStrZeroPad(BcdToByte(id), 2) : "");
    const std::uint8_t hour = ProgrammingImage[Offset::CentralizerHour];
    const std::uint8_t minute = ProgrammingImage[Offset::CentralizerMinute];
    SetText(MaskEdit2, hour != NoCallTime && minute != NoCallTime ? FormatClockTime(hour, minute) : "");
    SetText(MaskEdit3, UnpackPhoneNumber(ProgrammingImage.Packed(Offset::CentralizerNumber)));
    MaskEdit1->setFocus();
}

void TFormCentral::OkButtonClick() {
    RunOk([this](TProgrammingEdit& edit) {
        const std::string idText = RemoveSpaces(Text(MaskEdit1));
        const int id = idText.empty() ? 0 : std::stoi(idText); // the mask lets two digits through
        if (id == 0) {
            const std::string question = TranslateText("Identidade não definida ou igual a 0") + "\n" +
                                         TranslateText("cancela dados do centralizador. Confirma ?");
            if (!AskConfirmation(this, question)) FailCheck(nullptr, ""); // stay on the screen
            MaskEdit2->clear();
            MaskEdit3->clear();
        }
        TTimePair time;
        if (!ConverteHorario(Text(MaskEdit2), time))
            FailCheck(MaskEdit2, LngText("Horário da chamada está incorreto."));
        if (time.hour == NoTime) time = {NoCallTime, NoCallTime};

        const TImageView& image = edit.Image();
        image[Offset::CentralizerId] = ByteToBcd(static_cast<std::uint8_t>(id));
        image[Offset::CentralizerHour] = time.hour;
        image[Offset::CentralizerMinute] = time.minute;
        image.SetPacked(Offset::CentralizerNumber, PackPhoneNumber(RemoveSpaces(Text(MaskEdit3))));
        edit.Mark(Section::Centralizer);
    });
}

void TFormCentral::CancButtonClick() {
    CloseWithoutChange();
}

void TFormCentral::BitBtn1Click() {
    ShowHelp();
}
