#include "agent/voice/InstalledEngines.h"

#include "agent/voice/PicoEngine.h"
#include "agent/voice/RhvoiceEngine.h"

namespace clipvoice::agent::voice {

std::vector<std::shared_ptr<SpeechEngine>> findInstalledEngines()
{
    std::vector<std::shared_ptr<SpeechEngine>> engines;
    // Each is found once per process and shared by every catalogue.
    if (auto rhvoice = RhvoiceEngine::installed()) {
        engines.push_back(std::move(rhvoice));
    }
    if (auto pico = PicoEngine::installed()) {
        engines.push_back(std::move(pico));
    }
    return engines;
}

} // namespace clipvoice::agent::voice
