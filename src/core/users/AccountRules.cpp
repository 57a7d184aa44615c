#include "users/AccountRules.h"

#include "users/PasswordHash.h"
#include "users/PasswordRules.h"

namespace vorlan::users {

namespace {

const QString kResultTitle = QStringLiteral("操作结果报告");
const QString kInvalidTitle = QStringLiteral("操作无效报告");
const QString kTooLong = QStringLiteral("您输入的口令长度错误(不允许大于20个字符),请重新输入");

// The GBK rules of a new password, or none when it may be stored.
std::optional<QString> passwordProblem(const QString& password) {
    const PasswordVerdict verdict = checkPassword(password, kPasswordBytes);
    switch (verdict.problem) {
    case PasswordVerdict::Ok:
        return std::nullopt;
    case PasswordVerdict::BadCharacter:
        return badCharacterText(verdict.character);
    case PasswordVerdict::TooLong:
        return kTooLong;
    }
    return std::nullopt;
}

} // namespace

PasswordChangeCheck checkPasswordChange(const std::optional<UserRow>& user, const QString& oldPassword,
                                        const QString& newPassword, const QString& again) {
    if (!user)
        return {Problem{QStringLiteral("此用户不存在!"), kResultTitle}, false};
    if (!verifyPassword(oldPassword, user->passwordHash))
        return {Problem{QStringLiteral("您输入的[原来口令]内容错误,请重新输入"), kResultTitle}, false};
    if (again != newPassword)
        return {Problem{QStringLiteral("您输入的[变更口令]和[确认口令]内容不符,请重新输入"), kResultTitle},
                true};
    if (const auto problem = passwordProblem(newPassword))
        return {Problem{*problem, kResultTitle}, true};
    return {std::nullopt, true};
}

std::optional<Problem> checkNewUser(const QString& uid, const QString& name, const QString& password) {
    if (uid.trimmed().isEmpty() || name.trimmed().isEmpty())
        return Problem{QStringLiteral("错误:请您填写员工编号和员工姓名,请重新填写!"), kInvalidTitle};
    // The ten characters the box allows are at most twenty bytes; what GBK cannot hold is refused.
    if (const auto problem = passwordProblem(password.trimmed()))
        return Problem{*problem, kInvalidTitle};
    return std::nullopt;
}

} // namespace vorlan::users
