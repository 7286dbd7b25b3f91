#pragma once
// TFormPadrao, "Aplicar padrão": asks a screen's "Padrão" button whether its defaults go to every
// item (RadioButton1) or only to the item in edit (RadioButton2).
//
// The caller sets the two radio captions (translated), shows the dialog modally and applies its
// defaults only when the result is 1 ("O&k"); DefaultScope then holds the choice. "&Cancela"
// closes with the result 2 (Escape with 0) and leaves DefaultScope as it was.

#include <QDialog>

#include <cstdint>

class QPushButton;
class QRadioButton;

// 0 = apply to every item, 1 = apply to the item in edit; kept for the whole run.
extern std::uint8_t DefaultScope;

class TFormPadrao : public QDialog {
    Q_OBJECT
public:
    explicit TFormPadrao(QWidget* parent = nullptr);

    void FormShow();
    void Button1Click(); // "O&k"
    void Button2Click(); // "&Cancela"

    QRadioButton* const RadioButton1;
    QRadioButton* const RadioButton2;
    QPushButton* const Button1;
    QPushButton* const Button2;

protected:
    void showEvent(QShowEvent* event) override;
};

// Shows TFormPadrao with the two choices (source texts marked with LngText; translated here).
// True when the user confirmed; DefaultScope then holds the choice.
bool AskDefaultScope(QWidget* parent, const char* allItems, const char* itemInEdit);
