// The start-up sequence: a first copy starts and opens the home page; a
// second copy is refused with its message and touches nothing.

#include "TestPlatform.h"
#include "app/Form1.h"
#include "app/HomePage.h"

#include <QComboBox>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

using namespace clipvoice;
using platform::testing::RecordingDialogs;
using platform::testing::RecordingWebPane;

class StartupTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestPlatform> m_platform;

    std::unique_ptr<app::Form1> makeForm()
    {
        return std::make_unique<app::Form1>(m_platform->services());
    }

    static RecordingWebPane* pane(app::Form1& form)
    {
        return form.findChild<RecordingWebPane*>(QStringLiteral("WebBrowser1"));
    }

private slots:
    void init()
    {
        m_platform = std::make_unique<TestPlatform>();
        qunsetenv("CLIPVOICE_HOME_URL");
    }

    void firstCopyStartsAndOpensHomePage()
    {
        qputenv("CLIPVOICE_HOME_URL", "http://127.0.0.1:8123/003a/gear.shtml");
        auto form = makeForm();
        QCOMPARE(form->load(), app::StartupOutcome::Started);
        QCOMPARE(m_platform->guard.claims, 1);
        QVERIFY(m_platform->dialogs.shown.isEmpty());
        QCOMPARE(pane(*form)->navigations,
                 QList<QUrl>{QUrl(QStringLiteral("http://127.0.0.1:8123/003a/gear.shtml"))});
        QVERIFY(form->findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
        // Start-up does not show the window; the caller does afterwards.
        QVERIFY(!form->isVisible());
    }

    void secondCopyIsRefusedAndTouchesNothing()
    {
        m_platform->guard.otherCopyRunning = true;
        auto form = makeForm();
        QCOMPARE(form->load(), app::StartupOutcome::RefusedSecondCopy);
        QCOMPARE(m_platform->dialogs.shown.size(), 1);
        const RecordingDialogs::Shown& box = m_platform->dialogs.shown.first();
        QCOMPARE(box.kind, RecordingDialogs::Kind::Information);
        QCOMPARE(box.title, QStringLiteral("ClipVoice 1.0"));
        QCOMPARE(box.text, QStringLiteral("既に起動されています"));
        QVERIFY(pane(*form)->navigations.isEmpty());
        // Its clipboard timer must not tick.
        QVERIFY(!form->findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
        QVERIFY(!form->isVisible());
        // Nothing else of start-up ran: no tray icon, no tree, no setting read.
        QVERIFY(m_platform->tray.calls.isEmpty());
        QCOMPARE(form->findChild<QTreeWidget*>(QStringLiteral("TreeView1"))->topLevelItemCount(),
                 0);
        QCOMPARE(m_platform->settings.reads, 0);
        QVERIFY(m_platform->clipboard.calls.isEmpty());
        QVERIFY(m_platform->agent.lines().isEmpty());
    }

    void startupRunsItsStepsInOrder()
    {
        m_platform->settings.values.insert(QStringLiteral("clipvoice/q7a/lang"),
                                           QStringLiteral(" 5"));
        auto form = makeForm();
        QCOMPARE(form->load(), app::StartupOutcome::Started);
        QCOMPARE(m_platform->tray.calls, QStringList{QStringLiteral("add")});
        auto* tree = form->findChild<QTreeWidget*>(QStringLiteral("TreeView1"));
        QCOMPARE(tree->topLevelItemCount(), 2);
        QVERIFY(tree->topLevelItem(0)->isExpanded() && tree->topLevelItem(1)->isExpanded());
        auto* picker = form->findChild<QComboBox*>(QStringLiteral("ImageCombo1"));
        QCOMPARE(picker->count(), 31);
        QCOMPARE(picker->currentIndex(), 4); // " 5": Chinese (Traditional)
        QVERIFY(m_platform->agent.lines().isEmpty());
        QVERIFY(!form->isCharacterLoaded());
    }

    void homePageAddress_data()
    {
        QTest::addColumn<QByteArray>("configured");
        QTest::addColumn<QString>("expected");
        const QString builtIn = app::builtInHomePageAddress().toString();
        QTest::newRow("unset") << QByteArray() << builtIn;
        QTest::newRow("override") << QByteArray("http://localhost:9/003a/gear.shtml")
                                  << QStringLiteral("http://localhost:9/003a/gear.shtml");
        QTest::newRow("blank") << QByteArray("   ") << builtIn;
        QTest::newRow("relative") << QByteArray("003a/gear.shtml") << builtIn;
        QTest::newRow("garbage") << QByteArray("http://exa mple.org/%%") << builtIn;
    }

    void homePageAddress()
    {
        QFETCH(QByteArray, configured);
        QFETCH(QString, expected);
        if (!configured.isNull())
            qputenv("CLIPVOICE_HOME_URL", configured);
        QCOMPARE(app::homePageAddress().toString(), expected);
    }

    // Without CLIPVOICE_HOME_URL the pane opens the page the program carries,
    // whose address has the path the home page always has.
    void builtInHomePageIsTheShippedPage()
    {
        auto form = makeForm();
        QCOMPARE(form->load(), app::StartupOutcome::Started);
        QCOMPARE(pane(*form)->navigations, QList<QUrl>{app::builtInHomePageAddress()});
        const QUrl address = app::builtInHomePageAddress();
        QVERIFY(address.isValid());
        QCOMPARE(address.scheme(), QStringLiteral("clipvoice"));
        QCOMPARE(address.path(), QStringLiteral("/003a/gear.shtml"));
    }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
