#include "agent/desktop/DesktopCharacterService.h"
#include "agent/timing/QtScheduler.h"
#include "app/AppLogging.h"
#include "app/DisplayPlatform.h"
#include "app/Fonts.h"
#include "app/Form1.h"
#include "app/StallWatch.h"
#include "app/StartupError.h"
#include "app/UiTexts.h"
#include "catalogue/WindowsDirectory.h"
#include "platform/Dialogs.h"
#include "platform/agent/HeadlessAgentService.h"
#include "platform/agent/TracingAgentService.h"
#include "platform/qt/DesktopPlatform.h"
#include "platform/qt/DesktopSessionEvents.h"
#include "platform/qt/WebEnginePane.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLoggingCategory>

namespace {

// Exit statuses of the program.
constexpr int kExitRefusedSecondCopy = 1;
constexpr int kExitStartupFailed = 2;

int reportStartupFailure(clipvoice::platform::Dialogs& dialogs, const QString& message)
{
    using namespace clipvoice::app;
    qCCritical(lcApp).noquote() << texts::startupFailed() + QStringLiteral(": ") + message;
    dialogs.error(texts::applicationTitle(),
                  texts::startupFailed() + QStringLiteral("\n\n") + message);
    return kExitStartupFailed;
}

// Whether the command line asks for a start hidden in the tray (--hidden, as
// the autostart entry gives). QApplication has taken out Qt's own options by
// now; anything else is ignored, with a warning.
bool startsHidden(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption hidden(QStringLiteral("hidden"),
                                    QStringLiteral("Start hidden in the notification area."));
    parser.addOption(hidden);
    if (!parser.parse(arguments))
        qCWarning(lcApp).noquote() << "ignored on the command line:" << parser.errorText();
    return parser.isSet(hidden);
}

} // namespace

int main(int argc, char** argv)
{
    using namespace clipvoice;

    app::choosePlatformPlugin(argc, argv);
    platform::prepareWebEngine();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("clipvoice"));
    QApplication::setApplicationDisplayName(app::texts::applicationTitle());
    QApplication::setApplicationVersion(QStringLiteral(CLIPVOICE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("clipvoice"));
    // The program lives in the tray: closing its last visible window (the
    // character's property sheet while the main window is hidden) must not
    // end it. Only quitting or closing the main window does.
    QApplication::setQuitOnLastWindowClosed(false);
    app::registerFontSubstitutions();
    // Qt WebEngine reports its graphics set-up at every start; users need not see it.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));

    platform::DesktopPlatform desktop;
    // Characters load from the catalogue's folder. CLIPVOICE_AGENT=headless
    // swaps the character engine for a service without windows or sound,
    // which performs every request at once (for tests).
    const QString characterFolder =
        catalogue::characterFolder(catalogue::GetWindowsDir(desktop.folders()));
    std::unique_ptr<platform::agent::AgentService> characters;
    if (qEnvironmentVariable("CLIPVOICE_AGENT") == QLatin1String("headless"))
        characters = std::make_unique<platform::agent::HeadlessAgentService>(characterFolder);
    else
        characters = agent::desktop::createDesktopCharacterService(
            characterFolder, qEnvironmentVariable(platform::agent::traceVariable));
    desktop.setAgentService(platform::agent::traceIfRequested(std::move(characters)));
    const platform::PlatformServices services = desktop.services();
    const bool hidden = startsHidden(QCoreApplication::arguments());
    agent::timing::QtScheduler scheduler; // outlives the window, which may wait on it
    app::Form1 form(services, &scheduler);
    try {
        if (form.load() == app::StartupOutcome::RefusedSecondCopy) {
            qCCritical(lcApp).noquote() << app::texts::alreadyRunning();
            return kExitRefusedSecondCopy;
        }
    } catch (const app::StartupError& error) {
        return reportStartupFailure(*services.dialogs, error.message());
    } catch (const std::exception& error) {
        return reportStartupFailure(*services.dialogs, QString::fromLocal8Bit(error.what()));
    }
    if (hidden)
        form.startInTray(scheduler);
    else
        form.show();
    desktop.session().watchForAbruptExit();
    // Benchmarks measure how long the window's thread is ever held up.
    std::unique_ptr<app::StallWatch> stallWatch;
    if (const QString log = qEnvironmentVariable("CLIPVOICE_STALL_LOG"); !log.isEmpty())
        stallWatch = std::make_unique<app::StallWatch>(log);
    return application.exec();
}
