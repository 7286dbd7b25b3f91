#pragma once
// The report dialog "Relatório das programações": one box per report section, "&Limpa" to untick
// them all, "O&k" to print the ticked sections at once (no print dialog), "&Cancela".
//
// Before showing it, the main window enables and ticks each box from the sections that are
// present in the programming (SetReportBoxesFromLoadedSections).

#include "screens/report/ReportPage.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QGroupBox;
class QPushButton;

class TFormRelat : public QDialog {
    Q_OBJECT
public:
    explicit TFormRelat(QWidget* parent = nullptr);

    // Box k (1..17) selects report section k.
    QCheckBox* CB(int k) const;
    QGroupBox* GroupBox1;
    QPushButton* ApButton;
    QPushButton* CancButton;
    QPushButton* Button1;

public slots:
    // Translates the captions and sets every ReportSelection flag; the boxes keep their state.
    void FormShow();
    // Unticks every box; the dialog stays open.
    void ApButtonClick();
    void CancButtonClick();
    // Copies the boxes into ReportSelection and prints the ticked sections; with none ticked it
    // closes without a print job. A failed job is reported in a message box titled "Erro"; when
    // the user gives the job up (no printer and no PDF file), the dialog stays open.
    void OkButtonClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::array<QCheckBox*, ReportSectionCount + 1> boxes_{};
};

// The programming section whose presence enables report box k (1..17).
int ReportBoxSection(int k);

// Enables and ticks each box whose section is set in LoadedSections, and disables and unticks the
// others (what the main window's "Relatórios" command does before it shows the dialog).
void SetReportBoxesFromLoadedSections(TFormRelat& form);
