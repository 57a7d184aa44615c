#include "templates/PointRules.h"

#include "templates/PrintLogStore.h"

namespace vorlan::templates {

namespace {

Problem refusal(const QString& text) {
    return {text, kRuleTitle};
}

const QString kSelectFirst = QStringLiteral("请您选择要修改的输入点 或 背景图片，再做相应的修改！ ");

} // namespace

QString kindOf(Family family) {
    return family == Family::Multi ? kKindMulti : kKindSingle;
}

std::optional<Family> familyOfKind(const QString& kind) {
    if (kind == kKindSingle)
        return Family::Single;
    if (kind == kKindMulti)
        return Family::Multi;
    return std::nullopt;
}

QString pointTypeFor(const QString& caption, bool multiLine) {
    if (caption == QStringLiteral("文本框"))
        return multiLine ? type::MultiLine : type::SingleLine;
    if (caption == QStringLiteral("日期"))
        return type::Date;
    for (const QString& t :
         {type::Integer, type::AmountInWords, type::Amount, type::Year, type::Month, type::Day, type::Number})
        if (caption == t)
            return t;
    return QString();
}

QString controlCharacterProblem(const QString& name, const QString& what) {
    for (qsizetype i = 0; i < name.size(); ++i)
        if (name.at(i).category() == QChar::Other_Control)
            return QStringLiteral(
                       "%1的第%2个字符是控制字符（代码%3），名称中不能有控制字符，请您重新填写%1！")
                .arg(what)
                .arg(i + 1)
                .arg(QStringLiteral("U+%1").arg(name.at(i).unicode(), 4, 16, QLatin1Char('0')).toUpper());
    return QString();
}

std::optional<Problem> checkNewPoint(const Template& tmpl, const PointDraft& draft) {
    if (draft.name.isEmpty())
        return refusal(QStringLiteral("请您填写“输入点名称”，谢谢！ "));
    if (const QString problem = controlCharacterProblem(draft.name, QStringLiteral("输入点名称"));
        !problem.isEmpty())
        return refusal(problem);
    if (tmpl.hasName(draft.name))
        return refusal(QStringLiteral("输入点名称：") + draft.name +
                       QStringLiteral("，已存在了， 请您重新填写“输入点名称”，谢谢！ "));
    if (samePointName(draft.name, PrintLogStore::kDateColumn))
        return refusal(QStringLiteral(
            "输入点名称不能是“打印日期”，它是打印记录表的日期列，请您重新填写“输入点名称”，谢谢！ "));
    if (draft.type.isEmpty())
        return refusal(QStringLiteral("请您选择“输入点类型”，谢谢！ "));
    const Family fam = familyOf(draft.type);
    if (tmpl.family(fam).isFull())
        return refusal(
            fam == Family::Multi
                ? QStringLiteral("多行输入点最多 100 个，已经满了，不能再新增多行输入点！ ")
                : QStringLiteral("单行输入点（除“文本多行”以外的各类）最多 100 个，已经满了，不能再新增！ "));
    return checkPointOptions(draft.type, draft.options);
}

std::optional<Problem> checkPointOptions(const QString& type, const PointOptions& options) {
    if (options.symbology != Symbology::None && !takesSymbol(type))
        return refusal(
            QStringLiteral("只有“号码”和单行“文本框”输入点能打印为条码，“%1”输入点请把“打印为”选为“无”！ ")
                .arg(type));
    for (qsizetype i = 0; i < options.fixedText.size(); ++i)
        if (options.fixedText.at(i).category() == QChar::Other_Control)
            return refusal(
                QStringLiteral("固定内容的第%1个字符是控制字符（代码U+%2），请您重新填写固定内容！ ")
                    .arg(i + 1)
                    .arg(QString::number(options.fixedText.at(i).unicode(), 16).toUpper(), 4,
                         QLatin1Char('0')));
    return std::nullopt;
}

PointOptions optionsOf(const InputPoint& p) {
    return {p.symbology, p.symbolText, p.fixedText, p.party};
}

namespace {

void applyOptions(InputPoint& p, const PointOptions& options) {
    p.symbology = options.symbology;
    p.symbolText = options.symbolText;
    p.fixedText = options.fixedText;
    p.party = options.party;
}

} // namespace

std::optional<Problem> checkModifyPoint(const QString& selectedKind) {
    if (familyOfKind(selectedKind) || selectedKind == kKindPicture)
        return std::nullopt;
    return refusal(kSelectFirst);
}

std::optional<Problem> checkDeletePoint(const QString& selectedKind) {
    if (familyOfKind(selectedKind))
        return std::nullopt;
    return refusal(kSelectFirst);
}

QFont PointStyle::initialFont() {
    QFont f(QStringLiteral("宋体"));
    f.setPointSizeF(9);
    return f;
}

InputPoint newPoint(const PointDraft& draft, const PointStyle& sample) {
    InputPoint p;
    p.type = draft.type;
    p.binding = draft.binding;
    p.name = draft.name;
    p.rect = kDefaultPointRect;
    applyOptions(p, draft.options);
    p.setFont(sample.font);
    p.backColor = sample.back;
    if (familyOf(draft.type) == Family::Single)
        p.foreColor = sample.fore;
    return p;
}

void modifyPoint(InputPoint& point, Family family, const QString& binding, const PointStyle& sample,
                 const PointOptions& options) {
    point.binding = binding;
    applyOptions(point, options);
    point.setFont(sample.font);
    point.backColor = sample.back;
    if (family == Family::Single)
        point.foreColor = sample.fore;
}

void takeStyle(PointStyle& sample, const InputPoint& point, Family family) {
    sample.font = point.font();
    sample.back = point.backColor;
    if (family == Family::Single)
        sample.fore = point.foreColor;
}

} // namespace vorlan::templates
