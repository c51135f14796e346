// The dictionary file: a round trip of any text, damaged files kept aside
// and reported, saves that replace the file only when complete.

#include "agent/reading/DictionaryFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace clipvoice::agent::reading;

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

const QDateTime now(QDate(2026, 12, 8), QTime(10, 30, 5));

} // namespace

class DictionaryFileTest : public QObject
{
    Q_OBJECT

private slots:
    void everyTextSurvivesARoundTrip()
    {
        const QList<PronunciationEntry> entries{
            {QStringLiteral("tab\there"), QStringLiteral("line\nbreak\r\nand CR"),
             QStringLiteral("en")},
            {QStringLiteral("back\\slash \\t literal"), QStringLiteral("\\"), {}},
            {QStringLiteral("東京"), QStringLiteral("とうきょう"), QStringLiteral("ja")},
            {QStringLiteral("😂"), QString(), {}},
        };
        const QByteArray bytes = DictionaryFile::format(entries);
        QVERIFY(bytes.startsWith("written\tspoken\tlanguage\n"));
        QCOMPARE(bytes.count('\n'), entries.size() + 1); // one line per entry
        const DictionaryRead read = DictionaryFile::parse(bytes);
        QVERIFY2(!read.isDamaged(), qPrintable(read.problems.join(QLatin1Char('\n'))));
        QCOMPARE(read.entries, entries);
    }

    void handWrittenFilesAreReadLeniently()
    {
        // No header, CR LF line ends, a byte-order mark, blank lines, no
        // language column, "*" for every language.
        const DictionaryRead read =
            DictionaryFile::parse("\xEF\xBB\xBF"
                                  "nginx\tengine x\r\n\r\nGUI\tgooey\t*\r\n");
        QVERIFY(!read.isDamaged());
        QCOMPARE(read.entries.size(), 2);
        QCOMPARE(read.entries[0],
                 (PronunciationEntry{QStringLiteral("nginx"), QStringLiteral("engine x"), {}}));
        QCOMPARE(read.entries[1].language, QString());
    }

    void badLinesAreReportedWithTheirNumberAndTheRestIsKept()
    {
        const DictionaryRead read = DictionaryFile::parse("written\tspoken\tlanguage\n"
                                                          "good\tfine\n"
                                                          "no tab at all\n"
                                                          "bad \xFF\xFE utf8\tx\n"
                                                          "\tno written text\n"
                                                          "nul\0byte\tx\n"
                                                          "a\tb\tc\td\n"
                                                          "last\tone\tja\n"_qba);
        QCOMPARE(read.entries.size(), 2);
        QCOMPARE(read.entries[1].written, QStringLiteral("last"));
        QCOMPARE(read.problems.size(), 5);
        QVERIFY(read.problems[0].startsWith(QStringLiteral("line 3:")));
        QVERIFY(read.problems[1].contains(QStringLiteral("UTF-8")));
        QVERIFY(read.problems[2].startsWith(QStringLiteral("line 5:")));
        QVERIFY(read.problems[3].contains(QStringLiteral("NUL")));
        QVERIFY(read.problems[4].startsWith(QStringLiteral("line 7:")));
    }

    void aDamagedFileIsKeptAsideAndItsGoodEntriesWrittenBack()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("dictionary.tsv"));
        const QByteArray damaged = "good\tfine\nbroken line\n\x01\x02\x03\xFF\n"_qba;
        write(path, damaged);

        const DictionaryRead read = DictionaryFile::load(path, now);
        QVERIFY(read.isDamaged());
        QCOMPARE(read.entries.size(), 1);
        QCOMPARE(read.keptAside, path + QStringLiteral(".damaged-20261208-103005"));
        // The file as it was is kept, byte for byte ...
        QCOMPARE(contents(read.keptAside), damaged);
        // ... and the file itself now holds what could be read.
        const DictionaryRead again = DictionaryFile::load(path, now.addSecs(60));
        QVERIFY(!again.isDamaged());
        QCOMPARE(again.entries, read.entries);
    }

    void aFileTooLargeIsMovedAsideUnread()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("dictionary.tsv"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(DictionaryFile::MaxFileBytes + 1));
        }
        const DictionaryRead read = DictionaryFile::load(path, now);
        QVERIFY(read.isDamaged());
        QVERIFY(read.entries.isEmpty());
        QVERIFY(QFile::exists(read.keptAside));
        QCOMPARE(QFileInfo(read.keptAside).size(), DictionaryFile::MaxFileBytes + 1);
        QVERIFY(!QFile::exists(path));
    }

    void aMissingFileIsAnEmptyDictionary()
    {
        QTemporaryDir dir;
        const DictionaryRead read =
            DictionaryFile::load(dir.filePath(QStringLiteral("none.tsv")), now);
        QVERIFY(!read.isDamaged());
        QVERIFY(read.entries.isEmpty());
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    void aFailedSaveLeavesTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("dictionary.tsv"));
        QString error;
        QVERIFY(
            DictionaryFile::save(path, {{QStringLiteral("a"), QStringLiteral("b"), {}}}, &error));
        const QByteArray saved = contents(path);
        // A folder that does not exist: false, with the reason.
        error.clear();
        QVERIFY(
            !DictionaryFile::save(dir.filePath(QStringLiteral("gone/dictionary.tsv")), {}, &error));
        QVERIFY(!error.isEmpty());
        // A folder that cannot be written to: the save fails and says why.
        QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const bool written =
            DictionaryFile::save(path, {{QStringLiteral("c"), QStringLiteral("d"), {}}}, &error);
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner);
        if (written)
            QSKIP("this user may write into read-only folders (running as root)");
        QVERIFY(!error.isEmpty());
        QCOMPARE(contents(path), saved);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 QStringList{QStringLiteral("dictionary.tsv")});
    }

    void importReportsWhatItCannotRead()
    {
        QTemporaryDir dir;
        const DictionaryRead missing =
            DictionaryFile::import(dir.filePath(QStringLiteral("none.tsv")));
        QVERIFY(missing.isDamaged());
        QVERIFY(missing.problems[0].contains(QStringLiteral("cannot be opened")));
    }
};

QTEST_GUILESS_MAIN(DictionaryFileTest)
#include "DictionaryFileTest.moc"
