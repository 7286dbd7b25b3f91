// The calendar screen: the picked date and time, and the weekday of the date, into bytes 11..17.

#include "ScreenFixture.h"
#include "screens/Calendar.h"
#include "support/EventWait.h"
#include "support/UserInput.h"

#include "screens/DateField.h"

#include <QCalendarWidget>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimeEdit>
#include <QToolButton>

namespace {

class CalendarTest : public ScreenFixture {
protected:
    void SetUp() override {
        ScreenFixture::SetUp();
        LoadModel(11);
        LoadedSections.fill(0);
        screen.show();
    }
    std::vector<int> Clock() const {
        return {ProgrammingHeader[11], ProgrammingHeader[12], ProgrammingHeader[13], ProgrammingHeader[14],
                ProgrammingHeader[15], ProgrammingHeader[16], ProgrammingHeader[17]};
    }
    TFormCalendar screen;
};

TEST_F(CalendarTest, SystemClockStoresDateTimeAndItsWeekdayAndMarksTheClockLoaded) {
    screen.CompButtonClick(); // the fixed clock: Thursday 29/02/2024 23:59:58
    EXPECT_TRUE(screen.RadioGroup1Items[4]->isChecked());
    screen.OkButtonClick();
    EXPECT_EQ(Clock(), (std::vector<int>{5, 29, 2, 24, 23, 59, 58}));
    EXPECT_EQ(LoadedSections[1], 1);
    EXPECT_EQ(EditedSections[1], 1);
    EXPECT_EQ(ModifiedSections[1], 1);
    EXPECT_EQ(ProgrammingModified, 1);
    EXPECT_EQ(screen.result(), QDialog::Accepted);
    EXPECT_FALSE(screen.isVisible());
}

TEST_F(CalendarTest, TheWeekdayStoredAlwaysComesFromTheDate) {
    screen.DateTimePicker1->setDate(QDate(2000, 1, 1)); // a Saturday
    EXPECT_EQ(screen.WeekdayIndex, 6);
    screen.DateTimePicker2->setTime(QTime(7, 5, 0));
    screen.RadioGroup1Items[1]->click(); // "Segunda" is only shown
    EXPECT_EQ(screen.WeekdayIndex, 1);
    screen.OkButtonClick();
    EXPECT_EQ(Clock(), (std::vector<int>{7, 1, 1, 0, 7, 5, 0}));
}

TEST_F(CalendarTest, CancelStoresNothing) {
    const auto before = TProgrammingState::Now();
    screen.CompButtonClick();
    screen.CancButtonClick();
    EXPECT_EQ(TProgrammingState::Now(), before);
    EXPECT_EQ(screen.result(), QDialog::Rejected);
}

} // namespace

namespace {

// A date typed digit by digit over another is taken whole: the day is not cut to what the month
// allows in the old year while the year is still to be typed.
struct TTypedDate {
    QDate shown;
    const char* typed;
    QDate taken;
};

class CalendarTyping : public CalendarTest, public testing::WithParamInterface<TTypedDate> {};

TEST_P(CalendarTyping, TheTypedDateIsTakenWhole) {
    screen.DateTimePicker1->setDate(GetParam().shown);
    ShowActive(screen);
    QLineEdit* field = screen.DateTimePicker1->Edit;
    PressAndRelease(field, {3, field->height() / 2}); // on the day's first digit
    ASSERT_EQ(QApplication::focusWidget(), field);
    TypeText(&screen, GetParam().typed);
    TypeKey(&screen, Qt::Key_Tab);
    EXPECT_EQ(screen.DateTimePicker1->date().toString("dd/MM/yyyy"), GetParam().taken.toString("dd/MM/yyyy"));
    TypeKey(&screen, Qt::Key_K, Qt::AltModifier);
    ASSERT_EVENTUALLY(!screen.isVisible());
    const QDate taken = GetParam().taken;
    EXPECT_EQ(Clock()[1], taken.day());
    EXPECT_EQ(Clock()[2], taken.month());
    EXPECT_EQ(Clock()[3], taken.year() % 100);
}

INSTANTIATE_TEST_SUITE_P(Dates, CalendarTyping,
                         testing::Values(TTypedDate{QDate(2026, 5, 17), "29022024", QDate(2024, 2, 29)},
                                         TTypedDate{QDate(2026, 2, 15), "31122026", QDate(2026, 12, 31)},
                                         TTypedDate{QDate(2026, 3, 10), "31052026", QDate(2026, 5, 31)},
                                         TTypedDate{QDate(2024, 2, 29), "15082025", QDate(2025, 8, 15)}),
                         [](const testing::TestParamInfo<TTypedDate>& info) {
                             return "Typed" + std::string(info.param.typed) + "Over" +
                                    info.param.shown.toString("ddMMyyyy").toStdString();
                         });

TEST_F(CalendarTest, AnImpossibleDateIsRefusedOnOk) {
    ShowActive(screen);
    QLineEdit* field = screen.DateTimePicker1->Edit;
    PressAndRelease(field, {3, field->height() / 2});
    TypeText(&screen, "31022026");
    const TProgrammingState before = TProgrammingState::Now();
    TypeKey(&screen, Qt::Key_K, Qt::AltModifier);
    ASSERT_EVENTUALLY_EQ(services.messages.shown.size(), std::size_t{1});
    ExpectOkRefused(screen, before, "Data inválida.", field);
}

TEST_F(CalendarTest, TheCalendarButtonPicksADate) {
    screen.DateTimePicker1->setDate(QDate(2026, 5, 17));
    ShowActive(screen);
    PressAndRelease(screen.DateTimePicker1->CalendarButton);
    auto* calendar = screen.DateTimePicker1->findChild<QCalendarWidget*>();
    ASSERT_NE(calendar, nullptr);
    ASSERT_TRUE(calendar->isVisible());
    TypeKey(calendar, Qt::Key_Right); // the next day
    TypeKey(calendar, Qt::Key_Return);
    EXPECT_FALSE(calendar->isVisible());
    EXPECT_EQ(screen.DateTimePicker1->date(), QDate(2026, 5, 18));
    EXPECT_TRUE(screen.RadioGroup1Items[1]->isChecked()); // a Monday
}

} // namespace
