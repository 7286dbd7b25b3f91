#include "screens/Emergenc.h"

#include "core/ExtensionCodes.h"
#include "core/Language.h"
#include "core/ModelTables.h"
#include "core/Programming.h"
#include "core/ValueConversions.h"
#include "platform/ui/UiServices.h"
#include "screens/ScreenFields.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace {

constexpr int EmergencHelp = 28;
constexpr int ExtensionLength = 5;
constexpr PositionCode Emergency1Marker = 0x76, Emergency2Marker = 0x77, NoTarget = 0xBF;

bool HasEmergency2(std::uint8_t model) {
    return model != 8 && model != 9 && model != 13;
}

// The reserved destination values besides NoExtension: the external-number markers and codes of a
// meaning the tool does not know. They show no extension, and OK keeps them while the list is left
// showing none.
constexpr std::array<std::uint8_t, 6> UnnamedDestinations = {
    0x60, Emergency1Marker, Emergency2Marker, 0x7A, 0x7B, 0xFF};

// The text a destination byte shows: nothing for the reserved values.
std::string DestinationText(std::uint8_t code, bool extensionTarget) {
    if (code == NoExtension || (extensionTarget && code == NoTarget) ||
        std::ranges::find(UnnamedDestinations, code) != UnnamedDestinations.end())
        return "";
    return ExtensionTextFromCode(code + 1);
}

// The destination a list names at OK (a reserved value it was left showing as none is kept).
PositionCode DestinationOf(QComboBox* list, std::size_t offset) {
    return OfferedOrUnnamedCode(list, ProgrammingImage[offset], UnnamedDestinations);
}

bool HasDigits(const PackedNumber& number) {
    return (number[1] & 31) != 0;
}

} // namespace

TFormEmergenc::TFormEmergenc(QWidget* parent)
    : TScreenForm(parent, WithHelp, EmergencHelp, "BitBtn1"), Label1(new QLabel(this)),
      Label2(new QLabel(this)), MaskEdit1(NewMaskEdit(this, "MaskEdit1", PhoneNumberMask)),
      ComboBox1(NewList(this, "ComboBox1", true, ExtensionLength, true)), Label3(new QLabel(this)),
      Label4(new QLabel(this)), MaskEdit2(NewMaskEdit(this, "MaskEdit2", PhoneNumberMask)),
      ComboBox2(NewList(this, "ComboBox2", true, ExtensionLength, true)), Label5(new QLabel(this)),
      Label6(new QLabel(this)), Label7(new QLabel(this)),
      ComboBox3(NewList(this, "ComboBox3", true, ExtensionLength, true)),
      MaskEdit3(NewMaskEdit(this, "MaskEdit3", PhoneNumberMask)),
      ComboBox4(NewList(this, "ComboBox4", true, ExtensionLength, true)),
      GroupBox1(NewFieldGroup(this, "GroupBox1", {{Label1, MaskEdit1}, {Label2, ComboBox1}})),
      GroupBox2(NewFieldGroup(this, "GroupBox2", {{Label3, MaskEdit2}, {Label4, ComboBox2}})),
      GroupBox3(
          NewFieldGroup(this, "GroupBox3", {{Label5, ComboBox3}, {Label6, MaskEdit3}, {Label7, ComboBox4}})) {
    auto* content = new QVBoxLayout;
    for (QGroupBox* group : {GroupBox1, GroupBox2, GroupBox3}) content->addWidget(group);
    SetContent(content);

    BindExit(MaskEdit1, [this] { MaskEdit1Exit(); });
    BindExit(MaskEdit2, [this] { MaskEdit2Exit(); });
    BindExit(MaskEdit3, [this] { MaskEdit3Exit(); });
    BindExit(ComboBox1, [this] { ComboBox1Exit(); });
    BindExit(ComboBox2, [this] { ComboBox2Exit(); });
    BindExit(ComboBox3, [this] { ComboBox3Exit(); });
    BindExit(ComboBox4, [this] { ComboBox4Exit(); });
    connect(OkButton, &QPushButton::clicked, this, &TFormEmergenc::OkButtonClick);
    connect(CancButton, &QPushButton::clicked, this, &TFormEmergenc::CancButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TFormEmergenc::BitBtn1Click);
}

void TFormEmergenc::FormShow() {
    setWindowTitle(TrText("Emergência externa"));
    CaptionButtons();
    GroupBox1->setTitle(TrText("Emergência 1"));
    GroupBox2->setTitle(TrText("Emergência 2"));
    GroupBox3->setTitle(TrText("Ramal Emergência"));
    for (QLabel* label : {Label1, Label3, Label6}) label->setText(TrText("Número externo"));
    for (QLabel* label : {Label2, Label4, Label7}) label->setText(TrText("Número interno"));
    Label5->setText(TrText("Ramal emergência"));
    GroupBox2->setEnabled(HasEmergency2(ModelCode));

    for (QComboBox* list : {ComboBox1, ComboBox2, ComboBox3, ComboBox4}) FillExtensionList(list, true);
    SelectText(ComboBox1, DestinationText(ProgrammingImage[Offset::Emergency1Target], false));
    SelectText(ComboBox2, DestinationText(ProgrammingImage[Offset::Emergency2Target], false));
    SelectText(ComboBox3, DestinationText(ProgrammingImage[Offset::EmergencyExtension], false));
    SelectText(ComboBox4, DestinationText(ProgrammingImage[Offset::EmergencyExtensionTarget], true));
    SetText(MaskEdit1, UnpackPhoneNumber(ProgrammingImage.Packed(Offset::Emergency1Number)));
    SetText(MaskEdit2, UnpackPhoneNumber(ProgrammingImage.Packed(Offset::Emergency2Number)));
    SetText(MaskEdit3, UnpackPhoneNumber(ProgrammingImage.Packed(Offset::EmergencyExtensionNumber)));
    ComboBox1->setFocus();
}

void TFormEmergenc::ErroSemRota0(QWidget* field) {
    FailCheck(field, LngText("Não existe Rota 0 programada, não será possível programar número externo."));
}

bool TFormEmergenc::CheckNumber(QLineEdit* field) {
    if (RemoveSpaces(Text(field)).empty()) return false;
    if (!RouteZeroExists()) ErroSemRota0(field);
    return true;
}

void TFormEmergenc::MaskEdit1Exit() {
    Guard([this] { CheckNumber(MaskEdit1); });
}

void TFormEmergenc::MaskEdit2Exit() {
    Guard([this] {
        if (CheckNumber(MaskEdit2)) ComboBox2->setEditText(QString());
    });
}

void TFormEmergenc::MaskEdit3Exit() {
    Guard([this] {
        if (CheckNumber(MaskEdit3)) ComboBox4->setEditText(QString());
    });
}

void TFormEmergenc::ComboBox1Exit() {
    Guard([this] { ExtensionCodeOf(ComboBox1); });
}

void TFormEmergenc::ComboBox2Exit() {
    Guard([this] {
        if (ExtensionCodeOf(ComboBox2) != NoExtension) MaskEdit2->clear();
    });
}

void TFormEmergenc::ComboBox3Exit() {
    Guard([this] { ExtensionCodeOf(ComboBox3); });
}

void TFormEmergenc::ComboBox4Exit() {
    Guard([this] {
        if (ExtensionCodeOf(ComboBox4) != NoExtension) MaskEdit3->clear();
    });
}

void TFormEmergenc::CheckFields() {
    for (QWidget* field : {static_cast<QWidget*>(MaskEdit1), static_cast<QWidget*>(ComboBox1),
                           static_cast<QWidget*>(MaskEdit2), static_cast<QWidget*>(ComboBox2),
                           static_cast<QWidget*>(ComboBox3), static_cast<QWidget*>(MaskEdit3),
                           static_cast<QWidget*>(ComboBox4)}) {
        if (!field->isEnabled()) continue;
        if (auto* number = qobject_cast<QLineEdit*>(field))
            CheckNumber(number);
        else
            OfferedExtensionCodeOf(static_cast<QComboBox*>(field));
    }
}

void TFormEmergenc::OkButtonClick() {
    RunOk([this](TProgrammingEdit& edit) {
        CheckFields();
        const TImageView& image = edit.Image();
        const auto destination = [](QComboBox* list, const PackedNumber& number, PositionCode marker,
                                    std::size_t offset) {
            return HasDigits(number) ? marker : DestinationOf(list, offset);
        };
        const PackedNumber number1 = PhoneNumberOf(MaskEdit1), number2 = PhoneNumberOf(MaskEdit2);
        image.SetPacked(Offset::Emergency1Number, number1);
        image[Offset::Emergency1Target] =
            destination(ComboBox1, number1, Emergency1Marker, Offset::Emergency1Target);
        image.SetPacked(Offset::Emergency2Number, number2);
        image[Offset::Emergency2Target] =
            destination(ComboBox2, number2, Emergency2Marker, Offset::Emergency2Target);

        const PositionCode extension = ExtensionCodeOf(ComboBox3);
        PackedNumber number3 = PhoneNumberOf(MaskEdit3);
        PositionCode target = DestinationOf(ComboBox4, Offset::EmergencyExtensionTarget);
        if (extension == NoExtension) number3 = PackedNumber{};
        if (extension == NoExtension || HasDigits(number3) || target == NoExtension) target = NoTarget;
        image[Offset::EmergencyExtension] = extension;
        image.SetPacked(Offset::EmergencyExtensionNumber, number3);
        image[Offset::EmergencyExtensionTarget] = target;
        edit.Mark(Section::Emergency);
    });
}

void TFormEmergenc::CancButtonClick() {
    CloseWithoutChange();
}

void TFormEmergenc::BitBtn1Click() {
    ShowHelp();
}
