#pragma once

#include <QWebEnginePage>

namespace clipvoice::platform {

// A web page that refuses everything beyond showing ordinary web pages:
// no new windows, no file pickers, no permissions, no navigation to local
// files or other non-web schemes.
class RestrictedWebPage final : public QWebEnginePage
{
    Q_OBJECT

public:
    explicit RestrictedWebPage(QWebEngineProfile* profile, QObject* parent = nullptr);

    // Schemes the pane may show: web pages, the pages the program carries
    // (whose scheme serves nothing else), plus the blank and error pages the
    // browser makes itself.
    static bool isAllowedScheme(const QString& scheme);

protected:
    QWebEnginePage* createWindow(WebWindowType type) override;
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList& oldFiles,
                            const QStringList& acceptedMimeTypes) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int lineNumber, const QString& sourceID) override;
};

} // namespace clipvoice::platform
