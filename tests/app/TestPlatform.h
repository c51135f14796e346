#pragma once

#include "platform/PlatformServices.h"
#include "platform/agent/testing/RecordingAgentService.h"
#include "platform/agent/testing/ScriptedRandom.h"
#include "platform/testing/FixedSystemFolders.h"
#include "platform/testing/MemorySettingsStore.h"
#include "platform/testing/RecordingAutostart.h"
#include "platform/testing/RecordingClipboard.h"
#include "platform/testing/RecordingDialogs.h"
#include "platform/testing/RecordingInstanceGuard.h"
#include "platform/testing/RecordingTrayIcon.h"
#include "platform/testing/RecordingWebPane.h"

#include <QDir>
#include <QTemporaryDir>

// Every platform service of the main window as a recording double, with an
// empty character folder in a temporary system folder.
struct TestPlatform
{
    QTemporaryDir windows;
    clipvoice::platform::testing::RecordingInstanceGuard guard;
    clipvoice::platform::testing::RecordingDialogs dialogs;
    clipvoice::platform::agent::testing::RecordingAgentService agent;
    clipvoice::platform::testing::MemorySettingsStore settings;
    clipvoice::platform::testing::RecordingClipboard clipboard;
    clipvoice::platform::testing::RecordingTrayIcon tray;
    clipvoice::platform::testing::RecordingAutostart autostart;
    clipvoice::platform::testing::FixedSystemFolders folders;
    clipvoice::platform::testing::ScriptedRandom random;

    TestPlatform()
    {
        QDir(windows.path()).mkpath(QStringLiteral("msagent/chars"));
        folders.windowsDir = windows.path();
    }

    clipvoice::platform::PlatformServices services()
    {
        clipvoice::platform::PlatformServices s;
        s.instanceGuard = &guard;
        s.dialogs = &dialogs;
        s.agent = &agent;
        s.settings = &settings;
        s.clipboard = &clipboard;
        s.tray = &tray;
        s.autostart = &autostart;
        s.folders = &folders;
        s.random = &random;
        s.createWebPane = [](QWidget* parent) {
            return new clipvoice::platform::testing::RecordingWebPane(parent);
        };
        return s;
    }
};
