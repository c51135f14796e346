// The reading rules: addresses said as their host name, and long runs of
// one character shortened, each only when switched on.

#include "agent/reading/ReadingRules.h"

#include <QtTest>

using namespace clipvoice::agent::reading;

class ReadingRulesTest : public QObject
{
    Q_OBJECT

private slots:
    void addressesAreSaidAsTheirHostName_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("said");
        QTest::newRow("path and query") << "see https://www.example.org/a/b?c=1#top now"
                                        << "see example.org now";
        QTest::newRow("sentence end") << "Go to http://example.com/x."
                                      << "Go to example.com.";
        QTest::newRow("in brackets") << "(https://docs.qt.io/qt-6/qurl.html)"
                                     << "(docs.qt.io)";
        QTest::newRow("port and user") << "ftp://ann:pw@files.example.net:2121/pub"
                                       << "files.example.net";
        QTest::newRow("www only") << "www.Example.org/news is up"
                                  << "example.org is up";
        QTest::newRow("e-mail") << "mail ann.lee+news@Mail.Example.org, please"
                                << "mail mail.example.org, please";
        QTest::newRow("mailto") << "mailto:bob@example.com"
                                << "example.com";
        QTest::newRow("no host") << "open file:///etc/hosts"
                                 << "open URL";
        QTest::newRow("two") << "a https://a.example/ b https://b.example/ c"
                             << "a a.example b b.example c";
        QTest::newRow("japanese") << "詳しくはhttps://example.jp/about。"
                                  << "詳しくはexample.jp。";
        QTest::newRow("not an address") << "e.g. 10:30, a@b, user@host"
                                        << "e.g. 10:30, a@b, user@host";
    }

    void addressesAreSaidAsTheirHostName()
    {
        QFETCH(QString, line);
        QFETCH(QString, said);
        QCOMPARE(applyReadingRules(line, {.addressesAsHostName = true}), said);
        // Off: the line is read as it stands.
        QCOMPARE(applyReadingRules(line, {}), line);
    }

    void runsOfOneCharacterAreSaidAtMostThreeTimes_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("said");
        QTest::newRow("latin") << "lol wwwwwwww"
                               << "lol www";
        QTest::newRow("long vowel") << "すごーーーーい"
                                    << "すごーーーい";
        QTest::newRow("three stay") << "www!!!"
                                    << "www!!!";
        QTest::newRow("punctuation") << "what?!?!!!!!!"
                                     << "what?!?!!!";
        QTest::newRow("emoji") << "😂😂😂😂😂"
                               << "😂😂😂";
        QTest::newRow("numbers keep their value") << "1000000 yen"
                                                  << "1000000 yen";
        QTest::newRow("full-width digits") << "１０００００円"
                                           << "１０００００円";
        QTest::newRow("spaces") << "a      b"
                                << "a      b";
        QTest::newRow("empty") << ""
                               << "";
    }

    void runsOfOneCharacterAreSaidAtMostThreeTimes()
    {
        QFETCH(QString, line);
        QFETCH(QString, said);
        QCOMPARE(applyReadingRules(line, {.shortenRepeats = true}), said);
        QCOMPARE(applyReadingRules(line, {}), line);
    }

    void bothRulesTogether()
    {
        QCOMPARE(applyReadingRules(QStringLiteral("見てwwwww https://www.example.org/wwwwww"),
                                   {.addressesAsHostName = true, .shortenRepeats = true}),
                 QStringLiteral("見てwww example.org"));
    }

    void aLongLineWithoutAddressesIsReturnedAsItIs()
    {
        const QString line(1 << 20, QLatin1Char('a'));
        const QString said = sayAddressesAsHostName(line);
        QCOMPARE(said.constData(), line.constData()); // no copy was made
    }
};

QTEST_GUILESS_MAIN(ReadingRulesTest)
#include "ReadingRulesTest.moc"
