// The main window: its commands, the summary of the programming, the extension and trunk buttons,
// the login when it first appears and the question on closing. The file commands are in
// prgfiles.cpp.

#include "app/prgmain.h"

#include "core/Language.h"
#include "core/ModelTables.h"
#include "core/Programming.h"
#include "core/Users.h"
#include "desktop/qvxComponents.h"
#include "platform/ui/UiServices.h"
#include "screens/Confsys.h"
#include "screens/FailureMessages.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

TFormPrinc* FormPrinc = nullptr;

namespace {

constexpr int ButtonsPerRow = 10;
constexpr int SectionColumns = 3;

struct TMenuTitle {
    TMenu menu;
    const char* title;
};
constexpr TMenuTitle MenuTitles[] = {
    {TMenu::File, LngText("&Arquivo")},  {TMenu::Extensions, LngText("&Ramais")},
    {TMenu::Exchange, LngText("&PABX")}, {TMenu::System, LngText("&Sistema")},
    {TMenu::Help, LngText("A&juda")},
};

QIcon StandardIcon(TCommandId id, const QStyle* style) {
    switch (id) {
    case TCommandId::New:
        return style->standardIcon(QStyle::SP_FileIcon);
    case TCommandId::Open:
        return style->standardIcon(QStyle::SP_DialogOpenButton);
    case TCommandId::Save:
        return style->standardIcon(QStyle::SP_DialogSaveButton);
    default:
        return {};
    }
}

QString TwoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QChar('0'));
}

// The password screen also keeps the digit count of the extension passwords, a section of its own
// that no command names: it is shown as the screen's own section.
int ShownSection(int section) {
    return section == Section::ExtensionPasswordDigits ? Section::GeneralPassword : section;
}

bool ShownSectionModified(int shown) {
    for (int section = 1; section <= Section::Count; ++section)
        if (ModifiedSections[section] != 0 && ShownSection(section) == shown) return true;
    return false;
}

// The captions of the commands that edit a section, joined: what a modified section is called.
QString SectionCaption(const std::vector<TCommand>& commands, int section) {
    section = ShownSection(section);
    QStringList captions;
    for (const TCommand& command : commands)
        if (command.section == section && command.menu != TMenu::Buttons) captions << TrText(command.caption);
    return captions.isEmpty() ? TrText("Seção") + " " + QString::number(section) : captions.join(" / ");
}

QLabel* AddSummaryRow(QFormLayout* form, std::string_view caption, const char* name) {
    auto* value = new QLabel(form->parentWidget());
    value->setObjectName(name);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    value->setWordWrap(true);
    form->addRow(TrText(caption), value);
    return value;
}

} // namespace

void RefreshMainWindow() {
    if (FormPrinc != nullptr) FormPrinc->RefreshMainWindow();
}

TFormPrinc::TFormPrinc(std::vector<TCommand> commands, QWidget* parent)
    : QMainWindow(parent), qvxOneInstance1(new TqvxOneInstance(this)), commands_(std::move(commands)) {
    setWindowTitle(TrText("Orvalista S/A - Programação de Talvenors"));
    CreateActions();
    CreateCentralWidget();
    userLabel_ = new QLabel(this);
    statusBar()->addPermanentWidget(userLabel_);
    connect(qvxOneInstance1, &TqvxOneInstance::ActivationRequested, this, &TFormPrinc::BringToFront);
    resize(960, 640);
    FormPrinc = this;
    RefreshMainWindow();
}

TFormPrinc::~TFormPrinc() {
    if (FormPrinc == this) FormPrinc = nullptr;
}

void TFormPrinc::CreateActions() {
    std::map<TMenu, QMenu*> menus;
    for (const TMenuTitle& title : MenuTitles) menus[title.menu] = menuBar()->addMenu(TrLabel(title.title));
    QToolBar* toolBar = addToolBar(TrText(LngText("Comandos")));
    toolBar->setObjectName("ToolBar");
    toolBar->setMovable(false);
    toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    std::optional<TMenu> lastToolMenu;
    for (const TCommand& command : commands_) {
        auto* action = new QAction(StandardIcon(command.id, style()), TrLabel(command.caption), this);
        if (command.shortcut != nullptr)
            action->setShortcut(QKeySequence(QString::fromLatin1(command.shortcut)));
        const TCommandId id = command.id;
        connect(action, &QAction::triggered, this, [this, id] { Run(id); });
        actions_[id] = action;
        if (command.menu != TMenu::Buttons) {
            if (command.separator) menus[command.menu]->addSeparator();
            menus[command.menu]->addAction(action);
        }
        if (!command.toolBar) continue;
        if (lastToolMenu && *lastToolMenu != command.menu) toolBar->addSeparator();
        lastToolMenu = command.menu;
        toolBar->addAction(action);
    }
}

// One label per section that a command edits: grey while the section is not loaded, bold while
// it is modified.
QWidget* TFormPrinc::CreateSectionsBox(QWidget* parent) {
    auto* box = new QGroupBox(TrText(LngText("Seções da programação")), parent);
    auto* grid = new QGridLayout(box);
    for (int section = 1; section <= Section::Count; ++section) {
        const bool edited = std::ranges::any_of(commands_, [section](const TCommand& command) {
            return command.section == section && command.menu != TMenu::Buttons;
        });
        if (!edited) continue;
        auto* label = new QLabel(SectionCaption(commands_, section), box);
        label->setObjectName(QStringLiteral("Section%1").arg(section));
        const int index = static_cast<int>(sectionLabels_.size());
        grid->addWidget(label, index / SectionColumns, index % SectionColumns);
        sectionLabels_.emplace_back(section, label);
    }
    for (int column = 0; column < SectionColumns; ++column) grid->setColumnStretch(column, 1);
    auto* legend = new QLabel(TrText(LngText("Em cinza: seção ausente; em negrito: seção alterada.")), box);
    legend->setEnabled(false);
    grid->addWidget(legend, grid->rowCount(), 0, 1, SectionColumns);
    return box;
}

void TFormPrinc::CreateCentralWidget() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    auto* summary = new QGroupBox(TrText(LngText("Programação")), central);
    auto* form = new QFormLayout(summary);
    modelLabel_ = AddSummaryRow(form, LngText("Modelo:"), "ModelLabel");
    fileLabel_ = AddSummaryRow(form, LngText("Arquivo:"), "FileLabel");
    stateLabel_ = AddSummaryRow(form, LngText("Situação:"), "StateLabel");
    layout->addWidget(summary);

    emptyHint_ =
        new QLabel(TrText(LngText("Use Arquivo > Novo para começar uma programação a partir do padrão "
                                  "de um modelo, ou Arquivo > Abrir para abrir um arquivo .NPX.")),
                   central);
    emptyHint_->setWordWrap(true);
    emptyHint_->setMargin(8);
    layout->addWidget(emptyHint_);

    programmingPanel_ = new QWidget(central);
    auto* panelLayout = new QVBoxLayout(programmingPanel_);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    auto* extensions = new QGroupBox(TrText(LngText("Ramais")), programmingPanel_);
    extensionGrid_ = new QGridLayout(extensions);
    extensionGrid_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    panelLayout->addWidget(extensions);
    auto* trunks = new QGroupBox(TrText(LngText("Vias")), programmingPanel_);
    trunkRow_ = new QHBoxLayout(trunks);
    trunkRow_->setAlignment(Qt::AlignLeft);
    panelLayout->addWidget(trunks);
    panelLayout->addWidget(CreateSectionsBox(programmingPanel_));
    layout->addWidget(programmingPanel_);
    layout->addStretch(1);
    setCentralWidget(central);
}

QAction* TFormPrinc::Action(TCommandId id) const {
    const auto found = actions_.find(id);
    return found == actions_.end() ? nullptr : found->second;
}

void TFormPrinc::RefreshMainWindow() {
    CriarBotoes();
    RefreshCommands();
    RefreshSummary();
    const TUser* user = LoggedUser();
    userLabel_->setText(
        user != nullptr ? TrText(LngText("Usuário:")) + " " + QString::fromStdString(user->name) : QString());
}

void TFormPrinc::RefreshCommands() {
    for (const TCommand& command : commands_) {
        QAction* action = actions_.at(command.id);
        action->setVisible(CommandOffered(command));
        action->setEnabled(CommandEnabled(command));
    }
    const bool extensionsOpen = actions_.at(TCommandId::ExtensionProgramming)->isEnabled();
    for (QAbstractButton* button : extensionButtons_) button->setEnabled(extensionsOpen);
    const bool trunksOpen = actions_.at(TCommandId::Trunks)->isEnabled();
    for (QAbstractButton* button : trunkButtons_) button->setEnabled(trunksOpen);
}

void TFormPrinc::RefreshSummary() {
    const bool loaded = IsKnownModel(ModelCode);
    emptyHint_->setVisible(!loaded);
    programmingPanel_->setVisible(loaded);
    if (!loaded) {
        modelLabel_->setText(TrText(LngText("Nenhuma programação carregada")));
        fileLabel_->clear();
        stateLabel_->clear();
        return;
    }
    const TModelInfo& model = CurrentModel();
    modelLabel_->setText(*model.Name != '\0' ? QString::fromUtf8(model.Name)
                                             : TrText(LngText("Modelo")) + " " + QString::number(ModelCode));
    fileLabel_->setText(ProgrammingFileName.empty() ? TrText(LngText("(nova programação, ainda não salva)"))
                                                    : QString::fromStdString(ProgrammingFileName));
    QStringList modified;
    for (int section = 1; section <= Section::Count; ++section)
        if (ModifiedSections[section] != 0 && !modified.contains(SectionCaption(commands_, section)))
            modified << SectionCaption(commands_, section);
    stateLabel_->setText(modified.isEmpty() && ProgrammingModified == 0
                             ? TrText(LngText("Sem alterações"))
                             : TrText(LngText("Alterada, não salva:")) + " " + modified.join(", "));
    for (const auto& [section, label] : sectionLabels_) {
        label->setEnabled(LoadedSections[section] != 0);
        QFont font = label->font();
        font.setBold(ShownSectionModified(section));
        label->setFont(font);
    }
}

void TFormPrinc::ClearButtons(std::vector<QAbstractButton*>& buttons) {
    for (QAbstractButton* button : buttons) delete button;
    buttons.clear();
}

QAbstractButton* TFormPrinc::AddButton(const QString& caption, const QString& tip, TCommandId command,
                                       int which) {
    auto* button = new QPushButton(caption);
    button->setToolTip(tip);
    button->setMinimumWidth(64);
    button->setFocusPolicy(Qt::TabFocus);
    connect(button, &QPushButton::clicked, this, [this, command, which] { Run(command, which); });
    return button;
}

void TFormPrinc::CriarBotoes() {
    ClearButtons(extensionButtons_);
    ClearButtons(trunkButtons_);
    if (!IsKnownModel(ModelCode)) return;
    for (int position = 0; position < CurrentModel().Extensions; ++position) {
        const QString number = QString::number(ExtensionNumber(position));
        if (!number.startsWith('2') && !number.startsWith('3')) continue; // no screen for other numbers
        const QString tip = TrText(LngText("Ramal")) + " " + number + ", " +
                            TrText(LngText("posição física")) + " " + TwoDigits(position);
        QAbstractButton* button = AddButton(number, tip, TCommandId::ExtensionProgramming, position + 1);
        const int index = static_cast<int>(extensionButtons_.size());
        extensionGrid_->addWidget(button, index / ButtonsPerRow, index % ButtonsPerRow);
        extensionButtons_.push_back(button);
    }
    for (int trunk = 1; trunk <= CurrentModel().Trunks; ++trunk) {
        const QString caption = TrText(LngText("Via")) + " " + TwoDigits(trunk);
        QAbstractButton* button = AddButton(caption, caption, TCommandId::Trunks, trunk);
        trunkRow_->addWidget(button);
        trunkButtons_.push_back(button);
    }
}

void TFormPrinc::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (loginStarted_) return;
    loginStarted_ = true;
    try {
        LoadSerialPortSetting(); // the saved port and the ports the system has
    } catch (const std::exception& error) {
        ShowError(this, FailureMessage(error));
    }
    // The login's dialog is centred over this window: it waits until the window is on the screen,
    // where a window manager has placed it by then (a window is exposed only once it is placed).
    if (windowHandle()->isExposed())
        QTimer::singleShot(0, this, &TFormPrinc::Login);
    else
        windowHandle()->installEventFilter(this);
}

bool TFormPrinc::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed()) {
        windowHandle()->removeEventFilter(this);
        QTimer::singleShot(0, this, &TFormPrinc::Login);
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFormPrinc::Login() {
    const TLoginResult result = loginRunner_(this);
    if (result == TLoginResult::LoggedIn) {
        RefreshMainWindow();
        return;
    }
    EndProgram(result == TLoginResult::Cancelled ? 0 : 1);
}

void TFormPrinc::EndProgram(int exitCode) {
    programEnded_ = true;
    hide();
    QCoreApplication::exit(exitCode);
}

void TFormPrinc::closeEvent(QCloseEvent* event) {
    if (programEnded_ || ChangesSettled()) {
        event->accept();
        return;
    }
    event->ignore();
}

void TFormPrinc::BringToFront() {
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
}
