#pragma once

#include <QUrl>
#include <QWidget>

namespace clipvoice::platform {

// The small browser pane of the main window. Navigation runs in the background:
// navigate() returns at once, and a page that cannot be reached shows the
// browser's own error page.
class WebPane : public QWidget
{
    Q_OBJECT

public:
    using QWidget::QWidget;

    virtual void navigate(const QUrl& address) = 0;
};

} // namespace clipvoice::platform
