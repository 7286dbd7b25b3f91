#include "app/Novaprog.h"

#include "app/DialogParts.h"
#include "core/Language.h"
#include "core/ModelTables.h"
#include "platform/ui/DialogFit.h"
#include "platform/ui/UiServices.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

TFormNovaProgramacao::TFormNovaProgramacao(QWidget* parent) : QDialog(parent) {
    setWindowTitle(TrText(LngText("Nova programação")));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(TrLabel(LngText("&Modelo do PABX:")), this);
    layout->addWidget(label);
    ListaModelos = new QListWidget(this);
    label->setBuddy(ListaModelos);
    for (const std::uint8_t code : KnownModelCodes) {
        const TModelInfo& model = ModelInfo(code);
        if (model.DefaultFile == nullptr) continue;
        auto* item = new QListWidgetItem(QString::fromUtf8(model.Name), ListaModelos);
        item->setData(Qt::UserRole, code);
    }
    ListaModelos->setCurrentRow(0);
    connect(ListaModelos, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    layout->addWidget(ListaModelos);
    layout->addWidget(AddOkCancelButtons(this, [this] { accept(); }));
    FitDialogToTexts(*this);
    resize(300, 220);
}

std::optional<std::uint8_t> TFormNovaProgramacao::Model() const {
    const QListWidgetItem* item = ListaModelos->currentItem();
    if (item == nullptr) return std::nullopt;
    return static_cast<std::uint8_t>(item->data(Qt::UserRole).toInt());
}
