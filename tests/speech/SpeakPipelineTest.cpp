// The speak pipeline, the gesture picker and the clipboard tick, checked by
// the exact calls they make on a recording character service.

#include "speech/SpeakPipeline.h"
#include "platform/agent/testing/RecordingAgentService.h"
#include "platform/agent/testing/ScriptedRandom.h"
#include "platform/testing/RecordingClipboard.h"
#include "speech/ClipboardWatcher.h"
#include "speech/GesturePicker.h"
#include "speech/SpeechLanguages.h"

#include <QTest>

#include <cmath>

using namespace clipvoice;
using platform::agent::CharacterPtr;
using platform::agent::RequestPtr;
using platform::agent::testing::RecordingAgentService;

namespace {
QString s(const char* text)
{
    return QString::fromUtf8(text);
}
} // namespace

class SpeakPipelineTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<RecordingAgentService> m_agent;
    CharacterPtr m_character;
    platform::testing::ScriptedRandom m_random;
    RequestPtr m_last;

    // A context with a loaded character, gestures off and Japanese selected.
    speech::SpeakContext context(int gestureOption = 0, std::optional<int> language = 1)
    {
        speech::SpeakContext c;
        c.character = m_character;
        c.gestureOption = gestureOption;
        c.selectedLanguage = language;
        c.random = &m_random;
        c.lastRequest = &m_last;
        return c;
    }

    void makeVisible()
    {
        (void)m_character->show();
        m_agent->clear();
    }

private slots:
    void init()
    {
        m_agent = std::make_unique<RecordingAgentService>();
        (void)m_agent->characters().load(s("clipvoice"), s("Merlin.acs"));
        m_character = m_agent->characters().item(s("clipvoice")).value();
        m_agent->clear();
        m_random = {};
        m_last.reset();
    }

    void hiddenCharacterIsShownForTheSpeechAndHiddenAgain()
    {
        speech::SpeakText(s("こんにちは"), context());
        QCOMPARE(
            m_agent->lines(),
            (QStringList{s("Visible() -> ok: false"), s("Show(omitted) -> ok"),
                         s("LanguageID(1041) -> ok"), s("Speak(\"こんにちは\", omitted) -> ok"),
                         s("Hide(omitted) -> ok")}));
        QVERIFY(m_last != nullptr);
    }

    void visibleCharacterIsNeitherShownNorHidden()
    {
        makeVisible();
        speech::SpeakText(s("hello"), context(0, 2));
        QCOMPARE(m_agent->lines(),
                 (QStringList{s("Visible() -> ok: true"), s("LanguageID(1033) -> ok"),
                              s("Speak(\"hello\", omitted) -> ok")}));
    }

    void textIsSpokenPieceByPieceAtCrLf()
    {
        makeVisible();
        speech::SpeakText(s("first\r\n\r\nsecond\r\n"), context());
        QCOMPARE(m_agent->lines(s("Speak")), (QStringList{s("Speak(\"first\", omitted) -> ok"),
                                                          s("Speak(\"second\", omitted) -> ok")}));
        m_agent->clear();
        // A lone line feed or carriage return separates nothing; blanks are spoken.
        speech::SpeakText(s("one\ntwo\rthree\r\n  "), context());
        QCOMPARE(m_agent->lines(s("Speak")),
                 (QStringList{s("Speak(\"one\\ntwo\\rthree\", omitted) -> ok"),
                              s("Speak(\"  \", omitted) -> ok")}));
    }

    void onlySeparatorShowsSetsLanguageAndHidesAgain()
    {
        speech::SpeakText(s("\r\n"), context());
        QCOMPARE(m_agent->lines(),
                 (QStringList{s("Visible() -> ok: false"), s("Show(omitted) -> ok"),
                              s("LanguageID(1041) -> ok"), s("Hide(omitted) -> ok")}));
    }

    void emptyTextOrNoCharacterDoesNothing()
    {
        speech::SpeakText(QString(), context(1));
        QVERIFY(m_agent->lines().isEmpty());
        speech::SpeakContext none = context(1);
        none.character.reset();
        speech::SpeakText(s("text"), none);
        QVERIFY(m_agent->lines().isEmpty());
        QVERIFY(m_last == nullptr);
    }

    void gestureComesAfterShowAndBeforeSpeechOnlyWhenChecked_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<bool>("gesture");
        QTest::newRow("unchecked") << 0 << false;
        QTest::newRow("checked") << 1 << true;
        QTest::newRow("grayed") << 2 << false;
    }

    void gestureComesAfterShowAndBeforeSpeechOnlyWhenChecked()
    {
        QFETCH(int, option);
        QFETCH(bool, gesture);
        m_random.fractions = {0.5f};
        speech::SpeakText(s("x"), context(option));
        QStringList expected{s("Visible() -> ok: false"), s("Show(omitted) -> ok")};
        if (gesture)
            expected << s("Play(\"DoMagic1\") -> ok");
        expected << s("LanguageID(1041) -> ok") << s("Speak(\"x\", omitted) -> ok")
                 << s("Hide(omitted) -> ok");
        QCOMPARE(m_agent->lines(), expected);
    }

    void failingGestureDoesNotStopTheSpeech()
    {
        m_agent->fail(s("Play")).forArgument(s("Read"));
        m_random.fractions = {0.0f};
        speech::SpeakText(s("x"), context(1));
        QCOMPARE(m_agent->lines(s("Play")),
                 QStringList{s("Play(\"Read\") -> failed: injected failure")});
        QCOMPARE(m_agent->lines(s("Speak")).size(), 1);
        QCOMPARE(m_agent->lines(s("Hide")).size(), 1);
    }

    void firstFailureEndsTheCall_data()
    {
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("Visible") << s("Visible")
                                 << QStringList{s("Visible() -> failed: injected failure")};
        QTest::newRow("Show") << s("Show")
                              << QStringList{s("Visible() -> ok: false"),
                                             s("Show(omitted) -> failed: injected failure")};
        QTest::newRow("LanguageID")
            << s("LanguageID")
            << QStringList{s("Visible() -> ok: false"), s("Show(omitted) -> ok"),
                           s("LanguageID(1041) -> failed: injected failure")};
        // The first line fails: the second is not spoken and no hide follows.
        QTest::newRow("Speak") << s("Speak")
                               << QStringList{
                                      s("Visible() -> ok: false"), s("Show(omitted) -> ok"),
                                      s("LanguageID(1041) -> ok"),
                                      s("Speak(\"a\", omitted) -> failed: injected failure")};
        QTest::newRow("Hide") << s("Hide")
                              << QStringList{s("Visible() -> ok: false"),
                                             s("Show(omitted) -> ok"),
                                             s("LanguageID(1041) -> ok"),
                                             s("Speak(\"a\", omitted) -> ok"),
                                             s("Speak(\"b\", omitted) -> ok"),
                                             s("Hide(omitted) -> failed: injected failure")};
    }

    void firstFailureEndsTheCall()
    {
        QFETCH(QString, failing);
        QFETCH(QStringList, expected);
        m_agent->fail(failing);
        speech::SpeakText(s("a\r\nb"), context());
        QCOMPARE(m_agent->lines(), expected);
    }

    void nothingSelectedSpeaksNothingAndLeavesCharacterShown()
    {
        m_random.fractions = {0.0f};
        speech::SpeakText(s("a"), context(1, std::nullopt));
        QCOMPARE(m_agent->lines(),
                 (QStringList{s("Visible() -> ok: false"), s("Show(omitted) -> ok"),
                              s("Play(\"Read\") -> ok")}));
    }

    void indexWithoutRowKeepsTheLanguage()
    {
        makeVisible();
        speech::SpeakText(s("a"), context(0, 32));
        QCOMPARE(m_agent->lines(),
                 (QStringList{s("Visible() -> ok: true"), s("Speak(\"a\", omitted) -> ok")}));
    }

    void lastRequestHoldsTheLastLineOfTheLastCall()
    {
        makeVisible();
        speech::SpeakText(s("a\r\nb"), context());
        const RequestPtr afterFirst = m_last;
        speech::SpeakText(s("c\r\nd"), context());
        QVERIFY(m_last != nullptr);
        QVERIFY(m_last != afterFirst);
        // A failing line leaves the request of the last line spoken.
        const RequestPtr afterSecond = m_last;
        m_agent->fail(s("Speak")).forArgument(s("f"));
        speech::SpeakText(s("f"), context());
        QCOMPARE(m_last, afterSecond);
    }

    void gestureForDraw()
    {
        QCOMPARE(speech::gestureForDraw(0.0f), s("Read"));
        QCOMPARE(speech::gestureForDraw(0.5f), s("DoMagic1"));
        QCOMPARE(speech::gestureForDraw(std::nextafter(1.0f, 0.0f)), s("Write"));
        QCOMPARE(speech::gestureForDraw(1.0f / 7.0f), s("Announce"));
        QCOMPARE(speech::gestureForDraw(-1.0f), s("Read"));
        QCOMPARE(speech::gestureForDraw(2.0f), s("Write"));
    }

    void gestureWithoutCharacterDrawsButPlaysNothing()
    {
        m_random.fractions = {0.9f};
        speech::PlayRandomGesture(nullptr, m_random);
        QCOMPARE(m_random.draws, 1);
        QVERIFY(m_agent->lines().isEmpty());
        speech::PlayRandomGesture(m_character, m_random);
        QCOMPARE(m_agent->lines(),
                 QStringList{s("Play(\"Read\") -> ok")}); // the queue ran out: r = 0
    }

    void languageTable()
    {
        QCOMPARE(speech::LanguageIdForIndex(1), std::optional<qint32>(1041));
        QCOMPARE(speech::LanguageIdForIndex(2), std::optional<qint32>(1033));
        QCOMPARE(speech::LanguageIdForIndex(3), std::optional<qint32>(2057));
        QCOMPARE(speech::LanguageIdForIndex(25), std::optional<qint32>(1054));
        QCOMPARE(speech::LanguageIdForIndex(31), std::optional<qint32>(3082));
        QCOMPARE(speech::LanguageIdForIndex(0), std::nullopt);
        QCOMPARE(speech::LanguageIdForIndex(32), std::nullopt);
        QSet<qint32> ids;
        QSet<QString> texts;
        for (int i = 0; i < speech::kSpeechLanguageCount; ++i) {
            const speech::SpeechLanguage& row =
                speech::SpeechLanguages[static_cast<std::size_t>(i)];
            QCOMPARE(row.position, i + 1);
            QCOMPARE(row.picture, i + 1);
            ids.insert(row.lcid);
            texts.insert(QString::fromLatin1(row.text));
        }
        QCOMPARE(ids.size(), 31);
        QCOMPARE(texts.size(), 31);
        QCOMPARE(QString::fromLatin1(speech::SpeechLanguages[22].text), s("Slovakian"));
        QCOMPARE(speech::SpeechLanguages[27].lcid, 1069); // Basque, before the three late rows
    }

    void clipboardIsLeftAloneWithoutCharacter()
    {
        platform::testing::RecordingClipboard clipboard;
        clipboard.setText(s("copied"));
        QStringList spoken;
        speech::clipboardTick(clipboard, false, [&](const QString& t) { spoken << t; });
        QVERIFY(clipboard.calls.isEmpty());
        QCOMPARE(clipboard.heldText, s("copied"));
        QVERIFY(spoken.isEmpty());
    }

    void clipboardTextIsTakenClearedAndSpoken()
    {
        platform::testing::RecordingClipboard clipboard;
        clipboard.setText(s("one\r\ntwo"));
        QStringList spoken;
        speech::clipboardTick(clipboard, true, [&](const QString& t) { spoken << t; });
        QCOMPARE(clipboard.calls, (QStringList{s("text"), s("clear")}));
        QVERIFY(clipboard.isEmpty());
        QCOMPARE(spoken, QStringList{s("one\r\ntwo")});
        // The next tick finds nothing and leaves the clipboard alone.
        speech::clipboardTick(clipboard, true, [&](const QString& t) { spoken << t; });
        QCOMPARE(clipboard.calls.last(), s("text"));
        QCOMPARE(spoken.size(), 1);
    }

    void textReadInTheBackgroundIsClearedOnlyIfStillCurrent()
    {
        platform::testing::RecordingClipboard clipboard;
        QStringList spoken;
        const auto speak = [&](const QString& t) { spoken << t; };
        clipboard.setText(s("first"));
        const platform::ClipboardRead read = clipboard.markedRead();
        clipboard.setText(s("second")); // copied while "first" was being read
        speech::takeClipboardText(clipboard, true, read, speak);
        QCOMPARE(clipboard.heldText, s("second"));
        QVERIFY(spoken.isEmpty()); // stale: the next tick takes "second"

        speech::takeClipboardText(clipboard, true, clipboard.markedRead(), speak);
        QVERIFY(clipboard.isEmpty());
        QCOMPARE(spoken, QStringList{s("second")});
    }

    void copiedPictureSurvivesTheTick()
    {
        platform::testing::RecordingClipboard clipboard;
        clipboard.setPicture();
        speech::clipboardTick(clipboard, true, [](const QString&) { QFAIL("nothing to speak"); });
        QVERIFY(clipboard.holdsOtherData);
        QCOMPARE(clipboard.calls, QStringList{s("text")});
    }

    void hugeClipboardTextIsCutAtALineBreak()
    {
        constexpr qsizetype limit = 100000;
        const QString line = QString(999, QLatin1Char('x')) + s("\r\n");
        QString huge;
        while (huge.size() <= limit)
            huge += line;
        const QString cut = speech::limitClipboardText(huge, limit);
        QVERIFY(cut.size() <= limit);
        QVERIFY(cut.size() > limit - line.size());
        QVERIFY(cut.endsWith(QLatin1Char('x')));
        // One endless line is cut at the limit, never inside a surrogate pair.
        QString emoji = s("a");
        while (emoji.size() <= limit)
            emoji += s("😀");
        const QString cutEmoji = speech::limitClipboardText(emoji, limit);
        QVERIFY(cutEmoji.size() <= limit);
        QVERIFY(!cutEmoji.back().isHighSurrogate());
        QCOMPARE(speech::limitClipboardText(s("short")), s("short"));
        QVERIFY(speech::kMaxClipboardText >= 50 * 1024 * 1024); // a 50 MB text is taken whole
    }
};

QTEST_GUILESS_MAIN(SpeakPipelineTest)
#include "SpeakPipelineTest.moc"
