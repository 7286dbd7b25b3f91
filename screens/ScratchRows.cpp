// The programming a scratch table is built from, the texts several tables share, and the prefix
// table (the walk of the trie is PrefixWalk's).

#include "screens/ScratchRows.h"

#include "core/ExtensionCodes.h"
#include "core/Language.h"
#include "core/Programming.h"
#include "platform/os/Cp1252.h"
#include "screens/PrefixWalk.h"

namespace {

constexpr std::uint8_t MailDiversion = 106;
constexpr int DiversionPositions = 20;

} // namespace

int TScratchSource::Extensions() const {
    return ModelInfo(Model).Extensions;
}

int TScratchSource::Trunks() const {
    return ModelInfo(Model).Trunks;
}

std::string TScratchSource::NumberText(int position) const {
    if (position < 0 || position >= Extensions()) return "";
    return std::to_string(Image.U16(Offset::ExtensionNumbers + 2 * static_cast<std::size_t>(position)));
}

bool TScratchSource::HasExtensionRecord(int position) const {
    return position >= 1 && position <= Extensions() &&
           BeginsWithTwoOrThree(
               Image.U16(Offset::ExtensionNumbers + 2 * static_cast<std::size_t>(position - 1)));
}

TScratchSource CurrentScratchSource() {
    return {ProgrammingImage, ModelCode};
}

std::string AttendantText(const TScratchSource& source, std::uint8_t code) {
    if (code == AccessCode60) return "60";
    if ((code & AccessCode60) != AccessCode60) return source.NumberText(code);
    const int group = code & 7;
    if (group < 1 || group > 4) return "";
    const std::size_t type = Offset::Groups + Offset::GroupRecordSize * static_cast<std::size_t>(group - 1);
    return source.Image[type] == EmptyGroupType ? "" : std::to_string(60 + group);
}

std::string DiversionText(const TScratchSource& source, std::uint8_t code) {
    if (code < DiversionPositions) return source.NumberText(code);
    if (code == MailDiversion)
        return Utf8ToCp1252(TranslateText(source.Model == 9 ? LngText("SECRET.") : LngText("CORREIO")));
    return "";
}

TScratchTable PrefixScratchTable(const TScratchSource& source) {
    TScratchTable table{{{"PREFIXOS", 8}, {"TLIBERA", 1}}, {}};
    for (const TPrefixRow& row : PrefixTableRows(source.Image, source.Model))
        table.Rows.push_back({row.Prefix, std::string(1, row.Access)});
    return table;
}
