#pragma once
// Fixture of the tests of the two categories screens: a model's programming, its categories
// scratch table (code 1) built as the main window builds it, and helpers that drive the
// data-aware controls as a user does.

#include "ScreenFixture.h"
#include "core/ExtensionCodes.h"
#include "core/Programming.h"
#include "db/components/VORSAMTable.h"
#include "platform/data/DataSet.h"
#include "platform/ui/DataChoiceControls.h"
#include "screens/CategoryRecord.h"
#include "screens/CategoryScreen.h"
#include "screens/ScratchTables.h"

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
    ~CategoryFixture() override {
        if (table) table->Close();
    }

    // The scratch table of code 1 for "which" (255: every extension; else the 1-based position),
    // built from the programming in memory as the main window builds it.
    void BuildTable(int which = 255) {
        BuildTempTable(1, which);
        table = &TabTemp();
    }

    vorsam::TVORSAMTable* table = nullptr;
};
