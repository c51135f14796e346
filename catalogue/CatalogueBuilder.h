#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QListWidget;

namespace clipvoice::catalogue {

class CatalogueTree;

// Keys and texts of the tree's fixed nodes.
inline QString microsoftRootKey()
{
    return QStringLiteral("R_ms");
}
inline QString otherRootKey()
{
    return QStringLiteral("R_other");
}
inline QString microsoftPlaceholderKey()
{
    return QStringLiteral("msg");
}
// Differs from "msg" and, holding no ".acs", from every character file name.
inline QString otherPlaceholderKey()
{
    return QStringLiteral("msg_other");
}
inline QString notInstalledText()
{
    return QStringLiteral("(インストールされていません)");
}

// The grey of the placeholders' text (red, green and blue 136).
inline constexpr unsigned kPlaceholderGrey = 0x888888;

// The name of the character in a file: the part before its first ".", in
// lower case ("Merlin.acs" gives "merlin", "genie.old.acs" gives "genie").
QString characterName(const QString& fileName);

// True for the four standard characters: genie, merlin, peedy and robby.
bool isStandardCharacter(const QString& name);

// Builds the catalogue from the character files of a folder: the two roots,
// one bold node per file under the root it belongs to, a grey placeholder under
// each root that received none, both roots expanded. The hidden file list box
// shows the listing. Returns an error when the folder cannot be listed.
std::optional<QString> buildCatalogue(CatalogueTree& tree, QListWidget& fileList,
                                      const QString& folder);

} // namespace clipvoice::catalogue
