// The extension groups table (code 5) and the boss-secretary table (code 6), four records each.
// Formats: ScratchRows.h.

#include "screens/ScratchColumns.h"

#include "core/ImageLayout.h"

namespace {

constexpr int GroupCount = 4;
constexpr std::uint8_t DistributingLast = 15, MultipleType = 16;

// Group g (1..4) whose record is being written.
struct TGroup {
    const TScratchSource* Source;
    int Number;

    std::size_t Index() const { return static_cast<std::size_t>(Number - 1); }
    // Byte k of the extension group's entry: the type, then the seven members.
    std::uint8_t Entry(std::size_t k) const {
        return Source->Image[Offset::Groups + Offset::GroupRecordSize * Index() + k];
    }
    std::uint8_t Boss(std::size_t k) const { return Source->Image[Offset::Bosses + 2 * Index() + k]; }
    std::uint8_t Secretary(std::size_t k) const {
        return Source->Image[Offset::Secretaries + 2 * Index() + k];
    }
};

std::vector<TGroup> Groups(const TScratchSource& source) {
    std::vector<TGroup> groups;
    for (int group = 1; group <= GroupCount; ++group) groups.push_back({&source, group});
    return groups;
}

TScratchColumn<TGroup> GroupNumber() {
    return {"GRUPO", 1, [](const TGroup& g) { return std::to_string(g.Number); }};
}

std::string GroupType(const TGroup& group) {
    const std::uint8_t type = group.Entry(0);
    if (type >= 1 && type <= DistributingLast) return "2";
    return type == MultipleType ? "3" : "1";
}

// The number text of a member, boss or secretary (187, no extension, and codes the model has no
// position for are empty).
TScratchColumn<TGroup> Member(std::string name, std::uint8_t (*codeOf)(const TGroup&, std::size_t),
                              std::size_t k) {
    return {std::move(name), 5, [codeOf, k](const TGroup& g) { return g.Source->NumberText(codeOf(g, k)); }};
}

std::uint8_t MemberCode(const TGroup& group, std::size_t k) {
    return group.Entry(1 + k);
}
std::uint8_t BossCode(const TGroup& group, std::size_t k) {
    return group.Boss(k);
}
std::uint8_t SecretaryCode(const TGroup& group, std::size_t k) {
    return group.Secretary(k);
}

} // namespace

TScratchTable GroupScratchTable(const TScratchSource& source) {
    TScratchColumns<TGroup> columns = {
        GroupNumber(),
        ByteColumn<TGroup>("NUMTOQUES",
                           [](const TGroup& g) { return g.Source->Image[Offset::GroupRings + g.Index()]; }),
        {"TIPOGRUPO", 1, GroupType},
    };
    for (std::size_t k = 0; k < Offset::GroupMembers; ++k)
        columns.push_back(Member("RAMAL0" + std::to_string(k + 1), MemberCode, k));
    return Tabulate(columns, Groups(source));
}

TScratchTable BossSecretaryScratchTable(const TScratchSource& source) {
    const TScratchColumns<TGroup> columns = {
        GroupNumber(),
        Member("CHEFE01", BossCode, 0),
        Member("CHEFE02", BossCode, 1),
        Member("SECRE01", SecretaryCode, 0),
        Member("SECRE02", SecretaryCode, 1),
    };
    return Tabulate(columns, Groups(source));
}

std::array<std::uint8_t, 16> BossSecretaryCodesOf(const TScratchSource& source) {
    std::array<std::uint8_t, 16> codes{};
    for (const TGroup& group : Groups(source)) {
        const std::size_t first = 4 * group.Index();
        codes[first] = group.Boss(0);
        codes[first + 1] = group.Boss(1);
        codes[first + 2] = group.Secretary(0);
        codes[first + 3] = group.Secretary(1);
    }
    return codes;
}
