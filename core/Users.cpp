#include "core/Users.h"

#include "core/Language.h"
#include "core/SystemErrors.h"
#include "platform/os/Cp1252.h"
#include "platform/os/FileIo.h"
#include "platform/os/OsError.h"
#include "platform/os/Utf8.h"

#include <algorithm>
#include <sys/stat.h>

namespace {

constexpr std::size_t NameOffset = 1;
constexpr std::size_t SaltOffset = NameOffset + UserNameLength;
constexpr std::size_t KeyOffset = SaltOffset + SaltSize;
constexpr std::size_t RightsOffset = KeyOffset + PasswordKeySize;
constexpr std::size_t SumOffset = MaxUsers * UserSlotSize;
static_assert(RightsOffset + 4 == UserSlotSize && UserSlotSize == 73 && UsersFileSize == 732);

std::optional<TUser>& Logged() {
    static std::optional<TUser> user;
    return user;
}

[[noreturn]] void RefuseDamaged(std::string_view reason) {
    throw EUsersFileError(TranslateText(LngText("O arquivo de usuários está danificado:")) + " " +
                          TranslateText(reason));
}

std::uint16_t SumOf(std::string_view bytes) {
    unsigned sum = 0;
    for (const char c : bytes) sum += static_cast<std::uint8_t>(c);
    return static_cast<std::uint16_t>(sum);
}

void PutU32(std::string& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint32_t GetU32(std::string_view in, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<std::uint8_t>(in[at + i]);
    return value;
}

template <std::size_t N>
void PutBytes(std::string& out, std::size_t at, const std::array<std::uint8_t, N>& bytes) {
    std::ranges::copy(bytes, out.begin() + static_cast<std::ptrdiff_t>(at));
}

template <std::size_t N>
void GetBytes(std::string_view in, std::size_t at, std::array<std::uint8_t, N>& bytes) {
    for (std::size_t i = 0; i < N; ++i) bytes[i] = static_cast<std::uint8_t>(in[at + i]);
}

void PutSlot(std::string& out, std::size_t at, const TUser& user) {
    const std::string name = Utf8ToCp1252(user.name).substr(0, UserNameLength);
    out[at] = static_cast<char>(name.size());
    std::ranges::copy(name, out.begin() + static_cast<std::ptrdiff_t>(at + NameOffset));
    PutBytes(out, at + SaltOffset, user.salt);
    PutBytes(out, at + KeyOffset, user.key);
    PutU32(out, at + RightsOffset, user.rights);
}

TUser GetSlot(std::string_view in, std::size_t at) {
    const auto length = static_cast<std::uint8_t>(in[at]);
    if (length > UserNameLength) RefuseDamaged(LngText("nome de usuário longo demais."));
    TUser user;
    user.name = Cp1252ToUtf8(in.substr(at + NameOffset, length));
    GetBytes(in, at + SaltOffset, user.salt);
    GetBytes(in, at + KeyOffset, user.key);
    user.rights = GetU32(in, at + RightsOffset);
    return user;
}

} // namespace

int TUsersFile::Count() const {
    return static_cast<int>(std::ranges::count_if(slot, [](const TUser& user) { return !user.Free(); }));
}

int TUsersFile::Find(std::string_view name) const {
    const std::string folded = FoldCase(TrimBlanks(name));
    if (folded.empty()) return -1;
    for (int i = 0; i < MaxUsers; ++i)
        if (!slot[i].Free() && FoldCase(slot[i].name) == folded) return i;
    return -1;
}

std::string SerializeUsers(const TUsersFile& users) {
    std::string bytes(UsersFileSize, '\0');
    for (int i = 0; i < MaxUsers; ++i)
        PutSlot(bytes, static_cast<std::size_t>(i) * UserSlotSize, users.slot[i]);
    const std::uint16_t sum = SumOf(std::string_view(bytes).substr(0, SumOffset));
    bytes[SumOffset] = static_cast<char>(sum & 0xFF);
    bytes[SumOffset + 1] = static_cast<char>(sum >> 8);
    return bytes;
}

TUsersFile ParseUsers(std::string_view bytes) {
    if (bytes.size() != UsersFileSize) RefuseDamaged(LngText("tamanho incorreto."));
    const auto stored = static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[SumOffset]) |
                                                   static_cast<std::uint8_t>(bytes[SumOffset + 1]) << 8);
    if (stored != SumOf(bytes.substr(0, SumOffset))) RefuseDamaged(LngText("soma de verificação incorreta."));
    TUsersFile users;
    for (int i = 0; i < MaxUsers; ++i)
        users.slot[i] = GetSlot(bytes, static_cast<std::size_t>(i) * UserSlotSize);
    return users;
}

std::optional<TUsersFile> LoadUsersFile(const std::string& path) {
    std::optional<std::string> bytes;
    try {
        bytes = ReadWholeFile(path, UsersFileSize + 1);
    } catch (const EOsError& error) {
        throw EUsersFileError(TranslateText(LngText("Não foi possível ler o arquivo de usuários.")) + " (" +
                              OsErrorDetail(error) + ")" + OsErrorAdviceLine(error));
    }
    if (!bytes) return std::nullopt;
    return ParseUsers(*bytes);
}

void SaveUsersFile(const std::string& path, const TUsersFile& users) {
    try {
        // A new file's keys are for its owner's eyes only.
        WriteFileAtomically(path, SerializeUsers(users), S_IRUSR | S_IWUSR);
    } catch (const EOsError& error) {
        throw EUsersFileError(TranslateText(LngText("Não foi possível gravar o arquivo de usuários.")) +
                              " (" + OsErrorDetail(error) + ")" + OsErrorAdviceLine(error));
    }
}

bool IsValidUserName(std::string_view name) {
    if (name.empty() || TrimBlanks(name).size() != name.size()) return false;
    if (!IsValidUtf8(name) || !IsCp1252Encodable(name)) return false;
    return Utf8ToCp1252(name).size() <= UserNameLength;
}

const char* CheckUserEntry(std::string_view name, std::string_view password, std::string_view confirmation,
                           bool passwordRequired) {
    if (!IsValidUserName(name)) return LngText("Informe um nome de usuário de 1 a 20 caracteres.");
    if (password.empty() && passwordRequired) return LngText("Informe a senha.");
    if (password != confirmation) return LngText("A senha e a confirmação não conferem.");
    return nullptr;
}

bool KeyMatches(const TUser& user, const TPasswordKey& key) {
    std::uint8_t difference = 0;
    for (std::size_t i = 0; i < PasswordKeySize; ++i) difference |= user.key[i] ^ key[i];
    return difference == 0 && !user.Free();
}

void SetLoggedUser(std::optional<TUser> user) {
    Logged() = std::move(user);
}

const TUser* LoggedUser() {
    return Logged() ? &*Logged() : nullptr;
}

bool HasAccessRight(TCommandId command) {
    if (!CommandHasRight(command)) return true;
    const TUser* user = LoggedUser();
    return user != nullptr && (user->rights & RightBit(command)) != 0;
}
