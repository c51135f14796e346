// The pages the program carries: which addresses of their scheme name a page,
// and the browser pane's engine loading one with no network while refusing
// every other address of the scheme.

#include "platform/qt/ShippedPages.h"
#include "platform/qt/RestrictedWebPage.h"
#include "platform/qt/WebEnginePane.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <QWebEngineProfile>

using namespace clipvoice::platform;

class ShippedPagesTest : public QObject
{
    Q_OBJECT

private:
    QWebEngineProfile* m_profile = nullptr;

    // Loads an address in a locked-down page as the pane does; true when the
    // load succeeded. Sets the page's title.
    bool load(const QString& address, QString* title = nullptr)
    {
        RestrictedWebPage page(m_profile);
        QSignalSpy finished(&page, &QWebEnginePage::loadFinished);
        page.load(QUrl(address));
        if (!finished.wait(30000))
            return false;
        if (title != nullptr)
            *title = page.title();
        return finished.first().first().toBool();
    }

private slots:
    void initTestCase()
    {
        m_profile = new QWebEngineProfile(this);
        m_profile->installUrlSchemeHandler(shippedpages::kScheme,
                                           new ShippedPageSchemeHandler(m_profile));
    }

    void addressesNameResourcesOfKnownTypes_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("resource");
        QTest::addColumn<QByteArray>("type");
        QTest::newRow("page") << QStringLiteral("clipvoice:/pages/sample.html")
                              << QStringLiteral(":/webpane/pages/sample.html")
                              << QByteArray("text/html;charset=utf-8");
        QTest::newRow("scheme in capitals") << QStringLiteral("CLIPVOICE:/pages/sample.html")
                                            << QStringLiteral(":/webpane/pages/sample.html")
                                            << QByteArray("text/html;charset=utf-8");
        QTest::newRow("query and fragment ignored")
            << QStringLiteral("clipvoice:/pages/sample.html?a=1#top")
            << QStringLiteral(":/webpane/pages/sample.html")
            << QByteArray("text/html;charset=utf-8");
        QTest::newRow("other page type") << QStringLiteral("clipvoice:/pages/sample.shtml")
                                         << QStringLiteral(":/webpane/pages/sample.shtml")
                                         << QByteArray("text/html;charset=utf-8");
    }

    void addressesNameResourcesOfKnownTypes()
    {
        QFETCH(QString, address);
        QFETCH(QString, resource);
        QFETCH(QByteArray, type);
        const shippedpages::Page page = shippedpages::pageFor(QUrl(address));
        QCOMPARE(page.resource, resource);
        QCOMPARE(page.contentType, type);
    }

    void otherAddressesNameNothing_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("missing page") << QStringLiteral("clipvoice:/pages/missing.html");
        QTest::newRow("folder") << QStringLiteral("clipvoice:/pages");
        QTest::newRow("root") << QStringLiteral("clipvoice:/");
        QTest::newRow("unknown type") << QStringLiteral("clipvoice:/pages/notes.txt");
        QTest::newRow("style sheet") << QStringLiteral("clipvoice:/pages/sample.css");
        QTest::newRow("climbing out") << QStringLiteral("clipvoice:/pages/../pages/sample.html");
        QTest::newRow("escaped climb")
            << QStringLiteral("clipvoice:/pages/%2E%2E/pages/sample.html");
        QTest::newRow("dot segment") << QStringLiteral("clipvoice:/pages/./sample.html");
        QTest::newRow("double slash") << QStringLiteral("clipvoice:/pages//sample.html");
        QTest::newRow("relative path") << QStringLiteral("clipvoice:pages/sample.html");
        QTest::newRow("with a host") << QStringLiteral("clipvoice://pages/sample.html");
        QTest::newRow("other scheme") << QStringLiteral("http://localhost/pages/sample.html");
        QTest::newRow("resource scheme") << QStringLiteral("qrc:/webpane/pages/sample.html");
        QTest::newRow("file") << QStringLiteral("file:///etc/hostname");
    }

    void otherAddressesNameNothing()
    {
        QFETCH(QString, address);
        QVERIFY2(shippedpages::pageFor(QUrl(address)).resource.isEmpty(), qPrintable(address));
    }

    // The engine shows a shipped page through the locked-down page, and fails
    // every address the program does not carry.
    void theEngineLoadsShippedPagesOnly()
    {
        QString title;
        QVERIFY(load(QStringLiteral("clipvoice:/pages/sample.html"), &title));
        QCOMPARE(title, QStringLiteral("shipped sample"));
        QVERIFY(!load(QStringLiteral("clipvoice:/pages/missing.html")));
        QVERIFY(!load(QStringLiteral("clipvoice:/pages/notes.txt")));
    }
};

int main(int argc, char** argv)
{
    // The scheme must be known before the application object exists.
    prepareWebEngine();
    QApplication application(argc, argv);
    ShippedPagesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ShippedPagesTest.moc"
