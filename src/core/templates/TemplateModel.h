#pragma once
// A template: its input points in two families of slots, the background picture and its rectangle,
// and the overall offsets. Plain data, no widgets and no database.
//
// Positions and sizes are twips in single precision, as the template rows store them: whatever sets a
// rectangle of the model rounds it with toSingle() (the store on loading, the handles on every move).

#include "ui/Twips.h"

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QList>
#include <QPalette>
#include <QString>
#include <QStringList>

#include <array>

namespace vorlan::templates {

// Type names (textLX).
namespace type {
inline const QString SingleLine = QStringLiteral("文本一行");
inline const QString MultiLine = QStringLiteral("文本多行");
inline const QString Date = QStringLiteral("文本日期");
inline const QString Integer = QStringLiteral("整数");
inline const QString AmountInWords = QStringLiteral("大写金额");
inline const QString Amount = QStringLiteral("小写金额");
inline const QString Year = QStringLiteral("年");
inline const QString Month = QStringLiteral("月");
inline const QString Day = QStringLiteral("日");
inline const QString Number = QStringLiteral("号码");
inline const QString Background = QStringLiteral("背景图片");
} // namespace type

// The ten input point types in the order templates are loaded.
const QStringList& pointTypes();
bool isPointType(const QString& t);

// Bindings (lockZiduan).
inline const QString kNoBinding = QStringLiteral("无");
inline const QString kCommonUseBinding = QStringLiteral("常用用途");
// The twelve customer columns a point may be bound to, in the customer picker's result order.
const QStringList& customerBindings();
// The designer's thirteen choices: "无", eleven customer columns and "常用用途".
const QStringList& designerBindings();

enum class Family { Single, Multi };
Family familyOf(const QString& type); // 文本多行 -> Multi, everything else Single

// Where an input point sits: its family and slot.
struct SlotRef {
    Family family = Family::Single;
    int slot = 0;
    auto operator<=>(const SlotRef&) const = default; // single-line family first, then by slot
};

inline constexpr int kMaxSlot = 100;
// Where a new input point appears, with the size of the designer's prototype boxes.
inline constexpr ui::TwipsRect kDefaultPointRect{5880_tw, 7500_tw, 2055_tw, 315_tw};
// The picture area of a template that was never given a picture.
inline constexpr ui::TwipsRect kDefaultPictureRect{0_tw, 0_tw, 12615_tw, 6375_tw};

// Colours are signed 32-bit values: red in the lowest byte, then green, then blue. A value with the top bit
// set names a system colour (its low byte is the system colour index).
namespace color {
inline constexpr qint32 kWindowBackground = qint32(0x80000005u); // a box's background never picked
inline constexpr qint32 kWindowText = qint32(0x80000008u);       // a box's text colour never picked
inline constexpr qint32 kButtonFace = qint32(0x8000000Fu);
bool isSystem(qint32 value);
qint32 encode(const QColor& c);
// System colours map to the matching colour of the palette.
QColor decode(qint32 value, const QPalette& palette = QPalette());
} // namespace color

// Do two input point names name the same point? Each name is also a column of the template's print log
// table, where letter case does not tell two columns apart.
bool samePointName(const QString& a, const QString& b);

// How a point's value is printed: as text, or as a symbol of one of these kinds.
enum class Symbology { None, Code128, QrCode, Pdf417, Ean13 };
// The symbologies in the designer's order, with the names shown there and stored in the point row.
const QList<Symbology>& symbologies();
QString symbologyTitle(Symbology s);            // "无", "Code 128", "QR 码", ...
QString symbologyKey(Symbology s);              // stored: empty, "Code128", "QR", "PDF417", "EAN13"
Symbology symbologyFromKey(const QString& key); // anything unknown prints as text
bool isLinear(Symbology s);                     // bars in one row: Code 128, EAN-13
// May a point of this type carry a symbol?
bool takesSymbol(const QString& type);

// Which party of the sheet a customer-bound point belongs to. A pick from the register in a box of one
// party fills only that party's boxes. Points stored before parties were told apart are the sender's.
enum class Party { Sender, Receiver };
QString partyTitle(Party p); // "寄件方", "收件方"

struct InputPoint {
    QString type;       // textLX; empty for a point deleted in the designer (its name stays)
    QString name;       // textName; empty: the slot holds no input point
    QString binding;    // lockZiduan, Null read as empty
    ui::TwipsRect rect; // X, Y, W, H
    QString fontName = QStringLiteral("宋体");
    float fontSize = 9;
    bool italic = false;
    bool bold = false;
    bool underline = false;
    qint32 backColor = color::kWindowBackground;
    qint32 foreColor = color::kWindowText;
    int tabOrder = 0; // its place in the order of the print window's boxes, 1 first; 0: none set
    Symbology symbology = Symbology::None;
    bool symbolText = true; // the human-readable text under a linear symbol
    QString fixedText{};    // filled on opening and kept by 下一张; empty: none
    Party party = Party::Sender;

    bool isSymbol() const { return symbology != Symbology::None && takesSymbol(type); }
    bool hasFixedText() const { return !fixedText.isEmpty(); }

    bool inUse() const { return !name.isEmpty(); }             // written by a save
    bool isLive() const { return inUse() && !type.isEmpty(); } // shown and printed
    QFont font() const;                                        // face, size in points, style
    void setFont(const QFont& f);
    bool operator==(const InputPoint&) const = default;
};

// Slots 1..100 of one family; slot 0 is never used. count is the highest slot in use (0 for none).
struct PointFamily {
    std::array<InputPoint, kMaxSlot + 1> items{}; // "slots" is taken by Qt
    int count = 0;

    InputPoint& operator[](int slot) { return items[size_t(slot)]; }
    const InputPoint& operator[](int slot) const { return items[size_t(slot)]; }
    bool isFull() const { return count >= kMaxSlot; }
    // Puts a point into slot count + 1 and returns that slot, or 0 when the family is full.
    int append(const InputPoint& p);
    void clear() { *this = PointFamily(); }
    bool operator==(const PointFamily&) const = default;
};

struct Template {
    QString name;
    PointFamily single;
    PointFamily multi;
    ui::TwipsRect pictureRect = kDefaultPictureRect;
    bool hasHeader = false; // a moban row exists
    QByteArray picture;     // the stored picture file bytes (empty when none)
    int allup = 0;          // overall offsets in whole units of 48 twips (printing::kOffsetUnit)
    int allleft = 0;
    // Stored before the order of the boxes was kept: boxes without a set place go in reading order, as
    // they always did, not by the column rule of newer templates (templates/TabOrder.h).
    bool readingOrderByDefault = false;

    PointFamily& family(Family f) { return f == Family::Multi ? multi : single; }
    const PointFamily& family(Family f) const { return f == Family::Multi ? multi : single; }
    InputPoint& point(SlotRef ref) { return family(ref.family)[ref.slot]; }
    const InputPoint& point(SlotRef ref) const { return family(ref.family)[ref.slot]; }
    // Is the name used by any slot of either family (deleted points keep their names), by samePointName?
    bool hasName(const QString& pointName) const;
    int livePointCount() const;
    bool operator==(const Template&) const = default;
};

// The picture is shown only from 1000 stored bytes on.
inline constexpr int kMinPictureBytes = 1000;
bool pictureShown(const QByteArray& bytes);

} // namespace vorlan::templates
