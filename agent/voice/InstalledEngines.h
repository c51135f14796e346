#pragma once

#include "agent/voice/SpeechEngine.h"

#include <memory>
#include <vector>

// The speech engines beyond espeak-ng and Open JTalk that this machine has:
// each is a library loaded at run time, so one build serves machines with and
// without it. An engine whose library or voices are missing is left out.
namespace clipvoice::agent::voice {

std::vector<std::shared_ptr<SpeechEngine>> findInstalledEngines();

} // namespace clipvoice::agent::voice
