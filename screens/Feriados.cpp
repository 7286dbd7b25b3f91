#include "screens/Feriados.h"

#include "core/Language.h"
#include "core/Programming.h"
#include "platform/ui/UiServices.h"
#include "screens/ScreenFields.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int FeriaHelp = 34;
constexpr int HolidayColumns = 4;

bool IsDigits(const std::string& text) {
    return std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
}

// Day 1..31 of month 1..12, without a 31st in the short months or a 30th of February.
bool DateExists(int day, int month) {
    static constexpr std::array<int, 12> LongestDay = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month >= 1 && month <= 12 && day >= 1 && day <= LongestDay[month - 1];
}

std::string WithoutBlanks(const QString& text) {
    std::string compact;
    for (const char c : text.toStdString())
        if (c != ' ' && c != '_') compact += c;
    return compact;
}

} // namespace

TFormFeria::TFormFeria(QWidget* parent)
    : TScreenForm(parent, WithHelp, FeriaHelp), MaskEdit17(NewMaskEdit(this, "MaskEdit17", "00:00;_")),
      Label1(NewLabel(this, "Label1", MaskEdit17)), GroupBox1(new QGroupBox(this)) {
    GroupBox1->setObjectName("GroupBox1");
    auto* dates = new QGridLayout(GroupBox1);
    for (int k = 1; k <= HolidayCount; ++k) {
        QLineEdit* field = NewMaskEdit(GroupBox1, ("MaskEdit" + std::to_string(k)).c_str(), "00/00;_");
        MaskEdit[k - 1] = field;
        dates->addWidget(field, (k - 1) / HolidayColumns, (k - 1) % HolidayColumns);
    }
    auto* saturday = new QHBoxLayout;
    saturday->addWidget(Label1);
    saturday->addWidget(MaskEdit17);
    saturday->addStretch();
    auto* content = new QVBoxLayout;
    content->addWidget(GroupBox1);
    content->addLayout(saturday);
    SetContent(content);

    connect(OkButton, &QPushButton::clicked, this, &TFormFeria::OkButtonClick);
    connect(CancButton, &QPushButton::clicked, this, &TFormFeria::CancButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TFormFeria::HelpBitBtnClick);
}

TFormFeria::THoliday TFormFeria::DataInvalida(int k) const {
    THoliday holiday;
    holiday.text = WithoutBlanks(MaskEdit[k - 1]->text());
    if (holiday.text == "/") return holiday;
    const std::string& text = holiday.text;
    if (text.size() < 5 || !IsDigits(text.substr(0, 2)) || !IsDigits(text.substr(3, 2))) {
        holiday.invalid = true;
        return holiday;
    }
    holiday.day = std::stoi(text.substr(0, 2));
    holiday.month = std::stoi(text.substr(3, 2));
    holiday.invalid = !DateExists(holiday.day, holiday.month);
    return holiday;
}

bool TFormFeria::HoraValida(const std::string& text, TTimePair& time) {
    const std::string compact = RemoveSpaces(text);
    if (compact == "__:__" || compact.empty() || compact == ":") {
        time = {0, 0};
        return true;
    }
    const auto parsed = ParseClockText(compact);
    if (parsed) time = *parsed;
    return parsed.has_value();
}

std::string TFormFeria::MostraFeriados(int k) {
    const std::size_t offset = Offset::Holidays + 2 * static_cast<std::size_t>(k - 1);
    const std::uint8_t day = ProgrammingHeader[offset], month = ProgrammingHeader[offset + 1];
    return day != 0 && month != 0 ? FormatClockTimeBin(day, month) : "";
}

void TFormFeria::FormShow() {
    setWindowTitle(TrText("Feriados"));
    CaptionButtons();
    GroupBox1->setTitle(TrText("&Feriados"));
    Label1->setText(TrLabel("&Sábado é feriado a partir das"));
    for (int k = 1; k <= HolidayCount; ++k) SetText(MaskEdit[k - 1], MostraFeriados(k));
    SetText(MaskEdit17, FormatTimeBin(ProgrammingHeader[Offset::SaturdayHoliday],
                                      ProgrammingHeader[Offset::SaturdayHoliday + 1]));
    MaskEdit[0]->setFocus();
}

void TFormFeria::OkButtonClick() {
    RunOk([this](TProgrammingEdit& edit) {
        std::vector<std::pair<int, int>> dates; // month, day
        for (int k = 1; k <= HolidayCount; ++k) {
            const THoliday holiday = DataInvalida(k);
            if (holiday.invalid)
                FailCheck(MaskEdit[k - 1], TranslateText("Feriado em") + " " + holiday.text + " " +
                                               TranslateText("está incorreto"));
            if (holiday.day != 0) dates.emplace_back(holiday.month, holiday.day);
        }
        TTimePair saturday;
        if (!HoraValida(Text(MaskEdit17), saturday))
            FailCheck(MaskEdit17, TranslateText("Hora") + " " + MaskEdit17->displayText().toStdString() +
                                      " " + TranslateText("é inválida"));

        std::ranges::stable_sort(dates);
        const TImageView& header = edit.Header();
        header.Fill(Offset::Holidays, 2 * Offset::HolidayCount + 2, 0);
        for (std::size_t i = 0; i < dates.size(); ++i) {
            header[Offset::Holidays + 2 * i] = static_cast<std::uint8_t>(dates[i].second);
            header[Offset::Holidays + 2 * i + 1] = static_cast<std::uint8_t>(dates[i].first);
        }
        header[Offset::SaturdayHoliday] = saturday.hour;
        header[Offset::SaturdayHoliday + 1] = saturday.minute;
        edit.Mark(Section::Holidays);
    });
}

void TFormFeria::CancButtonClick() {
    CloseWithoutChange();
}

void TFormFeria::HelpBitBtnClick() {
    ShowHelp();
}
