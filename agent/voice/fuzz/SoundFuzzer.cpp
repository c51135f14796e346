// libFuzzer target for the decoding of the sounds characters carry: the
// header checks and libsndfile behind them. Any input must give either a
// sound within the limits or a reason; scripts/fuzz-acs runs it with memory
// and time limits.

#include "agent/voice/SoundDecoder.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

using namespace clipvoice::agent::voice;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray wave =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    SoundLimits limits;
    limits.maxMilliseconds = 60 * 1000;
    limits.maxBytes = qsizetype{8} << 20;
    const DecodedSound sound = decodeSound(wave, limits);
    if (sound.ok()) {
        const PcmAudio& audio = sound.audio;
        if (audio.samples.isEmpty() || audio.samples.size() % 2 != 0 ||
            audio.samples.size() > limits.maxBytes ||
            audio.sampleRate < WaveHeader::MinSampleRate ||
            audio.sampleRate > WaveHeader::MaxSampleRate || !sound.header)
            std::abort(); // a "success" that breaks the decoder's promises
    } else if (sound.error.isEmpty() || !sound.audio.samples.isEmpty()) {
        std::abort();
    }
    return 0;
}
