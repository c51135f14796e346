#pragma once

#include "agent/engine/SpeechOutput.h"
#include "agent/voice/LineSynthesis.h"

#include <QObject>

#include <functional>

#include <memory>

namespace clipvoice::agent::voice {
class Speaker;
}
namespace clipvoice::agent::ui {
class ServiceSettings;
class UserDictionary;
} // namespace clipvoice::agent::ui

namespace clipvoice::agent::desktop {

// A character's voice: each utterance is one line for the voice layer's
// speaker, in the language the character was given. The user's speed, pitch,
// voice, spoken-output and reading settings, and the pronunciation
// dictionary, apply from the next utterance.
class SpeakerSpeechOutput final : public engine::SpeechOutput
{
public:
    // Writes a line to the trace: which voice speaks each utterance, the
    // text it is given when reading rewrites it, and how many words and
    // mouth changes it had.
    using Trace = std::function<void(const QString& line)>;

    SpeakerSpeechOutput(std::unique_ptr<voice::Speaker> speaker,
                        const ui::ServiceSettings& settings, Trace trace = {},
                        const ui::UserDictionary* dictionary = nullptr);
    ~SpeakerSpeechOutput() override;

    bool canSpeak(qint32 languageId) const override;
    void speak(const QString& text, qint32 languageId, engine::SpeechListener& listener) override;
    void cancel() override;

    // The request the speaker would make for a line in the language now, with
    // the user's settings applied as speak() applies them.
    voice::LineRequest requestFor(const QString& text, qint32 languageId);

    // The speaker's speed (0 to 100, 50 normal) for the user's rate (-10 to 10).
    static int speedForRate(int rate);
    // The speaker's pitch (0 to 100, 50 the voice's own) for the user's pitch
    // (-10 to 10).
    static int pitchForSetting(int pitch);

    voice::Speaker& speaker() { return *m_speaker; }

private:
    void applySettings(qint32 languageId);

    std::unique_ptr<voice::Speaker> m_speaker;
    const ui::ServiceSettings& m_settings;
    const ui::UserDictionary* m_dictionary;
    QObject m_connections;
    int m_line = 0; // the line being listened to; 0 for none
    engine::SpeechListener* m_listener = nullptr;
    Trace m_trace;
    QString m_voice; // of the line being listened to, once it started
    int m_words = 0;
    int m_mouthChanges = 0;
};

} // namespace clipvoice::agent::desktop
