#include "screens/Calendar.h"

#include "core/Language.h"
#include "core/ValueConversions.h"
#include "platform/ui/UiServices.h"
#include "screens/DateField.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

constexpr int CalendarHelp = 25;

constexpr std::array<const char*, 7> WeekdayNames = {LngText("Domingo"), LngText("Segunda"), LngText("Terça"),
                                                     LngText("Quarta"),  LngText("Quinta"),  LngText("Sexta"),
                                                     LngText("Sábado")};

// 0 = Sunday .. 6 = Saturday.
int WeekdayOf(const QDate& date) {
    return date.dayOfWeek() % 7;
}

} // namespace

TFormCalendar::TFormCalendar(QWidget* parent)
    : TScreenForm(parent, WithHelp, CalendarHelp), Label1(new QLabel(this)),
      DateTimePicker1(new TDateField(this)), Label2(new QLabel(this)), DateTimePicker2(new QTimeEdit(this)),
      RadioGroup1(new QGroupBox(this)), CompButton(new QPushButton(this)), weekdays_(new QButtonGroup(this)) {
    DateTimePicker1->setObjectName("DateTimePicker1");
    DateTimePicker1->setDateRange(QDate(2000, 1, 1), QDate(2099, 12, 31));
    DateTimePicker2->setObjectName("DateTimePicker2");
    DateTimePicker2->setDisplayFormat("HH:mm:ss");
    Label1->setBuddy(DateTimePicker1);
    Label2->setBuddy(DateTimePicker2);
    CompButton->setObjectName("CompButton");
    RadioGroup1->setObjectName("RadioGroup1");

    const QDateTime now = ClockService().Now();
    DateTimePicker1->setDate(now.date());
    DateTimePicker2->setTime(now.time());

    auto* radios = new QVBoxLayout(RadioGroup1);
    for (int day = 0; day < 7; ++day) {
        RadioGroup1Items[day] = new QRadioButton(RadioGroup1);
        weekdays_->addButton(RadioGroup1Items[day], day);
        radios->addWidget(RadioGroup1Items[day]);
    }

    auto* pickers = new QFormLayout;
    pickers->addRow(Label1, DateTimePicker1);
    pickers->addRow(Label2, DateTimePicker2);
    pickers->addRow(QString(), CompButton);
    auto* content = new QHBoxLayout;
    content->addLayout(pickers);
    content->addSpacing(12);
    content->addWidget(RadioGroup1);
    SetContent(content);

    connect(DateTimePicker1, &TDateField::dateChanged, this, [this] { DateTimePicker1Change(); });
    connect(weekdays_, &QButtonGroup::idClicked, this, &TFormCalendar::RadioGroup1Click);
    connect(CompButton, &QPushButton::clicked, this, &TFormCalendar::CompButtonClick);
    connect(OkButton, &QPushButton::clicked, this, &TFormCalendar::OkButtonClick);
    connect(CancButton, &QPushButton::clicked, this, &TFormCalendar::CancButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TFormCalendar::HelpBitBtnClick);
}

void TFormCalendar::FormShow() {
    setWindowTitle(TrText("Calendário"));
    CaptionButtons();
    Label1->setText(TrLabel("&Data atual"));
    Label2->setText(TrLabel("&Hora atual"));
    CompButton->setText(TrLabel("&Sistema"));
    RadioGroup1->setTitle(TrText("Dia da semana"));
    weekdays_->setExclusive(false);
    for (int day = 0; day < 7; ++day) {
        RadioGroup1Items[day]->setText(TrText(WeekdayNames[day]));
        RadioGroup1Items[day]->setChecked(false);
    }
    weekdays_->setExclusive(true);
    DateTimePicker1->setFocus();
}

void TFormCalendar::CompButtonClick() {
    const QDateTime now = ClockService().Now();
    DateTimePicker1->setDate(now.date());
    DateTimePicker2->setTime(now.time());
    SelectWeekdayOfDate();
}

void TFormCalendar::DateTimePicker1Change() {
    SelectWeekdayOfDate();
}

void TFormCalendar::SelectWeekdayOfDate() {
    if (!DateTimePicker1->date().isValid()) return;
    WeekdayIndex = static_cast<std::uint8_t>(WeekdayOf(DateTimePicker1->date()));
    RadioGroup1Items[WeekdayIndex]->setChecked(true);
}

void TFormCalendar::RadioGroup1Click(int id) {
    WeekdayIndex = static_cast<std::uint8_t>(id);
}

void TFormCalendar::OkButtonClick() {
    RunOk([this](TProgrammingEdit& edit) {
        const QDate date = DateTimePicker1->date();
        if (!date.isValid()) FailCheck(DateTimePicker1, LngText("Data inválida."));
        const QTime time = DateTimePicker2->time();
        PackDate(edit.Header().Span(Offset::ClockDay, 3), date.day(), date.month(), date.year());
        PackTime(edit.Header().Span(Offset::ClockHour, 3), time.hour(), time.minute(), time.second());
        edit.Header()[Offset::ClockWeekday] = static_cast<std::uint8_t>(WeekdayOf(date) + 1);
        edit.Mark(Section::Calendar);
        edit.MarkLoaded(Section::Calendar);
    });
}

void TFormCalendar::CancButtonClick() {
    CloseWithoutChange();
}

void TFormCalendar::HelpBitBtnClick() {
    ShowHelp();
}
