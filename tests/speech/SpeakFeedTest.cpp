// The speak feed hands long texts to the character a slice at a time, making
// exactly the calls the whole text would make at once, in order; the next
// slice waits until the character has begun the last line of the one before;
// what was not handed over is dropped on a cancel or when the character was
// stopped.

#include "speech/SpeakFeed.h"
#include "platform/agent/testing/RecordingAgentService.h"

#include <QTest>

using namespace clipvoice;
using platform::agent::CharacterPtr;
using platform::agent::RequestPtr;
using platform::agent::testing::RecordingAgentService;

namespace {

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

// `count` numbered lines separated by CR LF.
QString numberedLines(int count, const QString& prefix = QStringLiteral("line"))
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << prefix + QString::number(i);
    return lines.join(QStringLiteral("\r\n"));
}

} // namespace

class SpeakFeedTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<RecordingAgentService> m_agent;
    RequestPtr m_last;
    int m_scheduled = 0; // slices asked for and not yet run

    speech::SpeakContext context()
    {
        speech::SpeakContext c;
        c.character = m_agent->characters().item(s("clipvoice")).value();
        c.selectedLanguage = 2; // English (US)
        c.lastRequest = &m_last;
        return c;
    }

    std::unique_ptr<speech::SpeakFeed> makeFeed()
    {
        return std::make_unique<speech::SpeakFeed>([this](int) { ++m_scheduled; });
    }

    // Runs the slices the feed asks for until it has handed everything over.
    int runSlices(speech::SpeakFeed& feed)
    {
        int slices = 0;
        while (m_scheduled > 0) {
            --m_scheduled;
            ++slices;
            feed.continueFeeding();
        }
        return slices;
    }

    QStringList speechLines() const { return m_agent->lines().filter(s("Speak(")); }

private slots:
    void init()
    {
        m_agent = std::make_unique<RecordingAgentService>();
        (void)m_agent->characters().load(s("clipvoice"), s("Merlin.acs"));
        m_agent->clear();
        m_last.reset();
        m_scheduled = 0;
    }

    void shortTextIsHandedOverWithinTheCall()
    {
        auto feed = makeFeed();
        feed->speak(s("one\r\ntwo"), context());
        QCOMPARE(m_scheduled, 0);
        QVERIFY(!feed->isFeeding());
        QCOMPARE(m_agent->lines().last(), s("Hide(omitted) -> ok"));
        QCOMPARE(speechLines().size(), 2);
    }

    void longTextMakesTheSameCallsAsAllAtOnceInSlices()
    {
        const QString text = numberedLines(5000) + s("\r\n\r\nlast");
        speech::SpeakText(text, context());
        const QStringList atOnce = m_agent->lines();
        m_agent->clear();
        (void)m_agent->characters().item(s("clipvoice")).value()->hide();
        m_agent->clear();

        auto feed = makeFeed();
        feed->speak(text, context());
        // Only the first slice is handed over within the call.
        QCOMPARE(speechLines().size(), speech::SpeakFeed::SliceBudget.lines);
        QCOMPARE(m_scheduled, 1);
        // 5,002 pieces: the first slice went within the call.
        const int slice = speech::SpeakFeed::SliceBudget.lines;
        QCOMPARE(runSlices(*feed), (5002 + slice - 1) / slice - 1);
        QCOMPARE(m_agent->lines(), atOnce);
        QVERIFY(m_last != nullptr);
        QVERIFY(!feed->isFeeding());
    }

    void veryLongLinesEndASliceEarlyButOneIsAlwaysHandedOver()
    {
        const QString huge(speech::SpeakFeed::SliceBudget.characters * 2, QLatin1Char('a'));
        auto feed = makeFeed();
        feed->speak(huge + s("\r\nshort"), context());
        QCOMPARE(speechLines().size(), 1);
        QCOMPARE(runSlices(*feed), 1);
        QCOMPARE(speechLines().size(), 2);
    }

    void laterTextsWaitForEveryLineOfEarlierOnes()
    {
        auto feed = makeFeed();
        feed->speak(numberedLines(3000), context());
        feed->speak(s("second text"), context());
        feed->speak(s("third text"), context());
        runSlices(*feed);
        const QStringList spoken = speechLines();
        QCOMPARE(spoken.size(), 3002);
        QCOMPARE(spoken.at(2999), s("Speak(\"line3000\", omitted) -> ok"));
        QCOMPARE(spoken.at(3000), s("Speak(\"second text\", omitted) -> ok"));
        QCOMPARE(spoken.at(3001), s("Speak(\"third text\", omitted) -> ok"));
    }

    void cancelDropsWhatWasNotHandedOver()
    {
        auto feed = makeFeed();
        feed->speak(numberedLines(5000), context());
        feed->speak(s("queued behind"), context());
        feed->cancel();
        runSlices(*feed);
        QCOMPARE(speechLines().size(), speech::SpeakFeed::SliceBudget.lines);
        QVERIFY(!m_agent->lines().filter(s("Hide(")).size());
        QVERIFY(!feed->isFeeding());

        // The feed works on after a cancel.
        feed->speak(s("afterwards"), context());
        QCOMPARE(speechLines().last(), s("Speak(\"afterwards\", omitted) -> ok"));
    }

    void aFailingTextEndsAloneAndTheNextOneIsSpoken()
    {
        m_agent->fail(s("Speak")).forArgument(s("line2500")).times(1);
        auto feed = makeFeed();
        feed->speak(numberedLines(3000), context());
        feed->speak(s("next text"), context());
        runSlices(*feed);
        const QStringList spoken = speechLines();
        QCOMPARE(spoken.size(), 2501);
        QCOMPARE(spoken.last(), s("Speak(\"next text\", omitted) -> ok"));
    }

    void nextSliceWaitsUntilTheCharacterBeganTheLastLine()
    {
        m_agent->setRequestStatus(platform::agent::RequestStatus::Pending);
        auto feed = makeFeed();
        feed->speak(numberedLines(5000), context());
        QCOMPARE(m_scheduled, 1);
        feed->continueFeeding();
        feed->continueFeeding();
        QCOMPARE(m_scheduled, 3); // it looked twice, and asked to look again each time
        QCOMPARE(speechLines().size(), speech::SpeakFeed::SliceBudget.lines);
        QVERIFY(feed->isFeeding());

        m_agent->setRequestStatus(platform::agent::RequestStatus::InProgress);
        feed->continueFeeding();
        QCOMPARE(speechLines().size(), 2 * speech::SpeakFeed::SliceBudget.lines);
        m_agent->setRequestStatus(platform::agent::RequestStatus::Done);
        runSlices(*feed);
        QCOMPARE(speechLines().size(), 5000);
        QVERIFY(!feed->isFeeding());
    }

    void aStoppedCharacterDropsTheRestOfTheTextButNotTheNextText()
    {
        auto feed = makeFeed();
        feed->speak(numberedLines(5000), context());
        feed->speak(s("next text"), context());
        m_agent->setRequestStatus(platform::agent::RequestStatus::Interrupted);
        m_scheduled = 0;
        feed->continueFeeding();
        const QStringList spoken = speechLines();
        QCOMPARE(spoken.size(), speech::SpeakFeed::SliceBudget.lines + 1);
        QCOMPARE(spoken.last(), s("Speak(\"next text\", omitted) -> ok"));
        QVERIFY(!feed->isFeeding());
    }
};

QTEST_GUILESS_MAIN(SpeakFeedTest)
#include "SpeakFeedTest.moc"
