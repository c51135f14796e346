#include "platform/agent/AgentCallFormat.h"
#include "platform/agent/testing/AgentCallParser.h"

#include <QTest>

using namespace clipvoice::platform::agent;
using clipvoice::platform::agent::testing::AgentCallParser;

Q_DECLARE_METATYPE(clipvoice::platform::agent::AgentCall)

namespace {

QString s(const char16_t* text)
{
    return QString::fromUtf16(text);
}

CallValue str(const QString& text)
{
    return CallValue::string(text);
}

} // namespace

class AgentCallFormatTest : public QObject
{
    Q_OBJECT

private slots:
    void writesTheDocumentedLines()
    {
        QCOMPARE(
            AgentCallFormat::format(
                calls::load(QStringLiteral("clipvoice"), QStringLiteral("Merlin.acs")).succeed()),
            QStringLiteral(R"(Characters.Load("clipvoice", "Merlin.acs") -> ok)"));
        QCOMPARE(AgentCallFormat::format(calls::speak(QStringLiteral("line one\r\nx"), std::nullopt)
                                             .fail(QStringLiteral("character is not loaded"))),
                 QStringLiteral(
                     R"(Speak("line one\r\nx", omitted) -> failed: character is not loaded)"));
        QCOMPARE(AgentCallFormat::format(calls::stop(std::nullopt).succeed()),
                 QStringLiteral("Stop(omitted) -> ok"));
        QCOMPARE(AgentCallFormat::format(calls::stop(3).succeed()),
                 QStringLiteral("Stop(3) -> ok"));
        QCOMPARE(AgentCallFormat::format(calls::commandEvent(QStringLiteral("AdvCharOptions"))),
                 QStringLiteral(R"(event Command("AdvCharOptions"))"));
        QCOMPARE(AgentCallFormat::format(calls::visible().succeed(CallValue::boolean(false))),
                 QStringLiteral("Visible() -> ok: false"));
        QCOMPARE(AgentCallFormat::format(calls::languageId(1041).succeed()),
                 QStringLiteral("LanguageID(1041) -> ok"));
        QCOMPARE(AgentCallFormat::format(calls::addCommand(QStringLiteral("Read"),
                                                           QStringLiteral("&Read"), std::nullopt,
                                                           true, false)
                                             .succeed()),
                 QStringLiteral(R"(Commands.Add("Read", "&Read", omitted, true, false) -> ok)"));
        QCOMPARE(AgentCallFormat::format(calls::propertySheetVisible(true).succeed()),
                 QStringLiteral("PropertySheet.Visible(true) -> ok"));
    }

    void quotesStrings_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("quoted");
        QTest::newRow("plain") << QStringLiteral("hello") << QStringLiteral(R"("hello")");
        QTest::newRow("empty") << QString() << QStringLiteral(R"("")");
        QTest::newRow("quotes") << QStringLiteral(R"(say "hi")")
                                << QStringLiteral("\"say \\\"hi\\\"\"");
        QTest::newRow("backslash")
            << QStringLiteral("C:\\chars\\") << QStringLiteral("\"C:\\\\chars\\\\\"");
        QTest::newRow("cr lf tab")
            << QStringLiteral("a\r\nb\tc") << QStringLiteral(R"("a\r\nb\tc")");
        QTest::newRow("vertical tab") << QStringLiteral("a\vb") << QStringLiteral(R"("a\u000bb")");
        QTest::newRow("nul") << QString(QChar(u'\0')) << QStringLiteral(R"("\u0000")");
        QTest::newRow("delete and C1") << s(u"\u007f\u0085") << QStringLiteral(R"("\u007f\u0085")");
        QTest::newRow("japanese kept") << s(u"こんにちは、世界") << s(u"\"こんにちは、世界\"");
        QTest::newRow("surrogate pair kept") << s(u"\U0001F600") << s(u"\"\U0001F600\"");
        QTest::newRow("lone surrogate")
            << QString(QChar(char16_t(0xd800))) << QStringLiteral(R"("\ud800")");
    }

    void quotesStrings()
    {
        QFETCH(QString, text);
        QFETCH(QString, quoted);
        QCOMPARE(AgentCallFormat::quote(text), quoted);
    }

    void parsesBackWhatItWrites_data()
    {
        QTest::addColumn<AgentCall>("call");
        const QString japanese = s(u"「今日は」と言った。\r\n次の行");
        QTest::newRow("japanese crlf") << calls::speak(japanese, std::nullopt).succeed();
        QTest::newRow("quotes and url")
            << calls::speak(QStringLiteral(R"(a "b" \c)"), QStringLiteral("http://x/?a=\"1\""))
                   .succeed();
        QTest::newRow("controls") << calls::think(QStringLiteral("\x01\x1f\v\f")).succeed();
        QTest::newRow("empty") << calls::play(QString()).succeed();
        QTest::newRow("negative") << calls::languageId(-5).fail(QStringLiteral("must be positive"));
        QTest::newRow("largest") << calls::languageId(2147483647).succeed();
        QTest::newRow("no arguments value") << calls::visible().succeed(CallValue::boolean(true));
        QTest::newRow("string value")
            << calls::item(QStringLiteral("x")).succeed(str(QStringLiteral("a, b)")));
        QTest::newRow("booleans and omitted")
            << calls::addCommand(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("v"),
                                 std::nullopt, false)
                   .succeed();
        QTest::newRow("reason with break and backslash")
            << calls::load(QStringLiteral("clipvoice"), QStringLiteral("/x/y.acs"))
                   .fail(QStringLiteral("cannot \"open\"\nC:\\x -> ok"));
        QTest::newRow("event") << calls::commandEvent(s(u"読む"));
    }

    void parsesBackWhatItWrites()
    {
        QFETCH(AgentCall, call);
        const QString line = AgentCallFormat::format(call);
        QVERIFY2(!line.contains(u'\n') && !line.contains(u'\r'), qPrintable(line));
        const AgentResult<AgentCall> parsed = AgentCallParser::parse(line);
        QVERIFY2(parsed.ok(), qPrintable(parsed.error()));
        QCOMPARE(AgentCallFormat::format(parsed.value()), line);
        QVERIFY(parsed.value() == call);
    }

    void parsesTheParts()
    {
        const AgentResult<AgentCall> parsed = AgentCallParser::parse(
            QStringLiteral(R"(Commands.Add("Read", "\u0041", omitted, -12, true) -> ok)"));
        QVERIFY2(parsed.ok(), qPrintable(parsed.error()));
        const AgentCall& call = parsed.value();
        QCOMPARE(call.operation, QStringLiteral("Commands.Add"));
        QCOMPARE(call.arguments.size(), 5);
        QCOMPARE(call.arguments.at(0).text(), QStringLiteral("Read"));
        QCOMPARE(call.arguments.at(1).text(), QStringLiteral("A"));
        QVERIFY(call.arguments.at(2).isOmitted());
        QCOMPARE(call.arguments.at(3).kind(), CallValue::Kind::Integer);
        QCOMPARE(call.arguments.at(3).number(), -12);
        QCOMPARE(call.arguments.at(4).kind(), CallValue::Kind::Boolean);
        QVERIFY(call.arguments.at(4).flag());
        QVERIFY(call.ok);
        QVERIFY(!call.isEvent);
        QVERIFY(!call.value);
    }

    void rejectsMalformedLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("no outcome") << QStringLiteral("Show(omitted)");
        QTest::newRow("unterminated string") << QStringLiteral("Speak(\"abc, omitted) -> ok");
        QTest::newRow("unknown escape") << QStringLiteral(R"(Speak("\q", omitted) -> ok)");
        QTest::newRow("short unicode escape") << QStringLiteral(R"(Speak("\u00", omitted) -> ok)");
        QTest::newRow("unknown word") << QStringLiteral("Show(maybe) -> ok");
        QTest::newRow("missing comma space") << QStringLiteral(R"(Speak("a",omitted) -> ok)");
        QTest::newRow("text after outcome") << QStringLiteral("Show(omitted) -> ok!");
        QTest::newRow("event with outcome") << QStringLiteral(R"(event Command("a") -> ok)");
        QTest::newRow("no name") << QStringLiteral("(1) -> ok");
        QTest::newRow("empty") << QString();
    }

    void rejectsMalformedLines()
    {
        QFETCH(QString, line);
        QVERIFY(!AgentCallParser::parse(line).ok());
    }
};

QTEST_GUILESS_MAIN(AgentCallFormatTest)
#include "AgentCallFormatTest.moc"
