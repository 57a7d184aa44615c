#pragma once
// Passwords are stored as salted PBKDF2-SHA256 hashes, never as plain text.

#include <QString>
#include <QVariant>

namespace vorlan::users {

// "pbkdf2-sha256$<iterations>$<salt, base64>$<key, base64>"
QString hashPassword(const QString& password);
// Constant-time check; a Null or empty stored value never matches.
bool verifyPassword(const QString& password, const QVariant& stored);

} // namespace vorlan::users
