#include "catalogue/CatalogueTree.h"

#include <QTreeWidget>

namespace clipvoice::catalogue {

namespace {
constexpr int kKeyRole = Qt::UserRole + 1;
}

CatalogueTree::CatalogueTree(QTreeWidget& tree, PictureForKey pictureForKey)
    : m_tree(tree)
    , m_pictureForKey(std::move(pictureForKey))
{}

bool CatalogueTree::add(const QString& relativeKey, const QString& key, const QString& text,
                        const QString& imageKey)
{
    if (m_nodes.contains(key))
        return false;
    QTreeWidgetItem* parent = nullptr;
    if (!relativeKey.isEmpty()) {
        parent = node(relativeKey);
        if (parent == nullptr)
            return false;
    }
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(&m_tree);
    item->setText(0, text);
    item->setData(0, kKeyRole, key);
    item->setIcon(0, QIcon(m_pictureForKey(imageKey)));
    m_nodes.insert(key, item);
    return true;
}

QTreeWidgetItem* CatalogueTree::node(const QString& key) const
{
    return m_nodes.value(key, nullptr);
}

int CatalogueTree::childCount(const QString& key) const
{
    const QTreeWidgetItem* item = node(key);
    return item != nullptr ? item->childCount() : 0;
}

QString CatalogueTree::keyOf(const QTreeWidgetItem* node)
{
    return node != nullptr ? node->data(0, kKeyRole).toString() : QString();
}

} // namespace clipvoice::catalogue
