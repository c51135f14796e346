#pragma once

#include <QString>

#include <memory>

namespace clipvoice::platform::agent {
class AgentService;
}

namespace clipvoice::agent::desktop {

// The character service of a desktop session: our engine with characters in
// their own windows, balloons, voices and sound effects, the pop-up menu and
// the property sheet (whose settings live in the service's own file). When
// `tracePath` is not empty, the start and end of every request are appended
// to that file.
std::unique_ptr<platform::agent::AgentService>
createDesktopCharacterService(const QString& characterFolder, const QString& tracePath = {});

} // namespace clipvoice::agent::desktop
