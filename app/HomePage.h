#pragma once

#include <QUrl>

namespace clipvoice::app {

// The page the browser pane opens at start-up: the address built into the
// program (the page it carries, app/homepage), or the one in the environment
// variable CLIPVOICE_HOME_URL when that holds a valid absolute address.
QUrl homePageAddress();

// The address built into the program.
QUrl builtInHomePageAddress();

} // namespace clipvoice::app
