#include "app/Prosobre.h"

#include "core/Language.h"
#include "platform/ui/DialogFit.h"
#include "platform/ui/UiServices.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#ifndef CENTRPRG_VERSION
#define CENTRPRG_VERSION "0"
#endif

TFormSobre::TFormSobre(QWidget* parent) : QDialog(parent) {
    setWindowTitle(TrText(LngText("Sobre")));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(TrText("Orvalista S/A - Programação de Talvenors"), this);
    QFont bold = title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    title->setFont(bold);
    layout->addWidget(title);
    layout->addWidget(new QLabel(TrText(LngText("Versão")) + " " + CENTRPRG_VERSION, this));
    auto* text =
        new QLabel(TrText(LngText("Programação das centrais telefônicas Talvenor: edita, abre, salva e "
                                  "imprime as programações (arquivos .NPX).")),
                   this);
    text->setWordWrap(true);
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(TrLabel("O&k"), QDialogButtonBox::AcceptRole)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    setMinimumWidth(380);
    FitDialogToTexts(*this);
}
