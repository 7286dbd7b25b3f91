// The calendar screen: the picked date and time, and the weekday of the date, into bytes 11..17.

#include "ScreenFixture.h"
#include "screens/Calendar.h"

#include <QDateEdit>
#include <QRadioButton>
#include <QTimeEdit>

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
