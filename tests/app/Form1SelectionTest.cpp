// The tray menu's option to speak selected text too: off by default, kept in
// the settings across a restart (a damaged value reads as off), disabled with
// its reason where the desktop has no primary selection, watched only while
// clipboard watching is on; and a text selected, spoken and then copied is
// spoken once, the clipboard still being emptied.

#include "TestPlatform.h"
#include "agent/timing/testing/ManualScheduler.h"
#include "app/Form1.h"
#include "speech/SelectionWatcher.h"

#include <QCheckBox>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace clipvoice;
using agent::timing::testing::ManualScheduler;
using speech::SelectionWatcher;

namespace {
QString s(const char* text)
{
    return QString::fromUtf8(text);
}
const QString kStored = QStringLiteral("clipvoice/q7a/readSelection");
constexpr int kOption = 1; // after "start at login"
} // namespace

class Form1SelectionTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<ManualScheduler> m_clock;
    std::unique_ptr<app::Form1> m_form;

    platform::testing::RecordingTrayIcon& tray() { return m_platform->tray; }
    platform::testing::RecordingClipboard& clipboard() { return m_platform->clipboard; }

    void start()
    {
        m_form.reset();
        tray().options.clear(); // a new run fills a new menu
        m_form = std::make_unique<app::Form1>(m_platform->services(), m_clock.get());
        QCOMPARE(m_form->load(), app::StartupOutcome::Started);
    }

    void loadCharacter()
    {
        m_form->LoadCharacter(s("Merlin.acs"));
        QVERIFY(m_form->isCharacterLoaded());
        m_form->findChild<QCheckBox*>(s("Check2"))->setChecked(false); // no gestures
        m_platform->agent.clear();
    }

    QStringList spoken() { return m_platform->agent.lines(s("Speak")); }

    void settle() { m_clock->advance(3 * SelectionWatcher::kSettleMs); }

private slots:
    void init()
    {
        m_platform = std::make_unique<TestPlatform>();
        QFile character(m_platform->windows.filePath(s("msagent/chars/Merlin.acs")));
        QVERIFY(character.open(QIODevice::WriteOnly));
        m_clock = std::make_unique<ManualScheduler>();
    }

    void cleanup()
    {
        m_form.reset();
        QCOMPARE(m_clock->pendingCount(), 0);
        m_platform.reset();
    }

    void theOptionIsOffByDefaultAndKeptAcrossARestart()
    {
        start();
        QCOMPARE(tray().options.size(), 2);
        QCOMPARE(tray().options[kOption].text, s("選択したテキストも読み上げる"));
        QVERIFY(tray().options[kOption].enabled);
        tray().pressRight();
        QVERIFY(!tray().options[kOption].checked);
        QVERIFY(!m_form->isWatchingSelection());
        QVERIFY(!m_platform->settings.values.contains(kStored));

        tray().choose(kOption);
        QVERIFY(m_form->isWatchingSelection());
        QCOMPARE(m_platform->settings.values.value(kStored), s("1"));

        start(); // the next run
        QVERIFY(m_form->isWatchingSelection());
        tray().pressRight();
        QVERIFY(tray().options[kOption].checked);
        tray().choose(kOption);
        QVERIFY(!m_form->isWatchingSelection());
        QCOMPARE(m_platform->settings.values.value(kStored), s("0"));
        QVERIFY(m_platform->dialogs.shown.isEmpty());
    }

    void aDamagedValueReadsAsOff_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("on");
        QTest::newRow("one") << s("1") << true;
        QTest::newRow("blanks") << s(" 1 ") << true;
        QTest::newRow("zero") << s("0") << false;
        QTest::newRow("word") << s("true") << false;
        QTest::newRow("number") << s("12") << false;
        QTest::newRow("garbage") << s("\x01\xef\xbf\xbd") << false;
        QTest::newRow("empty") << QString() << false;
    }
    void aDamagedValueReadsAsOff()
    {
        QFETCH(QString, stored);
        QFETCH(bool, on);
        m_platform->settings.values.insert(kStored, stored);
        start();
        QCOMPARE(m_form->isWatchingSelection(), on);
    }

    void withoutAPrimarySelectionTheOptionIsDisabledAndSaysWhy()
    {
        clipboard().selectionSupported = false;
        m_platform->settings.values.insert(kStored, s("1")); // chosen on another desktop
        start();
        QCOMPARE(tray().options[kOption].text,
                 s("選択したテキストも読み上げる（このデスクトップにはありません）"));
        QVERIFY(!tray().options[kOption].enabled);
        QVERIFY(!m_form->isWatchingSelection());
        tray().choose(kOption);
        QCOMPARE(m_platform->settings.values.value(kStored), s("1")); // left as it was
        QCOMPARE(clipboard().selectionReads, 0);
    }

    void aStoreThatRefusesIsReported()
    {
        start();
        m_platform->settings.refuseWrites = true;
        tray().choose(kOption);
        QVERIFY(m_form->isWatchingSelection()); // for this run all the same
        QCOMPARE(m_platform->dialogs.shown.size(), 1);
        QVERIFY2(m_platform->dialogs.shown.first().text.startsWith(
                     s("選択したテキストの読み上げの設定を保存できませんでした。")),
                 qPrintable(m_platform->dialogs.shown.first().text));
    }

    void theSelectionIsWatchedOnlyWithTheClipboard()
    {
        m_platform->settings.values.insert(kStored, s("1"));
        start();
        loadCharacter();
        QVERIFY(m_form->isWatchingSelection());
        auto* box = m_form->findChild<QCheckBox*>(s("Check1"));
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(!m_form->findChild<QTimer*>(s("Timer1"))->isActive());
        QVERIFY(!m_form->isWatchingSelection());
        const int reads = clipboard().selectionReads;
        clipboard().select(s("not watched"));
        settle();
        QCOMPARE(clipboard().selectionReads, reads);
        QVERIFY(spoken().isEmpty());

        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(m_form->isWatchingSelection());
        m_clock->runDue(); // what is selected now is only compared with
        clipboard().select(s("watched"));
        settle();
        QCOMPARE(spoken(), QStringList{s("Speak(\"watched\", omitted) -> ok")});
        QCOMPARE(clipboard().selectedText, s("watched"));
    }

    void aSelectedTextThatIsCopiedIsSpokenOnce()
    {
        m_platform->settings.values.insert(kStored, s("1"));
        start();
        loadCharacter();
        m_clock->runDue();
        clipboard().select(s("pick me"));
        settle();
        QCOMPARE(spoken(), QStringList{s("Speak(\"pick me\", omitted) -> ok")});

        clipboard().setText(s("pick me"));
        QMetaObject::invokeMethod(m_form->findChild<QTimer*>(s("Timer1")), "timeout");
        QVERIFY(clipboard().isEmpty()); // taken as ever
        QCOMPARE(spoken().size(), 1);   // but not said again

        clipboard().setText(s("pick me")); // copied once more: heard again
        QMetaObject::invokeMethod(m_form->findChild<QTimer*>(s("Timer1")), "timeout");
        QCOMPARE(spoken().size(), 2);
    }
};

QTEST_MAIN(Form1SelectionTest)
#include "Form1SelectionTest.moc"
