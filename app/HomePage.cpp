#include "app/HomePage.h"

#include <QtGlobal>

namespace clipvoice::app {

QUrl builtInHomePageAddress()
{
    return QUrl(QStringLiteral(CLIPVOICE_BUILTIN_HOME_URL));
}

QUrl homePageAddress()
{
    const QString configured = qEnvironmentVariable("CLIPVOICE_HOME_URL").trimmed();
    if (!configured.isEmpty()) {
        const QUrl address(configured, QUrl::StrictMode);
        if (address.isValid() && !address.isRelative())
            return address;
    }
    return builtInHomePageAddress();
}

} // namespace clipvoice::app
