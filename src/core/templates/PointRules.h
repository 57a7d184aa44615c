#pragma once
// The designer's rules for adding, modifying and deleting input points, over the template model alone:
// which request is refused with which message, and what a new or modified point takes from the style
// sample. No widgets and no database, so every rule is tested without opening the window.

#include "templates/TemplateModel.h"

#include <QFont>
#include <QString>

#include <optional>

namespace vorlan::templates {

// A refusal as the designer shows it: an information box with this text and title.
struct Problem {
    QString text;
    QString title;
    bool operator==(const Problem&) const = default;
};

inline const QString kRuleTitle = QStringLiteral("操作结果报告");

// The designer's selected kind: a box of either family, the picture area, or empty before the first
// selection.
inline const QString kKindSingle = QStringLiteral("Text_Add");
inline const QString kKindMulti = QStringLiteral("Text_Addscroll");
inline const QString kKindPicture = QStringLiteral("背景图片");
QString kindOf(Family family);
// The family of a selected box; none for the picture area or an empty kind.
std::optional<Family> familyOfKind(const QString& kind);

// The type a type button gives: "文本框" gives 文本多行 when multiLine is checked and 文本一行 otherwise,
// "日期" gives 文本日期, the other type captions give themselves; any other caption gives an empty type.
QString pointTypeFor(const QString& buttonCaption, bool multiLine);

// How a point prints and what its box starts with, as the frame's lower controls set them.
struct PointOptions {
    Symbology symbology = Symbology::None;
    bool symbolText = true;
    QString fixedText;
    Party party = Party::Sender;
    bool operator==(const PointOptions&) const = default;
};
PointOptions optionsOf(const InputPoint& p);

// A new input point as the frame's controls describe it.
struct PointDraft {
    QString name;
    QString type; // empty when no type button is on
    QString binding;
    PointOptions options;
};

// A name with a control character (NUL, a line break, a tab…) can be neither a column's nor a table's
// name, nor be shown: the refusal naming it as `what` ("输入点名称") and the character's place, or empty.
QString controlCharacterProblem(const QString& name, const QString& what);

// Why the draft cannot be added to the template, checked in this order: empty name, a control character
// in it, a name some slot
// already has (deleted points keep theirs), the print log table's date column, no type, a full family.
// Then the options: a symbol only for the types that take one, a fixed text without control characters.
std::optional<Problem> checkNewPoint(const Template& tmpl, const PointDraft& draft);
std::optional<Problem> checkPointOptions(const QString& type, const PointOptions& options);
// "修改点" needs a box or the picture area selected; "删除点" a box.
std::optional<Problem> checkModifyPoint(const QString& selectedKind);
std::optional<Problem> checkDeletePoint(const QString& selectedKind);

// The style sample: what new and modified points take over.
struct PointStyle {
    static QFont initialFont(); // 宋体, 9 points, as a point that was never given a font
    QFont font = initialFont();
    qint32 back = color::kWindowBackground;
    qint32 fore = color::kWindowText;
};

// The point a checked draft adds: at the place for new points with the prototype's size, with the
// sample's font and background; only a single-line point takes the sample's text colour, a multi-line
// one keeps the prototype's.
InputPoint newPoint(const PointDraft& draft, const PointStyle& sample);
// "修改点" on a point: the binding, the options and the sample's font and background, and for a
// single-line point the text colour. Name and type never change.
void modifyPoint(InputPoint& point, Family family, const QString& binding, const PointStyle& sample,
                 const PointOptions& options);
// Selecting a point copies its style into the sample; the text colour only from a single-line point.
void takeStyle(PointStyle& sample, const InputPoint& point, Family family);

} // namespace vorlan::templates
