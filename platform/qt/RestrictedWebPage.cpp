#include "platform/qt/RestrictedWebPage.h"

#include "platform/qt/ShippedPages.h"

#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineQuotaRequest>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineSettings>

namespace clipvoice::platform {

RestrictedWebPage::RestrictedWebPage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent)
{
    QWebEngineSettings* s = settings();
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
    s->setAttribute(QWebEngineSettings::AllowWindowActivationFromJavaScript, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    s->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    s->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    s->setAttribute(QWebEngineSettings::AllowGeolocationOnInsecureOrigins, false);
    s->setAttribute(QWebEngineSettings::AllowRunningInsecureContent, false);
    s->setAttribute(QWebEngineSettings::WebRTCPublicInterfacesOnly, true);

    connect(this, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl& origin, Feature feature) {
                setFeaturePermission(origin, feature, PermissionDeniedByUser);
            });
    connect(this, &QWebEnginePage::fileSystemAccessRequested, this,
            [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
            [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::quotaRequested, this,
            [](QWebEngineQuotaRequest request) { request.reject(); });
}

bool RestrictedWebPage::isAllowedScheme(const QString& scheme)
{
    const QString s = scheme.toLower();
    return s == QLatin1String("http") || s == QLatin1String("https") ||
           s == QLatin1String("about") || s == QLatin1String("data") ||
           s == QLatin1String(shippedpages::kScheme);
}

QWebEnginePage* RestrictedWebPage::createWindow(WebWindowType)
{
    return nullptr;
}

bool RestrictedWebPage::acceptNavigationRequest(const QUrl& url, NavigationType, bool)
{
    return isAllowedScheme(url.scheme());
}

QStringList RestrictedWebPage::chooseFiles(FileSelectionMode, const QStringList&,
                                           const QStringList&)
{
    return {};
}

void RestrictedWebPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                                 const QString&)
{
    // The home page's script messages are of no interest to the user.
}

} // namespace clipvoice::platform
