#pragma once

#include "platform/WebPane.h"

#include <QWidget>

class QWebEngineProfile;
class QWebEngineView;

namespace clipvoice::platform {

class RestrictedWebPage;

// The browser pane, built on Qt WebEngine and locked down: web content cannot
// open windows or pop-ups, read local files, download anything or be granted
// any permission, and the pane keeps no cookies or cache on disk. The pages the
// program carries come from its resources (ShippedPages.h).
class WebEnginePane final : public QWidget, public WebPane
{
    Q_OBJECT

public:
    explicit WebEnginePane(QWidget* parent = nullptr);
    ~WebEnginePane() override;

    QWidget* widget() override { return this; }
    void navigate(const QUrl& address) override;

    // Null until the first navigate().
    QWebEngineView* view() const { return m_view; }

private:
    void createView();

    QWebEngineProfile* m_profile = nullptr;
    RestrictedWebPage* m_page = nullptr;
    QWebEngineView* m_view = nullptr;
};

// Must run before the application object exists: Chromium's sandbox cannot run
// as root, so it is switched off only in that case.
void prepareWebEngine();

} // namespace clipvoice::platform
