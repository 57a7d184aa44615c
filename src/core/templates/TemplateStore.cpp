#include "templates/TemplateStore.h"

#include "templates/CounterStore.h"
#include "templates/PictureCache.h"

#include "data/Sql.h"

#include <QSqlRecord>

namespace vorlan::templates {

using data::DbError;
using data::exec;

namespace {

QString incomplete(const QString& tmpl, const QString& point, const QString& column) {
    if (point.isEmpty())
        return QStringLiteral("模板“%1”的数据不完整（%2 为空），无法打开该模板。").arg(tmpl, column);
    return QStringLiteral("模板“%1”的输入点“%2”数据不完整（%3 为空），无法打开该模板。")
        .arg(tmpl, point, column);
}

// A numeric column that must hold a value.
double number(const QSqlQuery& q, const char* column, const QString& tmpl, const QString& point) {
    const QVariant v = q.value(QString::fromLatin1(column));
    if (v.isNull())
        throw DbError(incomplete(tmpl, point, QString::fromLatin1(column)));
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok)
        throw DbError(incomplete(tmpl, point, QString::fromLatin1(column)));
    return d;
}

// A position or size column (X, Y, W, H): single precision, as it is kept in the model.
ui::Twips twips(const QSqlQuery& q, const char* column, const QString& tmpl, const QString& point) {
    return ui::Twips(number(q, column, tmpl, point)).toSingle();
}

// What a position or size column receives: the single precision value, exactly.
double stored(ui::Twips t) {
    return t.toSingle().value();
}

struct SavedPoint {
    const InputPoint* point;
    int slot;
};

// What the tabOrder column receives: the set place, else 0 (the default rule), or Null for a template of
// reading order, which stays one.
QVariant storedOrder(const Template& t, const InputPoint& p) {
    if (p.tabOrder > 0)
        return p.tabOrder;
    return t.readingOrderByDefault ? QVariant(QMetaType(QMetaType::Int)) : QVariant(0);
}

void insertPoint(QSqlQuery& ins, const Template& t, const InputPoint& p, int slot) {
    const QVariantList values{t.name,
                              data::textValue(p.type),
                              data::textValue(p.name),
                              data::textValue(p.binding),
                              slot,
                              stored(p.rect.left),
                              stored(p.rect.top),
                              stored(p.rect.width),
                              stored(p.rect.height),
                              data::textValue(p.fontName),
                              double(p.fontSize),
                              p.italic,
                              p.bold,
                              p.underline,
                              p.backColor,
                              p.foreColor,
                              storedOrder(t, p),
                              symbologyKey(p.symbology),
                              p.symbolText ? 1 : 0,
                              data::textValue(p.fixedText),
                              p.party == Party::Receiver ? 1 : 0};
    data::run(ins, values);
}

} // namespace

TemplateStore::TemplateStore(data::Engine engine) : engine_(std::move(engine)) {}

QString TemplateStore::checkName(const QString& name, const QStringList& otherNames) const {
    if (QString problem = PrintLogStore(engine_).tableNameProblem(name); !problem.isEmpty())
        return problem;
    QString twin;
    for (const QString& n : otherNames)
        if (n != name && PrintLogStore::sameName(n, name))
            twin = n;
    if (twin.isEmpty())
        twin = data::nullToEmpty(data::scalar(
            engine_,
            QStringLiteral(
                "SELECT n FROM (SELECT mobanname AS n FROM mobanxywh UNION SELECT mobanname FROM moban "
                "UNION SELECT trim(text) FROM mobantabe) AS names WHERE ") +
                engine_.equalsFolded(QStringLiteral("n")) +
                QStringLiteral(" AND n <> CAST(? AS TEXT) LIMIT 1"),
            {name, name}));
    if (!twin.isEmpty())
        return QStringLiteral(
                   "模板名称“%1”与已有的模板“%2”只有字母大小写不同，两个模板会共用同一张打印记录表，"
                   "请换一个名称！")
            .arg(name, twin);
    return QString();
}

LoadResult TemplateStore::load(const QString& name) const {
    LoadResult result;
    Template& t = result.tmpl;
    t.name = name;
    bool rows = false, orderKept = false; // a point row, one whose tabOrder is not Null

    // Every row in one statement (a server answers each statement across the network), walked once per
    // type in the order the types are loaded.
    QSqlQuery q(engine_.db());
    if (!q.prepare(QStringLiteral("SELECT * FROM mobanxywh WHERE mobanname = ? ORDER BY textNumes, id")))
        throw DbError(data::describe(q.lastError()));
    q.addBindValue(name);
    if (!q.exec())
        throw DbError(data::describe(q.lastError()));
    // A file opened read-only may be older than the column.
    const int typeColumn = q.record().indexOf(QStringLiteral("textLX"));
    const int orderColumn = q.record().indexOf(QStringLiteral("tabOrder"));
    const int symbologyColumn = q.record().indexOf(QStringLiteral("symbology"));
    const int symbolTextColumn = q.record().indexOf(QStringLiteral("symbolText"));
    const int fixedTextColumn = q.record().indexOf(QStringLiteral("fixedText"));
    const int roleColumn = q.record().indexOf(QStringLiteral("bindRole"));
    for (const QString& ty : pointTypes()) {
        PointFamily& fam = t.family(familyOf(ty));
        q.seek(QSql::BeforeFirstRow);
        while (q.next()) {
            if (q.value(typeColumn).toString() != ty)
                continue;
            InputPoint p;
            p.type = ty;
            rows = true;
            if (orderColumn >= 0 && !q.isNull(orderColumn)) {
                orderKept = true;
                p.tabOrder = std::max(0, q.value(orderColumn).toInt());
            }
            if (symbologyColumn >= 0)
                p.symbology = symbologyFromKey(data::nullToEmpty(q.value(symbologyColumn)));
            if (symbolTextColumn >= 0 && !q.isNull(symbolTextColumn))
                p.symbolText = q.value(symbolTextColumn).toInt() != 0;
            if (fixedTextColumn >= 0)
                p.fixedText = data::nullToEmpty(q.value(fixedTextColumn));
            if (roleColumn >= 0 && !q.isNull(roleColumn) && q.value(roleColumn).toInt() == 1)
                p.party = Party::Receiver;
            p.name = data::nullToEmpty(q.value(QStringLiteral("textName")));
            p.binding = data::nullToEmpty(q.value(QStringLiteral("lockZiduan")));
            const QVariant slotValue = q.value(QStringLiteral("textNumes"));
            if (slotValue.isNull())
                throw DbError(incomplete(name, p.name, QStringLiteral("textNumes")));
            const int k = slotValue.toInt();
            p.rect.left = twips(q, "X", name, p.name);
            p.rect.top = twips(q, "Y", name, p.name);
            p.rect.width = twips(q, "W", name, p.name);
            p.rect.height = twips(q, "H", name, p.name);
            p.fontName = data::nullToEmpty(q.value(QStringLiteral("Font")));
            p.fontSize = float(number(q, "FontSize", name, p.name));
            p.italic = number(q, "FontItalic", name, p.name) != 0;
            p.bold = number(q, "FontBold", name, p.name) != 0;
            p.underline = number(q, "FontUnderline", name, p.name) != 0;
            p.backColor = qint32(qint64(number(q, "BackColor", name, p.name)));
            p.foreColor = qint32(qint64(number(q, "ForeColor", name, p.name)));
            if (k < 1 || k > kMaxSlot) {
                result.skipped
                    << QStringLiteral("输入点“%1”的序号 %2 不在 1 到 100 之间，已跳过。").arg(p.name).arg(k);
                continue;
            }
            if (fam[k].inUse()) {
                result.skipped << QStringLiteral("输入点“%1”与输入点“%2”的序号同为 %3，已跳过。")
                                      .arg(p.name, fam[k].name)
                                      .arg(k);
                continue;
            }
            fam[k] = p;
            fam.count = std::max(fam.count, k);
        }
    }

    t.readingOrderByDefault = rows && !orderKept;
    {
        QSqlQuery q =
            exec(engine_,
                 QStringLiteral("SELECT X, Y, W, H FROM mobanxywh WHERE mobanname = ? AND textLX = ? "
                                "ORDER BY id LIMIT 1"),
                 {name, type::Background});
        if (q.next()) {
            t.pictureRect.left = twips(q, "X", name, {});
            t.pictureRect.top = twips(q, "Y", name, {});
            t.pictureRect.width = twips(q, "W", name, {});
            t.pictureRect.height = twips(q, "H", name, {});
        }
    }
    if (engine_.isServer()) {
        loadHeaderKept(t);
    } else {
        QSqlQuery q = exec(engine_,
                           QStringLiteral("SELECT backimage, allup, allleft FROM moban WHERE mobanname = ? "
                                          "ORDER BY id LIMIT 1"),
                           {name});
        if (q.next()) {
            t.hasHeader = true;
            t.picture = q.value(0).toByteArray();
            t.allup = int(number(q, "allup", name, {}));
            t.allleft = int(number(q, "allleft", name, {}));
        }
    }
    // On a server, this computer's own fine offsets, once it has set them.
    if (const CounterSettings own = CounterStore(engine_).load(name); own.allup) {
        t.allup = *own.allup;
        t.allleft = *own.allleft;
    }
    return result;
}

void TemplateStore::loadHeaderKept(Template& t) const {
    QSqlQuery q = exec(engine_,
                       QStringLiteral("SELECT id, imageSum, allup, allleft, length(backimage) FROM moban "
                                      "WHERE mobanname = ? ORDER BY id LIMIT 1"),
                       {t.name});
    if (!q.next())
        return;
    t.hasHeader = true;
    t.allup = int(number(q, "allup", t.name, {}));
    t.allleft = int(number(q, "allleft", t.name, {}));
    QString digest = data::nullToEmpty(q.value(1));
    // A picture written past this program keeps the digest of the one before; its size gives most such
    // changes away, and then the digest is made again.
    const QString sizeEnd = QLatin1Char('-') + QString::number(q.value(4).toLongLong());
    const QString stale = digest.isEmpty() || digest.endsWith(sizeEnd) ? QString() : digest;
    if (!stale.isEmpty())
        digest.clear();
    const PictureCache cache;
    if (const auto kept = digest.isEmpty() ? std::nullopt : cache.find(digest)) {
        t.picture = *kept;
        return;
    }
    const QVariant id = q.value(0);
    t.picture =
        data::scalar(engine_, QStringLiteral("SELECT backimage FROM moban WHERE id = ?"), {id}).toByteArray();
    if (t.picture.isEmpty())
        return;
    if (digest.isEmpty()) {
        // Stored before pictures had digests (or copied from such a file), or changed past the program:
        // given its digest once, by whichever counter reads it first; every counter computes the same one.
        const QString made = pictureDigest(t.picture);
        if (stale.isEmpty())
            exec(engine_, QStringLiteral("UPDATE moban SET imageSum = ? WHERE id = ? AND imageSum IS NULL"),
                 {made, id});
        else
            exec(engine_, QStringLiteral("UPDATE moban SET imageSum = ? WHERE id = ? AND imageSum = ?"),
                 {made, id, stale});
        cache.keep(made, t.picture);
        return;
    }
    cache.keep(digest, t.picture); // kept only when it is the picture the digest names
}

QByteArray TemplateStore::readPicture(const QString& name) const {
    return data::scalar(engine_,
                        QStringLiteral("SELECT backimage FROM moban WHERE mobanname = ? ORDER BY id LIMIT 1"),
                        {name})
        .toByteArray();
}

void TemplateStore::save(const Template& t, const std::optional<QByteArray>& newPicture,
                         PendingColumns& pending) const {
    const QString problem = checkName(t.name);
    if (!problem.isEmpty())
        throw DbError(problem);

    data::Transaction tx(engine_);
    exec(engine_, QStringLiteral("DELETE FROM mobanxywh WHERE mobanname = ?"), {t.name});
    QSqlQuery ins = data::prepare(
        engine_,
        QStringLiteral(
            "INSERT INTO mobanxywh (mobanname, textLX, textName, lockZiduan, textNumes, X, Y, "
            "W, H, Font, FontSize, FontItalic, FontBold, FontUnderline, BackColor, ForeColor, tabOrder, "
            "symbology, symbolText, fixedText, bindRole) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const PointFamily* fam : {&t.single, &t.multi})
        for (int i = 1; i <= fam->count; ++i)
            if ((*fam)[i].inUse())
                insertPoint(ins, t, (*fam)[i], i);
    exec(engine_,
         QStringLiteral("INSERT INTO mobanxywh (mobanname, textLX, X, Y, W, H) VALUES (?, ?, ?, ?, ?, ?)"),
         {t.name, type::Background, stored(t.pictureRect.left), stored(t.pictureRect.top),
          stored(t.pictureRect.width), stored(t.pictureRect.height)});
    if (newPicture) {
        // The new header row carries only name and picture: the offsets return to 0.
        exec(engine_, QStringLiteral("DELETE FROM moban WHERE mobanname = ?"), {t.name});
        exec(engine_, QStringLiteral("INSERT INTO moban (mobanname, backimage, imageSum) VALUES (?, ?, ?)"),
             {t.name, *newPicture,
              newPicture->isEmpty() ? QVariant(QMetaType::fromType<QString>())
                                    : QVariant(pictureDigest(*newPicture))});
    }
    PendingColumns applied = pending;
    PrintLogStore(engine_).bringUpToDate(t, applied);
    tx.commit();
    pending = applied;
}

void TemplateStore::saveGeometry(const Template& t) const {
    data::Transaction tx(engine_);
    QSqlQuery single =
        data::prepare(engine_, QStringLiteral("UPDATE mobanxywh SET X = ?, Y = ?, W = ?, H = ? WHERE "
                                              "mobanname = ? AND textLX <> ? AND textNumes = ?"));
    QSqlQuery multi =
        data::prepare(engine_, QStringLiteral("UPDATE mobanxywh SET X = ?, Y = ?, W = ?, H = ? WHERE "
                                              "mobanname = ? AND textLX = ? AND textNumes = ?"));
    auto update = [&](QSqlQuery& q, const PointFamily& fam) {
        for (int i = 1; i <= fam.count; ++i) {
            const InputPoint& p = fam[i];
            if (!p.isLive())
                continue;
            data::run(q, {stored(p.rect.left), stored(p.rect.top), stored(p.rect.width),
                          stored(p.rect.height), t.name, type::MultiLine, i});
        }
    };
    update(single, t.single);
    update(multi, t.multi);
    if (const CounterStore counter(engine_); counter.kept()) {
        // The offsets suit this computer's printer only; the other counters keep theirs. The header row
        // is made all the same, as for a file.
        counter.saveOffsets(t.name, t.allup, t.allleft);
        exec(engine_,
             QStringLiteral(
                 "INSERT INTO moban (mobanname, backimage, allup, allleft) SELECT ?, NULL, 0, 0 WHERE NOT "
                 "EXISTS (SELECT 1 FROM moban WHERE mobanname = ?)"),
             {t.name, t.name});
        tx.commit();
        return;
    }
    QSqlQuery offsets =
        exec(engine_, QStringLiteral("UPDATE moban SET allup = ?, allleft = ? WHERE mobanname = ?"),
             {t.allup, t.allleft, t.name});
    if (offsets.numRowsAffected() == 0) {
        // A template that never got a picture has no header row; make one so the offsets are kept.
        exec(
            engine_,
            QStringLiteral("INSERT INTO moban (mobanname, backimage, allup, allleft) VALUES (?, NULL, ?, ?)"),
            {t.name, t.allup, t.allleft});
    }
    tx.commit();
}

QStringList TemplateStore::storedNames(const QString& except) const {
    QStringList out;
    QSqlQuery q = exec(engine_,
                       QStringLiteral("SELECT mobanname FROM mobanxywh WHERE mobanname <> ? UNION "
                                      "SELECT mobanname FROM moban WHERE mobanname <> ?"),
                       {except, except});
    while (q.next())
        out << data::nullToEmpty(q.value(0));
    return out;
}

void TemplateStore::remove(const QString& name) const {
    CounterStore(engine_).remove(name);
    exec(engine_, QStringLiteral("DELETE FROM mobanxywh WHERE mobanname = ?"), {name});
    exec(engine_, QStringLiteral("DELETE FROM moban WHERE mobanname = ?"), {name});
}

} // namespace vorlan::templates
