// A chord types nothing in any text field of the tool or of Qt's own dialogs; plain keys, AltGr and mnemonics
// work.

#include "ShellFixture.h"
#include "app/Leusuari.h"
#include "app/prgmain.h"
#include "platform/ui/ChordFilter.h"
#include "support/EventWait.h"

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

} // namespace
