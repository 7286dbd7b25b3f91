// A key held with Alt, Super (Meta), Alt+Shift, Super+Shift or Ctrl+Alt types nothing in any text
// field of the tool or of Qt's own dialogs, while the plain keys type and the mnemonics still run.

#include "ShellFixture.h"
#include "app/Leusuari.h"
#include "app/prgmain.h"
#include "platform/ui/ChordFilter.h"
#include "screens/Calendar.h"
#include "screens/DateField.h"
#include "screens/Prefixos.h"
#include "screens/Temporiz.h"
#include "support/EventWait.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

namespace {

class ChordKeys : public ShellFixture {
protected:
    void SetUp() override {
        ShellFixture::SetUp();
        InstallChordFilter(); // as the tool does
    }
    // Types the chords into the field (the line edit shown or the control that holds it), then the
    // plain keys: the line edit shows what the plain keys alone give.
    static void ExpectOnlyPlainKeysType(QWidget& window, QWidget* field, const char* plain) {
        SCOPED_TRACE(window.metaObject()->className());
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        field->setFocus();
        field->setFocus(); // a field left may have sent the focus on (the prefix's)
        auto* edit =
            qobject_cast<QLineEdit*>(field) ? static_cast<QLineEdit*>(field) : field->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Home);
        const QString before = edit->text();
        for (const Qt::Key key : {Qt::Key_A, Qt::Key_J, Qt::Key_5})
            for (const Qt::KeyboardModifiers chord :
                 {Qt::AltModifier | Qt::NoModifier, Qt::MetaModifier | Qt::NoModifier,
                  Qt::AltModifier | Qt::ShiftModifier, Qt::MetaModifier | Qt::ShiftModifier,
                  Qt::ControlModifier | Qt::AltModifier})
                QTest::keyClick(QApplication::focusWidget(), key, chord);
        EXPECT_EQ(edit->text(), before);
        QTest::keyClicks(QApplication::focusWidget(), plain);
        EXPECT_NE(edit->text(), before);
    }
};

TEST_F(ChordKeys, AChordTypesNothingInAnyFieldAndMnemonicsStillRun) {
    TFormAdministrador first; // the first start's "Nome"
    first.show();
    ExpectOnlyPlainKeysType(first, first.EditNome, "inst");
    QTest::sendKeyEvent(QTest::Click, first.EditNome, Qt::Key_At, "@", Qt::GroupSwitchModifier); // AltGr
    EXPECT_EQ(first.EditNome->text(), "inst@");

    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.show();
    ExpectOnlyPlainKeysType(files, files.findChild<QLineEdit*>("fileNameEdit"), "q");
    QSpinBox spin;
    spin.show();
    ExpectOnlyPlainKeysType(spin, &spin, "7");

    TFormPrinc window;
    ASSERT_TRUE(window.OpenProgramming(Fixture(11)));
    const auto typed = [&](TCommandId command, const std::function<QWidget*(QDialog&)>& field) {
        return RunShowing([&] { window.Run(command); },
                          [&](QDialog& screen) {
                              ExpectOnlyPlainKeysType(screen, field(screen), "7");
                              QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::AltModifier);
                              ASSERT_EVENTUALLY(!screen.isVisible()); // "&Cancela"
                          });
    };
    typed(TCommandId::Calendar,
          [](QDialog& s) { return static_cast<TFormCalendar&>(s).DateTimePicker1->Edit; });
    typed(TCommandId::Timers, [](QDialog& s) { return static_cast<TFormTempor&>(s).ComboBox[2]; });
    typed(TCommandId::Prefixes, [](QDialog& s) { return static_cast<TFormPref&>(s).MaskEdit1; });
    // The area code's chords stored nothing on OK.
    RunShowing([&] { window.Run(TCommandId::Prefixes); },
               [](QDialog& s) {
                   auto& screen = static_cast<TFormPref&>(s);
                   ASSERT_TRUE(QTest::qWaitForWindowActive(&screen));
                   screen.MaskEdit1->setFocus();
                   screen.MaskEdit1->setFocus();
                   QTest::keyClick(screen.MaskEdit1, Qt::Key_Home);
                   QTest::keyClick(screen.MaskEdit1, Qt::Key_5, Qt::AltModifier);
                   QTest::keyClick(screen.MaskEdit1, Qt::Key_5, Qt::MetaModifier);
                   screen.OkButton->click();
               });
    EXPECT_EQ(ProgrammingHeader.U16(300), 0xFFFF);
    EXPECT_TRUE(Boxes().empty()) << Boxes().front().second;
}

} // namespace
