#pragma once
// Fine-tune mode of the print window: the mode captions, the first selection and the overall offsets.
// Pure logic; the window wires it to its controls.

#include "printing/Placement.h"
#include "templates/TemplateModel.h"

#include <QString>

#include <optional>

namespace vorlan::printing::finetune {

// The caption of XPButton_WeiTiao tells the mode: it offers what a click does.
inline const QString kCaptionModeOff = QStringLiteral("开启微调");
inline const QString kCaptionModeOn = QStringLiteral("关闭微调");
inline bool isModeOn(const QString& caption) {
    return caption == kCaptionModeOn;
}

// The overall offsets: whole numbers, one unit is 48 twips on paper (kOffsetUnit).
inline constexpr int kMinOffset = -1000;
inline constexpr int kMaxOffset = 1000;

struct OffsetText {
    enum class Kind {
        Empty,   // becomes "0"
        Minus,   // a lone minus sign while a negative value is typed: left alone
        Number,  // a plain decimal figure: value is rounded (halves to even) and held to -1000..1000
        Invalid, // anything else: the previous text comes back
    };
    Kind kind = Kind::Empty;
    int value = 0;
    bool limited = false; // the rounded figure lay outside -1000..1000
};
OffsetText readOffset(const QString& text);

// How far an offset of whole units moves the print on paper, in millimetres (48 twips a unit, 56.7 twips
// a millimetre: 10 units are 8.47 mm, not 10).
double offsetMillimetres(int units);
// The label next to an offset box: "(" the true millimetres with one decimal "mm)", e.g. "(8.5mm)" for 10.
// The box and the database keep the units.
QString offsetLabel(int units);

// Where an input point sits: its family and slot (the designer's type, so both windows name a box alike).
using SlotRef = templates::SlotRef;

// The box selected when fine-tune mode is switched on: single-line slot 1, or when that holds no
// input point the first single-line point, then the first multi-line point; nothing for an empty template.
std::optional<SlotRef> firstSelection(const templates::Template& t);

} // namespace vorlan::printing::finetune
