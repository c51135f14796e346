#pragma once

class QUrl;
class QWidget;

namespace clipvoice::platform {

// The small browser pane of the main window. Navigation runs in the background:
// navigate() returns at once, and a page that cannot be reached shows the
// browser's own error page. The pane is a widget of the window it was created
// in, which owns it.
//
// Besides web addresses, the pane shows the pages the program carries in its
// Qt resources, with no network: the address clipvoice:/PATH shows the
// resource :/webpane/PATH, a self-contained HTML page (styles and pictures
// inline; it loads nothing else).
class WebPane
{
public:
    virtual ~WebPane() = default;

    // The pane as a widget, to place and show in the window.
    virtual QWidget* widget() = 0;
    virtual void navigate(const QUrl& address) = 0;
};

} // namespace clipvoice::platform
