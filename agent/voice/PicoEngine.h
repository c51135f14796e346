#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

#include "agent/voice/SpeechEngine.h"

// SVOX Pico through libttspico, loaded at run time so that one build serves
// machines with and without it. Pico has one female voice per language and
// gives nothing but audio: words are spread over the speech by their length
// and mouths follow the loudness. It is fast enough to make a sentence at once.
// Pico obeys tags such as <speed> or <genfile file=...> anywhere in its input
// and has no way to escape them, so every '<' of the text is replaced before
// it reaches Pico. Only one Pico engine may exist in a process: every call
// goes through one lock, and a change of language reloads the voice.
namespace clipvoice::agent::voice {

class PicoEngine final : public SpeechEngine
{
public:
    struct Setup
    {
        QByteArray library = "libttspico.so.0";
        // Where the language files (en-US_ta.bin, en-US_lh0_sg.bin ...) are.
        QString languageFolder = QStringLiteral("/usr/share/pico/lang");
    };

    // The engine of this machine, found on first use and then shared; null
    // when the library or its language files are missing.
    static std::shared_ptr<PicoEngine> installed();
    // A new engine from `setup`; null when the library or every language is
    // missing, with the reason in `problem` and one line in the log.
    static std::shared_ptr<PicoEngine> load(const Setup& setup, QString* problem = nullptr);

    QString name() const override;
    bool supportsLanguage(qint32 lcid) const override;
    // One voice per language whose two files are present.
    QList<VoiceInfo> voices() const override { return m_voices; }
    int maxChunkLength() const override { return 400; }
    bool streamsAudio() const override { return false; }
    bool reportsPhonemes() const override { return false; }
    SynthesisResult synthesize(const SynthesisRequest& request, SynthesisSink& sink,
                               const std::atomic_bool& cancel) override;

    // What Pico is given for `text`: every '<' replaced so nothing in it is a
    // tag, wrapped in our own speed and pitch tags, in UTF-8 and ended by a NUL.
    static QByteArray input(const QString& text, int speed, int pitch);
    // Pico's speed and pitch levels (100 normal) for the 0..100 settings.
    static int speedLevel(int speed);
    static int pitchLevel(int pitch);

    // The stretch of 16-bit mono audio worth keeping: from just before the
    // first sound to a short pause after the last. Empty when all is silent.
    struct Span
    {
        qsizetype firstSample = 0;
        qsizetype endSample = 0;
    };
    static Span speechSpan(const QByteArray& pcm, int sampleRate);

    // Times for the words of `text` said in `pcm`: each clause of the text
    // gets a stretch of speech between pauses when their numbers agree;
    // otherwise the words are spread over the speech, skipping the pauses.
    static QList<WordTiming> estimateWords(const QString& text, const QByteArray& pcm,
                                           int sampleRate);

    // A language whose two files are present.
    struct Language
    {
        qint32 lcid = 0;
        QString code;        // "en-US"
        QString textFile;    // its text analysis file
        QString speakerFile; // its speaker file
    };

    struct Library;

private:
    PicoEngine(std::shared_ptr<const Library> library, QList<Language> languages);
    const Language* languageFor(const SynthesisRequest& request) const;

    std::shared_ptr<const Library> m_library;
    QList<Language> m_languages;
    QList<VoiceInfo> m_voices;
};

} // namespace clipvoice::agent::voice
