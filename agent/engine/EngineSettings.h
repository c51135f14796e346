#pragma once

#include "agent/engine/IdleController.h"
#include "agent/engine/PacedSpeechOutput.h"

namespace clipvoice::agent::engine {

// Timings of a character's behaviour.
struct EngineSettings
{
    IdleSettings idle;
    // How long a balloon stays after its speech or thought has ended (unless the
    // character's balloon does not hide by itself).
    qint64 balloonHideDelayMs = 2000;
    // How long a thought balloon shows before Think completes, and the pace of the
    // silent voice used when no SpeechOutput is given.
    SpeechPace pace;
};

} // namespace clipvoice::agent::engine
