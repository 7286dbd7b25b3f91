#include "app/InstanceFolder.h"

#include "core/Language.h"
#include "desktop/qvxComponents.h"
#include "desktop/qvxFormUtils.h"
#include "platform/os/FileIo.h"
#include "platform/os/LngText.h"
#include "platform/os/OsError.h"
#include "platform/ui/UiServices.h"

namespace {

constexpr std::size_t MaxFolderBytes = 4096;

std::string PublishedPath(const TqvxOneInstance& guard) {
    return (qvxInstanceNames(guard.Title(), guard.LockFolder).stem + QStringLiteral(".folder")).toStdString();
}

} // namespace

void PublishProgramFolder(const TqvxOneInstance& guard, const std::string& folder) {
    try {
        WriteFileAtomically(PublishedPath(guard), folder);
    } catch (const EOsError&) {
    }
}

void WithdrawProgramFolder(const TqvxOneInstance& guard) {
    try {
        DeleteFileIfPresent(PublishedPath(guard));
    } catch (const EOsError&) {
    }
}

std::optional<std::string> PublishedProgramFolder(const TqvxOneInstance& guard) {
    try {
        return ReadWholeFile(PublishedPath(guard), MaxFolderBytes);
    } catch (const EOsError&) {
        return std::nullopt;
    }
}

void SayWhenRunningOnAnotherFolder(const TqvxOneInstance& guard, const std::string& folder) {
    qvxFindPrevInstanceWindow(guard.Title(), guard.LockFolder);
    if (PublishedProgramFolder(guard) == folder) return;
    const QString text =
        TrText(LngText("O programa já está aberto. A janela aberta será trazida para a frente."));
    qCInfo(lcqvxInstance) << "says" << text;
    qvxShowMessage(guard.Title(), text);
}

void SayWhenUnguarded(const TqvxOneInstance& guard) {
    if (!guard.Unguarded()) return;
    const std::string text =
        TranslateText(
            LngText("Não foi possível criar a trava que impede que o programa seja aberto duas vezes:")) +
        "\n" + qvxInstanceNames(guard.Title(), guard.LockFolder).lockFile.toStdString() + "\n" +
        TranslateText(
            LngText("O programa será aberto assim mesmo. Não o abra outra vez enquanto ele estiver aberto."));
    qCInfo(lcqvxInstance) << "says" << QString::fromStdString(text);
    ShowMessage(nullptr, TMsgKind::Warning, text);
}
