#include "agent/voice/EspeakEngine.h"

#include "agent/voice/LanguageVoices.h"
#include "agent/voice/MbrolaVoices.h"
#include "agent/voice/MouthShapes.h"
#include "agent/voice/VoiceRanking.h"

#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>

#include <QList>
#include <QLoggingCategory>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <optional>

namespace clipvoice::agent::voice {

namespace {

Q_LOGGING_CATEGORY(lcMbrola, "clipvoice.voice.mbrola")

std::mutex& libraryLock()
{
    static std::mutex lock;
    return lock;
}

// Set up once; -1 when the library could not start (no data found).
int g_sampleRate = 0;

// The voice espeak-ng has selected and its sample rate, so that a voice is
// only selected again when it changes: selecting an MBROLA voice takes 8 to
// 17 ms even when it is the same one. Empty when unknown (nothing selected
// yet, or the last selection failed).
QByteArray g_selectedVoice;
int g_selectedRate = 0;

struct CallbackContext
{
    SynthesisSink* sink = nullptr;
    const std::atomic_bool* cancel = nullptr;
    const CodePoints* text = nullptr;
    int lastShape = -1;
    // Set for MBROLA voices only: plain voices report words themselves.
    MbrolaTiming* mbrola = nullptr;
    qint64 samples = 0; // handed on so far
    int sampleRate = 0;
};

void handleEvent(CallbackContext& context, const espeak_EVENT& event)
{
    // text_position counts code points from 1.
    const int startPoint = event.text_position - 1;
    if (event.type == espeakEVENT_WORD && event.length > 0) {
        // espeak-ng also reports empty words at clause ends; they say nothing.
        if (context.mbrola) {
            context.mbrola->wordAt(startPoint, event.audio_position);
            return;
        }
        const int start = context.text->offsetOf(startPoint);
        const int end = context.text->offsetOf(startPoint + std::max(event.length, 0));
        context.sink->word(WordTiming{start, end - start, event.audio_position});
    } else if (event.type == espeakEVENT_PHONEME) {
        const QString phoneme =
            QString::fromUtf8(event.id.string, static_cast<qsizetype>(strnlen(event.id.string, 8)));
        const int shape = MouthShapes::fromEspeakPhoneme(phoneme);
        if (context.mbrola) {
            context.mbrola->wordAt(startPoint, event.audio_position);
            if (shape != context.lastShape) {
                context.mbrola->mouthAt(event.audio_position, shape);
            }
        } else if (shape != context.lastShape) {
            context.sink->mouth(MouthTiming{event.audio_position, shape});
        }
        context.lastShape = shape;
    }
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
    // Once stopped, nothing more is handed on, not even this piece.
    if (context->cancel->load()) {
        return 1;
    }
    for (const espeak_EVENT* event = events; event->type != espeakEVENT_LIST_TERMINATED; ++event) {
        handleEvent(*context, *event);
    }
    if (wav && sampleCount > 0) {
        context->sink->samples(QByteArray(reinterpret_cast<const char*>(wav),
                                          static_cast<qsizetype>(sampleCount) * 2));
        context->samples += sampleCount;
    }
    if (context->mbrola) {
        context->mbrola->release(context->samples * 1000 / context->sampleRate, *context->sink);
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

// Selects `voice` unless it is selected already. After a failure nothing is
// selected as far as this code knows, and nothing may be synthesised.
bool selectVoiceLocked(const QByteArray& voice, QString* error)
{
    if (!g_selectedVoice.isEmpty() && g_selectedVoice == voice) {
        return true;
    }
    g_selectedVoice.clear();
    if (espeak_SetVoiceByName(voice.constData()) != EE_OK) {
        *error = QStringLiteral("espeak-ng has no voice \"%1\"").arg(QString::fromLatin1(voice));
        return false;
    }
    // MBROLA voices speak at their database's rate (16000 or 22050 Hz).
    const int rate = espeak_ng_GetSampleRate();
    if (rate <= 0) {
        *error = QStringLiteral("espeak-ng gave no sample rate for \"%1\"")
                     .arg(QString::fromLatin1(voice));
        return false;
    }
    g_selectedVoice = voice;
    g_selectedRate = rate;
    return true;
}

// Speaks `request` with the espeak-ng voice `voice`.
SynthesisResult synthesizeWith(const QByteArray& voice, bool mbrola,
                               const SynthesisRequest& request, SynthesisSink& sink,
                               const std::atomic_bool& cancel)
{
    SynthesisResult result;
    const std::lock_guard guard(libraryLock());
    if (!initialiseLocked(&result.error) || !selectVoiceLocked(voice, &result.error)) {
        return result;
    }
    espeak_SetParameter(espeakRATE, EspeakEngine::wordsPerMinute(request.speed), 0);
    espeak_SetParameter(espeakPITCH, std::clamp(request.pitch, 0, 100), 0);

    const CodePoints codePoints(request.text);
    std::optional<MbrolaTiming> mbrolaTiming;
    if (mbrola) {
        mbrolaTiming.emplace(codePoints);
    }
    CallbackContext context;
    context.sink = &sink;
    context.cancel = &cancel;
    context.text = &codePoints;
    context.mbrola = mbrolaTiming ? &*mbrolaTiming : nullptr;
    context.sampleRate = g_selectedRate;

    sink.format(g_selectedRate);
    // Plain UTF-8 text: neither SSML nor [[phoneme]] input is enabled, so markup
    // in copied text is read out, never obeyed.
    const QByteArray utf8 = request.text.toUtf8();
    const espeak_ERROR status =
        espeak_Synth(utf8.constData(), static_cast<size_t>(utf8.size()) + 1, 0, POS_CHARACTER, 0,
                     espeakCHARS_UTF8, nullptr, &context);
    if (cancel.load()) {
        // A stopped MBROLA voice keeps unsent audio in its pipe, which would
        // start the next line: selecting the voice again clears it.
        g_selectedVoice.clear();
        result.cancelled = true;
        return result;
    }
    if (mbrolaTiming) {
        mbrolaTiming->finish(context.samples * 1000 / g_selectedRate, sink);
    }
    if (status != EE_OK) {
        result.error = QStringLiteral("espeak-ng failed to synthesise (%1)").arg(int{status});
        return result;
    }
    result.ok = true;
    return result;
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
            std::next(same)->languages.append(lcid); // its female variant
            continue;
        }
        // espeak-ng's voices speak as a man; its "f3" variant, a woman, which
        // characters asking for a woman's voice get.
        VoiceInfo voice;
        voice.engine = name();
        voice.id = id;
        voice.label = QStringLiteral("espeak-ng (%1)").arg(id);
        voice.languages = {lcid};
        voice.gender = VoiceGender::Male;
        voice.quality = VoiceRanking::Espeak;
        result.append(voice);
        voice.id = id + QLatin1String(FemaleVariant);
        voice.label = QStringLiteral("espeak-ng (%1, female)").arg(id);
        voice.gender = VoiceGender::Female;
        voice.quality = VoiceRanking::Espeak - 1;
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

QString EspeakEngine::dataPath()
{
    const std::lock_guard guard(libraryLock());
    if (g_sampleRate == 0) {
        // Only finds the folder (0.05 ms); loading the data waits for the
        // first line, on the synthesis thread.
        espeak_ng_InitializePath(nullptr);
    }
    const char* path = nullptr;
    espeak_Info(&path);
    return path ? QString::fromLocal8Bit(path) : QString();
}

SynthesisResult EspeakEngine::synthesize(const SynthesisRequest& request, SynthesisSink& sink,
                                         const std::atomic_bool& cancel)
{
    const QString voiceName =
        request.voice.isEmpty() ? LanguageVoices::espeakVoice(request.language) : request.voice;
    if (voiceName.isEmpty()) {
        SynthesisResult result;
        result.error = QStringLiteral("no espeak-ng voice for language %1").arg(request.language);
        return result;
    }
    if (voiceName.startsWith(QLatin1String("mb-")) || voiceName.startsWith(QLatin1String("mb/"))) {
        SynthesisResult result;
        result.error =
            QStringLiteral("MBROLA voice \"%1\" asked of plain espeak-ng").arg(voiceName);
        return result;
    }
    return synthesizeWith(voiceName.toLatin1(), false, request, sink, cancel);
}

std::shared_ptr<MbrolaEngine> MbrolaEngine::installed()
{
    static const std::shared_ptr<MbrolaEngine> engine = []() -> std::shared_ptr<MbrolaEngine> {
        QString problem;
        const QList<MbrolaVoice> voices =
            MbrolaVoices::usable(MbrolaVoices::systemPlaces(EspeakEngine::dataPath()), &problem);
        if (voices.isEmpty()) {
            qCInfo(lcMbrola).noquote() << "MBROLA not used:" << problem;
            return nullptr;
        }
        qCInfo(lcMbrola).noquote() << "MBROLA:" << voices.size() << "voices";
        return std::make_shared<MbrolaEngine>(voices);
    }();
    return engine;
}

MbrolaEngine::MbrolaEngine(const QList<MbrolaVoice>& voices)
{
    for (const MbrolaVoice& mbrola : voices) {
        VoiceInfo voice;
        voice.engine = name();
        voice.id = mbrola.id;
        voice.label = mbrola.accent.isEmpty()
                          ? QStringLiteral("MBROLA (%1)").arg(mbrola.id)
                          : QStringLiteral("MBROLA (%1, %2)").arg(mbrola.id, mbrola.accent);
        voice.languages = {mbrola.language};
        voice.gender = mbrola.gender;
        voice.quality = VoiceRanking::Mbrola;
        m_voices.append(voice);
    }
}

QString MbrolaEngine::name() const
{
    return QStringLiteral("MBROLA");
}

bool MbrolaEngine::supportsLanguage(qint32 lcid) const
{
    return std::any_of(m_voices.begin(), m_voices.end(),
                       [lcid](const VoiceInfo& voice) { return voice.speaks(lcid); });
}

SynthesisResult MbrolaEngine::synthesize(const SynthesisRequest& request, SynthesisSink& sink,
                                         const std::atomic_bool& cancel)
{
    // Only a voice found usable is ever selected.
    const auto voice =
        std::find_if(m_voices.begin(), m_voices.end(), [&request](const VoiceInfo& info) {
            return request.voice.isEmpty() ? info.speaks(request.language)
                                           : info.id == request.voice;
        });
    if (voice == m_voices.end()) {
        SynthesisResult result;
        result.error =
            request.voice.isEmpty()
                ? QStringLiteral("no MBROLA voice for language %1").arg(request.language)
                : QStringLiteral("MBROLA voice \"%1\" is not installed").arg(request.voice);
        return result;
    }
    return synthesizeWith("mb-" + voice->id.toLatin1(), true, request, sink, cancel);
}

} // namespace clipvoice::agent::voice
