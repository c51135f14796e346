#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Sounds in the formats characters carry, made in memory with libsndfile's
// encoders: for tests, fuzzing seeds, benchmarks and character fixtures.
namespace clipvoice::agent::voice::testing {

enum class SoundEncoding
{
    Pcm8,
    Pcm16,
    MsAdpcm,
    ImaAdpcm,
    Gsm610,
    MuLaw,
    ALaw,
    Float32
};

struct SoundSpec
{
    SoundEncoding encoding = SoundEncoding::Pcm16;
    int sampleRate = 22050;
    int channels = 1;
    int milliseconds = 500;
    double frequency = 440.0; // a sine at half of full scale
};

// A RIFF/WAVE file holding the sine; empty when libsndfile refuses these settings.
QByteArray encodeSound(const SoundSpec& spec);

// Every encoding, for loops in tests.
QList<SoundEncoding> allSoundEncodings();
QString soundEncodingName(SoundEncoding encoding);

} // namespace clipvoice::agent::voice::testing
