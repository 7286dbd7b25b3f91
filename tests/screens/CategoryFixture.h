#pragma once
// Fixture of the tests of the two categories screens: a model's programming, its categories
// scratch table (code 1) built as the main window builds it, and helpers that drive the
// data-aware controls as a user does.

#include "ScreenFixture.h"
#include "core/ExtensionCodes.h"
#include "core/Programming.h"
#include "platform/data/DataSet.h"
#include "platform/ui/DataChoiceControls.h"
#include "screens/CategoryRecord.h"
#include "screens/CategoryScreen.h"
#include "support/VectorDataSet.h"

#include <QTimer>

#include <functional>
#include <memory>

// A user's actions on the data-aware controls.
// A click on a data-aware box.
inline void Click(TDBCheckBox* box) {
    ASSERT_TRUE(box->isEnabled()) << box->objectName().toStdString();
    box->click();
}
inline void SetBox(TDBCheckBox* box, bool checked) {
    if (box->isChecked() != checked) Click(box);
}
// A user's choice of a sub-route (" " or "1" ..).
inline void ChooseSubRoute(TDBComboBox* list, const QString& text) {
    const int index = list->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    list->setCurrentIndex(index);
    emit list->activated(index);
}
// The day or night categories to exactly the boxes given (indexes 0..6 of CATx1..CATx7).
inline void SetCategories(TCategoryPage& page, std::initializer_list<int> checked) {
    for (int n = 0; n < 7; ++n)
        SetBox(page.Cat[static_cast<std::size_t>(n)],
               std::find(checked.begin(), checked.end(), n) != checked.end());
}

class CategoryFixture : public ScreenFixture {
protected:
    // The scratch table of code 1 for "which" (255: every extension; else the 1-based position),
    // from the programming in memory.
    platform::data::TDataSet& BuildTable(int which = 255) {
        using namespace platform::data;
        std::vector<test::TColumn> columns = {{"RAMAL", ftInteger}};
        for (const std::string& name : CategoryCopyFields()) columns.push_back({name, ftString, 1});
        table = std::make_unique<test::TVectorDataSet>(columns);
        table->Open();
        for (int p = 1; p <= CurrentModel().Extensions; ++p) {
            const std::uint16_t number = ExtensionNumber(p - 1);
            if ((which != 255 && which != p) || !BeginsWithTwoOrThree(number)) continue;
            table->Append();
            table->FieldByName("RAMAL").SetAsInteger(number);
            for (const std::string& name : CategoryCopyFields())
                table->FieldByName(name).SetAsString(FieldText(name, p - 1));
            table->Post();
        }
        table->First();
        return *table;
    }

    // Runs action, which shows a modal dialog, and handles the dialog with answer.
    template <class TDialog>
    static void Answering(const std::function<void(TDialog&)>& answer, const std::function<void()>& action) {
        QTimer::singleShot(0, [answer] {
            if (auto* dialog = qobject_cast<TDialog*>(QApplication::activeModalWidget())) answer(*dialog);
        });
        action();
    }

    std::unique_ptr<platform::data::test::TVectorDataSet> table;

private:
    static std::string Bit(std::uint8_t byte, int bit) { return (byte >> bit) & 1u ? "1" : "0"; }
    static std::string SubRouteText(std::uint8_t byte) {
        return byte == 0 || byte == 238 ? " " : std::to_string(byte);
    }
    static std::string FieldText(const std::string& name, int i) {
        const bool night = name.size() > 3 && name[3] == 'N';
        const std::size_t base = night ? 98 : 18;
        const auto at = [&](std::size_t offset) {
            return ProgrammingHeader[base + offset + static_cast<std::size_t>(i)];
        };
        const int n = name.back() - '0';
        if (name.starts_with("CAT")) return Bit(at(0), n - 1);
        if (name.starts_with("ROT")) return n == 0 ? (at(60) == 0 ? "1" : "0") : Bit(at(20), n);
        if (name.starts_with("FAC")) return Bit(at(40), n);
        if (name.starts_with("CAR"))
            return Bit(ProgrammingHeader[178 + static_cast<std::size_t>(i)], std::array{3, 4, 6, 7}[n - 1]);
        return SubRouteText(name == "SRotaD" ? ProgrammingHeader[78 + static_cast<std::size_t>(i)]
                                             : ProgrammingHeader[158 + static_cast<std::size_t>(i)]);
    }
};
