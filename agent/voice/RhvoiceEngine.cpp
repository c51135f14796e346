#include "agent/voice/RhvoiceEngine.h"

#include "agent/voice/MouthShapes.h"
#include "agent/voice/RequestCheck.h"
#include "agent/voice/RuntimeLibrary.h"
#include "agent/voice/TextChunker.h"
#include "agent/voice/VoiceLog.h"
#include "agent/voice/VoiceRanking.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include <dlfcn.h>

namespace clipvoice::agent::voice {

namespace {

// The parts of RHVoice's C interface (RHVoice.h, version 1.8) this engine
// uses, declared here so that the library's development files are not needed
// to build. Enumerations are passed as int, as C does.
struct RhvCallbacks
{
    int (*setSampleRate)(int rate, void* userData);
    int (*playSpeech)(const short* samples, unsigned count, void* userData);
    int (*processMark)(const char* name, void* userData);
    int (*wordStarts)(unsigned position, unsigned length, void* userData);
    int (*wordEnds)(unsigned position, unsigned length, void* userData);
    int (*sentenceStarts)(unsigned position, unsigned length, void* userData);
    int (*sentenceEnds)(unsigned position, unsigned length, void* userData);
    int (*playAudio)(const char* source, void* userData);
    void (*done)(void* userData);
};

struct RhvInitParams
{
    const char* dataPath;
    const char* configPath;
    const char** resourcePaths;
    RhvCallbacks callbacks;
    unsigned options;
};

struct RhvVoiceInfo
{
    const char* language;
    const char* name;
    int gender; // 0 unknown, 1 male, 2 female
    const char* country;
};

struct RhvSynthParams
{
    const char* voiceProfile;
    double absoluteRate;
    double absolutePitch;
    double absoluteVolume;
    double relativeRate;
    double relativePitch;
    double relativeVolume;
    int punctuationMode; // 0 the voice's default
    const char* punctuationList;
    int capitalsMode; // 0 the voice's default
    int flags;
};

// The library's own sizes on 64-bit systems, as a check on the layouts above.
static_assert(sizeof(void*) != 8 || sizeof(RhvCallbacks) == 72);
static_assert(sizeof(void*) != 8 || sizeof(RhvInitParams) == 104);
static_assert(sizeof(void*) != 8 || sizeof(RhvVoiceInfo) == 32);
static_assert(sizeof(void*) != 8 || sizeof(RhvSynthParams) == 80);

constexpr int RhvMessageText = 0; // plain text: no markup is obeyed
constexpr int RhvMale = 1;
constexpr int RhvFemale = 2;

std::mutex& libraryLock()
{
    static std::mutex lock;
    return lock;
}

// Mouth shapes from the loudness of audio that arrives in pieces, in whole
// steps so that the pieces' edges do not show.
class StreamedMouths
{
public:
    static constexpr int StepMs = 40;

    void start(int sampleRate, qint64 atMs)
    {
        m_rate = sampleRate;
        m_startMs = atMs;
        m_doneSamples = 0;
        m_pending.clear();
    }

    void add(const QByteArray& pcm, SynthesisSink& sink)
    {
        m_pending.append(pcm);
        const qsizetype stepBytes = std::max<qsizetype>(2, qsizetype{m_rate} * StepMs / 1000 * 2);
        const qsizetype whole = m_pending.size() / stepBytes * stepBytes;
        if (whole > 0) {
            emitShapes(m_pending.left(whole), sink);
            m_pending.remove(0, whole);
        }
    }

    // Shapes for what is left, and the mouth closed once the audio ends.
    void finish(SynthesisSink& sink)
    {
        if (!m_pending.isEmpty()) {
            emitShapes(m_pending, sink);
            m_pending.clear();
        }
        if (m_lastShape > 0 && m_rate > 0) {
            sink.mouth(MouthTiming{m_startMs + m_doneSamples * 1000 / m_rate, 0});
            m_lastShape = 0;
        }
    }

private:
    void emitShapes(const QByteArray& pcm, SynthesisSink& sink)
    {
        if (m_rate <= 0) {
            return;
        }
        const qint64 atMs = m_startMs + m_doneSamples * 1000 / m_rate;
        const QList<MouthTiming> shapes =
            MouthShapes::fromSamples(pcm, m_rate, atMs, StepMs, m_lastShape);
        for (const MouthTiming& shape : shapes) {
            sink.mouth(shape);
        }
        if (!shapes.isEmpty()) {
            m_lastShape = shapes.last().shape;
        }
        m_doneSamples += pcm.size() / 2;
    }

    int m_rate = 0;
    qint64 m_startMs = 0;
    qint64 m_doneSamples = 0;
    int m_lastShape = -1;
    QByteArray m_pending;
};

// What the callbacks of one message work with.
struct MessageContext
{
    SynthesisSink* sink = nullptr;
    const std::atomic_bool* cancel = nullptr;
    const QString* text = nullptr;
    // UTF-16 offset of each byte of the UTF-8 text, plus one past the end.
    QList<int> unitOfByte;
    int rate = 0;
    qint64 playedSamples = 0;  // at `rate`
    qint64 playedMsBefore = 0; // audio at an earlier rate, if the rate changed
    qint64 lastWordMs = 0;
    // Words announced for the coming audio, placed once it is heard.
    QList<WordTiming> pendingWords;
    int heldPieces = 0;
    StreamedMouths mouths;
    QString failure;

    qint64 playedMs() const
    {
        return playedMsBefore + (rate > 0 ? playedSamples * 1000 / rate : 0);
    }
};

// Pieces of silence a word may wait through for its sound to start.
constexpr int MaxHeldPieces = 3;

char32_t codePointAt(const QString& text, qsizetype i)
{
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
        return QChar::surrogateToUcs4(c, text.at(i + 1));
    }
    return c.unicode();
}

char32_t codePointBefore(const QString& text, qsizetype end)
{
    const QChar c = text.at(end - 1);
    if (c.isLowSurrogate() && end >= 2 && text.at(end - 2).isHighSurrogate()) {
        return QChar::surrogateToUcs4(text.at(end - 2), c);
    }
    return c.unicode();
}

int unitsOf(char32_t codePoint)
{
    return codePoint > 0xFFFF ? 2 : 1;
}

// RHVoice counts quotes and punctuation next to a word as part of it; the
// balloon shows the word itself. A word of symbols only is kept whole.
WordTiming trimmedWord(const QString& text, int start, int end)
{
    int from = start;
    int to = end;
    while (from < to && !QChar::isLetterOrNumber(codePointAt(text, from))) {
        from += unitsOf(codePointAt(text, from));
    }
    while (to > from && !QChar::isLetterOrNumber(codePointBefore(text, to))) {
        to -= unitsOf(codePointBefore(text, to));
    }
    if (from >= to) {
        return WordTiming{start, end - start, 0};
    }
    return WordTiming{from, to - from, 0};
}

QList<int> utf16UnitOfEachUtf8Byte(const QString& text)
{
    QList<int> table;
    table.reserve(text.size() * 3 + 1);
    for (qsizetype i = 0; i < text.size();) {
        const char32_t codePoint = codePointAt(text, i);
        const int bytes = codePoint < 0x80      ? 1
                          : codePoint < 0x800   ? 2
                          : codePoint < 0x10000 ? 3
                                                : 4;
        for (int b = 0; b < bytes; ++b) {
            table.append(static_cast<int>(i));
        }
        i += unitsOf(codePoint);
    }
    table.append(static_cast<int>(text.size()));
    return table;
}

void emitPendingWords(MessageContext& context, qint64 atMs)
{
    for (WordTiming word : std::as_const(context.pendingWords)) {
        word.timeMs = std::max(atMs, context.lastWordMs);
        context.lastWordMs = word.timeMs;
        context.sink->word(word);
    }
    context.pendingWords.clear();
    context.heldPieces = 0;
}

int onSampleRate(int rate, void* userData)
{
    auto* context = static_cast<MessageContext*>(userData);
    if (rate <= 0) {
        context->failure = QStringLiteral("RHVoice reported a sample rate of %1").arg(rate);
        return 0;
    }
    if (rate != context->rate) {
        context->mouths.finish(*context->sink);
        context->playedMsBefore = context->playedMs();
        context->playedSamples = 0;
        context->rate = rate;
        context->sink->format(rate);
        context->mouths.start(rate, context->playedMsBefore);
    }
    // Never stopped here: RHVoice stopped before its vocoder has made any
    // audio frees memory it never had, and the program crashes. A stop is
    // taken at the first audio instead (onSpeech).
    return 1;
}

int onSpeech(const short* samples, unsigned count, void* userData)
{
    auto* context = static_cast<MessageContext*>(userData);
    if (context->cancel->load()) {
        return 0;
    }
    if (context->rate <= 0) {
        context->failure = QStringLiteral("RHVoice gave audio before its sample rate");
        return 0;
    }
    if (!samples || count == 0) {
        return 1;
    }
    if (!context->pendingWords.isEmpty()) {
        const qsizetype onset =
            RhvoiceEngine::speechOnset(samples, qsizetype{count}, context->rate);
        if (onset >= 0 || context->heldPieces >= MaxHeldPieces) {
            const qint64 onsetMs = std::max<qsizetype>(onset, 0) * 1000 / context->rate;
            emitPendingWords(*context, context->playedMs() + onsetMs);
        } else {
            ++context->heldPieces;
        }
    }
    const QByteArray pcm(reinterpret_cast<const char*>(samples), qsizetype{count} * 2);
    context->mouths.add(pcm, *context->sink);
    context->sink->samples(pcm);
    context->playedSamples += count;
    return context->cancel->load() ? 0 : 1;
}

int onWordStart(unsigned position, unsigned length, void* userData)
{
    auto* context = static_cast<MessageContext*>(userData);
    // Not stopped here either, for the same reason as in onSampleRate: the
    // word may come before the first audio.
    if (context->cancel->load()) {
        return 1;
    }
    // Positions are bytes of the UTF-8 text.
    const qint64 lastByte = context->unitOfByte.size() - 1;
    const qint64 from = std::min<qint64>(position, lastByte);
    const qint64 to = std::min<qint64>(qint64{position} + length, lastByte);
    const int start = context->unitOfByte.at(from);
    const int end = context->unitOfByte.at(to);
    if (end > start) {
        context->pendingWords.append(trimmedWord(*context->text, start, end));
    }
    return 1;
}

// The default voice of each language comes first: the female voices Slt
// (fewest recognition errors of the English voices), Magda and Letícia, and
// Aleksandr for Russian.
int preferenceOf(const QString& name)
{
    static const QStringList preferred{QStringLiteral("Slt"), QStringLiteral("Aleksandr"),
                                       QStringLiteral("Magda"),
                                       QStringLiteral("Let\u00edcia-F123")};
    const qsizetype index = preferred.indexOf(name);
    return index >= 0 ? static_cast<int>(index) : static_cast<int>(preferred.size());
}

} // namespace

struct RhvoiceEngine::Library
{
    void* handle = nullptr;
    void* (*newEngine)(const RhvInitParams*) = nullptr;
    void (*deleteEngine)(void*) = nullptr;
    unsigned (*voiceCount)(void*) = nullptr;
    const RhvVoiceInfo* (*voiceList)(void*) = nullptr;
    void* (*newMessage)(void*, const char*, unsigned, int, const RhvSynthParams*, void*) = nullptr;
    void (*deleteMessage)(void*) = nullptr;
    int (*speak)(void*) = nullptr;
};

std::shared_ptr<RhvoiceEngine> RhvoiceEngine::installed()
{
    // Kept to the end of the process: RHVoice's own statics may be gone
    // before ours at exit.
    static const auto* engine = new std::shared_ptr<RhvoiceEngine>(load(Paths{}));
    return *engine;
}

std::shared_ptr<RhvoiceEngine> RhvoiceEngine::load(const Paths& paths, QString* problem)
{
    auto fail = [problem](const QString& why) {
        qCInfo(lcVoice).noquote() << "RHVoice not used:" << why;
        if (problem) {
            *problem = why;
        }
        return std::shared_ptr<RhvoiceEngine>();
    };
    QString loadError;
    void* handle = RuntimeLibrary::open(paths.library, &loadError);
    if (!handle) {
        return fail(loadError);
    }
    auto library = std::make_shared<Library>();
    library->handle = handle;
    QStringList missing;
    RuntimeLibrary::resolve(handle, "RHVoice_new_tts_engine", library->newEngine, missing);
    RuntimeLibrary::resolve(handle, "RHVoice_delete_tts_engine", library->deleteEngine, missing);
    RuntimeLibrary::resolve(handle, "RHVoice_get_number_of_voices", library->voiceCount, missing);
    RuntimeLibrary::resolve(handle, "RHVoice_get_voices", library->voiceList, missing);
    RuntimeLibrary::resolve(handle, "RHVoice_new_message", library->newMessage, missing);
    RuntimeLibrary::resolve(handle, "RHVoice_delete_message", library->deleteMessage, missing);
    RuntimeLibrary::resolve(handle, "RHVoice_speak", library->speak, missing);
    if (!missing.isEmpty()) {
        // The library stays loaded: unloading C++ libraries is not always safe.
        return fail(
            QStringLiteral("%1 lacks %2")
                .arg(QString::fromLocal8Bit(paths.library), missing.join(QStringLiteral(", "))));
    }

    const QByteArray dataPath = paths.dataPath.toLocal8Bit();
    const QByteArray configPath = paths.configPath.toLocal8Bit();
    RhvInitParams params{};
    params.dataPath = dataPath.isEmpty() ? nullptr : dataPath.constData();
    params.configPath = configPath.isEmpty() ? nullptr : configPath.constData();
    params.callbacks.setSampleRate = &onSampleRate;
    params.callbacks.playSpeech = &onSpeech;
    params.callbacks.wordStarts = &onWordStart;

    const std::lock_guard guard(libraryLock());
    void* engine = library->newEngine(&params);
    if (!engine) {
        return fail(QStringLiteral("RHVoice found no voices or could not read its data"));
    }
    QList<VoiceInfo> voices;
    const unsigned count = library->voiceCount(engine);
    const RhvVoiceInfo* list = count > 0 ? library->voiceList(engine) : nullptr;
    for (unsigned i = 0; list && i < count; ++i) {
        const RhvVoiceInfo& info = list[i];
        if (!info.name || !info.language) {
            continue;
        }
        VoiceInfo voice;
        voice.engine = QStringLiteral("RHVoice");
        voice.id = QString::fromUtf8(info.name);
        voice.label = QStringLiteral("RHVoice (%1)").arg(voice.id);
        voice.languages =
            languagesOf(QString::fromUtf8(info.language),
                        info.country ? QString::fromUtf8(info.country) : QString(), voice.id);
        voice.gender = info.gender == RhvMale     ? VoiceGender::Male
                       : info.gender == RhvFemale ? VoiceGender::Female
                                                  : VoiceGender::Unspecified;
        voice.quality = VoiceRanking::RHVoice;
        if (!voice.id.isEmpty() && !voice.languages.isEmpty()) {
            voices.append(voice);
        }
    }
    if (voices.isEmpty()) {
        library->deleteEngine(engine);
        return fail(QStringLiteral("RHVoice has no voice for a language we speak"));
    }
    std::stable_sort(voices.begin(), voices.end(), [](const VoiceInfo& a, const VoiceInfo& b) {
        return preferenceOf(a.id) < preferenceOf(b.id);
    });
    qCInfo(lcVoice).noquote() << "RHVoice:" << voices.size() << "voices";
    return std::shared_ptr<RhvoiceEngine>(
        new RhvoiceEngine(std::move(library), engine, std::move(voices)));
}

RhvoiceEngine::RhvoiceEngine(std::shared_ptr<const Library> library, void* engine,
                             QList<VoiceInfo> voices)
    : m_library(std::move(library))
    , m_engine(engine)
    , m_voices(std::move(voices))
{}

RhvoiceEngine::~RhvoiceEngine()
{
    const std::lock_guard guard(libraryLock());
    m_library->deleteEngine(m_engine);
}

QString RhvoiceEngine::name() const
{
    return QStringLiteral("RHVoice");
}

bool RhvoiceEngine::supportsLanguage(qint32 lcid) const
{
    return std::any_of(m_voices.begin(), m_voices.end(),
                       [lcid](const VoiceInfo& voice) { return voice.speaks(lcid); });
}

QList<qint32> RhvoiceEngine::languagesOf(const QString& language, const QString& country,
                                         const QString& voiceName)
{
    const QString code = language.toLower();
    if (code == QLatin1String("en")) {
        // Alan speaks with a Scottish accent, the nearest of RHVoice's English
        // voices to British English; the others sound American. RHVoice calls
        // them all "US", so the name decides.
        if (voiceName.compare(QLatin1String("Alan"), Qt::CaseInsensitive) == 0) {
            return {1033, 2057};
        }
        return {1033};
    }
    if (code == QLatin1String("ru")) {
        return {1049};
    }
    if (code == QLatin1String("pl")) {
        return {1045};
    }
    if (code == QLatin1String("pt")) {
        return country.compare(QLatin1String("PT"), Qt::CaseInsensitive) == 0 ? QList<qint32>{2070}
                                                                              : QList<qint32>{1046};
    }
    return {};
}

double RhvoiceEngine::scaleFor(double factor)
{
    const double clamped = std::clamp(factor, 0.5, 2.0);
    return clamped >= 1.0 ? clamped - 1.0 : 2.0 * (clamped - 1.0);
}

qsizetype RhvoiceEngine::speechOnset(const qint16* samples, qsizetype count, int sampleRate)
{
    // Frames of 5 ms, silent below about -44 dB. A pause inside the piece must
    // last 40 ms, longer than the closure of a stop consonant.
    constexpr double SilentRms = 0.006;
    constexpr qsizetype MinimumPauseFrames = 8;
    const qsizetype frame = std::max<qsizetype>(1, sampleRate / 200);
    if (!samples || count <= 0) {
        return -1;
    }
    auto silentAt = [&](qsizetype start) {
        const qsizetype end = std::min(count, start + frame);
        double sum = 0.0;
        for (qsizetype i = start; i < end; ++i) {
            const double value = samples[i] / 32768.0;
            sum += value * value;
        }
        return std::sqrt(sum / static_cast<double>(end - start)) < SilentRms;
    };
    const bool startsSilent = silentAt(0);
    qsizetype silentRun = startsSilent ? 1 : 0;
    for (qsizetype start = frame; start < count; start += frame) {
        if (silentAt(start)) {
            ++silentRun;
            continue;
        }
        if (startsSilent && silentRun == start / frame) {
            return start; // the first sound after the leading silence
        }
        if (silentRun >= MinimumPauseFrames) {
            return start; // the sound after a pause
        }
        silentRun = 0;
    }
    if (startsSilent && silentRun * frame >= count) {
        return -1;
    }
    return 0;
}

const VoiceInfo* RhvoiceEngine::voiceFor(const SynthesisRequest& request) const
{
    for (const VoiceInfo& voice : m_voices) {
        if (request.voice.isEmpty() ? voice.speaks(request.language)
                                    : voice.id.compare(request.voice, Qt::CaseInsensitive) == 0) {
            return &voice;
        }
    }
    return nullptr;
}

SynthesisResult RhvoiceEngine::synthesize(const SynthesisRequest& request, SynthesisSink& sink,
                                          const std::atomic_bool& cancel)
{
    SynthesisResult result;
    const VoiceInfo* voice = voiceFor(request);
    const CheckedRequest checked =
        checkRequest(QStringLiteral("RHVoice"), voice != nullptr, request, maxChunkLength());
    if (checked.done)
        return *checked.done;
    const QString& text = checked.text;
    const QByteArray utf8 = text.toUtf8();
    MessageContext context;
    context.sink = &sink;
    context.cancel = &cancel;
    context.text = &text;
    context.unitOfByte = utf16UnitOfEachUtf8Byte(text);
    if (context.unitOfByte.size() != utf8.size() + 1) {
        result.error = QStringLiteral("RHVoice text could not be measured");
        return result;
    }

    const QByteArray profile = voice->id.toUtf8();
    RhvSynthParams params{};
    params.voiceProfile = profile.constData();
    params.absoluteRate = scaleFor(SpeechSettings::rateFactor(request.speed));
    params.absolutePitch = scaleFor(SpeechSettings::pitchFactor(request.pitch));
    // The relative values multiply the absolute ones; left at 0 the rate
    // would fall to its minimum.
    params.relativeRate = 1.0;
    params.relativePitch = 1.0;
    params.relativeVolume = 1.0;

    const std::lock_guard guard(libraryLock());
    if (cancel.load()) {
        result.cancelled = true;
        return result;
    }
    void* message =
        m_library->newMessage(m_engine, utf8.constData(), static_cast<unsigned>(utf8.size()),
                              RhvMessageText, &params, &context);
    if (!message) {
        result.error = QStringLiteral("RHVoice refused the text");
        return result;
    }
    const int spoken = m_library->speak(message);
    m_library->deleteMessage(message);
    if (cancel.load()) {
        result.cancelled = true;
        return result;
    }
    emitPendingWords(context, context.playedMs());
    context.mouths.finish(sink);
    if (!context.failure.isEmpty()) {
        result.error = context.failure;
        return result;
    }
    if (!spoken) {
        result.error = QStringLiteral("RHVoice failed to synthesise");
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace clipvoice::agent::voice
