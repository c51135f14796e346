#include "agent/voice/InstalledEngines.h"

namespace clipvoice::agent::voice {

std::vector<std::shared_ptr<SpeechEngine>> findInstalledEngines()
{
    std::vector<std::shared_ptr<SpeechEngine>> engines;
    return engines;
}

} // namespace clipvoice::agent::voice
