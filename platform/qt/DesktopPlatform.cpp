#include "platform/qt/DesktopPlatform.h"

#include "platform/agent/AgentService.h"
#include "platform/agent/SeededRandom.h"
#include "platform/qt/DesktopSessionEvents.h"
#include "platform/qt/DesktopSystemFolders.h"
#include "platform/qt/IniSettingsStore.h"
#include "platform/qt/LockFileInstanceGuard.h"
#include "platform/qt/MessageBoxDialogs.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtTrayIcon.h"
#include "platform/qt/WebEnginePane.h"
#include "platform/qt/XdgAutostart.h"

namespace clipvoice::platform {

DesktopPlatform::DesktopPlatform()
    : m_instanceGuard(std::make_unique<LockFileInstanceGuard>())
    , m_dialogs(std::make_unique<MessageBoxDialogs>())
    , m_settings(std::make_unique<IniSettingsStore>())
    , m_clipboard(std::make_unique<QtClipboard>())
    , m_tray(std::make_unique<QtTrayIcon>())
    , m_autostart(std::make_unique<XdgAutostart>())
    , m_folders(std::make_unique<DesktopSystemFolders>())
    , m_random(std::make_unique<SeededRandom>())
    , m_session(std::make_unique<DesktopSessionEvents>())
{}

DesktopPlatform::~DesktopPlatform() = default;

SystemFolders& DesktopPlatform::folders()
{
    return *m_folders;
}

DesktopSessionEvents& DesktopPlatform::session()
{
    return *m_session;
}

void DesktopPlatform::setAgentService(std::unique_ptr<agent::AgentService> service)
{
    m_agent = std::move(service);
}

PlatformServices DesktopPlatform::services()
{
    PlatformServices s;
    s.instanceGuard = m_instanceGuard.get();
    s.dialogs = m_dialogs.get();
    s.agent = m_agent.get();
    s.settings = m_settings.get();
    s.clipboard = m_clipboard.get();
    s.tray = m_tray.get();
    s.autostart = m_autostart.get();
    s.folders = m_folders.get();
    s.random = m_random.get();
    s.session = m_session.get();
    s.createWebPane = [](QWidget* parent) -> WebPane* { return new WebEnginePane(parent); };
    return s;
}

} // namespace clipvoice::platform
