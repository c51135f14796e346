#include "agent/voice/VoiceTypes.h"

#include <algorithm>
#include <cmath>

namespace clipvoice::agent::voice {

int SpeechSettings::speedFromWordsPerMinute(int wordsPerMinute)
{
    if (wordsPerMinute <= 0) {
        return 50;
    }
    const double value = 50.0 + 50.0 * std::log2(static_cast<double>(wordsPerMinute) / 175.0);
    return std::clamp(static_cast<int>(std::lround(value)), 0, 100);
}

double SpeechSettings::rateFactor(int speed)
{
    const int clamped = std::clamp(speed, 0, 100);
    return std::exp2((clamped - 50) / 50.0);
}

double SpeechSettings::pitchFactor(int pitch)
{
    const int clamped = std::clamp(pitch, 0, 100);
    return std::exp2((clamped - 50) / 100.0);
}

} // namespace clipvoice::agent::voice
