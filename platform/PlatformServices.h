#pragma once

#include <functional>

class QWidget;

namespace clipvoice::platform {

namespace agent {
class AgentService;
}

class Autostart;
class Clipboard;
class Dialogs;
class InstanceGuard;
class RandomSource;
class SessionEvents;
class SettingsStore;
class SystemFolders;
class TrayIcon;
class WebPane;

// Everything the program reaches outside itself, handed to the main window at
// construction. The desktop build fills it with real adapters; tests fill it
// with recording doubles. The services outlive the window.
struct PlatformServices
{
    InstanceGuard* instanceGuard = nullptr;
    Dialogs* dialogs = nullptr;
    agent::AgentService* agent = nullptr;
    SettingsStore* settings = nullptr;
    Clipboard* clipboard = nullptr;
    TrayIcon* tray = nullptr;
    Autostart* autostart = nullptr;
    SystemFolders* folders = nullptr;
    RandomSource* random = nullptr;
    SessionEvents* session = nullptr; // may be absent: then only quitting ends the program
    // Creates the browser pane as a child of the given parent.
    std::function<WebPane*(QWidget* parent)> createWebPane;
};

} // namespace clipvoice::platform
