#include "app/Catalogue.h"

#include "data/Sql.h"
#include "printing/PrintSettingsStore.h"
#include "templates/PrintLogStore.h"
#include "templates/TemplateStore.h"

#include <QSqlError>

#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>

namespace vorlan::app {

using data::exec;

double keyNumber(const QString& key) {
    // Like reading a number from the start of a text: leading blanks, sign, digits, a decimal part.
    const QString t = key.trimmed();
    int i = 0;
    QString digits;
    if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+')))
        digits += t[i++];
    bool seenPoint = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c.isDigit() && c.unicode() < 128) {
            digits += c;
        } else if (c == QLatin1Char('.') && !seenPoint) {
            seenPoint = true;
            digits += c;
        } else {
            break;
        }
    }
    bool ok = false;
    const double v = digits.toDouble(&ok);
    return ok ? v : 0.0;
}

QString nextKey(const QStringList& keys) {
    if (keys.isEmpty())
        return QStringLiteral("1_");
    double b = std::nearbyint(keyNumber(keys.first()));
    for (const QString& k : keys) {
        const double v = keyNumber(k);
        if (v > b)
            b = std::nearbyint(v);
    }
    const double next = b + 1;
    if (next > 32767 || next < -32768)
        return QStringLiteral("1_");
    return QString::number(qint64(next)) + QLatin1Char('_');
}

CatalogueStore::CatalogueStore(data::Engine engine) : engine_(std::move(engine)) {}

QList<CatalogueRow> CatalogueStore::load() const {
    QList<CatalogueRow> rows;
    QSqlQuery q = exec(
        engine_, QStringLiteral("SELECT parent, key, text, image, selectedimage FROM mobantabe ORDER BY id"));
    while (q.next()) {
        CatalogueRow r;
        r.parent = data::nullToEmpty(q.value(0)).trimmed();
        r.key = data::nullToEmpty(q.value(1)).trimmed();
        r.text = data::nullToEmpty(q.value(2)).trimmed();
        r.image = q.value(3).isNull() ? 1 : q.value(3).toInt();
        r.selectedImage = q.value(4).isNull() ? 2 : q.value(4).toInt();
        rows << r;
    }
    return rows;
}

CatalogueChanged::CatalogueChanged()
    : DbError(
          QStringLiteral("模板目录在您打开以后已被另一台电脑修改，这次结构保存没有写入。模板目录已重新读取，"
                         "请把您新增的节点再添加一次，然后结构保存。")) {}

void CatalogueStore::save(const QList<CatalogueRow>& rows, const QList<CatalogueRow>& loaded) const {
    data::Transaction t(engine_);
    engine_.lockForWriting(QStringLiteral("mobantabe"));
    if (load() != loaded)
        throw CatalogueChanged();
    write(rows);
    t.commit();
}

void CatalogueStore::save(const QList<CatalogueRow>& rows) const {
    data::Transaction t(engine_);
    write(rows);
    t.commit();
}

void CatalogueStore::write(const QList<CatalogueRow>& rows) const {
    exec(engine_, QStringLiteral("DELETE FROM mobantabe"));
    QSqlQuery q = data::prepare(
        engine_,
        QStringLiteral(
            "INSERT INTO mobantabe (parent, key, text, image, selectedimage) VALUES (?, ?, ?, ?, ?)"));
    for (const CatalogueRow& r : rows)
        data::run(q, {r.parent, r.key, r.text, r.image, r.selectedImage});
}

QStringList CatalogueStore::otherNodeTexts(const QString& name, const QString& key,
                                           const QStringList& stillNamed) const {
    QStringList others = stillNamed;
    // Rows of nodes no longer on screen (children of a node deleted before the tree was saved again)
    // still stand for templates.
    QSqlQuery rows = exec(engine_,
                          QStringLiteral("SELECT trim(text) FROM mobantabe WHERE NOT (trim(key) = ? AND "
                                         "trim(text) = ?)"),
                          {key, name});
    while (rows.next())
        others << data::nullToEmpty(rows.value(0));
    return others;
}

bool CatalogueStore::templateStaysAfterDeletion(const QString& name, const QString& key,
                                                const QStringList& stillNamed) const {
    return otherNodeTexts(name, key, stillNamed).contains(name);
}

QString deletionQuestion(const QString& name, bool templateStays, bool hasChildren) {
    QString text = QStringLiteral("确定要删除节点“%1”吗？\n\n").arg(name);
    text +=
        templateStays
            ? QStringLiteral("另有同名节点使用模板“%1”，模板和它的打印记录保留，只删除这个节点。").arg(name)
            : QStringLiteral("模板“%1”的输入点、背景图片、打印设置和全部打印记录都将一并删除，不能恢复。")
                  .arg(name);
    if (hasChildren)
        text += QStringLiteral("\n它下面的子节点也将从目录中去掉。");
    return text;
}

void CatalogueStore::deleteTemplate(const QString& name, const QString& key,
                                    const QStringList& stillNamed) const {
    QStringList others = otherNodeTexts(name, key, stillNamed);
    data::Transaction t(engine_);
    if (others.contains(name)) {
        // Another node names the same template: it keeps the template and its history.
        exec(engine_, QStringLiteral("DELETE FROM mobantabe WHERE trim(key) = ? AND trim(text) = ?"),
             {key, name});
        t.commit();
        return;
    }
    const templates::TemplateStore store(engine_);
    others << store.storedNames(name);
    store.remove(name);
    printing::PrintSettingsStore(engine_).remove(name);
    exec(engine_, QStringLiteral("DELETE FROM mobantabe WHERE trim(text) = ?"), {name});
    // Names that differ only in letter case share one log table: it stays while another one is left.
    const bool shared = std::any_of(others.cbegin(), others.cend(), [&](const QString& n) {
        return templates::PrintLogStore::sameName(n, name);
    });
    if (!shared)
        templates::PrintLogStore(engine_).drop(name);
    t.commit();
}

CatalogueModel::CatalogueModel(QObject* parent) : QStandardItemModel(parent) {
    // Picture 1: a form sheet; picture 2, when selected: the same sheet opened in blue.
    for (int which = 1; which <= 2; ++which) {
        QPixmap pm(16, 16);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor edge = which == 1 ? QColor(120, 120, 120) : QColor(21, 101, 192);
        p.setPen(edge);
        p.setBrush(which == 1 ? QColor(255, 253, 240) : QColor(227, 242, 253));
        p.drawRect(QRectF(2.5, 1.5, 11, 13));
        p.setPen(which == 1 ? QColor(200, 80, 60) : QColor(21, 101, 192));
        for (int y = 5; y <= 11; y += 3)
            p.drawLine(QPointF(4.5, y), QPointF(11.5, y));
        p.end();
        nodeIcon_.addPixmap(pm, which == 1 ? QIcon::Normal : QIcon::Selected);
    }
}

QStandardItem* CatalogueModel::makeItem(const QString& key, const QString& text, int image,
                                        int selectedImage) {
    auto* item = new QStandardItem(nodeIcon_, text);
    item->setEditable(false);
    item->setToolTip(text); // the narrow tree cuts long names short
    item->setData(key, KeyRole);
    item->setData(image, ImageRole);
    item->setData(selectedImage, SelectedImageRole);
    keysInOrder_ << key;
    byKey_.insert(key, item);
    return item;
}

void CatalogueModel::setRows(const QList<CatalogueRow>& rows) {
    clear();
    keysInOrder_.clear();
    byKey_.clear();
    QStandardItem* root = invisibleRootItem();
    for (const CatalogueRow& r : rows) {
        QStandardItem* parent = root;
        if (r.parent != QLatin1String(kTopParent)) {
            if (QStandardItem* p = byKey_.value(r.parent))
                parent = p;
        }
        parent->appendRow(makeItem(r.key, r.text, r.image, r.selectedImage));
    }
}

QList<CatalogueRow> CatalogueModel::rows() const {
    QList<CatalogueRow> out;
    out.reserve(keysInOrder_.size());
    std::function<void(const QStandardItem*, const QString&)> walk = [&](const QStandardItem* item,
                                                                         const QString& parentKey) {
        for (int i = 0; i < item->rowCount(); ++i) {
            const QStandardItem* c = item->child(i);
            const QString key = c->data(KeyRole).toString();
            out << CatalogueRow{parentKey, key, c->text(), c->data(ImageRole).toInt(),
                                c->data(SelectedImageRole).toInt()};
            walk(c, key);
        }
    };
    walk(invisibleRootItem(), QString::fromLatin1(kTopParent));
    return out;
}

QModelIndex CatalogueModel::addTopLevel(const QString& key, const QString& text, int image,
                                        int selectedImage) {
    QStandardItem* item = makeItem(key, text, image, selectedImage);
    invisibleRootItem()->appendRow(item);
    return item->index();
}

QModelIndex CatalogueModel::addChild(const QModelIndex& parent, const QString& key, const QString& text,
                                     int image, int selectedImage) {
    QStandardItem* p = itemFromIndex(parent);
    if (!p)
        return addTopLevel(key, text, image, selectedImage);
    QStandardItem* item = makeItem(key, text, image, selectedImage);
    p->appendRow(item);
    return item->index();
}

void CatalogueModel::forgetKeys(QStandardItem* item) {
    for (int i = 0; i < item->rowCount(); ++i)
        forgetKeys(item->child(i));
    const QString key = item->data(KeyRole).toString();
    keysInOrder_.removeOne(key);
    byKey_.remove(key);
}

void CatalogueModel::removeNode(const QModelIndex& index) {
    QStandardItem* item = itemFromIndex(index);
    if (!item)
        return;
    forgetKeys(item);
    removeRow(index.row(), index.parent());
}

QModelIndex CatalogueModel::findKey(const QString& key) const {
    QStandardItem* item = byKey_.value(key);
    return item ? item->index() : QModelIndex();
}

} // namespace vorlan::app
