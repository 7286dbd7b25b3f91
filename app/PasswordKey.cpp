#include "app/PasswordKey.h"

#include <QByteArray>
#include <QPasswordDigestor>
#include <QRandomGenerator>

#include <algorithm>
#include <cassert>

TPasswordKey DerivePasswordKey(std::string_view password, const TSalt& salt) {
    const QByteArray key = QPasswordDigestor::deriveKeyPbkdf2(
        QCryptographicHash::Sha256, QByteArray(password.data(), static_cast<qsizetype>(password.size())),
        QByteArray(reinterpret_cast<const char*>(salt.data()), static_cast<qsizetype>(salt.size())),
        PasswordKeyRounds, PasswordKeySize);
    assert(static_cast<std::size_t>(key.size()) == PasswordKeySize);
    TPasswordKey result{};
    std::copy_n(reinterpret_cast<const std::uint8_t*>(key.constData()), PasswordKeySize, result.begin());
    return result;
}

TSalt NewSalt() {
    TSalt salt{};
    std::generate(salt.begin(), salt.end(),
                  [] { return static_cast<std::uint8_t>(QRandomGenerator::system()->bounded(256)); });
    return salt;
}

TUser MakeUser(std::string name, std::string_view password, std::uint32_t rights) {
    TUser user;
    user.name = std::move(name);
    user.salt = NewSalt();
    user.key = DerivePasswordKey(password, user.salt);
    user.rights = rights;
    return user;
}

bool PasswordMatches(const TUser& user, std::string_view password) {
    return !user.Free() && KeyMatches(user, DerivePasswordKey(password, user.salt));
}
