#include "platform/qt/ShippedPages.h"

#include "platform/qt/PlatformLog.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

namespace clipvoice::platform {

namespace shippedpages {

namespace {

const QString kResourceFolder = QStringLiteral(":/webpane");

QByteArray contentTypeOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("shtml") || suffix == QLatin1String("html"))
        return QByteArrayLiteral("text/html;charset=utf-8");
    return {};
}

// A path of plain names below the root: no empty, "." or ".." segments that
// could reach resources outside the pages' folder.
bool isPlainPath(const QString& path)
{
    if (!path.startsWith(QLatin1Char('/')))
        return false;
    const QStringList segments = path.mid(1).split(QLatin1Char('/'));
    for (const QString& segment : segments) {
        if (segment.isEmpty() || segment == QLatin1String(".") || segment == QLatin1String(".."))
            return false;
        if (segment.contains(QLatin1Char('\\')))
            return false;
    }
    return true;
}

} // namespace

Page pageFor(const QUrl& address)
{
    if (!address.isValid() ||
        address.scheme().compare(QLatin1String(kScheme), Qt::CaseInsensitive) != 0)
        return {};
    if (!address.host().isEmpty() || address.port() != -1 || !address.userInfo().isEmpty())
        return {};
    const QString path = address.path(QUrl::FullyDecoded);
    if (!isPlainPath(path))
        return {};
    const QByteArray type = contentTypeOf(path);
    if (type.isEmpty())
        return {};
    const QString resource = kResourceFolder + path;
    const QFileInfo info(resource);
    if (!info.exists() || !info.isFile())
        return {};
    return {resource, type};
}

void registerScheme()
{
    QWebEngineUrlScheme scheme(kScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    // Local: web pages cannot load or open the program's own pages, and those
    // pages may load nothing local either (not even from their own scheme),
    // so each one is self-contained. Secure: a shipped page counts as a
    // secure context, as a page over https would.
    scheme.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::SecureScheme);
    QWebEngineUrlScheme::registerScheme(scheme);
}

} // namespace shippedpages

ShippedPageSchemeHandler::ShippedPageSchemeHandler(QObject* parent)
    : QWebEngineUrlSchemeHandler(parent)
{}

void ShippedPageSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job)
{
    const QUrl address = job->requestUrl();
    if (job->requestMethod() != QByteArrayLiteral("GET")) {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    const shippedpages::Page page = shippedpages::pageFor(address);
    if (page.resource.isEmpty()) {
        qCWarning(lcPlatform).noquote() << "the web pane asked for" << address.toDisplayString()
                                        << "which the program does not carry";
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    // The job owns the file and closes it when the reply has been read.
    auto* file = new QFile(page.resource, job);
    if (!file->open(QIODevice::ReadOnly)) {
        job->fail(QWebEngineUrlRequestJob::RequestFailed);
        return;
    }
    job->reply(page.contentType, file);
}

} // namespace clipvoice::platform
