#include "grid/BiffCodePages.h"

#include <QByteArray>
#include <algorithm>
#include <iterator>

namespace {

// The pages whose names are not made from their numbers.
struct TNamedPage {
    quint16 CodePage;
    const char* Name;
};
constexpr TNamedPage kNamedPages[] = {
    {367, "US-ASCII"},        {874, "windows-874"},      {10000, "macintosh"},
    {10006, "x-mac-greek"},   {10007, "x-mac-cyrillic"}, {10029, "x-mac-centraleurroman"},
    {10081, "x-mac-turkish"}, {20866, "KOI8-R"},         {21866, "KOI8-U"},
    {32768, "macintosh"},     {32769, "windows-1252"},
};

constexpr quint16 kDosPages[] = {437, 737, 775, 850, 852, 855, 857, 860, 861, 862, 863, 864, 865, 866, 869};

QByteArray DecoderName(quint16 codePage) {
    for (const TNamedPage& page : kNamedPages)
        if (page.CodePage == codePage) return page.Name;
    if (codePage >= 1250 && codePage <= 1258) return "windows-" + QByteArray::number(codePage);
    if (std::find(std::begin(kDosPages), std::end(kDosPages), codePage) != std::end(kDosPages))
        return "cp" + QByteArray::number(codePage);
    return {};
}

} // namespace

std::optional<QStringDecoder> BiffCodePageDecoder(quint16 codePage) {
    const QByteArray name = DecoderName(codePage);
    if (name.isEmpty()) return std::nullopt;
    QStringDecoder decoder(name.constData(), QStringDecoder::Flag::Stateless);
    if (!decoder.isValid()) return std::nullopt;
    return decoder;
}
