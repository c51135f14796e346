// How the program ends: the chosen language is saved at every orderly end,
// whether the user quits, the window is closed, the session ends, the system
// asks the program to stop or the display goes away.

#include "app/AppLogging.h"
#include "app/Form1.h"
#include "app/LanguageSetting.h"
#include "app/UiTexts.h"
#include "platform/Dialogs.h"
#include "platform/SessionEvents.h"
#include "platform/SettingsStore.h"

#include <QComboBox>
#include <QCoreApplication>

namespace clipvoice::app {

void Form1::connectSessionEvents()
{
    platform::SessionEvents* session = m_services.session;
    if (session == nullptr)
        return;
    connect(session, &platform::SessionEvents::terminationRequested, this, &Form1::endOnRequest);
    connect(session, &platform::SessionEvents::sessionEnding, this, &Form1::saveLanguageQuietly);
    connect(session, &platform::SessionEvents::endingNow, this, &Form1::saveLanguageQuietly);
}

void Form1::endOnRequest()
{
    saveLanguageQuietly();
    // Leaves every event loop, a message box's too (a start-up failure, say,
    // whose caller then ends the program its own way), without closing the
    // window again.
    QCoreApplication::exit(0);
}

void Form1::saveLanguageQuietly()
{
    // Before start-up has restored the language there is nothing to save: a
    // refused second copy or a failed start must leave the stored value alone.
    if (!m_started || m_services.settings == nullptr)
        return;
    if (!saveLanguage(*m_services.settings, *ImageCombo1))
        qCWarning(lcApp).noquote()
            << "the chosen language was not saved:" << m_services.settings->error();
}

void Form1::saveLanguageOnClose()
{
    if (!m_started || m_services.settings == nullptr)
        return;
    if (saveLanguage(*m_services.settings, *ImageCombo1))
        return;
    const QString reason = m_services.settings->error();
    qCWarning(lcApp).noquote() << "the chosen language was not saved:" << reason;
    m_services.dialogs->error(texts::applicationTitle(),
                              texts::languageNotSaved() + QStringLiteral("\n\n") + reason);
}

} // namespace clipvoice::app
