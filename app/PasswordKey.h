#pragma once
// The key kept in the users file for a password: PBKDF2-HMAC-SHA256 over the password's UTF-8
// bytes with the user's salt (core/Users.h gives the rounds and sizes), and fresh random salts.

#include "core/Users.h"

#include <string_view>

TPasswordKey DerivePasswordKey(std::string_view password, const TSalt& salt);
TSalt NewSalt();

// A user with a fresh salt and the key of the password.
TUser MakeUser(std::string name, std::string_view password, std::uint32_t rights);

// True when the password is the user's.
bool PasswordMatches(const TUser& user, std::string_view password);
