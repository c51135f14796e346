#include "platform/qt/WebEnginePane.h"

#include "platform/qt/PlatformLog.h"
#include "platform/qt/RestrictedWebPage.h"
#include "platform/qt/ShippedPages.h"

#include <QCoreApplication>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <unistd.h>

namespace clipvoice::platform {

WebEnginePane::WebEnginePane(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

WebEnginePane::~WebEnginePane()
{
    // The page must go before the profile it was made with.
    delete m_view;
    m_view = nullptr;
    m_page = nullptr;
}

void WebEnginePane::createView()
{
    // Made at the first page, not with the window: a copy of the program that
    // is refused at start never starts the browser engine's processes.
    // A profile without a storage name is off the record: nothing is written to disk.
    m_profile = new QWebEngineProfile(this);
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    connect(m_profile, &QWebEngineProfile::downloadRequested, this,
            [](QWebEngineDownloadRequest* download) { download->cancel(); });
    // The pages the program carries, served from its resources.
    m_profile->installUrlSchemeHandler(shippedpages::kScheme, new ShippedPageSchemeHandler(this));

    m_view = new QWebEngineView(this);
    m_page = new RestrictedWebPage(m_profile, m_view);
    m_view->setPage(m_page);
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    layout()->addWidget(m_view);
    setFocusProxy(m_view);
    // Which page the pane ended up showing, for the log (and the tests that read it).
    connect(m_view, &QWebEngineView::loadFinished, this, [this](bool ok) {
        const QString address = m_view->url().toDisplayString();
        if (ok)
            qCInfo(lcPlatform).noquote()
                << QStringLiteral("web pane shows \"%1\" from %2").arg(m_view->title(), address);
        else
            qCWarning(lcPlatform).noquote() << "web pane could not load" << address;
    });
}

void WebEnginePane::navigate(const QUrl& address)
{
    if (m_view == nullptr)
        createView();
    m_view->setUrl(address);
}

void prepareWebEngine()
{
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    shippedpages::registerScheme();
}

} // namespace clipvoice::platform
