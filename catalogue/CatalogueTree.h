#pragma once

#include <QHash>
#include <QPixmap>
#include <QString>

#include <functional>

class QTreeWidget;
class QTreeWidgetItem;

namespace clipvoice::catalogue {

// The catalogue tree's nodes, addressed by unique keys, over a tree widget.
// Each node shows the picture of its image key.
class CatalogueTree
{
public:
    using PictureForKey = std::function<QPixmap(const QString& imageKey)>;

    CatalogueTree(QTreeWidget& tree, PictureForKey pictureForKey);

    // Adds a node as the last child of the node under relativeKey, or as the
    // last top-level node when relativeKey is empty. False when the key is
    // taken or the relative does not exist.
    bool add(const QString& relativeKey, const QString& key, const QString& text,
             const QString& imageKey);

    QTreeWidgetItem* node(const QString& key) const;
    int childCount(const QString& key) const;

    // The key a node was added under.
    static QString keyOf(const QTreeWidgetItem* node);

private:
    QTreeWidget& m_tree;
    PictureForKey m_pictureForKey;
    QHash<QString, QTreeWidgetItem*> m_nodes;
};

} // namespace clipvoice::catalogue
