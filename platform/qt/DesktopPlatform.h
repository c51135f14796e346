#pragma once

#include "platform/PlatformServices.h"

#include <memory>

namespace clipvoice::platform {

namespace agent {
class AgentService;
}

class SeededRandom;
class DesktopSessionEvents;
class DesktopSystemFolders;
class IniSettingsStore;
class LockFileInstanceGuard;
class MessageBoxDialogs;
class QtClipboard;
class QtTrayIcon;
class XdgAutostart;

// The real adapters of a desktop session, owned for the life of the program.
// Create it after the application object.
class DesktopPlatform final
{
public:
    DesktopPlatform();
    ~DesktopPlatform();

    DesktopPlatform(const DesktopPlatform&) = delete;
    DesktopPlatform& operator=(const DesktopPlatform&) = delete;

    SystemFolders& folders();
    DesktopSessionEvents& session();

    // The character service the program talks to; must be set before services().
    void setAgentService(std::unique_ptr<agent::AgentService> service);

    PlatformServices services();

private:
    std::unique_ptr<LockFileInstanceGuard> m_instanceGuard;
    std::unique_ptr<MessageBoxDialogs> m_dialogs;
    std::unique_ptr<IniSettingsStore> m_settings;
    std::unique_ptr<QtClipboard> m_clipboard;
    std::unique_ptr<QtTrayIcon> m_tray;
    std::unique_ptr<XdgAutostart> m_autostart;
    std::unique_ptr<DesktopSystemFolders> m_folders;
    std::unique_ptr<SeededRandom> m_random; // seeded from the clock
    std::unique_ptr<DesktopSessionEvents> m_session;
    std::unique_ptr<agent::AgentService> m_agent;
};

} // namespace clipvoice::platform
