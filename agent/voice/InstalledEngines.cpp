#include "agent/voice/InstalledEngines.h"

#include "agent/voice/EspeakEngine.h"
#include "agent/voice/FliteEngine.h"

namespace clipvoice::agent::voice {

std::vector<std::shared_ptr<SpeechEngine>> findInstalledEngines()
{
    std::vector<std::shared_ptr<SpeechEngine>> engines;
    // Each is found once per process and shared by every catalogue.
    if (auto flite = FliteEngine::installed()) {
        engines.push_back(std::move(flite));
    }
    if (auto mbrola = MbrolaEngine::installed()) {
        engines.push_back(std::move(mbrola));
    }
    return engines;
}

} // namespace clipvoice::agent::voice
