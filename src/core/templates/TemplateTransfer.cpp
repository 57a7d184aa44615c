#include "templates/TemplateTransfer.h"

#include "printing/PrintSettingsStore.h"
#include "templates/PointRules.h"
#include "templates/PrintLogStore.h"
#include "templates/TemplateStore.h"

#include "data/Sql.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <quazip.h>
#include <quazipfile.h>
#include <quazipfileinfo.h>
#include <quazipnewinfo.h>

#include <cmath>
#include <limits>

namespace vorlan::templates {

namespace {

// Every stored template's name: all but the empty one (a null text would be bound as Null, which no
// name differs from).
QStringList allStoredNames(const TemplateStore& store) {
    return store.storedNames(QStringLiteral(""));
}

const QString kJsonEntry = QStringLiteral("template.json");
const QString kPictureStem = QStringLiteral("picture.");

// Positions of a template are 16-bit numbers when they are printed.
constexpr double kMinPosition = -32768;
constexpr double kMaxPosition = 32767;
constexpr double kMaxFontSize = 1638;
constexpr int kMaxTextLength = 4000;
constexpr int kMaxNameLength = 255;

// Every field a file may carry, as the messages name it.
QString label(QStringView key) {
    static const QHash<QString, QString> labels{
        {QStringLiteral("format"), QStringLiteral("文件格式")},
        {QStringLiteral("version"), QStringLiteral("格式版本")},
        {QStringLiteral("name"), QStringLiteral("名称")},
        {QStringLiteral("picture"), QStringLiteral("背景图片")},
        {QStringLiteral("pictureRect"), QStringLiteral("背景图片位置")},
        {QStringLiteral("readingOrder"), QStringLiteral("输入顺序")},
        {QStringLiteral("points"), QStringLiteral("输入点")},
        {QStringLiteral("paper"), QStringLiteral("纸张")},
        {QStringLiteral("slot"), QStringLiteral("序号")},
        {QStringLiteral("type"), QStringLiteral("类型")},
        {QStringLiteral("binding"), QStringLiteral("关联")},
        {QStringLiteral("x"), QStringLiteral("左边位置")},
        {QStringLiteral("y"), QStringLiteral("上边位置")},
        {QStringLiteral("w"), QStringLiteral("宽度")},
        {QStringLiteral("h"), QStringLiteral("高度")},
        {QStringLiteral("font"), QStringLiteral("字体")},
        {QStringLiteral("fontSize"), QStringLiteral("字号")},
        {QStringLiteral("italic"), QStringLiteral("斜体")},
        {QStringLiteral("bold"), QStringLiteral("粗体")},
        {QStringLiteral("underline"), QStringLiteral("下划线")},
        {QStringLiteral("backColor"), QStringLiteral("背景颜色")},
        {QStringLiteral("foreColor"), QStringLiteral("文字颜色")},
        {QStringLiteral("tabOrder"), QStringLiteral("输入顺序号")},
        {QStringLiteral("symbology"), QStringLiteral("打印为")},
        {QStringLiteral("symbolText"), QStringLiteral("条码下的文字")},
        {QStringLiteral("fixedText"), QStringLiteral("固定内容")},
        {QStringLiteral("party"), QStringLiteral("所属方")},
        {QStringLiteral("key"), QStringLiteral("纸张代号")},
        {QStringLiteral("widthMm"), QStringLiteral("纸张宽度")},
        {QStringLiteral("heightMm"), QStringLiteral("纸张高度")},
        {QStringLiteral("orientation"), QStringLiteral("方向")},
        {QStringLiteral("origin"), QStringLiteral("位置起点")},
    };
    const QString k = key.toString();
    return QStringLiteral("%1（%2）").arg(labels.value(k, k), k);
}

// ---- Writing ------------------------------------------------------------------------------------------

QJsonObject rectJson(const ui::TwipsRect& r) {
    return {{QStringLiteral("x"), r.left.value()},
            {QStringLiteral("y"), r.top.value()},
            {QStringLiteral("w"), r.width.value()},
            {QStringLiteral("h"), r.height.value()}};
}

QJsonObject pointJson(const InputPoint& p, int slot) {
    QJsonObject o = rectJson(p.rect);
    o.insert(QStringLiteral("slot"), slot);
    o.insert(QStringLiteral("type"), p.type);
    o.insert(QStringLiteral("name"), p.name);
    o.insert(QStringLiteral("binding"), p.binding);
    o.insert(QStringLiteral("font"), p.fontName);
    o.insert(QStringLiteral("fontSize"), double(p.fontSize));
    o.insert(QStringLiteral("italic"), p.italic);
    o.insert(QStringLiteral("bold"), p.bold);
    o.insert(QStringLiteral("underline"), p.underline);
    o.insert(QStringLiteral("backColor"), p.backColor);
    o.insert(QStringLiteral("foreColor"), p.foreColor);
    o.insert(QStringLiteral("tabOrder"), p.tabOrder);
    o.insert(QStringLiteral("symbology"), symbologyKey(p.symbology));
    o.insert(QStringLiteral("symbolText"), p.symbolText);
    o.insert(QStringLiteral("fixedText"), p.fixedText);
    o.insert(QStringLiteral("party"),
             p.party == Party::Receiver ? QStringLiteral("receiver") : QStringLiteral("sender"));
    return o;
}

QJsonObject paperJson(const printing::PrintSettings& s) {
    QJsonObject o{{QStringLiteral("key"), s.paperKey}, {QStringLiteral("name"), s.paperName}};
    o.insert(QStringLiteral("widthMm"), s.paperMm.isValid() ? QJsonValue(s.paperMm.width()) : QJsonValue());
    o.insert(QStringLiteral("heightMm"), s.paperMm.isValid() ? QJsonValue(s.paperMm.height()) : QJsonValue());
    QJsonValue orientation;
    if (s.orientation)
        orientation = *s.orientation == QPageLayout::Landscape ? QStringLiteral("landscape")
                                                               : QStringLiteral("portrait");
    o.insert(QStringLiteral("orientation"), orientation);
    o.insert(QStringLiteral("origin"), s.origin == printing::PrintOrigin::Paper
                                           ? QStringLiteral("paper")
                                           : QStringLiteral("printable"));
    return o;
}

// The picture's format as its file name ending, or empty when it does not decode.
QString pictureSuffix(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QByteArray format = reader.format();
    if (format.isEmpty())
        return QString();
    if (format == "jpeg")
        format = "jpg";
    return QString::fromLatin1(format);
}

bool writeEntry(QuaZip& zip, const QString& name, const QByteArray& bytes) {
    QuaZipFile f(&zip);
    if (!f.open(QIODevice::WriteOnly, QuaZipNewInfo(name)))
        return false;
    const bool written = f.write(bytes) == bytes.size();
    f.close();
    return written && f.getZipError() == ZIP_OK;
}

// ---- Reading ------------------------------------------------------------------------------------------

// The checks of one file: the first problem found is kept, named by the place and the field.
class Checker {
public:
    explicit Checker(QString file) : file_(std::move(file)) {}

    bool failed() const { return !problem_.isEmpty(); }
    const QString& problem() const { return problem_; }

    bool fail(const QString& text) {
        if (problem_.isEmpty())
            problem_ = QStringLiteral("模板文件“%1”%2，没有导入任何内容。").arg(file_, text);
        return false;
    }
    bool fieldFails(const QString& where, QStringView key, const QString& what) {
        return fail(QStringLiteral("有误：%1的%2%3").arg(where, label(key), what));
    }

    // A number in [min, max]; absent: the default when there is one.
    bool number(const QJsonObject& o, const QString& where, const QString& key, double min, double max,
                double& out, std::optional<double> byDefault = std::nullopt) {
        const QJsonValue v = o.value(key);
        if (v.isUndefined() && byDefault) {
            out = *byDefault;
            return true;
        }
        if (v.isUndefined())
            return fieldFails(where, key, QStringLiteral("缺少"));
        if (!v.isDouble() || !std::isfinite(v.toDouble()) || v.toDouble() < min || v.toDouble() > max)
            return fieldFails(where, key,
                              QStringLiteral("应是 %1 到 %2 之间的数").arg(numberText(min), numberText(max)));
        out = v.toDouble();
        return true;
    }
    bool whole(const QJsonObject& o, const QString& where, const QString& key, double min, double max,
               qint64& out, std::optional<qint64> byDefault = std::nullopt) {
        double d = 0;
        if (!number(o, where, key, min, max, d,
                    byDefault ? std::optional<double>(double(*byDefault)) : std::nullopt))
            return false;
        if (d != std::floor(d))
            return fieldFails(where, key, QStringLiteral("应是整数"));
        out = qint64(d);
        return true;
    }
    bool flag(const QJsonObject& o, const QString& where, const QString& key, bool& out) {
        const QJsonValue v = o.value(key);
        if (v.isUndefined())
            return true; // the default stays
        if (!v.isBool())
            return fieldFails(where, key, QStringLiteral("应是 true 或 false"));
        out = v.toBool();
        return true;
    }
    // A text without control characters of at most maxLength characters; absent: left as it is when
    // optional.
    bool text(const QJsonObject& o, const QString& where, const QString& key, QString& out, bool optional,
              int maxLength = kMaxTextLength) {
        const QJsonValue v = o.value(key);
        if (v.isUndefined() && optional)
            return true;
        if (v.isUndefined())
            return fieldFails(where, key, QStringLiteral("缺少"));
        if (!v.isString())
            return fieldFails(where, key, QStringLiteral("应是文字"));
        const QString s = v.toString();
        if (s.size() > maxLength)
            return fieldFails(where, key, QStringLiteral("超过 %1 个字符").arg(maxLength));
        for (qsizetype i = 0; i < s.size(); ++i)
            if (s.at(i).category() == QChar::Other_Control)
                return fieldFails(where, key, QStringLiteral("的第%1个字符是控制字符").arg(i + 1));
        out = s;
        return true;
    }
    bool rect(const QJsonObject& o, const QString& where, ui::TwipsRect& out) {
        double x = 0, y = 0, w = 0, h = 0;
        if (!number(o, where, QStringLiteral("x"), kMinPosition, kMaxPosition, x) ||
            !number(o, where, QStringLiteral("y"), kMinPosition, kMaxPosition, y) ||
            !number(o, where, QStringLiteral("w"), 0, kMaxPosition, w) ||
            !number(o, where, QStringLiteral("h"), 0, kMaxPosition, h))
            return false;
        out = ui::TwipsRect{ui::Twips(x).toSingle(), ui::Twips(y).toSingle(), ui::Twips(w).toSingle(),
                            ui::Twips(h).toSingle()};
        return true;
    }

private:
    static QString numberText(double v) { return QString::number(v, 'g', 10); }
    QString file_;
    QString problem_;
};

QString pointPlace(int index, const QString& name) {
    return name.isEmpty() ? QStringLiteral("第%1个输入点").arg(index + 1)
                          : QStringLiteral("第%1个输入点“%2”").arg(index + 1).arg(name);
}

bool readPoint(Checker& c, const QJsonValue& value, int index, Template& t) {
    if (!value.isObject())
        return c.fail(QStringLiteral("有误：%1不是一组字段").arg(pointPlace(index, QString())));
    const QJsonObject o = value.toObject();
    InputPoint p;
    QString where = pointPlace(index, QString());
    if (!c.text(o, where, QStringLiteral("name"), p.name, false, kMaxNameLength))
        return false;
    where = pointPlace(index, p.name);
    if (p.name.isEmpty())
        return c.fieldFails(where, u"name", QStringLiteral("是空的"));
    if (samePointName(p.name, PrintLogStore::kDateColumn))
        return c.fieldFails(where, u"name", QStringLiteral("不能是打印记录表的日期列“打印日期”"));
    if (t.hasName(p.name))
        return c.fieldFails(where, u"name", QStringLiteral("与另一个输入点重复（不计大小写）"));
    if (!c.text(o, where, QStringLiteral("type"), p.type, false))
        return false;
    if (!isPointType(p.type))
        return c.fieldFails(where, u"type", QStringLiteral("“%1”不是输入点的类型").arg(p.type));
    qint64 slot = 0;
    if (!c.whole(o, where, QStringLiteral("slot"), 1, kMaxSlot, slot))
        return false;
    PointFamily& fam = t.family(familyOf(p.type));
    if (fam[int(slot)].inUse())
        return c.fieldFails(where, u"slot",
                            QStringLiteral("%1与输入点“%2”相同").arg(slot).arg(fam[int(slot)].name));
    if (!c.text(o, where, QStringLiteral("binding"), p.binding, true, kMaxNameLength))
        return false;
    if (!p.binding.isEmpty() && p.binding != kNoBinding && p.binding != kCommonUseBinding &&
        !customerBindings().contains(p.binding))
        return c.fieldFails(where, u"binding", QStringLiteral("“%1”不是可以关联的内容").arg(p.binding));
    if (!c.rect(o, where, p.rect) ||
        !c.text(o, where, QStringLiteral("font"), p.fontName, true, kMaxNameLength))
        return false;
    double size = p.fontSize;
    qint64 back = p.backColor, fore = p.foreColor, order = p.tabOrder;
    constexpr double kMinInt = std::numeric_limits<qint32>::min();
    constexpr double kMaxInt = std::numeric_limits<qint32>::max();
    if (!c.number(o, where, QStringLiteral("fontSize"), 1, kMaxFontSize, size, double(p.fontSize)) ||
        !c.flag(o, where, QStringLiteral("italic"), p.italic) ||
        !c.flag(o, where, QStringLiteral("bold"), p.bold) ||
        !c.flag(o, where, QStringLiteral("underline"), p.underline) ||
        !c.whole(o, where, QStringLiteral("backColor"), kMinInt, kMaxInt, back, back) ||
        !c.whole(o, where, QStringLiteral("foreColor"), kMinInt, kMaxInt, fore, fore) ||
        !c.whole(o, where, QStringLiteral("tabOrder"), 0, 2 * kMaxSlot, order, order) ||
        !c.flag(o, where, QStringLiteral("symbolText"), p.symbolText) ||
        !c.text(o, where, QStringLiteral("fixedText"), p.fixedText, true))
        return false;
    p.fontSize = float(size);
    p.backColor = qint32(back);
    p.foreColor = qint32(fore);
    p.tabOrder = int(order);
    QString key;
    if (!c.text(o, where, QStringLiteral("symbology"), key, true, kMaxNameLength))
        return false;
    p.symbology = symbologyFromKey(key);
    if (!key.isEmpty() && symbologyKey(p.symbology).compare(key, Qt::CaseInsensitive) != 0)
        return c.fieldFails(where, u"symbology", QStringLiteral("“%1”不是条码的种类").arg(key));
    QString party = QStringLiteral("sender");
    if (!c.text(o, where, QStringLiteral("party"), party, true, kMaxNameLength))
        return false;
    if (party != u"sender" && party != u"receiver")
        return c.fieldFails(where, u"party", QStringLiteral("应是 sender 或 receiver"));
    p.party = party == u"receiver" ? Party::Receiver : Party::Sender;
    if (const auto problem = checkPointOptions(p.type, optionsOf(p)))
        return c.fail(QStringLiteral("有误：%1：%2").arg(where, problem->text.trimmed()));
    fam[int(slot)] = p;
    fam.count = std::max(fam.count, int(slot));
    return true;
}

bool readPaper(Checker& c, const QJsonValue& value, printing::PrintSettings& s) {
    const QString where = label(u"paper");
    if (value.isUndefined())
        return true; // the printer's own paper
    if (!value.isObject())
        return c.fail(QStringLiteral("有误：%1不是一组字段").arg(where));
    const QJsonObject o = value.toObject();
    if (!c.text(o, where, QStringLiteral("key"), s.paperKey, true, kMaxNameLength) ||
        !c.text(o, where, QStringLiteral("name"), s.paperName, true, kMaxNameLength))
        return false;
    const QJsonValue w = o.value(QStringLiteral("widthMm")), h = o.value(QStringLiteral("heightMm"));
    const bool sized = !(w.isNull() || w.isUndefined()) || !(h.isNull() || h.isUndefined());
    if (sized || s.isCustomPaper()) {
        double width = 0, height = 0;
        if (!c.number(o, where, QStringLiteral("widthMm"), printing::kMinPaperMm, printing::kMaxPaperMm,
                      width) ||
            !c.number(o, where, QStringLiteral("heightMm"), printing::kMinPaperMm, printing::kMaxPaperMm,
                      height))
            return false;
        s.paperMm = QSizeF(width, height);
    }
    if (!s.hasPaper()) { // the printer's default paper: a name or size means nothing
        s.paperName.clear();
        s.paperMm = QSizeF();
    }
    QString orientation;
    const QJsonValue ov = o.value(QStringLiteral("orientation"));
    if (!ov.isNull() && !ov.isUndefined()) {
        if (!c.text(o, where, QStringLiteral("orientation"), orientation, false, kMaxNameLength))
            return false;
        if (orientation == u"portrait")
            s.orientation = QPageLayout::Portrait;
        else if (orientation == u"landscape")
            s.orientation = QPageLayout::Landscape;
        else
            return c.fieldFails(where, u"orientation", QStringLiteral("应是 portrait 或 landscape"));
    }
    QString origin = QStringLiteral("printable");
    if (!c.text(o, where, QStringLiteral("origin"), origin, true, kMaxNameLength))
        return false;
    if (origin != u"printable" && origin != u"paper")
        return c.fieldFails(where, u"origin", QStringLiteral("应是 printable 或 paper"));
    s.origin = origin == u"paper" ? printing::PrintOrigin::Paper : printing::PrintOrigin::PrintableArea;
    return true;
}

// An entry's bytes, inflated no further than limit; nothing when it is larger or damaged.
enum class EntryRead { Ok, TooLarge, Damaged };
EntryRead readEntry(QuaZip& zip, const QString& name, qint64 limit, QByteArray& out) {
    if (!zip.setCurrentFile(name))
        return EntryRead::Damaged;
    QuaZipFile f(&zip);
    if (!f.open(QIODevice::ReadOnly))
        return EntryRead::Damaged;
    out.clear();
    char chunk[1 << 16];
    for (;;) {
        const qint64 n = f.read(chunk, sizeof chunk);
        if (n < 0)
            return EntryRead::Damaged;
        if (n == 0)
            break;
        if (out.size() + n > limit)
            return EntryRead::TooLarge;
        out.append(chunk, n);
    }
    f.close();
    return f.getZipError() == UNZ_OK ? EntryRead::Ok : EntryRead::Damaged; // the checksum is checked on close
}

// Does the picture decode, within the bounds of a picture?
QString pictureProblem(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead())
        return QStringLiteral("无法识别");
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide ||
                           qint64(size.width()) * size.height() > kMaxPicturePixels))
        return QStringLiteral("有 %1 x %2 像素，太大了").arg(size.width()).arg(size.height());
    if (reader.read().isNull())
        return QStringLiteral("无法识别");
    return QString();
}

} // namespace

// ---- Export -----------------------------------------------------------------------------------------

PackageRead packageOf(const data::Engine& engine, const QString& name) {
    const TemplateStore store(engine);
    if (!allStoredNames(store).contains(name))
        throw data::DbError(
            QStringLiteral("模板“%1”还没有在模板设计中保存过，没有可以导出的内容。").arg(name));
    LoadResult loaded = store.load(name);
    PackageRead out;
    out.notes = loaded.skipped;
    Template& t = out.package.tmpl;
    t.name = name;
    t.pictureRect = loaded.tmpl.pictureRect;
    t.readingOrderByDefault = loaded.tmpl.readingOrderByDefault;
    // Only the live points travel: a deleted point kept its name for the log, which does not travel.
    for (Family f : {Family::Single, Family::Multi}) {
        const PointFamily& from = loaded.tmpl.family(f);
        for (int k = 1; k <= from.count; ++k)
            if (from[k].isLive()) {
                t.family(f)[k] = from[k];
                t.family(f).count = k;
            }
    }
    if (!loaded.tmpl.picture.isEmpty()) {
        if (pictureSuffix(loaded.tmpl.picture).isEmpty())
            out.notes << QStringLiteral("背景图片无法识别，没有导出。");
        else
            t.picture = loaded.tmpl.picture;
    }
    out.package.paper = printing::PrintSettingsStore(engine).load(name);
    out.package.paper.printer.clear(); // this computer's
    return out;
}

QByteArray packageBytes(const TemplatePackage& package) {
    const Template& t = package.tmpl;
    QJsonArray points;
    for (Family f : {Family::Single, Family::Multi})
        for (int k = 1; k <= t.family(f).count; ++k)
            if (t.family(f)[k].isLive())
                points.append(pointJson(t.family(f)[k], k));
    const QString suffix = t.picture.isEmpty() ? QString() : pictureSuffix(t.picture);
    QJsonObject root{{QStringLiteral("format"), kTransferFormat},
                     {QStringLiteral("version"), kTransferVersion},
                     {QStringLiteral("name"), t.name},
                     {QStringLiteral("pictureRect"), rectJson(t.pictureRect)},
                     {QStringLiteral("readingOrder"), t.readingOrderByDefault},
                     {QStringLiteral("paper"), paperJson(package.paper)},
                     {QStringLiteral("points"), points}};
    root.insert(QStringLiteral("picture"),
                suffix.isEmpty() ? QJsonValue() : QJsonValue(kPictureStem + suffix));

    QByteArray bytes;
    QBuffer buffer(&bytes);
    QuaZip zip(&buffer);
    if (!zip.open(QuaZip::mdCreate) ||
        !writeEntry(zip, kJsonEntry, QJsonDocument(root).toJson(QJsonDocument::Indented)) ||
        (!suffix.isEmpty() && !writeEntry(zip, kPictureStem + suffix, t.picture)))
        return QByteArray();
    zip.close();
    return zip.getZipError() == ZIP_OK ? bytes : QByteArray();
}

QString exportTargetProblem(const QString& path) {
    const QFileInfo info(path);
    const QString shown = QDir::toNativeSeparators(path);
    if (path.trimmed().isEmpty())
        return QStringLiteral("请指定要写入的模板文件。");
    if (info.isDir())
        return QStringLiteral("“%1”是一个文件夹，请指定要写入的模板文件。").arg(shown);
    if (info.exists() && info.suffix().compare(kTransferSuffix, Qt::CaseInsensitive) != 0)
        return QStringLiteral("文件“%1”已经存在，而它不是模板文件（*.%2），没有覆盖它，请换一个文件名。")
            .arg(shown, kTransferSuffix);
    return QString();
}

ExportResult exportTemplate(const data::Engine& engine, const QString& name, const QString& path) {
    ExportResult out;
    if (const QString problem = exportTargetProblem(path); !problem.isEmpty()) {
        out.problem = problem;
        return out;
    }
    const PackageRead read = packageOf(engine, name);
    out.notes = read.notes;
    out.points = read.package.tmpl.livePointCount();
    const QByteArray bytes = packageBytes(read.package);
    const QString shown = QDir::toNativeSeparators(path);
    if (bytes.isEmpty()) {
        out.problem = QStringLiteral("模板“%1”无法打包，文件“%2”没有写入。").arg(name, shown);
        return out;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        out.problem = QStringLiteral("文件“%1”无法写入（%2），模板没有导出。").arg(shown, file.errorString());
    return out;
}

// ---- Import -----------------------------------------------------------------------------------------

PackageReading readPackage(const QByteArray& bytes, const QString& shownName) {
    PackageReading out;
    Checker c(shownName);
    const auto refused = [&] {
        out.problem = c.problem();
        return out;
    };
    if (bytes.size() > kMaxTransferFileBytes) {
        c.fail(QStringLiteral("超过 %1 MB，不像是模板文件").arg(kMaxTransferFileBytes >> 20));
        return refused();
    }
    QBuffer buffer;
    buffer.setData(bytes);
    QuaZip zip(&buffer);
    const QString notOurs = QStringLiteral("不是本程序导出的模板文件");
    if (!zip.open(QuaZip::mdUnzip)) {
        c.fail(notOurs);
        return refused();
    }
    const QList<QuaZipFileInfo64> entries = zip.getFileInfoList64();
    if (entries.size() > kMaxTransferEntries) {
        c.fail(QStringLiteral("中有 %1 项内容，模板文件最多 %2 项，不像是模板文件")
                   .arg(entries.size())
                   .arg(kMaxTransferEntries));
        return refused();
    }
    QHash<QString, quint64> sizes;
    for (const QuaZipFileInfo64& e : entries)
        sizes.insert(e.name, e.uncompressedSize);
    if (!sizes.contains(kJsonEntry)) {
        c.fail(notOurs + QStringLiteral("（其中没有 template.json）"));
        return refused();
    }
    const auto entry = [&](const QString& name, qint64 limit, QByteArray& into) {
        if (sizes.value(name) > quint64(limit))
            return c.fail(QStringLiteral("中的“%1”超过 %2 MB，不像是模板文件").arg(name).arg(limit >> 20));
        switch (readEntry(zip, name, limit, into)) {
        case EntryRead::Ok:
            return true;
        case EntryRead::TooLarge:
            return c.fail(
                QStringLiteral("中的“%1”解压后超过 %2 MB，不像是模板文件").arg(name).arg(limit >> 20));
        case EntryRead::Damaged:
            break;
        }
        return c.fail(QStringLiteral("中的“%1”已经损坏").arg(name));
    };
    QByteArray json;
    if (!entry(kJsonEntry, kMaxTransferJsonBytes, json))
        return refused();
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (!doc.isObject()) {
        c.fail(notOurs + QStringLiteral("（template.json 无法读取：%1）").arg(parseError.errorString()));
        return refused();
    }
    const QJsonObject root = doc.object();
    const QString top = QStringLiteral("模板");
    if (root.value(QStringLiteral("format")).toString() != kTransferFormat) {
        c.fail(notOurs);
        return refused();
    }
    qint64 version = 0;
    if (!c.whole(root, top, QStringLiteral("version"), 1, 1e9, version))
        return refused();
    if (version > kTransferVersion) {
        c.fail(QStringLiteral("是较新版本的程序导出的（格式版本 %1），本程序只能读取到版本 %2，请先升级程序")
                   .arg(version)
                   .arg(kTransferVersion));
        return refused();
    }

    TemplatePackage package;
    Template& t = package.tmpl;
    if (!c.text(root, top, QStringLiteral("name"), t.name, false, kMaxNameLength))
        return refused();
    const QJsonValue rect = root.value(QStringLiteral("pictureRect"));
    if (!rect.isUndefined() &&
        !(rect.isObject() && c.rect(rect.toObject(), label(u"pictureRect"), t.pictureRect))) {
        c.fail(QStringLiteral("有误：%1不对").arg(label(u"pictureRect")));
        return refused();
    }
    if (!c.flag(root, top, QStringLiteral("readingOrder"), t.readingOrderByDefault) ||
        !readPaper(c, root.value(QStringLiteral("paper")), package.paper))
        return refused();
    const QJsonValue points = root.value(QStringLiteral("points"));
    if (!points.isUndefined() && !points.isArray()) {
        c.fieldFails(top, u"points", QStringLiteral("应是一列输入点"));
        return refused();
    }
    const QJsonArray list = points.toArray();
    if (list.size() > 2 * kMaxSlot) {
        c.fieldFails(top, u"points",
                     QStringLiteral("有 %1 个，最多 %2 个").arg(list.size()).arg(2 * kMaxSlot));
        return refused();
    }
    for (int i = 0; i < list.size(); ++i)
        if (!readPoint(c, list.at(i), i, t))
            return refused();

    const QJsonValue picture = root.value(QStringLiteral("picture"));
    if (!picture.isNull() && !picture.isUndefined()) {
        const QString name = picture.toString();
        if (!picture.isString() || !name.startsWith(kPictureStem) || !sizes.contains(name)) {
            c.fail(QStringLiteral("有误：%1“%2”在文件中没有").arg(label(u"picture"), name));
            return refused();
        }
        if (!entry(name, kMaxTransferPictureBytes, t.picture))
            return refused();
        const QString problem = t.picture.isEmpty() ? QStringLiteral("是空的") : pictureProblem(t.picture);
        if (!problem.isEmpty()) {
            c.fail(QStringLiteral("有误：%1“%2”%3").arg(label(u"picture"), name, problem));
            return refused();
        }
    }
    out.package = std::move(package);
    return out;
}

PackageReading readPackageFile(const QString& path) {
    const QString shown = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, QStringLiteral("模板文件“%1”无法打开（%2），没有导入任何内容。")
                                  .arg(QDir::toNativeSeparators(path), file.errorString())};
    if (file.size() > kMaxTransferFileBytes)
        return {std::nullopt, QStringLiteral("模板文件“%1”超过 %2 MB，不像是模板文件，没有导入任何内容。")
                                  .arg(shown)
                                  .arg(kMaxTransferFileBytes >> 20)};
    const QByteArray bytes = file.read(kMaxTransferFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return {
            std::nullopt,
            QStringLiteral("模板文件“%1”无法读取（%2），没有导入任何内容。").arg(shown, file.errorString())};
    return readPackage(bytes, shown);
}

QString importNameProblem(const data::Engine& engine, const QString& name, const QStringList& otherNames) {
    if (const QString problem = controlCharacterProblem(name, QStringLiteral("模板名称")); !problem.isEmpty())
        return problem;
    if (name != name.trimmed())
        return QStringLiteral("模板名称“%1”的前后有空格，请去掉空格！").arg(name);
    if (name.size() > kMaxNameLength)
        return QStringLiteral("模板名称超过 %1 个字符，请换一个短一些的名称！").arg(kMaxNameLength);
    const TemplateStore store(engine);
    if (const QString problem = store.checkName(name, otherNames); !problem.isEmpty())
        return problem;
    QStringList names = otherNames + allStoredNames(store);
    for (const app::CatalogueRow& r : app::CatalogueStore(engine).load())
        names << r.text;
    for (const QString& n : names)
        if (n.compare(name, Qt::CaseInsensitive) == 0 || PrintLogStore::sameName(n, name))
            return QStringLiteral("已经有名为“%1”的模板，导入的模板请换一个名称！").arg(n);
    if (PrintLogStore(engine).find(name))
        return QStringLiteral("已经有名为“%1”的打印记录（以前的模板留下的），导入的模板请换一个名称！")
            .arg(name);
    return QString();
}

CatalogueUpdate withNode(const QList<app::CatalogueRow>& loaded, const QString& parentKey,
                         const QString& name) {
    CatalogueUpdate out{loaded, loaded};
    QStringList keys;
    for (const app::CatalogueRow& r : loaded)
        keys << r.key;
    out.rows << app::CatalogueRow{parentKey.isEmpty() ? QString::fromLatin1(app::kTopParent) : parentKey,
                                  app::nextKey(keys), name};
    return out;
}

void importTemplate(const data::Engine& engine, const TemplatePackage& package, const QString& name,
                    const CatalogueUpdate& catalogue) {
    Template t = package.tmpl;
    t.name = name;
    t.allup = t.allleft = 0;
    t.hasHeader = false;
    PendingColumns pending;
    for (const PointFamily* fam : {&t.single, &t.multi})
        for (int k = 1; k <= fam->count; ++k)
            if ((*fam)[k].isLive())
                pending.added << (*fam)[k].name;

    data::Transaction tx(engine);
    // The tree's lock first: two counters importing the same name meet here, one after the other.
    engine.lockForWriting(QStringLiteral("mobantabe"));
    // The new node carries the name; every other node of the tree to be written is checked.
    QStringList others;
    bool newNode = false;
    for (const app::CatalogueRow& r : catalogue.rows) {
        if (!newNode && r.text == name && !catalogue.loaded.contains(r))
            newNode = true;
        else
            others << r.text;
    }
    if (const QString problem = importNameProblem(engine, name, others); !problem.isEmpty())
        throw data::DbError(problem);
    app::CatalogueStore(engine).save(catalogue.rows, catalogue.loaded);
    TemplateStore(engine).save(t, t.picture.isEmpty() ? std::nullopt : std::optional<QByteArray>(t.picture),
                               pending);
    printing::PrintSettings paper = package.paper;
    paper.printer.clear();
    printing::PrintSettingsStore(engine).save(name, paper);
    tx.commit();
}

QString packageSummary(const TemplatePackage& package) {
    const Template& t = package.tmpl;
    QStringList parts{QStringLiteral("%1 个输入点").arg(t.livePointCount()),
                      t.picture.isEmpty() ? QStringLiteral("没有背景图片") : QStringLiteral("有背景图片")};
    const printing::PrintSettings& s = package.paper;
    QString paper = s.hasPaper()
                        ? QStringLiteral("纸张 %1").arg(s.paperName.isEmpty() ? s.paperKey : s.paperName)
                        : QStringLiteral("打印机默认纸张");
    if (s.orientation)
        paper += *s.orientation == QPageLayout::Landscape ? QStringLiteral("（横向）")
                                                          : QStringLiteral("（纵向）");
    parts << paper
          << (s.origin == printing::PrintOrigin::Paper ? QStringLiteral("位置从纸张左上角量起")
                                                       : QStringLiteral("位置从可打印区域左上角量起"));
    return parts.join(QStringLiteral("，"));
}

} // namespace vorlan::templates
