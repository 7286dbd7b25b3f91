#pragma once
// The conventions every programming screen follows, built once for all screens.
//
// A screen is a TScreenForm: a dialog that its caller constructs with a parent and shows modally.
//  - Showing: FormShow runs on every showing; it translates every caption (TrText for labels,
//    group boxes and the window title, TrLabel for texts whose "&" marks an accelerator) and fills
//    the controls from the programming.
//  - Buttons: a row at the bottom: "O&k" (the default button), "&Cancela", and where the screen
//    has them "&Padrão" and "&Ajuda". CaptionButtons() translates them.
//  - OK (RunOk): the screen's body checks its fields in its fixed order and writes into a
//    TProgrammingEdit. The first failed check throws EScreenCheck: one box titled "Erro" shows
//    its message, the focus moves to its field, nothing is stored and the screen stays open.
//    Without a failure the copy is committed (bytes and section flags) and the screen closes
//    with the result Accepted.
//  - Cancel: the screen closes with the result Rejected; nothing is stored, no flag changes.
//  - Help: the screen's help context through HelpService().
//  - Field checks on leaving a field (BindExit): they run when the focus moves on to another
//    field of the screen (not to one of its buttons: OK runs every such check again, and Cancel,
//    Padrão and Help need none). A failure shows its box and returns the focus to the field.
//  - Guard: every handler runs guarded, so no exception leaves a Qt event handler: a failed
//    check is shown as above, any other exception as a box titled "Erro" with its message.
//
// Screens name their controls and handlers as the exchange tool always has (OkButtonClick,
// FormShow, ComboBox1Exit, ...); controls are public so that tests drive a screen through them.

#include "screens/ProgrammingEdit.h"
#include "screens/ScreenCheck.h"

#include <QDialog>

#include <functional>
#include <map>

class QLayout;
class QPushButton;

class TScreenForm : public QDialog {
    Q_OBJECT
public:
    enum TButtonSet : unsigned { OkCancel = 0, WithDefault = 1, WithHelp = 2 };

    // helpContext is used when the screen has a help button; helpButtonName names that button's
    // control ("HelpBitBtn" on most screens).
    TScreenForm(QWidget* parent, unsigned buttons, int helpContext = 0,
                const char* helpButtonName = "HelpBitBtn");

    int HelpContext() const { return helpContext_; }

    QPushButton* const OkButton;
    QPushButton* const CancButton;
    QPushButton* const PadButton;  // null without WithDefault
    QPushButton* const HelpButton; // null without WithHelp

protected:
    // Sets the captions and fills the controls; runs guarded on every showing.
    virtual void FormShow() = 0;

    // Places the screen's controls above the button row.
    void SetContent(QLayout* content);
    // Translates the captions of the button row.
    void CaptionButtons();

    // The OK convention (see above). Returns true when the programming was stored.
    bool RunOk(const std::function<void(TProgrammingEdit&)>& body);
    // Runs a handler so that no exception leaves it. Returns false when it threw.
    bool Guard(const std::function<void()>& handler);
    void ShowHelp();
    void CloseWithoutChange() { reject(); }

    // Runs handler (guarded) when the user leaves field for another field of the screen.
    void BindExit(QWidget* field, std::function<void()> handler);

    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LeaveField(QWidget* field);
    void ShowFailedCheck(const EScreenCheck& check);

    int helpContext_;
    std::map<QObject*, std::function<void()>> exitHandlers_;
    bool inExitHandler_ = false;
};

// Runs fill, which sets the captions of a dialog being shown, sizes the dialog to its texts
// (platform/ui/DialogFit.h) and keeps it centred where Qt placed it: the captions change the
// dialog's size after it was centred over its parent, so its centre is restored (the dialog kept
// on its screen).
void FillKeepingCentre(QDialog& dialog, const std::function<void()>& fill);
