#pragma once

#include "agent/voice/PcmAudio.h"
#include "agent/voice/WaveHeader.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Decodes the sounds characters carry (RIFF/WAVE in PCM, MS ADPCM, IMA ADPCM,
// GSM 6.10, A-law, mu-law, G.721, MPEG layer 3 or float) into 16-bit mono PCM
// at the sound's own rate, with libsndfile. Safe to call from any thread.
namespace clipvoice::agent::voice {

struct SoundLimits
{
    // Longer sounds are cut here: no frame sound is near it, and it bounds the
    // memory and time a sound can cost (5 minutes at 48 kHz is 28 MB).
    qint64 maxMilliseconds = 5 * 60 * 1000;
    // And at this many bytes of decoded samples, whatever the sample rate.
    qsizetype maxBytes = qsizetype{32} << 20;
};

struct DecodedSound
{
    PcmAudio audio; // 16-bit mono at the sound's own rate; empty on failure
    std::optional<WaveHeader> header;
    QString error;          // why the sound cannot be played; empty when it can
    bool truncated = false; // longer than the limit, and cut there

    bool ok() const { return error.isEmpty(); }
};

// Whether sounds of this format tag are decoded at all.
bool hasSoundDecoder(quint16 formatTag);

DecodedSound decodeSound(const QByteArray& wave, const SoundLimits& limits = {});

} // namespace clipvoice::agent::voice
