#pragma once
// The users of the tool: the users file "CENTRPRG.DAD" and the user logged in for the run.
//
// Format of "CENTRPRG.DAD": exactly 732 bytes, ten slots of 73 bytes, then a sum.
//   slot  +0   name length, 0..20 (0 = a free slot)
//         +1   name, 20 bytes Windows-1252, zeros after the name
//         +21  salt, 16 bytes
//         +37  key: PBKDF2-HMAC-SHA256 of the password (UTF-8) with the salt, 100000 rounds,
//              32 bytes (the password itself is never stored)
//         +69  rights mask, u32 little-endian: bit n = the right of command n (core/AccessRights.h)
//   730   u16 little-endian: the sum of bytes 0..729, modulo 65536
// A file of another size, with a wrong sum or a name longer than 20 is refused with
// EUsersFileError and is never rewritten on its own. The file is written safely (temporary file,
// flush, rename). User names are matched ignoring case.
//
// The key derivation lives with the user interface (app/PasswordKey.h); this unit only keeps
// and compares keys.

#include "core/AccessRights.h"
#include "core/CoreError.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline constexpr int MaxUsers = 10;
inline constexpr std::size_t UserNameLength = 20;
inline constexpr std::size_t SaltSize = 16;
inline constexpr std::size_t PasswordKeySize = 32;
inline constexpr int PasswordKeyRounds = 100000;
inline constexpr std::size_t UserSlotSize = 1 + UserNameLength + SaltSize + PasswordKeySize + 4;
inline constexpr std::size_t UsersFileSize = MaxUsers * UserSlotSize + 2;

using TSalt = std::array<std::uint8_t, SaltSize>;
using TPasswordKey = std::array<std::uint8_t, PasswordKeySize>;

// A users file that cannot be read or is damaged; the message is translated.
class EUsersFileError : public ECoreError {
public:
    using ECoreError::ECoreError;
};

struct TUser {
    std::string name; // UTF-8; empty in a free slot
    TSalt salt{};
    TPasswordKey key{};
    std::uint32_t rights = 0;

    bool Free() const { return name.empty(); }
    bool operator==(const TUser&) const = default;
};

struct TUsersFile {
    std::array<TUser, MaxUsers> slot;

    int Count() const;
    // The slot of the user of that name (ignoring case), or -1.
    int Find(std::string_view name) const;
    bool operator==(const TUsersFile&) const = default;
};

// The file's bytes, and back. ParseUsers raises EUsersFileError on a damaged file.
std::string SerializeUsers(const TUsersFile& users);
TUsersFile ParseUsers(std::string_view bytes);

// std::nullopt when the file does not exist. Raises EUsersFileError.
std::optional<TUsersFile> LoadUsersFile(const std::string& path);
void SaveUsersFile(const std::string& path, const TUsersFile& users);

// True when the name can be kept in a slot: 1..20 characters of Windows-1252, no blanks at its
// ends.
bool IsValidUserName(std::string_view name);

// The first fault of a user's entry (name, password typed twice), as a source text for the
// language file; nullptr when there is none. An empty password is refused when required (new
// users); otherwise it means "unchanged".
const char* CheckUserEntry(std::string_view name, std::string_view password, std::string_view confirmation,
                           bool passwordRequired);

// Compares a derived key with the user's in constant time.
bool KeyMatches(const TUser& user, const TPasswordKey& key);

// The user logged in for the run (none before the login).
void SetLoggedUser(std::optional<TUser> user);
const TUser* LoggedUser();

// True when the logged-in user holds the command's right; commands without a right are open to
// everyone, and nothing is allowed before a login.
bool HasAccessRight(TCommandId command);
