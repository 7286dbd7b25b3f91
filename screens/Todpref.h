#pragma once
// TFormTodPref, "Aplicar a todos os prefixos": the access code that the prefix screen's "&Todos"
// gives every row. Its five radio buttons stand for the categories local, regional, DDD, DDI and
// blocked; regional exists on models 9..13 only. "O&k" sets TodPrefResult to the code of the
// checked button in the model's list (PrefixAccessCodes: "1".."5" on models 9..13; "1" local,
// "2" DDD, "3" DDI, "4" blocked on the others) and closes with the result 1; "&Cancela" closes
// with the result 2 and sets TodPrefResult to "0" (nothing to apply).

#include <QDialog>

#include <array>
#include <cstdint>

class QGroupBox;
class QPushButton;
class QRadioButton;

// The code chosen by the last showing; '0' when it was cancelled.
extern char TodPrefResult;

class TFormTodPref : public QDialog {
    Q_OBJECT
public:
    explicit TFormTodPref(QWidget* parent = nullptr);

    void FormShow();
    void Button1Click(); // "O&k"
    void Button2Click(); // "&Cancela"
    // Checks the button of an access code of the model in memory (a code the model does not have
    // reads as local).
    void CheckCode(char code);

    QGroupBox* const Panel1;                         // "Tipo de acesso ao prefixo"
    std::array<QRadioButton*, 5> const RadioButtons; // local, regional, DDD, DDI, blocked
    QPushButton* const Button1;
    QPushButton* const Button2;

protected:
    void showEvent(QShowEvent* event) override;
};
