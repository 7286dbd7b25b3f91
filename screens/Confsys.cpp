#include "screens/Confsys.h"

#include "core/Configuration.h"
#include "core/Language.h"
#include "platform/ui/UiServices.h"
#include "screens/ScreenFields.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

std::string SerialPortName = DefaultSerialPort;
std::vector<std::string> SerialPortList;
std::uint16_t TimerAtrasoInterval = 100;

void LoadSerialPortSetting(const std::string& sysClassTty) {
    SerialPortName = ConfigSerialPort();
    SerialPortList = ListSerialDevices(sysClassTty);
    TimerAtrasoInterval = 100;
}

TFormConfSys::TFormConfSys(QWidget* parent)
    : TScreenForm(parent, OkCancel), Label1(new QLabel(this)), ComboBox1(NewList(this, "ComboBox1", false)) {
    Label1->setBuddy(ComboBox1);
    ComboBox1->setMinimumContentsLength(16);
    auto* fields = new QVBoxLayout;
    fields->addWidget(Label1);
    fields->addWidget(ComboBox1);
    SetContent(fields);

    connect(OkButton, &QPushButton::clicked, this, &TFormConfSys::OkButtonClick);
    connect(CancButton, &QPushButton::clicked, this, &TFormConfSys::CancButtonClick);
}

void TFormConfSys::FormShow() {
    setWindowTitle(TrText("Configuração do sistema"));
    CaptionButtons();
    Label1->setText(TrLabel("&Porta de comunicação serial"));
    ComboBox1->clear();
    for (const std::string& port : SerialPortList) ComboBox1->addItem(QString::fromStdString(port));
    ComboBox1->setPlaceholderText(QString::fromStdString(SerialPortName));
    SelectText(ComboBox1, SerialPortName);
    ComboBox1->setFocus();
}

void TFormConfSys::OkButtonClick() {
    if (!Guard([this] {
            const std::string chosen = ComboBox1->currentIndex() >= 0 ? Text(ComboBox1) : SerialPortName;
            SaveConfigSerialPort(chosen);
            SerialPortName = chosen;
        }))
        return;
    accept();
}

void TFormConfSys::CancButtonClick() {
    CloseWithoutChange();
}
