#pragma once
// What a password may hold: characters of the Chinese code page GBK, and a limit in its bytes.

#include <QString>

namespace vorlan::users {

// The table that tells a character's bytes: the GBK code page; GB18030, whose one- and two-byte codes
// are GBK's characters (its four-byte codes are not in GBK); or, in a build with neither, the rule that
// ASCII takes one byte, any other character of the Basic Multilingual Plane two, and nothing beyond it
// is encodable. Best takes the first of these that this build offers.
enum class CodePage { Best, Gbk, Gb18030, Rule };

// Bytes of text in GBK, or -1 when one of its characters has no GBK code.
int gbkLength(const QString& text, CodePage page = CodePage::Best);
// The first character of text without a GBK code (a surrogate pair is one character), or an empty text.
QString firstNonGbk(const QString& text, CodePage page = CodePage::Best);

struct PasswordVerdict {
    enum Problem { Ok, BadCharacter, TooLong };
    Problem problem = Ok;
    QString character; // the refused character, for BadCharacter
};

// A password may hold only characters that GBK can encode, and at most maxBytes bytes of them.
PasswordVerdict checkPassword(const QString& password, int maxBytes, CodePage page = CodePage::Best);

// The sentence for a refused character, naming it and its code point.
QString badCharacterText(const QString& character);

} // namespace vorlan::users
