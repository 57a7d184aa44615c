#pragma once
// The template catalogue: a tree of nodes whose texts are template names, stored in mobantabe.

#include "data/Engine.h"
#include <QList>

#include <QSqlDatabase>
#include <QStandardItemModel>
#include <QString>
#include <QStringList>

namespace vorlan::app {

struct CatalogueRow {
    QString parent; // "0_" for a top-level node
    QString key;
    QString text;
    int image = 1;
    int selectedImage = 2;
    bool operator==(const CatalogueRow&) const = default;
};

inline constexpr auto kTopParent = "0_";

// The number at the start of a key ("12_" gives 12, no digits give 0).
double keyNumber(const QString& key);
// The key for a new node, given the keys of the tree in index order: the highest number plus one,
// followed by "_"; "1_" for an empty tree or past 32767.
QString nextKey(const QStringList& keys);

// The question before "删除节点" deletes node `name`: what goes with it (the template and every sheet
// it logged, or only the node when another node names the same template) and whether its children leave
// the tree too.
QString deletionQuestion(const QString& name, bool templateStays, bool hasChildren);

// The question on closing the main window with nodes added or removed since "结构保存".
inline const QString kUnsavedTreeQuestion = QStringLiteral(
    "模板目录已经改动，尚未结构保存。\n不保存时，新增的节点下次启动时不再出现。\n\n是否保存目录结构？");

// The tree was changed by another counter since this one loaded it.
class CatalogueChanged : public data::DbError {
public:
    CatalogueChanged();
};

class CatalogueStore {
public:
    explicit CatalogueStore(data::Engine engine);
    QList<CatalogueRow> load() const;
    // Rewrites mobantabe with the rows in the given order, in one transaction, when it still holds what
    // loaded held (what this counter read, with its own deletions since). Throws CatalogueChanged,
    // writing nothing, when another counter changed the tree meanwhile.
    void save(const QList<CatalogueRow>& rows, const QList<CatalogueRow>& loaded) const;
    // Writes the rows whatever the table holds: the first-run content of a new database.
    void save(const QList<CatalogueRow>& rows) const;
    // Deletes the node with key and text name: the template's input points, header, catalogue rows and
    // print log table, in one transaction. stillNamed are the texts of the nodes that stay in the tree
    // (the deleted node's children included: their templates stay). When another node still carries the
    // same text, only this node's row goes; the log table goes only when no other node or stored
    // template names it without regard to case, since such names share one table.
    void deleteTemplate(const QString& name, const QString& key, const QStringList& stillNamed) const;
    // Would deleteTemplate keep the template, because another node carries the same text?
    bool templateStaysAfterDeletion(const QString& name, const QString& key,
                                    const QStringList& stillNamed) const;

private:
    void write(const QList<CatalogueRow>& rows) const;
    QStringList otherNodeTexts(const QString& name, const QString& key, const QStringList& stillNamed) const;

    data::Engine engine_;
};

// The tree on screen. Each item holds its key; the icons show picture 1, or picture 2 when selected.
class CatalogueModel : public QStandardItemModel {
    Q_OBJECT
public:
    static constexpr int KeyRole = Qt::UserRole + 1;
    static constexpr int ImageRole = Qt::UserRole + 2;
    static constexpr int SelectedImageRole = Qt::UserRole + 3;

    explicit CatalogueModel(QObject* parent = nullptr);

    // Builds the tree from stored rows; a row whose parent is not (yet) in the tree goes to the top level.
    void setRows(const QList<CatalogueRow>& rows);
    // Depth-first pre-order: every node before its children, siblings in tree order.
    QList<CatalogueRow> rows() const;
    // Keys in index order (the order in which the nodes were added).
    QStringList keys() const { return keysInOrder_; }
    int nodeCount() const { return keysInOrder_.size(); }

    QModelIndex addTopLevel(const QString& key, const QString& text, int image = 1, int selectedImage = 2);
    QModelIndex addChild(const QModelIndex& parent, const QString& key, const QString& text, int image = 1,
                         int selectedImage = 2);
    // Removes the node and all its descendants.
    void removeNode(const QModelIndex& index);
    QModelIndex findKey(const QString& key) const;

private:
    QStandardItem* makeItem(const QString& key, const QString& text, int image, int selectedImage);
    void forgetKeys(QStandardItem* item);

    QStringList keysInOrder_;
    QHash<QString, QStandardItem*> byKey_;
    QIcon nodeIcon_;
};

} // namespace vorlan::app
