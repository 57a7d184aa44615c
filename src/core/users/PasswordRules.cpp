#include "users/PasswordRules.h"

#include <QStringEncoder>

namespace vorlan::users {

namespace {

bool available(const char* name) {
    return QStringEncoder(name).isValid();
}

CodePage resolve(CodePage page) {
    if (page != CodePage::Best)
        return page;
    static const CodePage best = available("GBK")       ? CodePage::Gbk
                                 : available("GB18030") ? CodePage::Gb18030
                                                        : CodePage::Rule;
    return best;
}

// Bytes of one character (one code unit or a surrogate pair) in GBK; -1 when it has no code there.
int characterBytes(QStringView ch, CodePage page) {
    switch (page) {
    case CodePage::Gbk:
    case CodePage::Gb18030: {
        QStringEncoder encoder(page == CodePage::Gbk ? "GBK" : "GB18030");
        // A missing code page must not let every character through.
        if (!encoder.isValid())
            return characterBytes(ch, CodePage::Rule);
        const QByteArray bytes = encoder.encode(ch);
        if (encoder.hasError() || bytes.isEmpty())
            return -1;
        return bytes.size() <= 2 ? int(bytes.size()) : -1;
    }
    case CodePage::Best:
        return characterBytes(ch, resolve(page));
    case CodePage::Rule:
        break;
    }
    if (ch.size() != 1 || ch.front().isSurrogate())
        return -1;
    return ch.front().unicode() < 0x80 ? 1 : 2;
}

// Calls f(character, bytes) for each character until it returns false.
template <typename F> void eachCharacter(const QString& text, CodePage page, F f) {
    const CodePage p = resolve(page);
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n =
            (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ? 2 : 1;
        const QStringView ch = QStringView(text).mid(i, n);
        if (!f(ch, characterBytes(ch, p)))
            return;
        i += n;
    }
}

} // namespace

int gbkLength(const QString& text, CodePage page) {
    int total = 0;
    eachCharacter(text, page, [&](QStringView, int bytes) {
        if (bytes < 0) {
            total = -1;
            return false;
        }
        total += bytes;
        return true;
    });
    return total;
}

QString firstNonGbk(const QString& text, CodePage page) {
    QString bad;
    eachCharacter(text, page, [&](QStringView ch, int bytes) {
        if (bytes < 0)
            bad = ch.toString();
        return bytes >= 0;
    });
    return bad;
}

PasswordVerdict checkPassword(const QString& password, int maxBytes, CodePage page) {
    const QString bad = firstNonGbk(password, page);
    if (!bad.isEmpty())
        return {PasswordVerdict::BadCharacter, bad};
    if (gbkLength(password, page) > maxBytes)
        return {PasswordVerdict::TooLong, {}};
    return {};
}

QString badCharacterText(const QString& character) {
    const char32_t code = character.size() == 2 && character.at(0).isHighSurrogate()
                              ? QChar::surrogateToUcs4(character.at(0), character.at(1))
                          : character.isEmpty() ? 0
                                                : character.at(0).unicode();
    const QString codeText = QStringLiteral("U+%1").arg(uint(code), 4, 16, QLatin1Char('0')).toUpper();
    // A lone half of a pair cannot be shown; its number can.
    const QString shown = character.size() == 1 && character.at(0).isSurrogate()
                              ? codeText
                              : character + QStringLiteral("，") + codeText;
    return QStringLiteral("您输入的口令中有本系统不能保存的字符（%"
                          "1），口令只能使用汉字、字母、数字和常用符号，请重新输入")
        .arg(shown);
}

} // namespace vorlan::users
