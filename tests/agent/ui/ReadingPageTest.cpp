// The "読み方" page of the property sheet and what it stands on: the reading
// switches in agent.ini, the user's dictionary file (read at start-up, saved
// in one step, a damaged one kept aside and reported), and editing entries
// in the table with OK, キャンセル and 適用.

#include "UiTestUtil.h"

#include "agent/reading/DictionaryFile.h"
#include "agent/ui/PropertySheet.h"
#include "agent/ui/ReadingPage.h"
#include "agent/ui/UserDictionary.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace clipvoice::agent::ui;
using clipvoice::agent::reading::DictionaryFile;
using clipvoice::agent::reading::PronunciationEntry;
using clipvoice::agent::reading::ReadingRules;
using Entries = QList<PronunciationEntry>;
using namespace Qt::StringLiterals;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

template <typename T> T* child(QWidget* parent, const char* name)
{
    T* found = parent->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qWarning("no child %s", name);
    return found;
}

const QList<DictionaryLanguage> Languages{
    {QStringLiteral("en-us"), QStringLiteral("English (US) (en-us)")},
    {QStringLiteral("ja"), QStringLiteral("Japanese (ja)")}};

// The sheet's controls for the dictionary.
struct Page
{
    explicit Page(PropertySheet& sheet)
        : written(child<QLineEdit>(&sheet, "writtenEdit"))
        , spoken(child<QLineEdit>(&sheet, "spokenEdit"))
        , language(child<QComboBox>(&sheet, "languageCombo"))
        , table(child<QTableView>(&sheet, "dictionaryTable"))
        , add(child<QPushButton>(&sheet, "addButton"))
        , change(child<QPushButton>(&sheet, "changeButton"))
        , remove(child<QPushButton>(&sheet, "deleteButton"))
        , message(child<QLabel>(&sheet, "dictionaryMessage"))
        , apply(sheet.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Apply))
    {}

    bool complete() const
    {
        return written && spoken && language && table && add && change && remove && message &&
               apply;
    }

    void fill(const QString& w, const QString& s, const QString& tag)
    {
        written->setText(w);
        spoken->setText(s);
        language->setCurrentIndex(language->findData(tag));
    }

    QString cell(int row, int column) const
    {
        return table->model()->index(row, column).data().toString();
    }

    QLineEdit* written;
    QLineEdit* spoken;
    QComboBox* language;
    QTableView* table;
    QPushButton* add;
    QPushButton* change;
    QPushButton* remove;
    QLabel* message;
    QPushButton* apply;
};

} // namespace

class ReadingPageTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString iniPath() const { return m_dir.filePath(QStringLiteral("agent.ini")); }
    QString dictionaryPath() const
    {
        return m_dir.filePath(QStringLiteral("data/clipvoice/dictionary.tsv"));
    }
    static Entries readBack(const QString& path)
    {
        const auto read = DictionaryFile::import(path);
        return read.problems.isEmpty() ? read.entries : Entries{{u"unreadable"_s, u""_s, {}}};
    }

private slots:
    void init()
    {
        QFile::remove(iniPath());
        QDir(m_dir.filePath(QStringLiteral("data"))).removeRecursively();
    }

    void readingSwitchesAreOffByDefaultAndSurviveARestart()
    {
        QCOMPARE(ServiceSettings(iniPath()).options().readingRules, ReadingRules());
        ServiceOptions options;
        options.readingRules.addressesAsHostName = true;
        QVERIFY(ServiceSettings(iniPath()).setOptions(options));
        QCOMPARE(ServiceSettings(iniPath()).options().readingRules, (ReadingRules{true, false}));
        const QSettings raw(iniPath(), QSettings::IniFormat);
        QCOMPARE(raw.value(QStringLiteral("Reading/AddressesAsHostName")).toString(),
                 QStringLiteral("true"));
        QCOMPARE(raw.value(QStringLiteral("Reading/ShortenRepeats")).toString(),
                 QStringLiteral("false"));

        // Broken values read as off; the other options are untouched.
        writeFile(iniPath(), "[Reading]\nAddressesAsHostName=perhaps\nShortenRepeats=2\n"
                             "[Speech]\nRate=3\n");
        const ServiceOptions read = ServiceSettings(iniPath()).options();
        QCOMPARE(read.readingRules, ReadingRules());
        QCOMPARE(read.speechRate, 3);
        writeFile(iniPath(), "[Reading]\nShortenRepeats=1\n");
        QCOMPARE(ServiceSettings(iniPath()).options().readingRules, (ReadingRules{false, true}));
    }

    void dictionaryIsReadOffTheThreadAndSavedInOneStep()
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("xdg"))));
        QCOMPARE(UserDictionary::defaultPath(),
                 m_dir.filePath(QStringLiteral("xdg/clipvoice/dictionary.tsv")));
        qunsetenv("XDG_DATA_HOME");

        // No file: an empty dictionary, and nothing is written.
        UserDictionary missing(dictionaryPath());
        QSignalSpy missingLoaded(&missing, &UserDictionary::loaded);
        missing.load();
        QVERIFY(missingLoaded.wait(5000));
        QVERIFY(missing.isLoaded() && missing.entries()->isEmpty());
        QVERIFY(missing.problems().isEmpty() && missing.damageMessage().isEmpty());
        QVERIFY(!QFile::exists(dictionaryPath()));

        // Saving makes the folder; a holder of the old entries keeps them.
        const auto before = missing.entries();
        QSignalSpy changed(&missing, &UserDictionary::changed);
        const Entries entries{{u"SQL"_s, u"sequel"_s, {}}, {u"a\tb"_s, u"c\nd\\"_s, u"ja"_s}};
        QString error;
        QVERIFY2(missing.save(entries, &error), qPrintable(error));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(*missing.entries(), entries);
        QVERIFY(before->isEmpty());
        QCOMPARE(readBack(dictionaryPath()), entries);

        UserDictionary reread(dictionaryPath());
        QSignalSpy loaded(&reread, &UserDictionary::loaded);
        reread.load();
        QVERIFY(loaded.wait(5000));
        QCOMPARE(*reread.entries(), entries);
    }

    void aDamagedFileIsKeptAsideAndShownOnThePage()
    {
        QDir().mkpath(QFileInfo(dictionaryPath()).absolutePath());
        const QByteArray damaged = "written\tspoken\tlanguage\nSQL\tsequel\t\nno tab here\n"
                                   "\xff\xfe\tbad\n東京\tとうきょう\tja\n";
        writeFile(dictionaryPath(), damaged);
        UserDictionary dictionary(dictionaryPath());
        dictionary.loadNow();
        QCOMPARE(*dictionary.entries(),
                 (Entries{{u"SQL"_s, u"sequel"_s, {}}, {u"東京"_s, u"とうきょう"_s, u"ja"_s}}));
        QCOMPARE(dictionary.problems().size(), 2);
        QVERIFY(!dictionary.keptAside().isEmpty());
        QFile aside(dictionary.keptAside());
        QVERIFY(aside.open(QIODevice::ReadOnly));
        QCOMPARE(aside.readAll(), damaged);

        ServiceSettings settings(iniPath());
        PropertySheet sheet(&settings);
        sheet.setDictionary(&dictionary);
        sheet.show();
        auto* damage = child<QLabel>(&sheet, "dictionaryDamage");
        QVERIFY(damage);
        sheet.findChild<QTabWidget*>()->setCurrentWidget(sheet.readingPage());
        QVERIFY(damage->isVisible());
        QVERIFY(damage->text().contains(QStringLiteral("読めないところ")));
        QVERIFY(damage->text().contains(QDir::toNativeSeparators(dictionary.keptAside())));
        QVERIFY(damage->text().contains(QStringLiteral("3 行目")));
        QVERIFY(damage->text().contains(QStringLiteral("4 行目: UTF-8")));
        uitest::snapshot(&sheet, QStringLiteral("property-sheet-reading-damaged"));
    }

    void entriesAreAddedChangedAndDeletedOnThePage()
    {
        ServiceSettings settings(iniPath());
        UserDictionary dictionary(dictionaryPath());
        dictionary.loadNow();
        PropertySheet sheet(&settings);
        sheet.setDictionaryLanguages(Languages);
        sheet.setDictionary(&dictionary);
        sheet.show();
        Page page(sheet);
        QVERIFY(page.complete());
        QCOMPARE(page.language->itemText(0), QStringLiteral("すべての言語"));
        QCOMPARE(page.language->count(), 3);
        QVERIFY(!page.apply->isEnabled());
        QVERIFY(!page.change->isEnabled() && !page.remove->isEnabled());

        page.fill(QStringLiteral("SQL"), QStringLiteral("sequel"), QString());
        page.add->click();
        page.fill(QStringLiteral("東京"), QStringLiteral("とうきょう"), QStringLiteral("ja"));
        page.add->click();
        QCOMPARE(page.table->model()->rowCount(), 2);
        QCOMPARE(page.cell(1, 2), QStringLiteral("Japanese (ja)"));
        QCOMPARE(page.cell(0, 2), QStringLiteral("すべての言語"));
        QVERIFY(page.written->text().isEmpty());
        QVERIFY(page.apply->isEnabled());

        // Refused: an empty written text, and the same text for the same language.
        page.fill(QStringLiteral("  "), QStringLiteral("x"), QString());
        page.add->click();
        QVERIFY(page.message->text().contains(QStringLiteral("表記が空")));
        page.fill(QStringLiteral("sql"), QStringLiteral("S Q L"), QString());
        page.add->click();
        QVERIFY(page.message->text().contains(QStringLiteral("1 行目")));
        QCOMPARE(page.table->model()->rowCount(), 2);
        // The same text for one language is another entry.
        page.fill(QStringLiteral("sql"), QStringLiteral("エスキューエル"), QStringLiteral("ja"));
        page.add->click();
        QCOMPARE(page.table->model()->rowCount(), 3);

        // Choosing a row fills the form; 変更 changes that row.
        page.table->selectRow(1);
        QCOMPARE(page.written->text(), QStringLiteral("東京"));
        QCOMPARE(page.language->currentData().toString(), QStringLiteral("ja"));
        QVERIFY(page.change->isEnabled());
        page.spoken->setText(QStringLiteral("トーキョー"));
        page.change->click();
        QCOMPARE(page.cell(1, 1), QStringLiteral("トーキョー"));
        // Changing it into a copy of another row is refused.
        page.fill(QStringLiteral("SQL"), QStringLiteral("x"), QString());
        page.table->selectRow(1);
        page.written->setText(QStringLiteral("SQL"));
        page.language->setCurrentIndex(0);
        page.change->click();
        QCOMPARE(page.cell(1, 0), QStringLiteral("東京"));

        page.table->selectRow(0);
        page.remove->click();
        QCOMPARE(page.table->model()->rowCount(), 2);
        QCOMPARE(sheet.readingPage()->entries(),
                 (Entries{{u"東京"_s, u"トーキョー"_s, u"ja"_s},
                          {u"sql"_s, u"エスキューエル"_s, u"ja"_s}}));
        // Nothing is written before 適用.
        QVERIFY(!QFile::exists(dictionaryPath()));
        QVERIFY(dictionary.entries()->isEmpty());
        sheet.findChild<QTabWidget*>()->setCurrentWidget(sheet.readingPage());
        uitest::snapshot(&sheet, QStringLiteral("property-sheet-reading"));
    }

    void applyWritesTheFileAndCancelLeavesIt()
    {
        ServiceSettings settings(iniPath());
        UserDictionary dictionary(dictionaryPath());
        QString error;
        QVERIFY(dictionary.save({{u"SQL"_s, u"sequel"_s, {}}}, &error));
        PropertySheet sheet(&settings);
        sheet.setDictionaryLanguages(Languages);
        sheet.setDictionary(&dictionary);
        sheet.show();
        Page page(sheet);
        QVERIFY(page.complete());
        QCOMPARE(page.table->model()->rowCount(), 1);

        // キャンセル: the file and the settings stay; showing again drops the edits.
        page.fill(QStringLiteral("NASA"), QStringLiteral("ナサ"), QStringLiteral("ja"));
        page.add->click();
        child<QCheckBox>(&sheet, "repeatsCheck")->setChecked(true);
        sheet.reject();
        QCOMPARE(readBack(dictionaryPath()), (Entries{{u"SQL"_s, u"sequel"_s, {}}}));
        QCOMPARE(settings.options().readingRules, ReadingRules());
        sheet.show();
        QCOMPARE(page.table->model()->rowCount(), 1);
        QVERIFY(!child<QCheckBox>(&sheet, "repeatsCheck")->isChecked());

        // 適用 writes both, and the dialog stays open.
        page.fill(QStringLiteral("NASA"), QStringLiteral("ナサ"), QStringLiteral("ja"));
        page.add->click();
        child<QCheckBox>(&sheet, "addressesCheck")->setChecked(true);
        QSignalSpy changed(&dictionary, &UserDictionary::changed);
        page.apply->click();
        QVERIFY(sheet.isVisible());
        QVERIFY(!page.apply->isEnabled());
        QCOMPARE(changed.size(), 1);
        const Entries both{{u"SQL"_s, u"sequel"_s, {}}, {u"NASA"_s, u"ナサ"_s, u"ja"_s}};
        QCOMPARE(readBack(dictionaryPath()), both);
        QCOMPARE(*dictionary.entries(), both);
        QCOMPARE(ServiceSettings(iniPath()).options().readingRules, (ReadingRules{true, false}));

        // OK with a deletion.
        page.table->selectRow(0);
        page.remove->click();
        QTest::mouseClick(sheet.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
        QVERIFY(!sheet.isVisible());
        QCOMPARE(readBack(dictionaryPath()), (Entries{{u"NASA"_s, u"ナサ"_s, u"ja"_s}}));
    }

    void aFailedSaveKeepsTheEditsAndTheSheetOpen()
    {
        // The dictionary's folder cannot be made: a file stands in its place.
        writeFile(m_dir.filePath(QStringLiteral("blocker")), "not a folder");
        const QString path = m_dir.filePath(QStringLiteral("blocker/clipvoice/dictionary.tsv"));
        ServiceSettings settings(iniPath());
        UserDictionary dictionary(path);
        dictionary.loadNow();
        PropertySheet sheet(&settings);
        sheet.setDictionary(&dictionary);
        sheet.show();
        sheet.findChild<QTabWidget*>()->setCurrentIndex(0);
        Page page(sheet);
        QVERIFY(page.complete());
        page.fill(QStringLiteral("SQL"), QStringLiteral("sequel"), QString());
        page.add->click();
        QTest::mouseClick(sheet.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
        QVERIFY(sheet.isVisible());
        QCOMPARE(sheet.findChild<QTabWidget*>()->currentWidget(), sheet.readingPage());
        QVERIFY(page.message->text().contains(QStringLiteral("保存できませんでした")));
        QCOMPARE(sheet.readingPage()->entries(), (Entries{{u"SQL"_s, u"sequel"_s, {}}}));
        QVERIFY(dictionary.entries()->isEmpty());
        QVERIFY(page.apply->isEnabled());
    }

    void importMergesAndExportWritesWhatTheTableShows()
    {
        ServiceSettings settings(iniPath());
        UserDictionary dictionary(dictionaryPath());
        QString error;
        QVERIFY(dictionary.save({{u"SQL"_s, u"sequel"_s, {}}, {u"Gif"_s, u"jif"_s, {}}}, &error));
        PropertySheet sheet(&settings);
        sheet.setDictionaryLanguages(Languages);
        sheet.setDictionary(&dictionary);
        QString chosen;
        QList<bool> asked;
        sheet.readingPage()->setFileChooser([&](bool forSaving, QWidget*) {
            asked.append(forSaving);
            return chosen;
        });
        sheet.show();
        Page page(sheet);
        QVERIFY(page.complete());

        // Tabs, line breaks and backslashes in fields, a language the program
        // does not offer, and one bad line.
        const QString importPath = m_dir.filePath(QStringLiteral("import.tsv"));
        writeFile(importPath, "sql\tS Q L\t\nline\\tbreak\\n\ttab\\\\s\tja\nhello\n"
                              "colour\tcolor\ten\n");
        chosen = importPath;
        child<QPushButton>(&sheet, "importButton")->click();
        const Entries merged{{u"sql"_s, u"S Q L"_s, {}},
                             {u"Gif"_s, u"jif"_s, {}},
                             {u"line\tbreak\n"_s, u"tab\\s"_s, u"ja"_s},
                             {u"colour"_s, u"color"_s, u"en"_s}};
        QCOMPARE(sheet.readingPage()->entries(), merged);
        QVERIFY(page.message->text().contains(QStringLiteral("2 件を追加し、1 件を置き換え")));
        QVERIFY(page.message->text().contains(QStringLiteral("3 行目")));
        QCOMPARE(page.cell(3, 2), QStringLiteral("en"));
        QCOMPARE(page.cell(2, 0), QStringLiteral("line\\tbreak\\n"));
        QVERIFY(page.apply->isEnabled());

        // Export writes the table as it is, saved or not; it imports back the same.
        const QString exportPath = m_dir.filePath(QStringLiteral("export.tsv"));
        chosen = exportPath;
        child<QPushButton>(&sheet, "exportButton")->click();
        QCOMPARE(readBack(exportPath), merged);
        QVERIFY(page.message->text().contains(QStringLiteral("4 件")));
        QCOMPARE(asked, (QList<bool>{false, true}));
        QCOMPARE(readBack(dictionaryPath()),
                 (Entries{{u"SQL"_s, u"sequel"_s, {}}, {u"Gif"_s, u"jif"_s, {}}}));

        // A cancelled file dialog does nothing; an unreadable file says so.
        chosen.clear();
        child<QPushButton>(&sheet, "importButton")->click();
        QCOMPARE(sheet.readingPage()->entries(), merged);
        chosen = m_dir.filePath(QStringLiteral("no such file.tsv"));
        child<QPushButton>(&sheet, "importButton")->click();
        QVERIFY(page.message->text().contains(QStringLiteral("読み込める項目はありません")));
        QCOMPARE(sheet.readingPage()->entries(), merged);
    }
};

QTEST_MAIN(ReadingPageTest)
#include "ReadingPageTest.moc"
