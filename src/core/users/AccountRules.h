#pragma once
// The checks of the user accounts window as plain functions: which password change or new user is
// refused, with the message and title the window shows. No widgets and no database.

#include "users/UserStore.h"

#include <QString>

#include <optional>

namespace vorlan::users {

// A refusal as the window shows it: a message box with this text and title and an OK button.
struct Problem {
    QString text;
    QString title;
    bool operator==(const Problem&) const = default;
};

inline constexpr int kUidLength = 5;   // as typed for a new user
inline constexpr int kNameLength = 10; // as typed
inline constexpr int kNewUserPasswordLength = 10;
inline constexpr int kPasswordBytes = 20; // a password in the GBK code page

struct PasswordChangeCheck {
    std::optional<Problem> problem;
    // The user exists and the old password is right: the window shows the user's number from here on,
    // also when a later check refuses the new password.
    bool identified = false;
};

// The checks of "确  认", in this order: the user (the first row of the typed name) exists, the old
// password is right, the new one was typed twice alike, GBK can encode it and it is at most 20 bytes
// there. The passwords are the texts after trimming.
PasswordChangeCheck checkPasswordChange(const std::optional<UserRow>& user, const QString& oldPassword,
                                        const QString& newPassword, const QString& again);

// The checks of "保  存" before its confirmation: number and name (trimmed) are given, and the password
// (trimmed) is one that GBK can encode in at most 20 bytes.
std::optional<Problem> checkNewUser(const QString& uid, const QString& name, const QString& password);

} // namespace vorlan::users
