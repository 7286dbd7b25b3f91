#include "screens/Ncat.h"

#include "core/ExtensionCodes.h"
#include "core/Language.h"
#include "core/ValueConversions.h"
#include "platform/data/DataSet.h"
#include "platform/ui/DataChoiceControls.h"
#include "platform/ui/DataNavigator.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiServices.h"
#include "screens/CategoryRecord.h"
#include "screens/Copramal.h"
#include "screens/Padrao.h"
#include "screens/ScreenFields.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

namespace {

// The number field: four digits, each of which may be left blank.
constexpr char RamalMask[] = "0000;_";

bool IsUserMove(Qt::FocusReason reason) {
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
           reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason;
}

} // namespace

TMultPageDlg::TMultPageDlg(QWidget* parent)
    : TCategoryScreen(parent), Label1(new QLabel(this)), MaskEdit1(NewMaskEdit(this, "MaskEdit1", RamalMask)),
      DBNavigator2(new TDBNavigator(this)), CopButton(new QPushButton(this)) {
    setObjectName("MultPageDlg");
    Label1->setObjectName("Label1");
    Label1->setBuddy(MaskEdit1);
    DBNavigator2->setObjectName("DBNavigator2");
    // Only moving between extensions: the table holds one record per extension of the plan.
    DBNavigator2->SetVisibleButtons(
        {TNavigateBtn::nbFirst, TNavigateBtn::nbPrior, TNavigateBtn::nbNext, TNavigateBtn::nbLast});
    DBNavigator2->SetDataSource(&CatRamSource);
    DBNavigator2->OnClick = [this](QObject*, TNavigateBtn) { AtualizaRamal(); };
    CopButton->setObjectName("CopButton");
    auto* top = new QHBoxLayout;
    top->addWidget(Label1);
    top->addWidget(MaskEdit1);
    top->addSpacing(16);
    top->addWidget(DBNavigator2);
    top->addStretch();
    SetTop(top);
    AddLeftButton(CopButton);

    MaskEdit1->installEventFilter(this);
    connect(MaskEdit1, &QLineEdit::textChanged, this, [this] { Guard([this] { MaskEdit1Change(); }); });
    connect(OkButton, &QPushButton::clicked, this, &TMultPageDlg::ButtonOkClick);
    connect(CancButton, &QPushButton::clicked, this, &TMultPageDlg::ButtonCancelaClick);
    connect(PadButton, &QPushButton::clicked, this, &TMultPageDlg::PadButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TMultPageDlg::BitBtn1Click);
    connect(CopButton, &QPushButton::clicked, this, &TMultPageDlg::CopButtonClick);
    connect(ButtonCat, &QPushButton::clicked, this, &TMultPageDlg::ButtonCatClick);
}

void TMultPageDlg::MontaTelaCategorias() {
    Guard([this] {
        setWindowTitle(TrText("Categoria dos ramais"));
        Label1->setText(TrLabel("Número do &Ramal"));
        CaptionCategoryControls();
        CopButton->setText(TrLabel("C&opia"));
        OpenTable();
        ApplyModelRules();
        MaskEdit1->setText(QString::fromStdString(CurrentRamal(*Table())));
        MaskEdit1Change();
    });
}

void TMultPageDlg::FormShow() {
    MaskEdit1->setFocus(Qt::OtherFocusReason);
}

void TMultPageDlg::ButtonOkClick() {
    platform::data::TDataSet& table = *Table();
    int error = 0;
    const bool stored = RunOk([&](TProgrammingEdit& edit) {
        PostRecord();
        {
            TControlsDisabled disabled(table);
            for (table.First(); !table.Eof(); table.Next()) {
                bool ok = false;
                const PositionCode position = ExtensionCodeFromText(CurrentRamal(table), ok);
                if (!ok)
                    throw std::runtime_error(TranslateText("Ramal") + " " + CurrentRamal(table) + " " +
                                             TranslateText("não existe."));
                const TCategoryRecord record = ReadCategoryRecord(table);
                error = CategoryError(record);
                FoldCategoryRecord(record, edit.Header(), position, TFacilityBit5::Clear);
                if (error != 0) break;
            }
        }
        if (error != 0) FailCheck(nullptr, CategoryErrorMessage(error));
        edit.Mark(Section::Categories);
    });
    if (stored || error == 0) return;
    ShowErrorPage(error);
    ShowCurrentRamal();
}

void TMultPageDlg::ButtonCancelaClick() {
    CloseWithoutChange();
}

void TMultPageDlg::BitBtn1Click() {
    ShowHelpContext(HelpContext());
}

void TMultPageDlg::PadButtonClick() {
    Guard([this] {
        if (!AskDefaultScope(this, LngText("A todos os ramais do PABX"), LngText("Ao ramal em edição")))
            return;
        if (Table()->IsEmpty()) return;
        if (DefaultScope == 1)
            SetCategoryDefaults(*Table());
        else
            ApplyDefaultsToAll();
    });
}

void TMultPageDlg::ApplyDefaultsToAll() {
    platform::data::TDataSet& table = *Table();
    {
        TControlsDisabled disabled(table);
        for (table.First(); !table.Eof(); table.Next()) SetCategoryDefaults(table);
        table.First();
    }
    MaskEdit1->setText(QString::fromStdString(CurrentRamal(table)));
}

void TMultPageDlg::CopButtonClick() {
    Guard([this] {
        platform::data::TDataSet& table = *Table();
        if (table.IsEmpty()) return;
        const std::vector<std::string> texts = ReadCopyFields(table);
        CopyMode = 1;
        TFormCopRamal selector(this);
        if (selector.exec() != SelectorResultOk) return;
        {
            TControlsDisabled disabled(table);
            for (table.First(); !table.Eof(); table.Next()) {
                bool ok = false;
                const PositionCode position = ExtensionCodeFromText(CurrentRamal(table), ok);
                if (ok && position < CopyTargets.size() && CopyTargets[position] == 1)
                    WriteCopyFields(table, texts);
            }
        }
        FindRamal(table, RemoveSpaces(MaskEdit1->text().toStdString()));
    });
}

void TMultPageDlg::ButtonCatClick() {
    TabbedNotebook1->setCurrentIndex(TabbedNotebook1->currentIndex() == DayPage ? NightPage : DayPage);
    ShowCurrentRamal();
}

void TMultPageDlg::TabbedNotebook1Change() {
    ButtonCat->setText(TabbedNotebook1->currentIndex() == NightPage ? TrLabel("&Diurno")
                                                                    : TrLabel("&Noturno"));
}

void TMultPageDlg::PosicRamal() {
    Guard([this] {
        const std::string typed = RemoveSpaces(MaskEdit1->text().toStdString());
        if (typed.empty() || FindRamal(*Table(), typed)) {
            AtualizaRamal(); // the focus stays where the user put it
            return;
        }
        ShowMessage(this, TMsgKind::Information,
                    TranslateText("Ramal") + " " + typed + " " + TranslateText("não existe."));
        ShowCurrentRamal();
    });
}

void TMultPageDlg::EnterRamal() {
    PosicRamal();
}

void TMultPageDlg::MaskEdit1Change() {
    const std::string typed = RemoveSpaces(MaskEdit1->text().toStdString());
    if (typed.empty() || DBFACG4->isHidden()) return;
    bool ok = false;
    const PositionCode position = ExtensionCodeFromText(typed, ok);
    DBFACG4->setEnabled(ok && position <= 1);
}

void TMultPageDlg::AtualizaRamal() {
    MaskEdit1->setText(QString::fromStdString(CurrentRamal(*Table())));
}

void TMultPageDlg::ShowCurrentRamal() {
    AtualizaRamal();
    MaskEdit1->setFocus(Qt::OtherFocusReason);
}

bool TMultPageDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == MaskEdit1 && event->type() == QEvent::KeyPress) {
        if (IsEnterKey(*static_cast<QKeyEvent*>(event))) {
            EnterRamal();
            return true; // the number field's Enter is not the OK button's
        }
    }
    if (watched == MaskEdit1 && event->type() == QEvent::FocusOut &&
        IsUserMove(static_cast<QFocusEvent*>(event)->reason()))
        QTimer::singleShot(0, this, [this] {
            if (isVisible()) PosicRamal();
        });
    return TCategoryScreen::eventFilter(watched, event);
}
