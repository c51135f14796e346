#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>

// The header of a RIFF/WAVE sound as a character file stores it: its format
// chunk and where its samples lie, checked against the bytes that follow.
// Reading it decides whether a sound is handed to the decoder at all, and is
// what acs-info prints.
namespace clipvoice::agent::voice {

// Format tags of the sounds characters carry.
namespace WaveTag {
inline constexpr quint16 Pcm = 0x0001;
inline constexpr quint16 MsAdpcm = 0x0002;
inline constexpr quint16 IeeeFloat = 0x0003;
inline constexpr quint16 ALaw = 0x0006;
inline constexpr quint16 MuLaw = 0x0007;
inline constexpr quint16 ImaAdpcm = 0x0011;
inline constexpr quint16 Gsm610 = 0x0031;
inline constexpr quint16 G721Adpcm = 0x0040;
inline constexpr quint16 MpegLayer3 = 0x0055;
inline constexpr quint16 Extensible = 0xFFFE;
} // namespace WaveTag

struct WaveHeader
{
    // Channels and sample rates beyond these are refused: no character sound
    // comes near them, and they would only make the decoder's work larger.
    static constexpr int MaxChannels = 16;
    static constexpr int MinSampleRate = 1000;
    static constexpr int MaxSampleRate = 384000;

    quint16 formatTag = 0; // for an extensible header, the tag of its sub-format
    bool extensible = false;
    int channels = 0;
    int sampleRate = 0;
    int blockAlign = 0;
    int bitsPerSample = 0;
    QByteArray formatChunk;   // the format chunk's body as stored (coefficients and all)
    qint64 factFrames = -1;   // samples per channel the "fact" chunk states; -1 when absent
    int samplesPerBlock = 0;  // of a block-coded format (ADPCM, GSM), as stored; 0 when not given
    qsizetype dataOffset = 0; // of the samples, from the start of the file
    qsizetype dataSize = 0;

    // Reads and checks the header. Returns nothing, with the reason in
    // `error`, when the bytes are no usable sound: not RIFF/WAVE, a chunk or
    // the samples running past the end, no format or no samples, or counts
    // out of range (no channels, 300 channels, a block size of 0).
    static std::optional<WaveHeader> read(const QByteArray& wave, QString* error = nullptr);

    // "MS ADPCM (0x0002)", "PCM 16-bit (0x0001)", "format 0x1234".
    QString describe() const;
};

// The common name of a format tag ("MS ADPCM"), or empty when unknown.
QString waveTagName(quint16 tag);
// "MS ADPCM (0x0002)", or "format 0x1C07" for an unknown tag.
QString describeWaveTag(quint16 tag);

} // namespace clipvoice::agent::voice
