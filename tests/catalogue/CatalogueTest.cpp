// The character folder helpers and the catalogue tree, built from real
// temporary folders.

#include "catalogue/CatalogueBuilder.h"
#include "catalogue/CatalogueTree.h"
#include "catalogue/CharacterFolderSetup.h"
#include "catalogue/FileList.h"
#include "catalogue/WindowsDirectory.h"
#include "platform/testing/FixedSystemFolders.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace clipvoice;
using namespace clipvoice::catalogue;

namespace {

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

void touch(const QDir& dir, const QString& name, const QByteArray& content = "x")
{
    QFile file(dir.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// One node as "text|key|imageKey|bold|grey|expanded" and its children, indented.
void describe(const QTreeWidgetItem* node, int depth, QStringList& out)
{
    QStringList imageInfo;
    const bool bold = node->font(0).bold();
    const bool grey = node->foreground(0).color() == QColor(136, 136, 136);
    out << QString(depth * 2, QLatin1Char(' ')) + node->text(0) + QLatin1Char('|') +
               CatalogueTree::keyOf(node) + (bold ? s("|bold") : QString()) +
               (grey ? s("|grey") : QString()) + (node->isExpanded() ? s("|expanded") : QString());
    for (int i = 0; i < node->childCount(); ++i)
        describe(node->child(i), depth + 1, out);
}

} // namespace

class CatalogueTest : public QObject
{
    Q_OBJECT

private:
    QStringList m_imageKeysAsked;

    QStringList build(const QString& folder, std::optional<QString>* error = nullptr)
    {
        QTreeWidget tree;
        QListWidget files;
        m_imageKeysAsked.clear();
        CatalogueTree catalogue(tree, [this](const QString& key) {
            m_imageKeysAsked << key;
            QPixmap p(16, 16);
            p.fill(Qt::white);
            return p;
        });
        const std::optional<QString> result = buildCatalogue(catalogue, files, folder);
        if (error != nullptr)
            *error = result;
        QStringList out;
        for (int i = 0; i < tree.topLevelItemCount(); ++i)
            describe(tree.topLevelItem(i), 0, out);
        return out;
    }

private slots:
    void stripTerminator()
    {
        QCOMPARE(StripTerminator(s("abc")), s("abc"));
        QCOMPARE(StripTerminator(QString(QChar(u'\0')) + s("abc")), QString());
        QCOMPARE(StripTerminator(s("C:\\WINDOWS") + QChar(u'\0') + s("   ")), s("C:\\WINDOWS"));
    }

    void addDirSep()
    {
        QString a = s("abc  ");
        AddDirSep(a);
        QCOMPARE(a, s("abc/"));
        QString b = s("abc/");
        AddDirSep(b);
        QCOMPARE(b, s("abc/"));
        QString c = s("abc/  ");
        AddDirSep(c); // already ends with one: left as it was, spaces included
        QCOMPARE(c, s("abc/  "));
        QString d;
        AddDirSep(d);
        QCOMPARE(d, s("/"));
        QCOMPARE(UCase16(s("Windows")), s("Windows"));
    }

    void windowsDirAndCharacterFolder()
    {
        platform::testing::FixedSystemFolders folders;
        folders.windowsDir = s("/home/u/.local/share/clipvoice");
        QCOMPARE(GetWindowsDir(folders), s("/home/u/.local/share/clipvoice/"));
        QCOMPARE(characterFolder(GetWindowsDir(folders)),
                 s("/home/u/.local/share/clipvoice/msagent/chars"));
        // A folder at the root gives no doubled separator.
        folders.windowsDir = s("/");
        QCOMPARE(characterFolder(GetWindowsDir(folders)), s("/msagent/chars"));
        folders.windowsDir = QString();
        QCOMPARE(GetWindowsDir(folders), QString());
        QCOMPARE(characterFolder(GetWindowsDir(folders)), s("msagent/chars"));
    }

    void characterNames()
    {
        QCOMPARE(characterName(s("Merlin.acs")), s("merlin"));
        QCOMPARE(characterName(s("genie.old.acs")), s("genie"));
        QCOMPARE(characterName(s(".acs")), QString());
        QVERIFY(isStandardCharacter(s("robby")));
        QVERIFY(!isStandardCharacter(s("geniex")));
        QVERIFY(!isStandardCharacter(s("Genie"))); // names are lower case already
    }

    void standardAndOtherCharacters()
    {
        QTemporaryDir dir;
        QDir d(dir.path());
        for (const char* name : {"mychar.acs", "Merlin.acs", "genie.acs", "PEEDY.ACS", "notes.txt",
                                 ".hidden.acs", "genie.old.acs", "geniex.acs", ".acs"})
            touch(d, s(name));
        QVERIFY(d.mkdir(s("robby.acs"))); // a folder is no character
        // Names starting with a full stop (".acs" too) are hidden files here.
        const QStringList tree = build(dir.path());
        QCOMPARE(tree, (QStringList{
                           s("microsoftキャラクタ|R_ms|expanded"),
                           s("  genie|genie.acs|bold"),
                           s("  genie|genie.old.acs|bold"),
                           s("  merlin|Merlin.acs|bold"),
                           s("  peedy|PEEDY.ACS|bold"),
                           s("オリジナルキャラクタ|R_other|expanded"),
                           s("  geniex|geniex.acs|bold"),
                           s("  mychar|mychar.acs|bold"),
                       }));
        QVERIFY(m_imageKeysAsked.contains(s("merlin")));
        QVERIFY(m_imageKeysAsked.contains(s("peedy")));
        QCOMPARE(m_imageKeysAsked.count(s("other")), 4); // two roots, two other characters
    }

    void onlyOneStandardCharacter()
    {
        QTemporaryDir dir;
        touch(QDir(dir.path()), s("merlin.acs"));
        QCOMPARE(build(dir.path()),
                 (QStringList{s("microsoftキャラクタ|R_ms|expanded"), s("  merlin|merlin.acs|bold"),
                              s("オリジナルキャラクタ|R_other|expanded"),
                              s("  (インストールされていません)|msg_other|grey")}));
        QVERIFY(m_imageKeysAsked.contains(s("notinstalled")));
    }

    void emptyFolderGetsTwoPlaceholders()
    {
        QTemporaryDir dir;
        QCOMPARE(build(dir.path()),
                 (QStringList{s("microsoftキャラクタ|R_ms|expanded"),
                              s("  (インストールされていません)|msg|grey"),
                              s("オリジナルキャラクタ|R_other|expanded"),
                              s("  (インストールされていません)|msg_other|grey")}));
    }

    void missingFolderIsAnErrorNamingIt()
    {
        QTemporaryDir dir;
        const QString missing = dir.filePath(s("msagent/chars"));
        std::optional<QString> error;
        build(missing, &error);
        QVERIFY(error.has_value());
        QVERIFY2(error->contains(missing), qPrintable(*error));
    }

    void listingIsSortedIgnoringCase()
    {
        QTemporaryDir dir;
        QDir d(dir.path());
        for (const char* name : {"b.ACS", "A.acs", "c.Acs", "a.acs"})
            touch(d, s(name));
        const FileListing listing = listFiles(dir.path(), s("*.acs"));
        QVERIFY(!listing.error);
        QCOMPARE(listing.names, (QStringList{s("A.acs"), s("a.acs"), s("b.ACS"), s("c.Acs")}));
    }

    void firstStartCopiesShippedCharacters()
    {
        QTemporaryDir home;
        QTemporaryDir shipped;
        touch(QDir(shipped.path()), s("bubble.acs"), "\xC3\xAB\xCD\xAB");
        touch(QDir(shipped.path()), s("readme.txt"));
        platform::testing::FixedSystemFolders folders;
        folders.isDefault = true;
        folders.shippedDir = shipped.path();
        const QString target = home.filePath(s("clipvoice/msagent/chars"));
        QCOMPARE(prepareCharacterFolder(folders, target), 1);
        QVERIFY(QFile::exists(target + s("/bubble.acs")));
        QVERIFY(!QFile::exists(target + s("/readme.txt")));
        // Later starts leave the folder as the user keeps it.
        QFile::remove(target + s("/bubble.acs"));
        QCOMPARE(prepareCharacterFolder(folders, target), 0);
        QVERIFY(!QFile::exists(target + s("/bubble.acs")));
        // A folder the user configured is never created.
        folders.isDefault = false;
        const QString configured = home.filePath(s("elsewhere/msagent/chars"));
        QCOMPARE(prepareCharacterFolder(folders, configured), 0);
        QVERIFY(!QFileInfo::exists(configured));
    }
};

QTEST_MAIN(CatalogueTest)
#include "CatalogueTest.moc"
