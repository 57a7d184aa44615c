#pragma once
// Amounts written in Chinese capital numerals, as banks want them on remittance slips and invoices.
// Pure functions: no widgets, no database.

#include <QString>

#include <optional>

namespace vorlan::printing {

// The largest amount (in yuan, either sign) that is written in words.
inline constexpr double kMaxAmount = 9999999;

// What the box receives in front of the words.
inline const QString kAmountIndent = QStringLiteral("    ");

inline const QString kNotANumberMessage = QStringLiteral("请您填写数字类型！");
inline const QString kNotANumberTitle = QStringLiteral("输入提示");
inline const QString kTooLargeMessage = QStringLiteral("总金额太大，请手工填写大写金额!");

// The capital numeral of a digit 0..9; an empty text for any other value.
QString GetNumString(int digit);

// A plain signed decimal figure ("1234.56", "-5", "+0.3", ".5", "12."), blanks around it allowed.
// Anything else (separators, exponents, currency signs, full-width digits) is not a number.
std::optional<double> parseAmount(const QString& text);

// The words for an amount: "(负数)" in front of a negative one, "整" closing an amount without 角 and 分,
// "分" followed by one blank. |value| x 100 is rounded halves to even in double precision. The four
// leading blanks of the box are not included. Nothing when the amount is outside -9999999..9999999.
std::optional<QString> AmountToWords(double value);

// Enter in an amount box: what the box holds afterwards, or why nothing changes.
struct AmountConversion {
    enum class Outcome { Converted, NotANumber, TooLarge };
    Outcome outcome = Outcome::Converted;
    QString text; // the new box text (four blanks and the words) when converted
};
AmountConversion convertAmountText(const QString& typed);

} // namespace vorlan::printing
