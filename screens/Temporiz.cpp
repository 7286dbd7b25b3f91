#include "screens/Temporiz.h"

#include "core/Configuration.h"
#include "core/DefaultValues.h"
#include "core/Language.h"
#include "core/Programming.h"
#include "platform/ui/UiServices.h"
#include "screens/ScreenFields.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr int TemporHelp = 27;

struct TTimerField {
    std::size_t offset;
    const char* caption;
    int first, last, maxLength; // the list's items and the length typed
    std::uint8_t standard;      // "Padrão" (the flash time comes from the configuration)
    bool inTimersGroup;         // else "Outros"
};

// ComboBox1 .. ComboBox7, in the order OK checks and stores them.
constexpr std::array<TTimerField, TFormTempor::TimerCount> TimerFields = {{
    {Offset::FlashTime, LngText("Tempo de geração de flash (x 100 ms)"), 1, 9, 1, Defaults::FlashTime, true},
    {Offset::Actuation1CommandTime, LngText("Tempo comando atuação 1 (seg.)"), 0, 20, 2,
     Defaults::Actuation1CommandTime, true},
    {Offset::Actuation2CommandTime, LngText("Tempo comando atuação 2 (seg.)"), 0, 20, 2,
     Defaults::Actuation2CommandTime, true},
    {Offset::RecallInterval, LngText("Tempo entre tentativas rechamada (min.)"), 1, 9, 1,
     Defaults::RecallInterval, true},
    {Offset::WakeUpRings, LngText("Número de toques do despertador"), 3, 7, 1, Defaults::WakeUpRings, false},
    {Offset::RecallRings, LngText("Número de toques de rechamada"), 3, 7, 1, Defaults::RecallRings, false},
    {Offset::ExternalRecallTries, LngText("Número de tentativas rechamada externa"), 1, 9, 1,
     Defaults::ExternalRecallTries, false},
}};
constexpr std::size_t FlashField = 0, Actuation2Field = 2;

bool HasActuation2(std::uint8_t model) {
    return model != 8 && model != 9 && model != 13;
}

} // namespace

TFormTempor::TFormTempor(QWidget* parent)
    : TScreenForm(parent, WithDefault | WithHelp, TemporHelp), GroupBox1(new QGroupBox(this)),
      GroupBox2(new QGroupBox(this)) {
    auto* timers = new QFormLayout(GroupBox1);
    auto* others = new QFormLayout(GroupBox2);
    for (std::size_t i = 0; i < TimerCount; ++i) {
        const TTimerField& field = TimerFields[i];
        const std::string name = "ComboBox" + std::to_string(i + 1);
        ComboBox[i] = NewList(this, name.c_str(), true, field.maxLength, true);
        AddNumberItems(ComboBox[i], field.first, field.last);
        Label[i] = NewLabel(this, ("Label" + std::to_string(i + 1)).c_str(), ComboBox[i]);
        (field.inTimersGroup ? timers : others)->addRow(Label[i], ComboBox[i]);
    }
    GroupBox1->setObjectName("GroupBox1");
    GroupBox2->setObjectName("GroupBox2");
    auto* content = new QHBoxLayout;
    content->addWidget(GroupBox1);
    content->addWidget(GroupBox2, 0, Qt::AlignTop);
    SetContent(content);

    connect(OkButton, &QPushButton::clicked, this, &TFormTempor::OkButtonClick);
    connect(CancButton, &QPushButton::clicked, this, &TFormTempor::CancButtonClick);
    connect(PadButton, &QPushButton::clicked, this, &TFormTempor::PadButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TFormTempor::HelpBitBtnClick);
}

void TFormTempor::FormShow() {
    setWindowTitle(TrText("Temporizações"));
    CaptionButtons();
    GroupBox1->setTitle(TrText("Temporizações"));
    GroupBox2->setTitle(TrText("Outros"));
    for (std::size_t i = 0; i < TimerCount; ++i) {
        Label[i]->setText(TrText(TimerFields[i].caption));
        ComboBox[i]->setEditText(QString::number(ProgrammingHeader[TimerFields[i].offset]));
    }
    const bool actuation2 = HasActuation2(ModelCode);
    ComboBox[Actuation2Field]->setEnabled(actuation2);
    Label[Actuation2Field]->setEnabled(actuation2);
    ComboBox[FlashField]->setFocus();
}

void TFormTempor::PadButtonClick() {
    Guard([this] {
        for (std::size_t i = 0; i < TimerCount; ++i)
            ComboBox[i]->setEditText(QString::number(TimerFields[i].standard));
        QComboBox* flash = ComboBox[FlashField];
        flash->setCurrentIndex(flash->findText(QString::fromStdString(ConfigFlashTime())));
        if (flash->currentIndex() < 0) flash->setEditText(QString());
    });
}

void TFormTempor::OkButtonClick() {
    RunOk([this](TProgrammingEdit& edit) {
        for (std::size_t i = 0; i < TimerCount; ++i)
            edit.Header()[TimerFields[i].offset] = ListValue(ComboBox[i], 255, {TimerFields[i].standard});
        edit.Mark(Section::Timers);
    });
}

void TFormTempor::CancButtonClick() {
    CloseWithoutChange();
}

void TFormTempor::HelpBitBtnClick() {
    ShowHelp();
}
