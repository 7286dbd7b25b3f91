// A chord types nothing in any text field of the tool or of Qt's own dialogs; plain keys, AltGr and mnemonics
// work. A key the screens act on (a group's digit, Enter in a number field, Space in a member list)
// does nothing held as a chord.

#include "ShellFixture.h"
#include "app/Leusuari.h"
#include "app/prgmain.h"
#include "core/ImageLayout.h"
#include "db/components/VORSAMTable.h"
#include "platform/ui/ChordFilter.h"
#include "screens/ScratchTables.h"
#include "screens/TableRows.h"
#include "support/EventWait.h"
#include "support/UserInput.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QSpinBox>

namespace {

// The chords typed into the field (a line edit, or a control that holds one) change nothing; a plain key
// types.
void ExpectOnlyThePlainKeyTypes(QWidget& window, QWidget* field) {
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    auto* edit =
        qobject_cast<QLineEdit*>(field) ? static_cast<QLineEdit*>(field) : field->findChild<QLineEdit*>();
    for (int twice = 0; twice < 2; ++twice) edit->setFocus(); // leaving a field may send the focus on
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Home);
    const QString before = edit->text();
    const Qt::KeyboardModifiers chords[] = {
        Qt::AltModifier, Qt::MetaModifier, Qt::AltModifier | Qt::ShiftModifier,
        Qt::MetaModifier | Qt::ShiftModifier, Qt::ControlModifier | Qt::AltModifier};
    for (const Qt::Key key : {Qt::Key_A, Qt::Key_J, Qt::Key_5})
        for (const Qt::KeyboardModifiers chord : chords)
            QTest::keyClick(QApplication::focusWidget(), key, chord);
    EXPECT_EQ(edit->text(), before) << window.metaObject()->className();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_7);
    EXPECT_NE(edit->text(), before) << window.metaObject()->className();
}

using ChordKeys = ShellFixture;

TEST_F(ChordKeys, AChordTypesNothingInAnyFieldWhileAltGrTypesAndMnemonicsRun) {
    InstallChordFilter();     // as the tool does
    TFormAdministrador first; // the first start's "Nome"
    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    QSpinBox spin;
    for (const auto& [window, field] : {std::pair<QWidget*, QWidget*>(&first, first.EditNome),
                                        {&files, files.findChild<QLineEdit*>("fileNameEdit")},
                                        {&spin, &spin}}) {
        window->show();
        ExpectOnlyThePlainKeyTypes(*window, field);
    }
    QTest::sendKeyEvent(QTest::Click, first.EditNome, Qt::Key_At, "@", Qt::GroupSwitchModifier); // AltGr
    EXPECT_EQ(first.EditNome->text(), "7@");
    TFormPrinc window;
    ASSERT_TRUE(window.OpenProgramming(Fixture(11)));
    for (const auto& [command, field] : {std::pair(TCommandId::Calendar, "DateTimePicker1"),
                                         {TCommandId::Timers, "ComboBox3"},
                                         {TCommandId::Prefixes, "MaskEdit1"}})
        RunShowing([&, command = command] { window.Run(command); },
                   [field = field](QDialog& screen) {
                       ExpectOnlyThePlainKeyTypes(screen, screen.findChild<QWidget*>(field));
                       QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::AltModifier);
                       ASSERT_EVENTUALLY(!screen.isVisible()); // "&Cancela"
                   });
    EXPECT_TRUE(Boxes().empty());
}

// Super+3, Ctrl+Alt+5 or Alt+9 in the "Grupo" field picks no group; Ctrl+Enter looks no extension
// or trunk up; Alt+Delete clears no member. The plain key (of the main rows or the keypad) does each.
TEST_F(ChordKeys, AKeyTheScreensActOnDoesNothingHeldAsAChord) {
    struct TCase {
        TCommandId command;
        const char *field, *typed;
        Qt::Key key;
        const char* column; // of the scratch table's current row, which the key changes
        Qt::KeyboardModifiers plain = {};
    };
    TFormPrinc window;
    ASSERT_TRUE(window.OpenProgramming(Fixture(11)));
    ProgrammingHeader[Offset::Bosses] = 4; // group 1 has a boss to clear
    for (const TCase& c :
         {TCase{TCommandId::ExtensionGroups, "Edit1", "", Qt::Key_3, "GRUPO"},
          TCase{TCommandId::BossSecretary, "Edit1", "", Qt::Key_3, "GRUPO"},
          TCase{TCommandId::ExtensionGroups, "Edit1", "", Qt::Key_3, "GRUPO", Qt::KeypadModifier},
          TCase{TCommandId::BossSecretary, "Edit1", "", Qt::Key_3, "GRUPO", Qt::KeypadModifier},
          TCase{TCommandId::BossSecretary, "DBComboBox1", "", Qt::Key_Delete, "CHEFE01"},
          TCase{TCommandId::Trunks, "EditVia", "02", Qt::Key_Return, "VIA"},
          TCase{TCommandId::Categories, "MaskEdit1", "22", Qt::Key_Return, "RAMAL"},
          TCase{TCommandId::IndividualProgramming, "EditRamal", "22", Qt::Key_Return, "RAMAL"},
          TCase{TCommandId::Cancellation, "Edit1", "22", Qt::Key_Return, "RAMAL"}})
        RunShowing([&] { window.Run(c.command); },
                   [&](QDialog& screen) {
                       SCOPED_TRACE(c.field);
                       QApplication::setActiveWindow(&screen);
                       screen.findChild<QWidget*>(c.field)->setFocus(); // a click would open a list
                       TypeKey(&screen, Qt::Key_A, Qt::ControlModifier);
                       TypeText(&screen, c.typed);
                       const std::string before = ColumnText(TabTemp(), c.column);
                       const Qt::Key digits[] = {c.key, Qt::Key_5, Qt::Key_9};
                       const Qt::KeyboardModifiers chords[] = {
                           Qt::MetaModifier, Qt::ControlModifier | Qt::AltModifier, Qt::AltModifier};
                       for (int i = 0; i < 3; ++i) {
                           TypeKey(&screen, c.key == Qt::Key_3 ? digits[i] : c.key, chords[i] | c.plain);
                           EXPECT_EQ(ColumnText(TabTemp(), c.column), before) << i;
                           EXPECT_TRUE(screen.isVisible());
                       }
                       TypeKey(&screen, c.key, c.plain);
                       EXPECT_NE(ColumnText(TabTemp(), c.column), before);
                   });
    EXPECT_TRUE(Boxes().empty());
}

} // namespace
