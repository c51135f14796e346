#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

#include "agent/voice/SpeechEngine.h"

// US English through Flite, loaded at run time (libflite.so.1 and one library
// per voice) so that one build serves machines with and without it. Flite
// builds one utterance per call and knows the exact time of every word and
// phone before the first audio, so words and mouths come from its timing.
// Audio is handed on while it is made and stops when the stream callback says
// so. Flite reads text bytewise as ASCII: accented Latin letters are written
// without their accents, and a piece with letters of other scripts is
// refused, so that espeak-ng reads it instead. Flite keeps global state: every
// call into it goes through one lock.
namespace clipvoice::agent::voice {

class FliteEngine final : public SpeechEngine
{
public:
    struct Paths
    {
        QByteArray library = "libflite.so.1";
        // "%1" stands for the voice's name (slt, kal16 ...).
        QByteArray voiceLibrary = "libflite_cmu_us_%1.so.1";
    };

    // The engine of this machine, made on first use and kept for the life of
    // the process; null when the library or every voice is missing.
    static std::shared_ptr<FliteEngine> installed();
    // An engine from `paths`, sharing what is already loaded from the same
    // paths; null when the library or every voice is missing, with the reason
    // in `problem` and one line in the log.
    static std::shared_ptr<FliteEngine> load(const Paths& paths, QString* problem = nullptr);

    QString name() const override;
    bool supportsLanguage(qint32 lcid) const override;
    // slt, rms, awb (a Scottish speaker), kal16 and kal (8 kHz): all read with
    // Flite's US English lexicon and rules, so all are offered for US English
    // only.
    QList<VoiceInfo> voices() const override { return m_voices; }
    // A 300-character sentence takes about 0.1 s before its first audio.
    int maxChunkLength() const override { return 300; }
    // The diphone voices (kal16, kal) give their audio only once the piece is
    // done, and Flite's intonation is best a sentence at a time: lines are cut
    // at every sentence.
    bool streamsAudio() const override { return false; }
    bool reportsPhonemes() const override { return true; }
    SynthesisResult synthesize(const SynthesisRequest& request, SynthesisSink& sink,
                               const std::atomic_bool& cancel) override;

    // Text as Flite is given it: printable ASCII only, with the place in the
    // original text of the character each byte came from.
    struct Text
    {
        QByteArray ascii;
        QList<int> origin;    // UTF-16 offset where each byte's character starts
        QList<int> originEnd; // and where it ends
        // Letters or digits with no ASCII form (Cyrillic, Han ...): Flite
        // would spell them as noise.
        int foreignLetters = 0;
    };
    // Accented Latin letters lose their accents (é → e, ß → ss, ø → o),
    // typographic quotes and dashes become ASCII ones, white space and
    // control characters (NUL included) become spaces, and other symbols are
    // dropped (a space). Markup is kept as text: Flite reads it out.
    static Text prepareText(const QString& text);

    // The mouth shape (0..6) for one of Flite's US English phones ("aa",
    // "hh", "pau" ...).
    static int mouthShapeForPhone(const QByteArray& phone);

    struct Library;

private:
    explicit FliteEngine(std::shared_ptr<Library> library);

    std::shared_ptr<Library> m_library;
    QList<VoiceInfo> m_voices;
};

} // namespace clipvoice::agent::voice
