// The selection watcher on a hand-driven clock: a selection is spoken once,
// after two equal reads a pause apart; a drag that keeps changing is not
// spoken until it stops; the same text is not spoken twice in a row; nothing
// is read while watching is off or no character is loaded; the selection is
// never changed; a text selected, spoken and then copied is spoken once.

#include "speech/SelectionWatcher.h"
#include "agent/timing/testing/ManualScheduler.h"
#include "platform/testing/RecordingClipboard.h"
#include "speech/ClipboardWatcher.h"

#include <QTest>

#include <memory>

using namespace clipvoice;
using agent::timing::testing::ManualScheduler;
using platform::testing::RecordingClipboard;
using speech::SelectionWatcher;

namespace {
constexpr qint64 kSettle = SelectionWatcher::kSettleMs;
constexpr qint64 kCheck = SelectionWatcher::kQuietCheckMs;
} // namespace

class SelectionWatcherTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<RecordingClipboard> m_clipboard;
    std::unique_ptr<ManualScheduler> m_clock;
    std::unique_ptr<SelectionWatcher> m_watcher;
    QStringList m_spoken;
    bool m_loaded = true;

    // Watching switched on with `selected` already selected.
    void startWatching(const QString& selected = QString())
    {
        m_clipboard->selectedText = selected;
        m_watcher->setWatching(true);
        m_clock->runDue();
    }

private slots:
    void init()
    {
        m_clipboard = std::make_unique<RecordingClipboard>();
        m_clock = std::make_unique<ManualScheduler>();
        m_spoken.clear();
        m_loaded = true;
        m_watcher = std::make_unique<SelectionWatcher>(
            *m_clipboard, *m_clock, [this] { return m_loaded; },
            [this](const QString& text) { m_spoken.append(text); });
    }

    void cleanup()
    {
        // The selection is only ever read.
        QVERIFY(m_clipboard->calls.isEmpty());
        m_watcher.reset();
        QCOMPARE(m_clock->pendingCount(), 0);
        QVERIFY(!m_clipboard->selectionChanged); // no longer told of changes
    }

    void aSettledSelectionIsSpokenOnce()
    {
        startWatching(QStringLiteral("selected before"));
        QCOMPARE(m_clipboard->selectionReads, 1);

        m_clipboard->select(QStringLiteral("hello"));
        m_clock->advance(kSettle - 1);
        QVERIFY(m_spoken.isEmpty()); // the notice waits a pause before reading
        m_clock->advance(1);
        QVERIFY(m_spoken.isEmpty()); // one read: not yet known to stay
        m_clock->advance(kSettle);
        QCOMPARE(m_spoken, QStringList{QStringLiteral("hello")});

        // Quiet checks find the same text: it is not spoken again. They end
        // a while after the last change, and a selection that stays costs
        // nothing more.
        m_clock->advance(SelectionWatcher::kFollowMs);
        QCOMPARE(m_spoken.size(), 1);
        QCOMPARE(m_clipboard->selectedText, QStringLiteral("hello"));
        QVERIFY(m_clipboard->selectionReads > 5);
        const int reads = m_clipboard->selectionReads;
        m_clock->advance(100 * kCheck);
        QCOMPARE(m_clipboard->selectionReads, reads);
        QCOMPARE(m_clock->pendingCount(), 0);
    }

    void theSelectionFoundAtTheStartIsNotSpoken()
    {
        startWatching(QStringLiteral("old selection"));
        m_clock->advance(3 * kCheck);
        QVERIFY(m_spoken.isEmpty());
    }

    void aDragIsSpokenOnlyWhenItStops()
    {
        startWatching();
        // A program that takes the selection at every move of the mouse.
        const QString word = QStringLiteral("dragging");
        for (int i = 1; i <= word.size(); ++i) {
            m_clipboard->select(word.left(i));
            m_clock->advance(kSettle / 4);
        }
        QCOMPARE(m_clipboard->selectionReads, 1); // only the first, at the start
        m_clock->advance(2 * kSettle);
        QCOMPARE(m_spoken, QStringList{word});

        // One that keeps the selection and changes its text in place: the
        // quiet check finds it, and it is spoken once it stops changing.
        m_clipboard->changeSelectionQuietly(QStringLiteral("in"));
        m_clock->advance(kCheck);
        m_clipboard->changeSelectionQuietly(QStringLiteral("in place"));
        m_clock->advance(kSettle);
        QCOMPARE(m_spoken.size(), 1);
        m_clock->advance(kSettle);
        QCOMPARE(m_spoken.last(), QStringLiteral("in place"));
        QCOMPARE(m_spoken.size(), 2);
    }

    void theSameTextIsNotSpokenTwiceInARow()
    {
        startWatching();
        m_clipboard->select(QStringLiteral("one"));
        m_clock->advance(3 * kSettle);
        m_clipboard->select(QString()); // nothing selected for a while
        m_clock->advance(3 * kSettle);
        m_clipboard->select(QStringLiteral("one"));
        m_clock->advance(3 * kSettle);
        QCOMPARE(m_spoken, QStringList{QStringLiteral("one")});

        m_clipboard->select(QStringLiteral("two"));
        m_clock->advance(3 * kSettle);
        m_clipboard->select(QStringLiteral("one"));
        m_clock->advance(3 * kSettle);
        QCOMPARE(m_spoken, (QStringList{QStringLiteral("one"), QStringLiteral("two"),
                                        QStringLiteral("one")}));
    }

    void nothingIsReadWhileWatchingIsOff()
    {
        m_clipboard->select(QStringLiteral("unwatched"));
        m_clock->advance(10 * kCheck);
        QCOMPARE(m_clipboard->selectionReads, 0);
        QCOMPARE(m_clock->pendingCount(), 0);

        startWatching(QStringLiteral("unwatched"));
        m_watcher->setWatching(false);
        const int reads = m_clipboard->selectionReads;
        m_clipboard->select(QStringLiteral("after switching off"));
        m_clock->advance(10 * kCheck);
        QCOMPARE(m_clipboard->selectionReads, reads);
        QVERIFY(m_spoken.isEmpty());
        QVERIFY(!m_watcher->takeCopied(QStringLiteral("unwatched")));
    }

    void nothingIsReadOrSpokenWithoutACharacter()
    {
        m_loaded = false;
        startWatching(QStringLiteral("before"));
        m_clipboard->select(QStringLiteral("with no character"));
        m_clock->advance(5 * kCheck);
        QCOMPARE(m_clipboard->selectionReads, 0);
        QCOMPARE(m_clock->pendingCount(), 0);

        // Once one is loaded, what was selected without one is not spoken;
        // the next selection is.
        m_loaded = true;
        m_clock->advance(5 * kCheck);
        QVERIFY(m_spoken.isEmpty());
        m_clipboard->select(QStringLiteral("with a character"));
        m_clock->advance(2 * kSettle);
        QCOMPARE(m_spoken, QStringList{QStringLiteral("with a character")});

        // Unloaded while a selection settles: nothing more is read.
        m_clipboard->select(QStringLiteral("settling"));
        m_loaded = false;
        m_clock->advance(5 * kCheck);
        QCOMPARE(m_spoken.size(), 1);
        QCOMPARE(m_clock->pendingCount(), 0);
    }

    void aSelectionMadeRightAfterALoadIsSpoken()
    {
        m_loaded = false;
        startWatching(QStringLiteral("before"));
        m_loaded = true;
        // Selected before the watcher looked again: still a new selection.
        m_clipboard->select(QStringLiteral("just after the load"));
        m_clock->advance(2 * kSettle);
        QCOMPARE(m_spoken, QStringList{QStringLiteral("just after the load")});
    }

    void aCharacterUnloadedDuringTheReadHearsNothing()
    {
        startWatching();
        m_clipboard->select(QStringLiteral("first read"));
        m_clock->advance(kSettle);
        m_loaded = false;
        m_clock->advance(kSettle);
        QVERIFY(m_spoken.isEmpty());
    }

    void aTextSelectedThenCopiedIsSpokenOnce()
    {
        startWatching();
        m_clipboard->select(QStringLiteral("select and copy"));
        m_clock->advance(2 * kSettle);
        QCOMPARE(m_spoken.size(), 1);
        // The clipboard's tick takes the copy: it is not spoken again...
        QVERIFY(m_watcher->takeCopied(QStringLiteral("select and copy")));
        // ...but copying it once more is a wish to hear it.
        QVERIFY(!m_watcher->takeCopied(QStringLiteral("select and copy")));
        QVERIFY(!m_watcher->takeCopied(QStringLiteral("something else")));

        // Copied before the selection settled: the clipboard speaks it, and
        // the selection does not say it again.
        QVERIFY(!m_watcher->takeCopied(QStringLiteral("quick copy")));
        m_clipboard->select(QStringLiteral("quick copy"));
        m_clock->advance(3 * kSettle);
        QCOMPARE(m_spoken.size(), 1);
    }

    void failedReadsAreTriedAgainAndLongTextsAreCut()
    {
        startWatching();
        m_clipboard->failSelectionReads = true;
        m_clipboard->select(QStringLiteral("slow owner"));
        m_clock->advance(3 * kSettle);
        QVERIFY(m_spoken.isEmpty());
        QVERIFY(m_clipboard->selectionReads >= 3);
        m_clipboard->failSelectionReads = false;
        m_clock->advance(3 * kSettle);
        QCOMPARE(m_spoken, QStringList{QStringLiteral("slow owner")});

        // An owner that never answers is asked less and less often: at most
        // once every kLongestRetryMs in the end.
        m_clipboard->failSelectionReads = true;
        m_clipboard->select(QStringLiteral("silent owner"));
        m_clock->advance(60000);
        const int failing = m_clipboard->selectionReads;
        m_clock->advance(10 * SelectionWatcher::kLongestRetryMs);
        QCOMPARE(m_clipboard->selectionReads, failing + 10);
        m_clipboard->failSelectionReads = false;
        m_clipboard->select(QStringLiteral("answered again")); // a new owner
        m_clock->advance(2 * kSettle);
        QCOMPARE(m_spoken.last(), QStringLiteral("answered again"));

        // A very long selection is cut as a copied text is, and read again
        // only when a new one is announced.
        const QString huge = QStringLiteral("line\r\n").repeated(speech::kMaxClipboardText / 6 + 1);
        m_clipboard->select(huge);
        m_clock->advance(2 * kSettle);
        QCOMPARE(m_spoken.size(), 3);
        QCOMPARE(m_spoken.last(), speech::limitClipboardText(huge));
        QVERIFY(m_spoken.last().size() < huge.size());
        const int reads = m_clipboard->selectionReads;
        m_clock->advance(10 * kCheck);
        QCOMPARE(m_clipboard->selectionReads, reads);
    }
};

QTEST_GUILESS_MAIN(SelectionWatcherTest)
#include "SelectionWatcherTest.moc"
