#include "catalogue/CatalogueBuilder.h"

#include "catalogue/CatalogueTree.h"
#include "catalogue/FileList.h"

#include <QColor>
#include <QListWidget>
#include <QTreeWidgetItem>

namespace clipvoice::catalogue {

namespace {

const QString& otherImageKey()
{
    static const QString key = QStringLiteral("other");
    return key;
}

void addPlaceholder(CatalogueTree& tree, const QString& rootKey, const QString& key)
{
    tree.add(rootKey, key, notInstalledText(), QStringLiteral("notinstalled"));
    if (QTreeWidgetItem* node = tree.node(key))
        node->setForeground(0, QColor::fromRgb(kPlaceholderGrey));
}

} // namespace

QString characterName(const QString& fileName)
{
    const qsizetype dot = fileName.indexOf(QLatin1Char('.'));
    return (dot < 0 ? fileName : fileName.left(dot)).toLower();
}

bool isStandardCharacter(const QString& name)
{
    return name == QLatin1String("genie") || name == QLatin1String("merlin") ||
           name == QLatin1String("peedy") || name == QLatin1String("robby");
}

std::optional<QString> buildCatalogue(CatalogueTree& tree, QListWidget& fileList,
                                      const QString& folder)
{
    tree.add({}, microsoftRootKey(), QStringLiteral("microsoftキャラクタ"), otherImageKey());
    tree.add({}, otherRootKey(), QStringLiteral("オリジナルキャラクタ"), otherImageKey());

    const FileListing listing = listFiles(folder, QStringLiteral("*.acs"));
    if (listing.error)
        return listing.error;
    showInFileList(fileList, listing.names);

    const int count = fileList.count();
    for (int i = 0; i < count; ++i) {
        const QString fileName = fileList.item(i)->text();
        const QString name = characterName(fileName);
        if (isStandardCharacter(name))
            tree.add(microsoftRootKey(), fileName, name, name);
        else
            tree.add(otherRootKey(), fileName, name, otherImageKey());
        if (QTreeWidgetItem* node = tree.node(fileName)) {
            QFont font = node->font(0);
            font.setBold(true);
            node->setFont(0, font);
        }
    }

    if (tree.childCount(microsoftRootKey()) == 0)
        addPlaceholder(tree, microsoftRootKey(), microsoftPlaceholderKey());
    if (tree.childCount(otherRootKey()) == 0)
        addPlaceholder(tree, otherRootKey(), otherPlaceholderKey());

    tree.node(microsoftRootKey())->setExpanded(true);
    tree.node(otherRootKey())->setExpanded(true);
    return std::nullopt;
}

} // namespace clipvoice::catalogue
