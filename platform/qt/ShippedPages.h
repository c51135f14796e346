#pragma once

#include <QString>
#include <QWebEngineUrlSchemeHandler>

class QUrl;

namespace clipvoice::platform {

// The pages the program carries with it, shown in the browser pane without any
// network: the address clipvoice:/PATH is the Qt resource :/webpane/PATH.
// Only HTML pages (.html, .shtml) are served, each self-contained (its styles
// and pictures inline); every other address of the scheme fails as not found.
namespace shippedpages {

inline constexpr char kScheme[] = "clipvoice";

// The resource an address names and the content type to send it with, or an
// empty resource when the address names no page the program carries.
struct Page
{
    QString resource;
    QByteArray contentType;
};
Page pageFor(const QUrl& address);

// Makes the scheme known to the browser engine. Must run before the
// application object exists.
void registerScheme();

} // namespace shippedpages

// Answers the browser engine's requests for addresses of the shipped pages'
// scheme from the program's resources.
class ShippedPageSchemeHandler final : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT

public:
    explicit ShippedPageSchemeHandler(QObject* parent = nullptr);

    void requestStarted(QWebEngineUrlRequestJob* job) override;
};

} // namespace clipvoice::platform
