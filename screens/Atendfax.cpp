#include "screens/Atendfax.h"

#include "core/ExtensionCodes.h"
#include "core/Language.h"
#include "core/Programming.h"
#include "platform/ui/UiServices.h"
#include "screens/ScreenFields.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>

namespace {
constexpr int AtendFaxHelp = 29;
} // namespace

TFormAtendFAX::TFormAtendFAX(QWidget* parent)
    : TScreenForm(parent, WithDefault | WithHelp, AtendFaxHelp), Label1(new QLabel(this)),
      ComboBox1(NewList(this, "ComboBox1", true, 5, true)) {
    Label1->setBuddy(ComboBox1);
    auto* fields = new QFormLayout;
    fields->addRow(Label1, ComboBox1);
    SetContent(fields);

    BindExit(ComboBox1, [this] { ComboBox1Exit(); });
    connect(OkButton, &QPushButton::clicked, this, &TFormAtendFAX::OkButtonClick);
    connect(CancButton, &QPushButton::clicked, this, &TFormAtendFAX::CancButtonClick);
    connect(PadButton, &QPushButton::clicked, this, &TFormAtendFAX::PadButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TFormAtendFAX::HelpBitBtnClick);
}

void TFormAtendFAX::PreencheCombo() {
    BuildExtensionList(false);
    FillExtensionList(ComboBox1, true);
}

void TFormAtendFAX::FormShow() {
    setWindowTitle(TrText("Atendedores de FAX"));
    CaptionButtons();
    Label1->setText(TrText("Ramal atendedor de FAX"));
    SelectText(ComboBox1, ExtensionTextFromCode(ProgrammingImage[Offset::FaxAttendant] + 1));
    ComboBox1->setFocus();
}

void TFormAtendFAX::ComboBox1Exit() {
    Guard([this] { ExtensionCodeOf(ComboBox1); });
}

void TFormAtendFAX::PadButtonClick() {
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->setEditText(QString());
}

void TFormAtendFAX::OkButtonClick() {
    RunOk([this](TProgrammingEdit& edit) {
        edit.Image()[Offset::FaxAttendant] = OfferedExtensionCodeOf(ComboBox1);
        edit.Image()[Offset::FaxAttendant + 1] = NoExtension;
        edit.Mark(Section::FaxAttendant);
    });
}

void TFormAtendFAX::CancButtonClick() {
    CloseWithoutChange();
}

void TFormAtendFAX::HelpBitBtnClick() {
    ShowHelp();
}
