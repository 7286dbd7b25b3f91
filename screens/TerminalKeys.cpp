#include "screens/TerminalKeys.h"

#include "core/ImageLayout.h"
#include "core/Language.h"
#include "core/Programming.h"
#include "platform/ui/UiServices.h"

namespace {

QString Numbered(const char* word, int number) {
    return TrText(word) + " " + QString::number(number);
}

} // namespace

QString DescreveTecla(std::uint8_t v) {
    using namespace KeyCode;
    if (v < MaxPositions) return TrText("Ramal") + " " + QString::number(ExtensionNumber(v));
    if (v == DoorPhone1 || v == DoorPhone1 + 1) return Numbered(LngText("Porteiro"), v - DoorPhone1 + 1);
    if (v == Actuation1 || v == Actuation1 + 1) return Numbered(LngText("Atuação"), v - Actuation1 + 1);
    if (v == BossSecretary1 || v == BossSecretary1 + 1)
        return Numbered(LngText("Chefe-secretária"), v - BossSecretary1 + 1);
    if (v == RoomMonitoring) return TrText("Monitora ambiente");
    if (v == DoNotDisturb) return TrText("Não perturbe");
    if (v == Padlock) return TrText("Cadeado");
    if (v == GeneralRinging) return TrText("Toque geral");
    if (v >= Group1 && v <= Group1 + 7) return Numbered(LngText("Grupo de ramal"), v - Group1 + 1);
    if (v == Paging) return TrText("Busca pessoa");
    if (v == HandsFree1 || v == HandsFree1 + 1)
        return Numbered(LngText("Viva-voz chefe-secretária"), v - HandsFree1 + 1);
    if (v >= Line1 && v <= Line1 + 29) return Numbered(LngText("Linha"), v - Line1 + 1);
    if (v >= RouteBase + 1 && v <= RouteBase + 7) return Numbered(LngText("Rota"), v - RouteBase);
    if (v == Route0) return Numbered(LngText("Rota"), 0);
    if (v == NoFunction) return TrText("Sem função");
    return {};
}

QString KeyLetter(int key) {
    if (key <= 22) {
        const QChar letter(static_cast<char16_t>(u'A' + key - 1));
        return letter == u'V' ? QStringLiteral("V/W") : QString(letter);
    }
    return QString(QChar(static_cast<char16_t>(u'X' + key - 23)));
}
