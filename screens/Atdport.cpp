#include "screens/Atdport.h"

#include "core/Configuration.h"
#include "core/DefaultValues.h"
#include "core/ExtensionCodes.h"
#include "core/Language.h"
#include "core/Programming.h"
#include "core/ValueConversions.h"
#include "platform/ui/UiServices.h"
#include "screens/ScreenFields.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <array>

namespace {

constexpr int AtdPortHelp = 30;
constexpr int LongestCommand = 5;             // seconds: x 50 still fits a byte
constexpr std::uint8_t DoorPhone2Missing = 9; // the model without door phone 2
constexpr std::string_view NoAttendantText = "    ";
// Attendant codes of a meaning the tool does not know: shown as no attendant, kept by OK.
constexpr std::array<std::uint8_t, 2> UnnamedAttendants = {0x79, 0x7A};

QComboBox* NewAttendantList(QWidget* parent, const char* name) {
    return NewList(parent, name, true, 5, true);
}

QComboBox* NewCommandList(QWidget* parent, const char* name) {
    QComboBox* list = NewList(parent, name, true, 1, true);
    AddNumberItems(list, 1, LongestCommand);
    return list;
}

QComboBox* NewWaitList(QWidget* parent, const char* name) {
    QComboBox* list = NewList(parent, name, true, 2, true);
    AddNumberItems(list, 15, 90, 5);
    return list;
}

} // namespace

bool GrupoVazio(PositionCode attendant) {
    if (attendant < GroupCode(1) || attendant > GroupCode(4)) return false;
    const std::size_t group = attendant - GroupCode(1);
    return ProgrammingImage[Offset::Groups + Offset::GroupRecordSize * group] == EmptyGroupType;
}

bool PorteiroComGrupoVazio() {
    return GrupoVazio(ProgrammingImage[Offset::DoorPhoneAttendant]) ||
           GrupoVazio(ProgrammingImage[Offset::DoorPhoneAttendant + 1]);
}

std::string DescreveAtendedor(PositionCode attendant) {
    if (std::ranges::find(UnnamedAttendants, attendant) != UnnamedAttendants.end() ||
        attendant == NoExtension || GrupoVazio(attendant))
        return std::string(NoAttendantText);
    if (attendant == AccessCode60) return "60";
    return ExtensionTextFromCode(attendant + 1);
}

bool WarnDoorPhonesWithEmptyGroup(QWidget* parent) {
    if (!PorteiroComGrupoVazio()) return false;
    ShowMessage(
        parent, TMsgKind::Warning,
        LngText("Ao apagar grupo de ramal foi gerada inconsistência nos ramais atendedores dos porteiros. "
                "Será necessário corrigi-los."));
    TFormAtdPort screen(parent);
    screen.exec();
    return true;
}

TFormAtdPort::TFormAtdPort(QWidget* parent)
    : TScreenForm(parent, WithDefault | WithHelp, AtdPortHelp), Label1(new QLabel(this)),
      Label2(new QLabel(this)), Label3(new QLabel(this)), Label4(new QLabel(this)),
      ComboBox1(NewAttendantList(this, "ComboBox1")), ComboBox3(NewWaitList(this, "ComboBox3")),
      ComboBox2(NewCommandList(this, "ComboBox2")),
      MaskEdit1(NewMaskEdit(this, "MaskEdit1", PhoneNumberMask)), Label5(new QLabel(this)),
      Label6(new QLabel(this)), Label7(new QLabel(this)), Label8(new QLabel(this)),
      ComboBox5(NewAttendantList(this, "ComboBox5")), ComboBox7(NewWaitList(this, "ComboBox7")),
      ComboBox6(NewCommandList(this, "ComboBox6")),
      MaskEdit2(NewMaskEdit(this, "MaskEdit2", PhoneNumberMask)),
      GroupBox1(NewFieldGroup(
          this, "GroupBox1",
          {{Label1, ComboBox1}, {Label2, ComboBox3}, {Label3, ComboBox2}, {Label4, MaskEdit1}})),
      GroupBox2(NewFieldGroup(
          this, "GroupBox2",
          {{Label5, ComboBox5}, {Label6, ComboBox7}, {Label7, ComboBox6}, {Label8, MaskEdit2}})) {
    auto* content = new QHBoxLayout;
    content->addWidget(GroupBox1);
    content->addWidget(GroupBox2);
    SetContent(content);

    BindExit(ComboBox1, [this] { ComboBox1Exit(); });
    BindExit(ComboBox5, [this] { ComboBox5Exit(); });
    connect(OkButton, &QPushButton::clicked, this, &TFormAtdPort::OkButtonClick);
    connect(CancButton, &QPushButton::clicked, this, &TFormAtdPort::CancButtonClick);
    connect(PadButton, &QPushButton::clicked, this, &TFormAtdPort::PadButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TFormAtdPort::HelpBitBtnClick);
}

std::array<TFormAtdPort::TDoorPhone, 2> TFormAtdPort::DoorPhones() const {
    return {{{ComboBox1, ComboBox3, ComboBox2, MaskEdit1}, {ComboBox5, ComboBox7, ComboBox6, MaskEdit2}}};
}

void TFormAtdPort::FormShow() {
    setWindowTitle(TrText("Atendedores dos Porteiros"));
    CaptionButtons();
    GroupBox1->setTitle(TrText("Porteiro 1"));
    GroupBox2->setTitle(TrText("Porteiro 2"));
    for (QLabel* label : {Label1, Label5}) label->setText(TrText("Ramal atendedor"));
    for (QLabel* label : {Label2, Label6}) label->setText(TrText("Tempo espera atendimento (segundos)"));
    for (QLabel* label : {Label3, Label7}) label->setText(TrText("Tempo de comando (segundos)"));
    for (QLabel* label : {Label4, Label8}) label->setText(TrText("Número externo"));
    BuildExtensionList(true);
    PreencheCombos();
    GroupBox2->setEnabled(ModelCode != DoorPhone2Missing);

    const std::array<std::size_t, 2> numbers = {Offset::DoorPhone1Number, Offset::DoorPhone2Number};
    const auto phones = DoorPhones();
    for (std::size_t door = 0; door < 2; ++door) {
        const TDoorPhone& phone = phones[door];
        SelectText(phone.attendant, DescreveAtendedor(ProgrammingImage[Offset::DoorPhoneAttendant + door]));
        const int command =
            ProgrammingImage[Offset::DoorPhoneCommandTime + door] / Defaults::DoorPhoneCommandUnit;
        SelectText(phone.command, std::to_string(command));
        SelectText(phone.wait, std::to_string(ProgrammingImage[Offset::DoorPhoneWaitTime + door]));
        SetText(phone.number, UnpackPhoneNumber(ProgrammingImage.Packed(numbers[door])));
    }
    ComboBox1->setFocus();
}

void TFormAtdPort::PreencheCombos() {
    for (QComboBox* list : {ComboBox1, ComboBox5}) FillExtensionList(list, false);
}

void TFormAtdPort::ComboBox1Exit() {
    Guard([this] { ExtensionCodeOf(ComboBox1); });
}

void TFormAtdPort::ComboBox5Exit() {
    Guard([this] { ExtensionCodeOf(ComboBox5); });
}

void TFormAtdPort::PadButtonClick() {
    Guard([this] {
        const std::string commandTime = ConfigCommandTime();
        for (const TDoorPhone& phone : DoorPhones()) {
            phone.attendant->setCurrentIndex(phone.attendant->count() > 0 ? 0 : -1);
            SelectText(phone.command, commandTime);
            SelectText(phone.wait, std::to_string(Defaults::DoorPhoneWaitTime));
            phone.number->clear();
        }
    });
}

void TFormAtdPort::OkButtonClick() {
    RunOk([this](TProgrammingEdit& edit) {
        for (QComboBox* attendant : {ComboBox1, ComboBox5})
            if (attendant->isEnabled()) OfferedExtensionCodeOf(attendant);
        const std::array<std::size_t, 2> numbers = {Offset::DoorPhone1Number, Offset::DoorPhone2Number};
        const auto phones = DoorPhones();
        for (std::size_t door = 0; door < 2; ++door) {
            const TDoorPhone& phone = phones[door];
            const TImageView& image = edit.Image();
            image[Offset::DoorPhoneAttendant + door] = OfferedOrUnnamedCode(
                phone.attendant, ProgrammingImage[Offset::DoorPhoneAttendant + door], UnnamedAttendants);
            image[Offset::DoorPhoneWaitTime + door] = ListValue(phone.wait, 255);
            image[Offset::DoorPhoneCommandTime + door] = static_cast<std::uint8_t>(
                ListValue(phone.command, LongestCommand) * Defaults::DoorPhoneCommandUnit);
            image.SetPacked(numbers[door], PhoneNumberOf(phone.number));
        }
        edit.Mark(Section::DoorPhones);
    });
}

void TFormAtdPort::CancButtonClick() {
    CloseWithoutChange();
}

void TFormAtdPort::HelpBitBtnClick() {
    ShowHelp();
}
