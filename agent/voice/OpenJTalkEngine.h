#pragma once

#include <QList>

#include "agent/voice/OpenJTalkSetup.h"
#include "agent/voice/PcmAudio.h"
#include "agent/voice/SpeechEngine.h"

// Japanese through the open_jtalk program, run without a shell for each piece
// of text. The program writes a WAV file and a trace whose phoneme labels give
// the timing of words and mouth shapes.
namespace clipvoice::agent::voice {

struct JTalkTiming
{
    QList<WordTiming> words;
    QList<MouthTiming> mouths;
    qint64 speechStartMs = -1; // start of the first phoneme that is not silence
    qint64 speechEndMs = -1;   // end of the last phoneme that is not silence
};

class OpenJTalkEngine final : public SpeechEngine
{
public:
    explicit OpenJTalkEngine(OpenJTalkSetup setup);

    QString name() const override;
    bool supportsLanguage(qint32 lcid) const override;
    // The one HTS voice it was set up with.
    QList<VoiceInfo> voices() const override;
    // open_jtalk reads a single line of at most about 1000 bytes.
    int maxChunkLength() const override { return 200; }
    bool streamsAudio() const override { return false; }
    bool reportsPhonemes() const override { return true; }
    SynthesisResult synthesize(const SynthesisRequest& request, SynthesisSink& sink,
                               const std::atomic_bool& cancel) override;

    // Reads open_jtalk's trace: the words of its text analysis, matched to their
    // place in `text`, timed by the phoneme labels.
    static JTalkTiming parseTrace(const QString& trace, const QString& text);

    // Spreads the words of `text` over `durationMs` in proportion to their
    // length, for when no trace can be read.
    static QList<WordTiming> estimateWords(const QString& text, qint64 durationMs);

    // Cuts the long silences open_jtalk puts before and after each sentence down
    // to a short pause, moving the timing with the audio.
    static void trimSilence(PcmAudio& audio, JTalkTiming& timing);

private:
    OpenJTalkSetup m_setup;
};

} // namespace clipvoice::agent::voice
