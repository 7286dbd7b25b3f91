#include "platform/ui/UiServices.h"

#include "platform/os/LngText.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include <filesystem>

namespace {

constexpr QSize FileDialogSize(720, 440); // at least: room for the name beside the other columns

TUiHooks& Hooks() {
    static TUiHooks hooks;
    return hooks;
}

std::string HelpFolder() {
    return Hooks().HelpFolder ? Hooks().HelpFolder() : std::string();
}

QMessageBox::Icon IconOf(TMsgKind kind) {
    switch (kind) {
    case TMsgKind::Error:
    case TMsgKind::Stop:
        return QMessageBox::Critical;
    case TMsgKind::Warning:
        return QMessageBox::Warning;
    case TMsgKind::Confirmation:
        return QMessageBox::Question;
    case TMsgKind::Information:
        break;
    }
    return QMessageBox::Information;
}

class TQtMessageService : public TMessageService {
public:
    TMsgResult Show(QWidget* parent, TMsgKind kind, const std::string& text, unsigned buttons) override {
        QMessageBox box(IconOf(kind), TrText(MessageTitle(kind)), TrText(text), QMessageBox::NoButton,
                        parent);
        struct Choice {
            unsigned flag;
            const char* caption;
            QMessageBox::ButtonRole role;
            TMsgResult result;
        };
        static const Choice choices[] = {
            {mbYes, LngText("&Sim"), QMessageBox::YesRole, TMsgResult::Yes},
            {mbNo, LngText("&Não"), QMessageBox::NoRole, TMsgResult::No},
            {mbOK, LngText("OK"), QMessageBox::AcceptRole, TMsgResult::Ok},
            {mbCancel, LngText("Cancelar"), QMessageBox::RejectRole, TMsgResult::Cancel},
        };
        std::vector<std::pair<QAbstractButton*, TMsgResult>> made;
        for (const Choice& choice : choices)
            if (buttons & choice.flag)
                made.emplace_back(box.addButton(TrLabel(choice.caption), choice.role), choice.result);
        if (made.empty())
            made.emplace_back(box.addButton(TrLabel("OK"), QMessageBox::AcceptRole), TMsgResult::Ok);
        box.setDefaultButton(static_cast<QPushButton*>(made.front().first));
        box.exec();
        for (const auto& [button, result] : made)
            if (box.clickedButton() == button) return result;
        return (buttons & mbNo) ? TMsgResult::No : TMsgResult::Cancel;
    }
};

// Shows help/<context>.html of the program folder in a small browser window.
class TQtHelpService : public THelpService {
public:
    void ShowContext(QWidget* parent, int context) override {
        const std::string folder = HelpFolder();
        const std::filesystem::path page =
            std::filesystem::path(folder) / (std::to_string(context) + ".html");
        if (folder.empty() || !std::filesystem::exists(page)) {
            ShowMessage(parent, TMsgKind::Information, LngText("Não há ajuda para este assunto."));
            return;
        }
        QDialog dialog(parent);
        auto* layout = new QVBoxLayout(&dialog);
        auto* browser = new QTextBrowser(&dialog);
        browser->setOpenLinks(true);
        browser->setSource(QUrl::fromLocalFile(QString::fromStdString(page.string())));
        const QString topic = browser->documentTitle();
        dialog.setWindowTitle(topic.isEmpty() ? TrText("Ajuda") : TrText("Ajuda") + " - " + topic);
        layout->addWidget(browser);
        auto* buttons = new QDialogButtonBox(&dialog);
        buttons->addButton(TrLabel("&Fechar"), QDialogButtonBox::RejectRole);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        layout->addWidget(buttons);
        dialog.resize(560, 420);
        dialog.exec();
    }
};

// The toolkit's file dialog, started in the folder (or on the file) given. In its own list (no
// dialog of the desktop's) the columns are as wide as what they show and the name takes the rest.
std::string AskFileName(QWidget* parent, QFileDialog::AcceptMode mode, const QString& caption,
                        const std::string& start, const QString& filter) {
    QFileDialog dialog(parent, caption, QString::fromStdString(start), filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (auto* list = dialog.findChild<QTreeView*>("treeView")) {
        QHeaderView* header = list->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        dialog.resize(dialog.size().expandedTo(FileDialogSize));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front().toStdString();
}

class TQtFileDialogService : public TFileDialogService {
public:
    std::string OpenFileName(QWidget* parent, const QString& caption, const std::string& folder,
                             const QString& filter) override {
        return AskFileName(parent, QFileDialog::AcceptOpen, caption, folder, filter);
    }
    std::string SaveFileName(QWidget* parent, const QString& caption, const std::string& folder,
                             const QString& filter) override {
        return AskFileName(parent, QFileDialog::AcceptSave, caption, folder, filter);
    }
};

class TSystemClockService : public TClockService {
public:
    QDateTime Now() const override { return QDateTime::currentDateTime(); }
};

template <class Service, class Default> struct TServiceSlot {
    std::unique_ptr<Service> replacement;
    Default fallback;
    Service& Get() { return replacement ? *replacement : fallback; }
    std::unique_ptr<Service> Set(std::unique_ptr<Service> service) {
        std::swap(replacement, service);
        return service;
    }
};

TServiceSlot<TMessageService, TQtMessageService>& MessageSlot() {
    static TServiceSlot<TMessageService, TQtMessageService> slot;
    return slot;
}
TServiceSlot<THelpService, TQtHelpService>& HelpSlot() {
    static TServiceSlot<THelpService, TQtHelpService> slot;
    return slot;
}
TServiceSlot<TFileDialogService, TQtFileDialogService>& FileDialogSlot() {
    static TServiceSlot<TFileDialogService, TQtFileDialogService> slot;
    return slot;
}
TServiceSlot<TClockService, TSystemClockService>& ClockSlot() {
    static TServiceSlot<TClockService, TSystemClockService> slot;
    return slot;
}

} // namespace

const char* MessageTitle(TMsgKind kind) {
    switch (kind) {
    case TMsgKind::Error:
        return LngText("Erro");
    case TMsgKind::Information:
        return LngText("Informação");
    case TMsgKind::Confirmation:
        return LngText("Confirmação");
    case TMsgKind::Warning:
        return LngText("Aviso");
    case TMsgKind::Stop:
        return LngText("PARE");
    }
    return "";
}

QString TrText(std::string_view sourceText) {
    const auto& translate = Hooks().TranslateText;
    return QString::fromStdString(translate ? translate(sourceText) : std::string(sourceText));
}
QString TrLabel(std::string_view sourceText) {
    const auto& lookUp = Hooks().LookupLabel;
    return QString::fromStdString(lookUp ? lookUp(sourceText) : std::string(sourceText));
}

TUiHooks SetUiHooks(TUiHooks hooks) {
    std::swap(Hooks(), hooks);
    return hooks;
}

TMessageService& MessageService() {
    return MessageSlot().Get();
}
THelpService& HelpService() {
    return HelpSlot().Get();
}
TFileDialogService& FileDialogService() {
    return FileDialogSlot().Get();
}
TClockService& ClockService() {
    return ClockSlot().Get();
}
std::unique_ptr<TMessageService> SetMessageService(std::unique_ptr<TMessageService> service) {
    return MessageSlot().Set(std::move(service));
}
std::unique_ptr<THelpService> SetHelpService(std::unique_ptr<THelpService> service) {
    return HelpSlot().Set(std::move(service));
}
std::unique_ptr<TFileDialogService> SetFileDialogService(std::unique_ptr<TFileDialogService> service) {
    return FileDialogSlot().Set(std::move(service));
}
std::unique_ptr<TClockService> SetClockService(std::unique_ptr<TClockService> service) {
    return ClockSlot().Set(std::move(service));
}

TMsgResult ShowMessage(QWidget* parent, TMsgKind kind, const std::string& text, unsigned buttons) {
    return MessageService().Show(parent, kind, text, buttons);
}

bool AskConfirmation(QWidget* parent, const std::string& text) {
    return ShowMessage(parent, TMsgKind::Confirmation, text, mbYesNo) == TMsgResult::Yes;
}

TMsgResult TRecordingMessageService::Show(QWidget*, TMsgKind kind, const std::string& text,
                                          unsigned buttons) {
    shown.push_back({kind, text, buttons});
    if (!answers.empty()) {
        const TMsgResult answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    return (buttons & mbYes) ? TMsgResult::Yes : TMsgResult::Ok;
}

std::string TScriptedFileDialogService::Next(const QString& caption) {
    captions.push_back(caption);
    if (answers.empty()) return {};
    std::string answer = answers.front();
    answers.erase(answers.begin());
    return answer;
}

TScopedTestServices::TScopedTestServices()
    : messages(*new TRecordingMessageService), help(*new TRecordingHelpService),
      files(*new TScriptedFileDialogService) {
    previousMessages = SetMessageService(std::unique_ptr<TMessageService>(&messages));
    previousHelp = SetHelpService(std::unique_ptr<THelpService>(&help));
    previousFiles = SetFileDialogService(std::unique_ptr<TFileDialogService>(&files));
}

TScopedTestServices::~TScopedTestServices() {
    SetMessageService(std::move(previousMessages));
    SetHelpService(std::move(previousHelp));
    SetFileDialogService(std::move(previousFiles));
}
