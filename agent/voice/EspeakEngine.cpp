#include "agent/voice/EspeakEngine.h"

#include "agent/voice/LanguageVoices.h"
#include "agent/voice/MouthShapes.h"
#include "agent/voice/VoiceRanking.h"

#include <espeak-ng/speak_lib.h>

#include <QList>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace clipvoice::agent::voice {

namespace {

std::mutex& libraryLock()
{
    static std::mutex lock;
    return lock;
}

// Set up once; -1 when the library could not start (no data found).
int g_sampleRate = 0;

struct CallbackContext
{
    SynthesisSink* sink = nullptr;
    const std::atomic_bool* cancel = nullptr;
    // UTF-16 offset of each code point of the text, plus one past the end.
    QList<int> codePointOffsets;
    int lastShape = -1;
};

int offsetOf(const CallbackContext& context, int codePoint)
{
    const auto& offsets = context.codePointOffsets;
    const auto index = std::clamp<qsizetype>(codePoint, 0, offsets.size() - 1);
    return offsets.at(index);
}

int synthCallback(short* wav, int sampleCount, espeak_EVENT* events)
{
    if (!events) {
        return 0;
    }
    auto* context = static_cast<CallbackContext*>(events->user_data);
    if (!context) {
        return 0;
    }
    for (const espeak_EVENT* event = events; event->type != espeakEVENT_LIST_TERMINATED; ++event) {
        // espeak-ng also reports empty words at clause ends; they say nothing.
        if (event->type == espeakEVENT_WORD && event->length > 0) {
            // text_position counts code points from 1.
            const int startPoint = event->text_position - 1;
            const int start = offsetOf(*context, startPoint);
            const int end = offsetOf(*context, startPoint + std::max(event->length, 0));
            context->sink->word(WordTiming{start, end - start, event->audio_position});
        } else if (event->type == espeakEVENT_PHONEME) {
            const QString phoneme = QString::fromUtf8(
                event->id.string, static_cast<qsizetype>(strnlen(event->id.string, 8)));
            const int shape = MouthShapes::fromEspeakPhoneme(phoneme);
            if (shape != context->lastShape) {
                context->sink->mouth(MouthTiming{event->audio_position, shape});
                context->lastShape = shape;
            }
        }
    }
    if (wav && sampleCount > 0) {
        context->sink->samples(QByteArray(reinterpret_cast<const char*>(wav),
                                          static_cast<qsizetype>(sampleCount) * 2));
    }
    return context->cancel->load() ? 1 : 0;
}

bool initialiseLocked(QString* error)
{
    if (g_sampleRate == 0) {
        const int rate =
            espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 100, nullptr,
                              espeakINITIALIZE_PHONEME_EVENTS | espeakINITIALIZE_DONT_EXIT);
        g_sampleRate = rate > 0 ? rate : -1;
        if (rate > 0) {
            espeak_SetSynthCallback(&synthCallback);
        }
    }
    if (g_sampleRate < 0 && error) {
        *error = QStringLiteral("espeak-ng could not start (is espeak-ng-data installed?)");
    }
    return g_sampleRate > 0;
}

} // namespace

QString EspeakEngine::name() const
{
    return QStringLiteral("espeak-ng");
}

bool EspeakEngine::supportsLanguage(qint32 lcid) const
{
    return !LanguageVoices::espeakVoice(lcid).isEmpty();
}

QList<VoiceInfo> EspeakEngine::voices() const
{
    QList<VoiceInfo> result;
    for (const qint32 lcid : LanguageVoices::supportedLanguages()) {
        const QString id = LanguageVoices::espeakVoice(lcid);
        const auto same = std::find_if(result.begin(), result.end(),
                                       [&id](const VoiceInfo& voice) { return voice.id == id; });
        if (same != result.end()) {
            same->languages.append(lcid);
            continue;
        }
        VoiceInfo voice;
        voice.engine = name();
        voice.id = id;
        voice.label = QStringLiteral("espeak-ng (%1)").arg(id);
        voice.languages = {lcid};
        voice.quality = VoiceRanking::Espeak;
        result.append(voice);
    }
    return result;
}

int EspeakEngine::wordsPerMinute(int speed)
{
    const double rate = espeakRATE_NORMAL * SpeechSettings::rateFactor(speed);
    return std::clamp(static_cast<int>(std::lround(rate)), espeakRATE_MINIMUM, espeakRATE_MAXIMUM);
}

bool EspeakEngine::isAvailable(QString* error)
{
    const std::lock_guard guard(libraryLock());
    return initialiseLocked(error);
}

SynthesisResult EspeakEngine::synthesize(const SynthesisRequest& request, SynthesisSink& sink,
                                         const std::atomic_bool& cancel)
{
    SynthesisResult result;
    const QString voiceName =
        request.voice.isEmpty() ? LanguageVoices::espeakVoice(request.language) : request.voice;
    if (voiceName.isEmpty()) {
        result.error = QStringLiteral("no espeak-ng voice for language %1").arg(request.language);
        return result;
    }

    const std::lock_guard guard(libraryLock());
    if (!initialiseLocked(&result.error)) {
        return result;
    }
    if (espeak_SetVoiceByName(voiceName.toLatin1().constData()) != EE_OK) {
        result.error = QStringLiteral("espeak-ng has no voice \"%1\"").arg(voiceName);
        return result;
    }
    espeak_SetParameter(espeakRATE, wordsPerMinute(request.speed), 0);
    espeak_SetParameter(espeakPITCH, std::clamp(request.pitch, 0, 100), 0);

    CallbackContext context;
    context.sink = &sink;
    context.cancel = &cancel;
    const QString& text = request.text;
    context.codePointOffsets.reserve(text.size() + 1);
    for (qsizetype i = 0; i < text.size(); ++i) {
        context.codePointOffsets.append(static_cast<int>(i));
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() &&
            text.at(i + 1).isLowSurrogate()) {
            ++i;
        }
    }
    context.codePointOffsets.append(static_cast<int>(text.size()));

    sink.format(g_sampleRate);
    // Plain UTF-8 text: neither SSML nor [[phoneme]] input is enabled, so markup
    // in copied text is read out, never obeyed.
    const QByteArray utf8 = text.toUtf8();
    const espeak_ERROR status =
        espeak_Synth(utf8.constData(), static_cast<size_t>(utf8.size()) + 1, 0, POS_CHARACTER, 0,
                     espeakCHARS_UTF8, nullptr, &context);
    if (cancel.load()) {
        result.cancelled = true;
        return result;
    }
    if (status != EE_OK) {
        result.error = QStringLiteral("espeak-ng failed to synthesise (%1)").arg(int{status});
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace clipvoice::agent::voice
