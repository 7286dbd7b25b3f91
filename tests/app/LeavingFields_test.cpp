// Every screen with a number field that is checked when the user leaves it, opened from the main
// window and used as a person uses it: a click into the field, the number typed, then a press
// and release of the mouse button on another control of the screen. A number that exists leaves
// the focus and the click where the user put them; one that does not is reported and the focus
// comes back to the field.

#include "ShellFixture.h"
#include "app/prgmain.h"
#include "support/UserInput.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>

#include <optional>

namespace {

struct TLeaveCase {
    const char* name;
    TCommandId command;
    const char* field;  // the number field
    const char* target; // the control clicked next
    const char* good;   // a number the screen accepts
    const char* bad;    // one it reports (null: none)
    TMsgKind badKind = TMsgKind::Information;
    const char* badText = "Ramal 99 não existe.";
};

const TLeaveCase LeaveCases[] = {
    {"categories", TCommandId::Categories, "MaskEdit1", "DBCheckBox2", "24", "99"},
    {"trunks", TCommandId::Trunks, "EditVia", "DBCheckBox5", "02", "09", TMsgKind::Information,
     "09 Não existe a via"},
    {"cancellation", TCommandId::Cancellation, "Edit1", "DBCheckBox2", "22", "99"},
    {"individual programming", TCommandId::IndividualProgramming, "EditRamal", "OKButton", "22", "99"},
    {"prefixes", TCommandId::Prefixes, "Edit1", "DBRadioGroup1/4", "0800", nullptr},
    {"emergency", TCommandId::Emergency, "ComboBox1", "MaskEdit2", "22", "99", TMsgKind::Error,
     "Ramal não existe."},
    {"door phones", TCommandId::DoorPhones, "ComboBox1", "MaskEdit1", "22", "99", TMsgKind::Error,
     "Ramal não existe."},
};

class LeavingNumberFields : public ShellFixture, public testing::WithParamInterface<TLeaveCase> {
protected:
    struct TOutcome {
        bool found = false;
        bool focusOnField = false, focusOnTarget = false;
        std::optional<bool> checkedBefore, checkedAfter; // a check box or radio button clicked
        bool closed = false;
    };

    // Opens the case's screen from the main window and types `number` into the field, then clicks
    // the target.
    TOutcome TypeAndClick(TFormPrinc& window, const char* number) {
        const TLeaveCase& c = GetParam();
        TOutcome outcome;
        RunShowing([&] { window.Run(c.command); },
                   [&](QDialog& screen) {
                       QApplication::setActiveWindow(&screen);
                       LetEventsRun();
                       auto* field = screen.findChild<QWidget*>(c.field);
                       QWidget* target = Target(screen, c.target);
                       if (field == nullptr || target == nullptr) return;
                       outcome.found = true;
                       PressAndRelease(field);
                       TypeKey(&screen, Qt::Key_A, Qt::ControlModifier);
                       TypeText(&screen, number);
                       auto* button = qobject_cast<QAbstractButton*>(target);
                       if (button != nullptr && button->isCheckable())
                           outcome.checkedBefore = button->isChecked();
                       PressAndRelease(target);
                       if (outcome.checkedBefore) outcome.checkedAfter = button->isChecked();
                       outcome.closed = !screen.isVisible();
                       QWidget* focus = QApplication::focusWidget();
                       outcome.focusOnField = IsWithin(focus, field);
                       outcome.focusOnTarget = IsWithin(focus, target);
                   });
        return outcome;
    }
    // A control by its name; "name/n" is the n-th button of a radio group.
    static QWidget* Target(QDialog& screen, const QString& name) {
        if (!name.contains('/')) return screen.findChild<QWidget*>(name);
        auto* group = screen.findChild<QWidget*>(name.section('/', 0, 0));
        if (group == nullptr) return nullptr;
        const auto buttons = group->findChildren<QAbstractButton*>();
        const int index = name.section('/', 1).toInt();
        return index < buttons.size() ? buttons[index] : nullptr;
    }
    static bool IsWithin(const QWidget* widget, const QWidget* scope) {
        for (; widget != nullptr; widget = widget->parentWidget())
            if (widget == scope) return true;
        return false;
    }
};

TEST_P(LeavingNumberFields, AKnownNumberLetsTheClickThroughAnUnknownOneIsReported) {
    const TLeaveCase& c = GetParam();
    TFormPrinc window;
    ASSERT_TRUE(window.OpenProgramming(Fixture(11)));

    const TOutcome good = TypeAndClick(window, c.good);
    ASSERT_TRUE(good.found) << c.field << " or " << c.target;
    EXPECT_TRUE(Boxes().empty()) << testing::PrintToString(Boxes());
    if (good.checkedBefore) {
        EXPECT_NE(good.checkedAfter, good.checkedBefore) << "the click was lost";
    }
    if (c.command == TCommandId::IndividualProgramming) {
        EXPECT_TRUE(good.closed) << "the click on O&k was lost";
    } else {
        EXPECT_TRUE(good.focusOnTarget);
    }

    if (c.bad == nullptr) return;
    services.messages.shown.clear();
    const TOutcome bad = TypeAndClick(window, c.bad);
    EXPECT_EQ(Boxes(), (std::vector<std::pair<TMsgKind, std::string>>{{c.badKind, c.badText}}));
    EXPECT_TRUE(bad.focusOnField);
    EXPECT_FALSE(bad.closed);
}

INSTANTIATE_TEST_SUITE_P(Screens, LeavingNumberFields, testing::ValuesIn(LeaveCases),
                         [](const testing::TestParamInfo<TLeaveCase>& info) {
                             std::string name = info.param.name;
                             std::erase(name, ' ');
                             return name;
                         });

} // namespace
