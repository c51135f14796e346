#include "agent/voice/InstalledEngines.h"

#include "agent/voice/EspeakEngine.h"
#include "agent/voice/FliteEngine.h"
#include "agent/voice/PicoEngine.h"
#include "agent/voice/RhvoiceEngine.h"

namespace clipvoice::agent::voice {

std::vector<std::shared_ptr<SpeechEngine>> findInstalledEngines()
{
    std::vector<std::shared_ptr<SpeechEngine>> engines;
    // Each is found once per process and shared by every catalogue. The order
    // decides between voices that rank the same.
    if (auto rhvoice = RhvoiceEngine::installed()) {
        engines.push_back(std::move(rhvoice));
    }
    if (auto flite = FliteEngine::installed()) {
        engines.push_back(std::move(flite));
    }
    if (auto pico = PicoEngine::installed()) {
        engines.push_back(std::move(pico));
    }
    if (auto mbrola = MbrolaEngine::installed()) {
        engines.push_back(std::move(mbrola));
    }
    return engines;
}

} // namespace clipvoice::agent::voice
