// Every editable list of every screen takes only what it offers: at Ok a text typed into it that is
// not one of its items is refused with "O valor está fora da faixa permitida.", the cursor on the
// list, nothing stored.

#include "EveryWindow.h"
#include "core/ImageLayout.h"
#include "screens/ScreenConventions.h"
#include "support/UserInput.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <set>
#include <tuple>

namespace {

constexpr char OutOfRange[] = "O valor está fora da faixa permitida.";

// Everything an Ok may store.
auto Stored() {
    return std::tuple(ProgrammingBytes, EditedSections, ModifiedSections, ProgrammingModified);
}

// A text that fits the list (as many digits as it takes) and is no item's number (the flash time 0,
// the wait 95); for a list of extension numbers an access code ("65") that names no extension and no
// group.
QString TextNotOffered(const QComboBox& list) {
    for (const QString text : {"65", "95", "99", "0"}) {
        bool offered = false;
        for (int i = 0; i < list.count(); ++i)
            offered |=
                !list.itemText(i).trimmed().isEmpty() && list.itemText(i).trimmed().toInt() == text.toInt();
        if (text.size() <= list.lineEdit()->maxLength() && !offered) return text;
    }
    return {};
}

class EditableLists : public EveryWindowFixture {
protected:
    // Types, as a person does, a text no item holds into each enabled editable list of the screen in
    // turn and clicks Ok; each Ok must be refused on that list. Returns "Screen.List" of each list.
    std::vector<std::string> TryEachList(QDialog& dialog) {
        std::vector<std::string> tried;
        auto* screen = qobject_cast<TScreenForm*>(&dialog);
        if (screen == nullptr) return tried;
        QApplication::setActiveWindow(screen); // the offscreen platform may still name the last screen
        for (QComboBox* list : screen->findChildren<QComboBox*>()) {
            if (!list->isEditable() || !list->isEnabled() || !list->isVisibleTo(screen)) continue;
            tried.push_back(std::string(screen->metaObject()->className()) + "." +
                            list->objectName().toStdString());
            SCOPED_TRACE(tried.back());
            const QString text = TextNotOffered(*list), shown = list->currentText();
            EXPECT_FALSE(text.isEmpty());
            const auto before = Stored();
            services.messages.shown.clear();
            PressAndRelease(list->lineEdit());
            TypeKey(screen, Qt::Key_A, Qt::ControlModifier);
            TypeText(screen, text);
            PressAndRelease(screen->OkButton);
            EXPECT_EQ(Boxes(), (std::vector<std::pair<TMsgKind, std::string>>{{TMsgKind::Error, OutOfRange}}))
                << text.toStdString();
            EXPECT_EQ(QApplication::focusWidget(), list);
            EXPECT_TRUE(screen->isVisible());
            EXPECT_TRUE(Stored() == before);
            list->setEditText(shown);
        }
        return tried;
    }
};

TEST_F(EditableLists, EveryEditableListRefusesAtOkATextItDoesNotOffer) {
    for (const int model : {11, 9}) {
        SCOPED_TRACE(model);
        TFormPrinc window;
        ASSERT_TRUE(window.OpenProgramming(Fixture(model)));
        std::set<std::string> tried;
        ForEachCommandScreen(window, [&](QDialog& screen) {
            for (const std::string& name : TryEachList(screen)) tried.insert(name);
        });
        // Model 9 has no door phone 2 and no actuation 2: those lists are disabled.
        std::set<std::string> expected = {
            "TFormTempor.ComboBox1",   "TFormTempor.ComboBox2",   "TFormTempor.ComboBox4",
            "TFormTempor.ComboBox5",   "TFormTempor.ComboBox6",   "TFormTempor.ComboBox7",
            "TFormEmergenc.ComboBox1", "TFormEmergenc.ComboBox3", "TFormEmergenc.ComboBox4",
            "TFormAtdPort.ComboBox1",  "TFormAtdPort.ComboBox2",  "TFormAtdPort.ComboBox3",
            "TFormAtendFAX.ComboBox1"};
        if (model == 11)
            expected.insert({"TFormTempor.ComboBox3", "TFormEmergenc.ComboBox2", "TFormAtdPort.ComboBox5",
                             "TFormAtdPort.ComboBox6", "TFormAtdPort.ComboBox7"});
        EXPECT_EQ(tried, expected);
    }
}

} // namespace
