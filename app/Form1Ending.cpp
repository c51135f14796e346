// How the program ends: the chosen language is saved at every orderly end,
// whether the user quits, the window is closed, the session ends, the system
// asks the program to stop or the display goes away.

#include "app/AppLogging.h"
#include "app/Form1.h"
#include "app/LanguageKeeper.h"
#include "app/UiTexts.h"
#include "platform/Dialogs.h"
#include "platform/SessionEvents.h"

#include <QComboBox>
#include <QCoreApplication>

namespace clipvoice::app {

namespace {

void saveQuietly(LanguageKeeper& keeper)
{
    QString error;
    if (!keeper.save(&error))
        qCWarning(lcApp).noquote() << "the chosen language was not saved:" << error;
}

} // namespace

void Form1::connectSessionEvents()
{
    // The keeper follows the picker from the moment start-up has restored it.
    connect(ImageCombo1, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_started)
            m_language->choose(index + 1);
    });
    platform::SessionEvents* session = m_services.session;
    if (session == nullptr)
        return;
    connect(session, &platform::SessionEvents::terminationRequested, this, &Form1::endOnRequest);
    connect(session, &platform::SessionEvents::sessionEnding, this,
            [this] { saveQuietly(*m_language); });
    // Raised on whatever thread ends the program, perhaps while this window
    // is being torn down: the keeper alone is used, and outlives the window.
    connect(
        session, &platform::SessionEvents::endingNow, session,
        [keeper = m_language] { saveQuietly(*keeper); }, Qt::DirectConnection);
}

void Form1::endOnRequest()
{
    saveQuietly(*m_language);
    // Leaves every event loop, a message box's too (a start-up failure, say,
    // whose caller then ends the program its own way), without closing the
    // window again.
    QCoreApplication::exit(0);
}

void Form1::saveLanguageOnClose()
{
    QString error;
    if (m_language->save(&error))
        return;
    qCWarning(lcApp).noquote() << "the chosen language was not saved:" << error;
    m_services.dialogs->error(texts::applicationTitle(),
                              texts::languageNotSaved() + QStringLiteral("\n\n") + error);
}

} // namespace clipvoice::app
