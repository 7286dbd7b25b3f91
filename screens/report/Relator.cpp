#include "screens/report/Relator.h"

#include "screens/ScreenConventions.h"
#include "screens/report/ReportDriver.h"
#include "screens/report/ReportPrinter.h"

#include "core/Language.h"
#include "core/Programming.h"
#include "platform/ui/UiServices.h"
#include "screens/FailureMessages.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <exception>

namespace {

struct TReportBox {
    const char* Caption;
    int Section; // the LoadedSections entry that enables the box
};

constexpr std::array<TReportBox, ReportSectionCount + 1> ReportBoxes = {{
    {"", 0},
    {LngText("Categoria dos ramais"), 2},
    {LngText("Plano de numeração"), 3},
    {LngText("Configuração das vias"), 4},
    {LngText("Agenda geral"), 5},
    {LngText("Programações de ramais"), 6},
    {LngText("Grupos de ramais"), 8},
    {LngText("Grupos chefe-secretária"), 9},
    {LngText("Temporizações"), 10},
    {LngText("Emergência externa"), 11},
    {LngText("Atendedores dos porteiros e FAX"), 12},
    {LngText("Programações diversas"), 13},
    {LngText("Bloqueio de prefixos"), 14},
    {LngText("Feriados"), 15},
    {LngText("Serviços automáticos"), 16},
    {LngText("Código particular"), 19},
    {LngText("Dados do centralizador"), 20},
    {LngText("Teclas dos Terminais Inteligentes"), 25},
}};

constexpr int BoxesInFirstColumn = 9;

// The hourglass for the lifetime of the object.
class TWaitCursor {
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

} // namespace

TFormRelat::TFormRelat(QWidget* parent) : QDialog(parent) {
    setObjectName("FormRelat");
    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName("GroupBox1");
    auto* grid = new QGridLayout(GroupBox1);
    for (int k = 1; k <= ReportSectionCount; ++k) {
        boxes_[k] = new QCheckBox(GroupBox1);
        boxes_[k]->setObjectName(QString("CB%1").arg(k));
        const bool first = k <= BoxesInFirstColumn;
        grid->addWidget(boxes_[k], first ? k - 1 : k - 1 - BoxesInFirstColumn, first ? 0 : 1);
    }
    ApButton = new QPushButton(this);
    ApButton->setObjectName("ApButton");
    CancButton = new QPushButton(this);
    CancButton->setObjectName("CancButton");
    Button1 = new QPushButton(this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ApButton);
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(CancButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ApButton, &QPushButton::clicked, this, &TFormRelat::ApButtonClick);
    connect(CancButton, &QPushButton::clicked, this, &TFormRelat::CancButtonClick);
    connect(Button1, &QPushButton::clicked, this, &TFormRelat::OkButtonClick);
}

QCheckBox* TFormRelat::CB(int k) const {
    Q_ASSERT(k >= 1 && k <= ReportSectionCount);
    return boxes_[k];
}

void TFormRelat::showEvent(QShowEvent* event) {
    QDialog::showEvent(event); // centred on the main window first, as every screen
    FillKeepingCentre(*this, [this] { FormShow(); });
}

void TFormRelat::FormShow() {
    setWindowTitle(TrText("Relatório das programações"));
    GroupBox1->setTitle(TrLabel("&Programações"));
    for (int k = 1; k <= ReportSectionCount; ++k) boxes_[k]->setText(TrText(ReportBoxes[k].Caption));
    ApButton->setText(TrLabel("&Limpa"));
    CancButton->setText(TrLabel("&Cancela"));
    Button1->setText(TrLabel("O&k"));
    ReportSelection.fill(1);
    ReportSelection[0] = 0;
}

void TFormRelat::ApButtonClick() {
    for (int k = 1; k <= ReportSectionCount; ++k) boxes_[k]->setChecked(false);
}

void TFormRelat::CancButtonClick() {
    reject();
}

void TFormRelat::OkButtonClick() {
    bool any = false;
    for (int k = 1; k <= ReportSectionCount; ++k) {
        ReportSelection[k] = boxes_[k]->isChecked() ? 1 : 0;
        any = any || ReportSelection[k];
    }
    if (!any) {
        accept();
        return;
    }
    try {
        TReportCanvas* job = ReportOutput().OpenJob(this);
        if (!job) return;
        {
            TWaitCursor hourglass;
            ImprimeRelatorio(*job);
        }
        accept();
    } catch (const std::exception& error) {
        ShowError(this, FailureMessage(error));
    }
}

int ReportBoxSection(int k) {
    Q_ASSERT(k >= 1 && k <= ReportSectionCount);
    return ReportBoxes[k].Section;
}

void SetReportBoxesFromLoadedSections(TFormRelat& form) {
    for (int k = 1; k <= ReportSectionCount; ++k) {
        const bool loaded = LoadedSections[ReportBoxSection(k)] != 0;
        form.CB(k)->setEnabled(loaded);
        form.CB(k)->setChecked(loaded);
    }
}
