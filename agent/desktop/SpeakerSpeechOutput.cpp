#include "agent/desktop/SpeakerSpeechOutput.h"

#include "agent/ui/ServiceSettings.h"
#include "agent/ui/UserDictionary.h"
#include "agent/voice/Speaker.h"

#include <algorithm>

namespace clipvoice::agent::desktop {

using voice::Speaker;

SpeakerSpeechOutput::SpeakerSpeechOutput(std::unique_ptr<Speaker> speaker,
                                         const ui::ServiceSettings& settings, Trace trace,
                                         const ui::UserDictionary* dictionary)
    : m_speaker(std::move(speaker))
    , m_settings(settings)
    , m_dictionary(dictionary)
    , m_trace(std::move(trace))
{
    // The speaker signals from the event loop, never from inside speak() or
    // stop() for a line still listened to, as the engine requires.
    QObject::connect(m_speaker.get(), &Speaker::lineStarted, &m_connections,
                     [this](int id, const QString& engine, const QString& voice) {
                         if (id != m_line)
                             return;
                         m_voice = voice.isEmpty() ? engine : engine + QLatin1Char('/') + voice;
                         if (m_trace)
                             m_trace(QStringLiteral("speech voice: %1").arg(m_voice));
                     });
    QObject::connect(m_speaker.get(), &Speaker::wordReached, &m_connections,
                     [this](int id, int offset, int length) {
                         if (id == m_line && m_listener != nullptr) {
                             ++m_words;
                             m_listener->wordReached(offset, length);
                         }
                     });
    QObject::connect(m_speaker.get(), &Speaker::mouthShapeChanged, &m_connections,
                     [this](int shape) {
                         if (m_line != 0 && m_listener != nullptr) {
                             ++m_mouthChanges;
                             m_listener->mouthShape(shape);
                         }
                     });
    QObject::connect(m_speaker.get(), &Speaker::lineFinished, &m_connections,
                     [this](int id, Speaker::Outcome, const QString&) {
                         if (id != m_line || m_listener == nullptr)
                             return;
                         if (m_trace)
                             m_trace(
                                 QStringLiteral("speech ended: %1, %2 words, %3 mouth changes")
                                     .arg(m_voice.isEmpty() ? QStringLiteral("no voice") : m_voice)
                                     .arg(m_words)
                                     .arg(m_mouthChanges));
                         engine::SpeechListener* listener = m_listener;
                         m_line = 0;
                         m_listener = nullptr;
                         listener->finished();
                     });
}

SpeakerSpeechOutput::~SpeakerSpeechOutput()
{
    m_line = 0;
    m_listener = nullptr;
}

bool SpeakerSpeechOutput::canSpeak(qint32 languageId) const
{
    return m_speaker->supportsLanguage(languageId);
}

int SpeakerSpeechOutput::speedForRate(int rate)
{
    return std::clamp(50 + rate * 5, 0, 100);
}

int SpeakerSpeechOutput::pitchForSetting(int pitch)
{
    return std::clamp(50 + pitch * 5, 0, 100);
}

void SpeakerSpeechOutput::applySettings(qint32 languageId)
{
    const ui::ServiceOptions& options = m_settings.options();
    m_speaker->setSpeed(speedForRate(options.speechRate));
    m_speaker->setPitch(pitchForSetting(options.speechPitch));
    m_speaker->setSpokenOutputEnabled(options.speechEnabled);
    m_speaker->setVoiceChoice(languageId, options.voices.value(languageId));
    m_speaker->setReading(options.readingRules, m_dictionary ? m_dictionary->entries() : nullptr);
}

voice::LineRequest SpeakerSpeechOutput::requestFor(const QString& text, qint32 languageId)
{
    applySettings(languageId);
    return m_speaker->requestFor(text, languageId);
}

void SpeakerSpeechOutput::speak(const QString& text, qint32 languageId,
                                engine::SpeechListener& listener)
{
    applySettings(languageId);
    m_listener = nullptr;
    m_line = 0;
    m_voice.clear();
    m_words = 0;
    m_mouthChanges = 0;
    if (m_trace) {
        // The voice, speed and pitch the line is planned with, and what the
        // engine is given when reading rewrites it; worked out again here,
        // only for the trace.
        const voice::LineRequest request = m_speaker->requestFor(text, languageId);
        const voice::VoiceSelection selection =
            m_speaker->catalog()->select(languageId, request.voice);
        m_trace(QStringLiteral("speech settings: voice %1, speed %2, pitch %3")
                    .arg(selection.engine ? selection.voice.key() : QStringLiteral("none"))
                    .arg(request.speed)
                    .arg(request.pitch));
        if (request.reading) {
            QString spoken = request.reading->rewrite(text).text;
            spoken.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
            m_trace(QStringLiteral("speech reading: %1").arg(spoken));
        }
    }
    const int line = m_speaker->speak(text, languageId);
    m_line = line;
    m_listener = &listener;
}

void SpeakerSpeechOutput::cancel()
{
    // Forget the line first: stopping reports it finished, which the engine
    // must no longer hear about.
    m_line = 0;
    m_listener = nullptr;
    m_speaker->stop();
}

} // namespace clipvoice::agent::desktop
