// The tray icon's menu (start at login) and a start hidden in the tray, with
// every platform service replaced by a recording double and time driven by hand.

#include "TestPlatform.h"
#include "agent/timing/testing/ManualScheduler.h"
#include "app/Form1.h"

#include <QLabel>
#include <QRegularExpression>
#include <QTest>

#include <memory>

using namespace clipvoice;
using agent::timing::testing::ManualScheduler;
using platform::testing::RecordingDialogs;

namespace {
QString s(const char* text)
{
    return QString::fromUtf8(text);
}
} // namespace

class Form1TrayTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestPlatform> m_platform;
    platform::testing::RecordingTrayIcon* m_tray = nullptr;
    platform::testing::RecordingAutostart* m_autostart = nullptr;
    std::unique_ptr<ManualScheduler> m_scheduler;
    std::unique_ptr<app::Form1> m_form;

    // A started window, not yet shown.
    void start()
    {
        m_form = std::make_unique<app::Form1>(m_platform->services());
        QCOMPARE(m_form->load(), app::StartupOutcome::Started);
    }

    void startShown()
    {
        start();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }

    bool optionChecked() const { return m_tray->options.value(0).checked; }

private slots:
    void init()
    {
        m_platform = std::make_unique<TestPlatform>();
        m_tray = &m_platform->tray;
        m_autostart = &m_platform->autostart;
        m_scheduler = std::make_unique<ManualScheduler>();
    }

    void cleanup()
    {
        m_form.reset();
        QCOMPARE(m_scheduler->pendingCount(), 0); // a wait ends with the window
        m_platform.reset();
    }

    void theMenuSwitchesStartAtLogin()
    {
        startShown();
        QCOMPARE(m_tray->options.size(), 2); // then the selection's option
        QCOMPARE(m_tray->options[0].text, s("ログイン時に起動する"));

        m_autostart->enabled = true;
        m_tray->pressRight();
        QVERIFY(optionChecked());
        m_tray->choose(0);
        QCOMPARE(m_autostart->requests, QList<bool>{false});
        QVERIFY(!m_autostart->enabled);
        QVERIFY(!optionChecked());

        m_tray->pressRight();
        m_tray->choose(0);
        QCOMPARE(m_autostart->requests, (QList<bool>{false, true}));
        QVERIFY(m_autostart->enabled);
        QVERIFY(optionChecked());
        QVERIFY(m_platform->dialogs.shown.isEmpty());
    }

    void theCheckMarkIsReadAtEveryOpening()
    {
        startShown();
        m_tray->pressRight();
        QVERIFY(!optionChecked());
        m_autostart->enabled = true; // the user wrote the entry by hand
        m_tray->pressRight();
        QVERIFY(optionChecked());
        m_autostart->enabled = false; // and removed it again
        m_tray->pressRight();
        QVERIFY(!optionChecked());
        QVERIFY(m_autostart->requests.isEmpty());
    }

    void aFailedSwitchIsShownAndTheCheckMarkTellsTheTruth()
    {
        startShown();
        m_autostart->refusal = s("cannot write /home/u/.config/autostart/clipvoice.desktop");
        m_tray->pressRight();
        QVERIFY(!optionChecked());
        m_tray->choose(0); // checks the item as the user picks it
        QCOMPARE(m_autostart->requests, QList<bool>{true});
        QVERIFY(!optionChecked());
        QCOMPARE(m_platform->dialogs.shown.size(), 1);
        const RecordingDialogs::Shown& shown = m_platform->dialogs.shown.first();
        QCOMPARE(shown.kind, RecordingDialogs::Kind::Error);
        QCOMPARE(shown.title, s("ClipVoice 1.0"));
        QVERIFY2(shown.text.startsWith(s("ログイン時の起動を切り替えられませんでした。")),
                 qPrintable(shown.text));
        QVERIFY2(shown.text.endsWith(m_autostart->refusal), qPrintable(shown.text));

        // Turning off fails the same way; the mark stays on.
        m_autostart->enabled = true;
        m_tray->pressRight();
        m_tray->choose(0);
        QVERIFY(optionChecked());
        QCOMPARE(m_platform->dialogs.shown.size(), 2);
    }

    void aRightPressStillBringsTheWindowBack()
    {
        startShown();
        const QPoint place = m_form->pos();
        QTest::mouseClick(m_form->findChild<QLabel*>(s("Label1")), Qt::LeftButton);
        QVERIFY(!m_form->isVisible());
        m_tray->pressRight();
        QVERIFY(m_form->isVisible());
        QVERIFY(!m_form->isMinimized());
        QCOMPARE(m_form->pos(), place);
        QCOMPARE(m_tray->menuOpenings, 1);
        QVERIFY(m_autostart->requests.isEmpty()); // opening the menu changes nothing
    }

    void aHiddenStartStaysInTheTrayUntilPressed()
    {
        start();
        m_form->startInTray(*m_scheduler);
        QCOMPARE(m_tray->calls, QStringList{s("add")});
        QVERIFY(m_tray->shown);
        QVERIFY(!m_form->isVisible());
        QCOMPARE(m_scheduler->pendingCount(), 0); // a tray is there: nothing to wait for
        m_scheduler->advance(2 * app::Form1::kTrayWaitMs);
        QVERIFY(!m_form->isVisible());
        m_tray->press();
        QVERIFY(m_form->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }

    void aHiddenStartWithoutATrayShowsTheWindowAfterTheWait()
    {
        m_tray->available = false;
        start();
        m_form->startInTray(*m_scheduler);
        QVERIFY(!m_form->isVisible());
        m_scheduler->advance(app::Form1::kTrayWaitMs - 1);
        QVERIFY(!m_form->isVisible());
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(s("no notification area appeared within 10 s")));
        m_scheduler->advance(1);
        QVERIFY(m_form->isVisible());
        QVERIFY(!m_form->isMinimized());
    }

    void aTrayAppearingDuringTheWaitKeepsTheWindowHidden()
    {
        m_tray->available = false;
        start();
        m_form->startInTray(*m_scheduler);
        m_scheduler->advance(3000);
        m_tray->available = true; // the panel started after the program
        m_scheduler->advance(app::Form1::kTrayWaitMs);
        QVERIFY(!m_form->isVisible());
        QCOMPARE(m_scheduler->pendingCount(), 0);
    }

    void theWaitEndsWithTheWindow()
    {
        m_tray->available = false;
        start();
        m_form->startInTray(*m_scheduler);
        QCOMPARE(m_scheduler->pendingCount(), 1);
        m_form.reset();
        QCOMPARE(m_scheduler->pendingCount(), 0);
        m_scheduler->advance(app::Form1::kTrayWaitMs);
    }
};

QTEST_MAIN(Form1TrayTest)
#include "Form1TrayTest.moc"
