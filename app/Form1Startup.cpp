// The start-up sequence of the main window: one fixed order of steps, run
// before the window is first shown.

#include "app/Form1.h"

#include "agent/timing/Scheduler.h"
#include "app/AppLogging.h"
#include "app/HomePage.h"
#include "app/LanguageKeeper.h"
#include "app/LanguageSetting.h"
#include "app/SelectionSetting.h"
#include "app/StartupError.h"
#include "app/UiTexts.h"
#include "catalogue/CatalogueBuilder.h"
#include "catalogue/CatalogueTree.h"
#include "catalogue/CharacterFolderSetup.h"
#include "catalogue/WindowsDirectory.h"
#include "platform/Clipboard.h"
#include "platform/Dialogs.h"
#include "platform/InstanceGuard.h"
#include "platform/TrayIcon.h"
#include "platform/WebPane.h"
#include "speech/SpeechLanguages.h"

#include <QComboBox>
#include <QTimer>

namespace clipvoice::app {

StartupOutcome Form1::load()
{
    if (!claimSingleInstance())
        return StartupOutcome::RefusedSecondCopy;
    addTrayIcon();
    buildCatalogueTree();
    fillLanguagePicker();
    restoreLanguage();
    restoreSelectionOption();
    navigateHomePage();
    m_started = true;
    m_language->choose(ImageCombo1->currentIndex() + 1);
    updateSelectionWatching();
    return StartupOutcome::Started;
}

bool Form1::claimSingleInstance()
{
    if (m_services.instanceGuard->claim())
        return true;
    // A refused copy must not read the clipboard while its message is up.
    Timer1->stop();
    m_services.dialogs->information(texts::applicationTitle(), texts::alreadyRunning());
    return false;
}

void Form1::addTrayIcon()
{
    // The icon's picture and tip are taken once, as they stand now; whether it
    // could be added is not examined.
    if (m_services.tray == nullptr)
        return;
    (void)m_services.tray->add(windowIcon(), windowTitle());
    m_startAtLoginOption = m_services.tray->addMenuOption(texts::startAtLoginOption());
    // Where the desktop has no primary selection the option stays in the
    // menu, disabled, saying why.
    const bool selectionSupported =
        m_services.clipboard != nullptr && m_services.clipboard->supportsSelection();
    m_readSelectionOption = m_services.tray->addMenuOption(
        selectionSupported ? texts::readSelectionOption()
                           : texts::readSelectionOption() + texts::readSelectionUnsupported());
    if (!selectionSupported)
        m_services.tray->setMenuOptionEnabled(m_readSelectionOption, false);
}

void Form1::startInTray(agent::timing::Scheduler& scheduler)
{
    if (m_services.tray == nullptr) {
        restoreFromTray();
        return;
    }
    if (m_services.tray->isAvailable())
        return;
    // The tray icon, waiting for a notification area, is shown by itself
    // when one appears; the window waits as long, then asks again.
    m_trayWaitScheduler = &scheduler;
    m_trayWait = scheduler.schedule(kTrayWaitMs, [this] {
        m_trayWait = 0;
        showUnlessTrayAppeared();
    });
}

void Form1::showUnlessTrayAppeared()
{
    if (m_services.tray->isAvailable())
        return;
    qCWarning(lcApp).noquote() << QStringLiteral(
                                      "no notification area appeared within %1 s of starting "
                                      "in the tray; the window is shown instead")
                                      .arg(kTrayWaitMs / 1000);
    restoreFromTray();
}

void Form1::buildCatalogueTree()
{
    m_catalogue = std::make_unique<catalogue::CatalogueTree>(
        *TreeView1, [this](const QString& key) { return m_imageList1.picture(key); });
    const QString folder =
        catalogue::characterFolder(catalogue::GetWindowsDir(*m_services.folders));
    catalogue::prepareCharacterFolder(*m_services.folders, folder);
    if (const std::optional<QString> error =
            catalogue::buildCatalogue(*m_catalogue, *File1, folder))
        throw StartupError(*error);
}

void Form1::fillLanguagePicker()
{
    speech::FillLanguagePicker(*ImageCombo1,
                               [this](int picture) { return m_imageList2.picture(picture); });
}

void Form1::restoreLanguage()
{
    app::restoreLanguage(*m_services.settings, *ImageCombo1);
}

void Form1::restoreSelectionOption()
{
    m_readSelection = readsSelection(*m_services.settings);
}

void Form1::navigateHomePage()
{
    WebBrowser1->navigate(homePageAddress());
}

} // namespace clipvoice::app
