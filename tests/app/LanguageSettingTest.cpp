// The stored speech language: reading garbage safely, and a round trip
// through a real INI file in a temporary home.

#include "app/LanguageSetting.h"
#include "platform/qt/IniSettingsStore.h"
#include "platform/testing/MemorySettingsStore.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace clipvoice;

namespace {
QString s(const char* text)
{
    return QString::fromUtf8(text);
}

// Settings go to a temporary folder: set before the first settings object exists.
QTemporaryDir& configHome()
{
    static QTemporaryDir dir;
    return dir;
}

void fill(QComboBox& picker)
{
    for (int i = 1; i <= 31; ++i)
        picker.addItem(QString::number(i));
    picker.setCurrentIndex(-1);
}
} // namespace

class LanguageSettingTest : public QObject
{
    Q_OBJECT

private slots:
    void storedTextsNameTheirItem_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("position");
        QTest::newRow("plain") << s("8") << 8;
        QTest::newRow("leading blanks") << s("   5") << 5;
        QTest::newRow("leading tab") << s("\t12") << 12;
        QTest::newRow("number then text") << s("3abc") << 3;
        QTest::newRow("whole fraction") << s("4.0") << 4;
        QTest::newRow("last") << s("31") << 31;
        QTest::newRow("plus sign") << s("+2") << 2;
        // Values that name no item select the first.
        QTest::newRow("zero") << s("0") << 1;
        QTest::newRow("negative") << s("-3") << 1;
        QTest::newRow("too large") << s("32") << 1;
        QTest::newRow("huge") << s("99999999999999999999") << 1;
        QTest::newRow("fraction") << s("3.5") << 1;
        QTest::newRow("text") << s("German") << 1;
        QTest::newRow("empty") << QString() << 1;
        QTest::newRow("wide digits") << s("５") << 1;
    }

    void storedTextsNameTheirItem()
    {
        QFETCH(QString, stored);
        QFETCH(int, position);
        QCOMPARE(app::storedLanguagePosition(stored, 31), position);
    }

    void restoreSelectsAndSaveWrites()
    {
        platform::testing::MemorySettingsStore store;
        QComboBox picker;
        fill(picker);
        app::restoreLanguage(store, picker);
        QCOMPARE(picker.currentIndex(), 0); // no stored value: the first item
        picker.setCurrentIndex(7);
        QVERIFY(app::saveLanguage(store, picker));
        QCOMPARE(store.values.value(s("clipvoice/q7a/lang")), s("8"));
        // With nothing selected nothing is written.
        picker.setCurrentIndex(-1);
        const int writes = store.writes;
        QVERIFY(app::saveLanguage(store, picker));
        QCOMPARE(store.writes, writes);
    }

    void roundTripThroughAnIniFile()
    {
        platform::IniSettingsStore store;
        QComboBox picker;
        fill(picker);
        picker.setCurrentIndex(7); // German
        QVERIFY(app::saveLanguage(store, picker));
        const QString file = configHome().filePath(s("clipvoice/clipvoice.ini"));
        QVERIFY2(QFile::exists(file), qPrintable(file));
        QFile ini(file);
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray text = ini.readAll();
        QVERIFY2(text.contains("[q7a]") && text.contains("lang=8"), text.constData());
        ini.close();

        QComboBox again;
        fill(again);
        app::restoreLanguage(store, again);
        QCOMPARE(again.currentIndex(), 7);
    }

    void brokenIniFileGivesTheFirstItem()
    {
        const QString file = configHome().filePath(s("clipvoice/clipvoice.ini"));
        QFile ini(file);
        QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        static const char broken[] = "\x00\xff\xfe[q7a\nlang=\x01\x02garbage\n[[[\n";
        ini.write(broken, sizeof(broken) - 1);
        ini.close();
        platform::IniSettingsStore store;
        QComboBox picker;
        fill(picker);
        app::restoreLanguage(store, picker);
        QCOMPARE(picker.currentIndex(), 0);
        // Saving begins a fresh file and keeps the damaged one beside it.
        picker.setCurrentIndex(4);
        QVERIFY(app::saveLanguage(store, picker));
        const QStringList kept = QDir(configHome().filePath(s("clipvoice")))
                                     .entryList({s("clipvoice.ini.damaged-*")}, QDir::Files);
        QCOMPARE(kept.size(), 1);
        QComboBox again;
        fill(again);
        app::restoreLanguage(store, again);
        QCOMPARE(again.currentIndex(), 4);
    }
};

int main(int argc, char** argv)
{
    qputenv("XDG_CONFIG_HOME", configHome().path().toUtf8());
    QApplication app(argc, argv);
    LanguageSettingTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "LanguageSettingTest.moc"
