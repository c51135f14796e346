#include "agent/voice/PicoEngine.h"

#include "agent/voice/MouthShapes.h"
#include "agent/voice/PcmAudio.h"
#include "agent/voice/RequestCheck.h"
#include "agent/voice/RuntimeLibrary.h"
#include "agent/voice/TextChunker.h"
#include "agent/voice/VoiceLog.h"
#include "agent/voice/VoiceRanking.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include <dlfcn.h>

namespace clipvoice::agent::voice {

namespace {

// The parts of Pico's C interface (picoapi.h) this engine uses, declared here
// so that the library's development files are not needed to build. Handles
// are opaque pointers; every function returns a status, 0 for success.
constexpr int PicoOk = 0;
constexpr int PicoStepIdle = 200;
constexpr int PicoStepBusy = 201;
constexpr int PicoResetSoft = 0x10;
constexpr short PicoDataPcm16Bit = 1;
constexpr int PicoMessageSize = 200; // pico_Retstring

constexpr int PicoSampleRate = 16000;
// Pico works only in the memory it is given; one language needs about 2.5 MB.
constexpr unsigned PoolBytes = 3 * 1024 * 1024;
// The most Pico takes in one call (a signed 16-bit count).
constexpr qsizetype MaxPutBytes = 32767;
// No piece of text may make more audio than this, whatever Pico does.
constexpr qsizetype MaxAudioBytes = qsizetype{PicoSampleRate} * 2 * 300;
constexpr qint64 MaxDataCalls = MaxAudioBytes / 16 + 100000;

const QByteArray VoiceName = QByteArrayLiteral("clipvoice");

const struct
{
    qint32 lcid;
    const char* code;
} KnownLanguages[] = {
    {1033, "en-US"}, {2057, "en-GB"}, {1031, "de-DE"},
    {3082, "es-ES"}, {1036, "fr-FR"}, {1040, "it-IT"},
};

std::mutex& libraryLock()
{
    static std::mutex lock;
    return lock;
}

const unsigned char* picoText(const QByteArray& bytes)
{
    return reinterpret_cast<const unsigned char*>(bytes.constData());
}

QString fromMessage(const char* message)
{
    return QString::fromLatin1(message, static_cast<qsizetype>(strnlen(message, PicoMessageSize)));
}

} // namespace

struct PicoEngine::Library
{
    void* handle = nullptr;
    int (*initialize)(void* memory, unsigned size, void** system) = nullptr;
    int (*getSystemStatusMessage)(void* system, int status, char* message) = nullptr;
    int (*loadResource)(void* system, const unsigned char* file, void** resource) = nullptr;
    int (*unloadResource)(void* system, void** resource) = nullptr;
    int (*getResourceName)(void* system, void* resource, char* name) = nullptr;
    int (*createVoiceDefinition)(void* system, const unsigned char* voice) = nullptr;
    int (*addResourceToVoiceDefinition)(void* system, const unsigned char* voice,
                                        const unsigned char* resource) = nullptr;
    int (*releaseVoiceDefinition)(void* system, const unsigned char* voice) = nullptr;
    int (*newEngine)(void* system, const unsigned char* voice, void** engine) = nullptr;
    int (*disposeEngine)(void* system, void** engine) = nullptr;
    int (*putTextUtf8)(void* engine, const unsigned char* text, short size, short* put) = nullptr;
    int (*getData)(void* engine, void* buffer, short size, short* received, short* type) = nullptr;
    int (*resetEngine)(void* engine, int mode) = nullptr;
    int (*getEngineStatusMessage)(void* engine, int status, char* message) = nullptr;
};

namespace {

// The one Pico system of the process and the language it has loaded. Used
// only under libraryLock(); kept to the end of the process.
struct PicoRuntime
{
    std::shared_ptr<const PicoEngine::Library> library;
    std::unique_ptr<std::max_align_t[]> pool;
    void* system = nullptr;
    void* textResource = nullptr;
    void* speakerResource = nullptr;
    bool voiceDefined = false;
    void* engine = nullptr;
    QString loadedFiles;

    QString systemMessage(int status) const
    {
        char message[PicoMessageSize] = {};
        library->getSystemStatusMessage(system, status, message);
        return fromMessage(message);
    }

    QString engineMessage(int status) const
    {
        char message[PicoMessageSize] = {};
        library->getEngineStatusMessage(engine, status, message);
        return fromMessage(message);
    }

    void unloadVoice()
    {
        if (engine) {
            library->disposeEngine(system, &engine);
            engine = nullptr;
        }
        if (voiceDefined) {
            library->releaseVoiceDefinition(system, picoText(VoiceName));
            voiceDefined = false;
        }
        for (void** resource : {&textResource, &speakerResource}) {
            if (*resource) {
                library->unloadResource(system, resource);
                *resource = nullptr;
            }
        }
        loadedFiles.clear();
    }

    // Ready to speak `language` with `with`; loads it if another is loaded.
    bool prepare(const std::shared_ptr<const PicoEngine::Library>& with,
                 const PicoEngine::Language& language, QString* error)
    {
        if (library && library->handle != with->handle) {
            // Another copy of the library: start again with it.
            unloadVoice();
            system = nullptr;
            pool.reset();
        }
        library = with;
        if (!system) {
            pool = std::make_unique<std::max_align_t[]>(PoolBytes / sizeof(std::max_align_t));
            const int status = library->initialize(pool.get(), PoolBytes, &system);
            if (status != PicoOk) {
                system = nullptr;
                pool.reset();
                *error = QStringLiteral("SVOX Pico could not start (%1)").arg(status);
                return false;
            }
        }
        const QString files = language.textFile + QLatin1Char('|') + language.speakerFile;
        if (engine && loadedFiles == files) {
            return true;
        }
        unloadVoice();
        if (!loadVoice(language, error)) {
            unloadVoice();
            return false;
        }
        loadedFiles = files;
        return true;
    }

    bool loadVoice(const PicoEngine::Language& language, QString* error)
    {
        auto failed = [&](const QString& what, int status) {
            *error = QStringLiteral("SVOX Pico %1 for %2: %3")
                         .arg(what, language.code, systemMessage(status));
            return false;
        };
        char textName[PicoMessageSize] = {};
        char speakerName[PicoMessageSize] = {};
        const QByteArray textFile = QFile::encodeName(language.textFile);
        const QByteArray speakerFile = QFile::encodeName(language.speakerFile);
        int status = library->loadResource(system, picoText(textFile), &textResource);
        if (status != PicoOk) {
            textResource = nullptr;
            return failed(QStringLiteral("cannot load %1").arg(language.textFile), status);
        }
        status = library->loadResource(system, picoText(speakerFile), &speakerResource);
        if (status != PicoOk) {
            speakerResource = nullptr;
            return failed(QStringLiteral("cannot load %1").arg(language.speakerFile), status);
        }
        status = library->getResourceName(system, textResource, textName);
        if (status == PicoOk) {
            status = library->getResourceName(system, speakerResource, speakerName);
        }
        if (status != PicoOk) {
            return failed(QStringLiteral("has no name"), status);
        }
        textName[PicoMessageSize - 1] = '\0';
        speakerName[PicoMessageSize - 1] = '\0';
        status = library->createVoiceDefinition(system, picoText(VoiceName));
        if (status != PicoOk) {
            return failed(QStringLiteral("cannot define the voice"), status);
        }
        voiceDefined = true;
        for (const char* resource : {textName, speakerName}) {
            status = library->addResourceToVoiceDefinition(
                system, picoText(VoiceName), reinterpret_cast<const unsigned char*>(resource));
            if (status != PicoOk) {
                return failed(QStringLiteral("cannot define the voice"), status);
            }
        }
        status = library->newEngine(system, picoText(VoiceName), &engine);
        if (status != PicoOk) {
            engine = nullptr;
            return failed(QStringLiteral("cannot start"), status);
        }
        return true;
    }
};

PicoRuntime& runtime()
{
    static auto* shared = new PicoRuntime;
    return *shared;
}

// Feeds `input` to the engine and collects the audio, giving up (with the
// engine reset) once `cancel` is set.
SynthesisResult runEngine(PicoRuntime& pico, const QByteArray& input, QByteArray& pcm,
                          const std::atomic_bool& cancel)
{
    SynthesisResult result;
    auto stop = [&](const QString& error) {
        pico.library->resetEngine(pico.engine, PicoResetSoft);
        result.cancelled = error.isEmpty();
        result.error = error;
        return result;
    };
    const char* next = input.constData();
    qsizetype left = input.size();
    qint64 calls = 0;
    int emptyPuts = 0;
    while (left > 0) {
        short put = 0;
        const int status =
            pico.library->putTextUtf8(pico.engine, reinterpret_cast<const unsigned char*>(next),
                                      static_cast<short>(std::min(left, MaxPutBytes)), &put);
        if (status != PicoOk || put < 0 || put > left) {
            return stop(
                QStringLiteral("SVOX Pico refused the text: %1").arg(pico.engineMessage(status)));
        }
        // A full buffer may take nothing once; after the audio is drained it
        // must take more.
        emptyPuts = put == 0 ? emptyPuts + 1 : 0;
        if (emptyPuts > 1) {
            return stop(QStringLiteral("SVOX Pico takes no more text"));
        }
        next += put;
        left -= put;
        int step = PicoStepBusy;
        do {
            if (cancel.load()) {
                return stop({});
            }
            if (++calls > MaxDataCalls) {
                return stop(QStringLiteral("SVOX Pico did not finish"));
            }
            char buffer[256];
            short received = 0;
            short type = 0;
            step = pico.library->getData(pico.engine, buffer, sizeof buffer, &received, &type);
            if (received > 0 && received <= static_cast<short>(sizeof buffer)) {
                if (type != PicoDataPcm16Bit) {
                    return stop(QStringLiteral("SVOX Pico gave audio of type %1").arg(type));
                }
                pcm.append(buffer, received);
            }
            if (pcm.size() > MaxAudioBytes) {
                return stop(QStringLiteral("SVOX Pico made too much audio"));
            }
        } while (step == PicoStepBusy);
        if (step != PicoStepIdle) {
            return stop(QStringLiteral("SVOX Pico failed: %1").arg(pico.engineMessage(step)));
        }
    }
    result.ok = true;
    return result;
}

// Frames of 10 ms; quieter than about -44 dB counts as silence.
constexpr int FrameMs = 10;
constexpr double SilentRms = 0.006;

QList<bool> loudFrames(const QByteArray& pcm, int sampleRate)
{
    QList<bool> loud;
    const qsizetype frame = std::max<qsizetype>(1, qsizetype{sampleRate} * FrameMs / 1000);
    const qsizetype count = pcm.size() / 2;
    for (qsizetype start = 0; start < count; start += frame) {
        const qsizetype end = std::min(count, start + frame);
        double sum = 0.0;
        for (qsizetype i = start; i < end; ++i) {
            qint16 sample = 0;
            std::memcpy(&sample, pcm.constData() + i * 2, sizeof sample);
            const double value = sample / 32768.0;
            sum += value * value;
        }
        loud.append(std::sqrt(sum / static_cast<double>(end - start)) >= SilentRms);
    }
    return loud;
}

char32_t codePointAt(const QString& text, qsizetype i)
{
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
        return QChar::surrogateToUcs4(c, text.at(i + 1));
    }
    return c.unicode();
}

bool endsClause(char32_t c)
{
    switch (c) {
    case U',':
    case U';':
    case U':':
    case U'.':
    case U'!':
    case U'?':
    case U'\u2026': // ellipsis
    case U'\u2014': // em dash
        return true;
    default:
        return false;
    }
}

struct TextWord
{
    int start = 0;
    int end = 0;
    int weight = 0; // letters and digits
    bool endsClause = false;
};

// Runs of letters and digits with what clings to them; a run of marks alone
// ("-", "...") is no word but may end a clause.
QList<TextWord> wordsOf(const QString& text)
{
    QList<TextWord> words;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text.at(i).isSpace()) {
            ++i;
            continue;
        }
        TextWord word;
        word.start = -1;
        bool closes = false;
        while (i < text.size() && !text.at(i).isSpace()) {
            const char32_t c = codePointAt(text, i);
            const int units = c > 0xFFFF ? 2 : 1;
            if (QChar::isLetterOrNumber(c)) {
                if (word.start < 0) {
                    word.start = static_cast<int>(i);
                }
                word.end = static_cast<int>(i + units);
                ++word.weight;
                closes = false;
            } else if (endsClause(c)) {
                closes = true;
            }
            i += units;
        }
        if (word.start >= 0) {
            word.endsClause = closes;
            words.append(word);
        } else if (closes && !words.isEmpty()) {
            words.last().endsClause = true;
        }
    }
    return words;
}

struct Stretch
{
    qint64 startMs = 0;
    qint64 endMs = 0;
};

// Sound between pauses of at least MinPauseMs.
QList<Stretch> speechStretches(const QList<bool>& loud)
{
    constexpr int MinPauseFrames = 120 / FrameMs;
    QList<Stretch> stretches;
    qsizetype quiet = 0;
    for (qsizetype i = 0; i < loud.size(); ++i) {
        if (!loud.at(i)) {
            ++quiet;
            continue;
        }
        const qint64 atMs = i * FrameMs;
        if (stretches.isEmpty() || quiet >= MinPauseFrames) {
            stretches.append(Stretch{atMs, atMs + FrameMs});
        } else {
            stretches.last().endMs = atMs + FrameMs;
        }
        quiet = 0;
    }
    return stretches;
}

// Where sound starts again after a gap of at least 30 ms: a word often
// starts there.
bool isOnset(const QList<bool>& loud, qsizetype frame)
{
    constexpr qsizetype GapFrames = 30 / FrameMs;
    if (frame < GapFrames || frame >= loud.size() || !loud.at(frame)) {
        return false;
    }
    for (qsizetype i = frame - GapFrames; i < frame; ++i) {
        if (loud.at(i)) {
            return false;
        }
    }
    return true;
}

// Places the words [first, last) evenly by weight over `stretches` joined,
// so that no word starts inside a pause. A word near a new onset of sound
// moves to it; one that fell on a short gap moves to the next sound.
void spread(QList<WordTiming>& out, const QList<TextWord>& words, qsizetype first, qsizetype last,
            const QList<Stretch>& stretches, const QList<bool>& loud)
{
    qint64 totalWeight = 0;
    for (qsizetype i = first; i < last; ++i) {
        totalWeight += words.at(i).weight;
    }
    qint64 speechMs = 0;
    for (const Stretch& stretch : stretches) {
        speechMs += stretch.endMs - stretch.startMs;
    }
    qint64 weightBefore = 0;
    for (qsizetype i = first; i < last; ++i) {
        qint64 into = totalWeight > 0 ? speechMs * weightBefore / totalWeight : 0;
        qint64 timeMs = stretches.isEmpty() ? 0 : stretches.last().endMs;
        for (const Stretch& stretch : stretches) {
            const qint64 length = stretch.endMs - stretch.startMs;
            if (into < length) {
                timeMs = stretch.startMs + into;
                break;
            }
            into -= length;
        }
        constexpr qsizetype NearFrames = 150 / FrameMs;
        const qint64 earliest = out.isEmpty() ? 0 : out.last().timeMs + FrameMs;
        const qsizetype at = timeMs / FrameMs;
        qsizetype onset = -1;
        for (qsizetype d = 0; d <= NearFrames && onset < 0; ++d) {
            for (const qsizetype frame : {at - d, at + d}) {
                if (frame * FrameMs >= earliest && isOnset(loud, frame)) {
                    onset = frame;
                    break;
                }
            }
        }
        qsizetype frame = onset >= 0 ? onset : at;
        while (frame < loud.size() && !loud.at(frame)) {
            ++frame;
        }
        if (onset >= 0 || frame < loud.size()) {
            timeMs = onset >= 0 ? onset * FrameMs : std::max(timeMs, frame * FrameMs);
        }
        if (!out.isEmpty()) {
            timeMs = std::max(timeMs, out.last().timeMs);
        }
        const TextWord& word = words.at(i);
        out.append(WordTiming{word.start, word.end - word.start, timeMs});
        weightBefore += word.weight;
    }
}

} // namespace

std::shared_ptr<PicoEngine> PicoEngine::installed()
{
    static const auto* engine = new std::shared_ptr<PicoEngine>(load(Setup{}));
    return *engine;
}

std::shared_ptr<PicoEngine> PicoEngine::load(const Setup& setup, QString* problem)
{
    auto fail = [problem](const QString& why) {
        qCInfo(lcVoice).noquote() << "SVOX Pico not used:" << why;
        if (problem) {
            *problem = why;
        }
        return std::shared_ptr<PicoEngine>();
    };
    QList<Language> languages;
    const QDir folder(setup.languageFolder);
    for (const auto& known : KnownLanguages) {
        const QString code = QString::fromLatin1(known.code);
        const QString textFile = folder.filePath(code + QStringLiteral("_ta.bin"));
        const QStringList speakers =
            folder.entryList({code + QStringLiteral("_*_sg.bin")}, QDir::Files, QDir::Name);
        if (QFileInfo(textFile).isFile() && !speakers.isEmpty()) {
            languages.append(
                Language{known.lcid, code, textFile, folder.filePath(speakers.first())});
        }
    }
    if (languages.isEmpty()) {
        return fail(QStringLiteral("no language files in %1").arg(setup.languageFolder));
    }
    QString loadError;
    void* handle = RuntimeLibrary::open(setup.library, &loadError);
    if (!handle) {
        return fail(loadError);
    }
    auto library = std::make_shared<Library>();
    library->handle = handle;
    QStringList missing;
    RuntimeLibrary::resolve(handle, "pico_initialize", library->initialize, missing);
    RuntimeLibrary::resolve(handle, "pico_getSystemStatusMessage", library->getSystemStatusMessage,
                            missing);
    RuntimeLibrary::resolve(handle, "pico_loadResource", library->loadResource, missing);
    RuntimeLibrary::resolve(handle, "pico_unloadResource", library->unloadResource, missing);
    RuntimeLibrary::resolve(handle, "pico_getResourceName", library->getResourceName, missing);
    RuntimeLibrary::resolve(handle, "pico_createVoiceDefinition", library->createVoiceDefinition,
                            missing);
    RuntimeLibrary::resolve(handle, "pico_addResourceToVoiceDefinition",
                            library->addResourceToVoiceDefinition, missing);
    RuntimeLibrary::resolve(handle, "pico_releaseVoiceDefinition", library->releaseVoiceDefinition,
                            missing);
    RuntimeLibrary::resolve(handle, "pico_newEngine", library->newEngine, missing);
    RuntimeLibrary::resolve(handle, "pico_disposeEngine", library->disposeEngine, missing);
    RuntimeLibrary::resolve(handle, "pico_putTextUtf8", library->putTextUtf8, missing);
    RuntimeLibrary::resolve(handle, "pico_getData", library->getData, missing);
    RuntimeLibrary::resolve(handle, "pico_resetEngine", library->resetEngine, missing);
    RuntimeLibrary::resolve(handle, "pico_getEngineStatusMessage", library->getEngineStatusMessage,
                            missing);
    if (!missing.isEmpty()) {
        return fail(
            QStringLiteral("%1 lacks %2")
                .arg(QString::fromLocal8Bit(setup.library), missing.join(QStringLiteral(", "))));
    }
    qCInfo(lcVoice).noquote() << "SVOX Pico:" << languages.size() << "languages";
    return std::shared_ptr<PicoEngine>(new PicoEngine(std::move(library), std::move(languages)));
}

PicoEngine::PicoEngine(std::shared_ptr<const Library> library, QList<Language> languages)
    : m_library(std::move(library))
    , m_languages(std::move(languages))
{
    for (const Language& language : std::as_const(m_languages)) {
        VoiceInfo voice;
        voice.engine = name();
        voice.id = language.code;
        voice.label = QStringLiteral("SVOX Pico (%1)").arg(language.code);
        voice.languages = {language.lcid};
        voice.gender = VoiceGender::Female; // every Pico voice is a woman's
        voice.quality = VoiceRanking::Pico;
        m_voices.append(voice);
    }
}

QString PicoEngine::name() const
{
    return QStringLiteral("SVOX Pico");
}

bool PicoEngine::supportsLanguage(qint32 lcid) const
{
    return std::any_of(m_languages.begin(), m_languages.end(),
                       [lcid](const Language& language) { return language.lcid == lcid; });
}

const PicoEngine::Language* PicoEngine::languageFor(const SynthesisRequest& request) const
{
    for (const Language& language : m_languages) {
        if (request.voice.isEmpty()
                ? language.lcid == request.language
                : language.code.compare(request.voice, Qt::CaseInsensitive) == 0) {
            return &language;
        }
    }
    return nullptr;
}

int PicoEngine::speedLevel(int speed)
{
    // Measured: the speech (not its pauses) lasts 100 / level times as long.
    const auto level = std::lround(100.0 * SpeechSettings::rateFactor(speed));
    return static_cast<int>(std::clamp<long>(level, 20, 500));
}

int PicoEngine::pitchLevel(int pitch)
{
    // Measured: the voice's pitch is multiplied by level / 100.
    const auto level = std::lround(100.0 * SpeechSettings::pitchFactor(pitch));
    return static_cast<int>(std::clamp<long>(level, 50, 200));
}

QByteArray PicoEngine::input(const QString& text, int speed, int pitch)
{
    // Pico takes '<' followed by a tag name as a tag, with or without spaces
    // between, and knows no escape. A single angle quote is read as nothing,
    // like a space, and keeps every offset.
    QString plain = text;
    plain.replace(QLatin1Char('<'), QChar(0x2039));
    // Both levels are set every time and closed at the end: a tag left open
    // would carry over to the next text.
    QByteArray bytes = QByteArrayLiteral("<speed level=\"") +
                       QByteArray::number(speedLevel(speed)) +
                       QByteArrayLiteral("\"><pitch level=\"") +
                       QByteArray::number(pitchLevel(pitch)) + QByteArrayLiteral("\">");
    bytes += plain.toUtf8();
    bytes += QByteArrayLiteral("</pitch></speed>");
    // The NUL ends the input; without it Pico keeps the last sentence back.
    bytes.append('\0');
    return bytes;
}

PicoEngine::Span PicoEngine::speechSpan(const QByteArray& pcm, int sampleRate)
{
    constexpr qint64 KeptBeforeMs = 50;
    constexpr qint64 KeptAfterMs = 200;
    if (sampleRate <= 0) {
        return {};
    }
    const QList<bool> loud = loudFrames(pcm, sampleRate);
    const qsizetype first = loud.indexOf(true);
    if (first < 0) {
        return {};
    }
    const qsizetype last = loud.lastIndexOf(true);
    const qsizetype count = pcm.size() / 2;
    const qsizetype perMs = sampleRate / 1000;
    const qsizetype frame = qsizetype{sampleRate} * FrameMs / 1000;
    Span span;
    span.firstSample = std::max<qsizetype>(0, first * frame - KeptBeforeMs * perMs);
    span.endSample = std::min(count, (last + 1) * frame + KeptAfterMs * perMs);
    return span;
}

QList<WordTiming> PicoEngine::estimateWords(const QString& text, const QByteArray& pcm,
                                            int sampleRate)
{
    QList<WordTiming> result;
    const QList<TextWord> words = wordsOf(text);
    if (words.isEmpty() || sampleRate <= 0) {
        return result;
    }
    const QList<bool> loud = loudFrames(pcm, sampleRate);
    const QList<Stretch> stretches = speechStretches(loud);
    if (stretches.isEmpty()) {
        return result;
    }
    // Clauses end at words followed by a mark that makes a pause.
    QList<qsizetype> clauseStarts{0};
    for (qsizetype i = 0; i + 1 < words.size(); ++i) {
        if (words.at(i).endsClause) {
            clauseStarts.append(i + 1);
        }
    }
    if (clauseStarts.size() == stretches.size()) {
        for (qsizetype c = 0; c < clauseStarts.size(); ++c) {
            const qsizetype end =
                c + 1 < clauseStarts.size() ? clauseStarts.at(c + 1) : words.size();
            spread(result, words, clauseStarts.at(c), end, {stretches.at(c)}, loud);
        }
    } else {
        spread(result, words, 0, words.size(), stretches, loud);
    }
    return result;
}

SynthesisResult PicoEngine::synthesize(const SynthesisRequest& request, SynthesisSink& sink,
                                       const std::atomic_bool& cancel)
{
    SynthesisResult result;
    const Language* language = languageFor(request);
    const CheckedRequest checked =
        checkRequest(QStringLiteral("SVOX Pico"), language != nullptr, request, maxChunkLength());
    if (checked.done)
        return *checked.done;
    const QString& text = checked.text;
    const QByteArray bytes = input(text, request.speed, request.pitch);
    QByteArray pcm;
    {
        const std::lock_guard guard(libraryLock());
        if (cancel.load()) {
            result.cancelled = true;
            return result;
        }
        PicoRuntime& pico = runtime();
        if (!pico.prepare(m_library, *language, &result.error)) {
            return result;
        }
        result = runEngine(pico, bytes, pcm, cancel);
        if (!result.ok) {
            return result;
        }
    }
    if (cancel.load()) {
        return SynthesisResult{false, true, {}};
    }
    // Pico ends every text with half a second of silence; a sentence only
    // needs a short pause.
    const Span span = speechSpan(pcm, PicoSampleRate);
    pcm = pcm.mid(span.firstSample * 2, (span.endSample - span.firstSample) * 2);
    if (pcm.isEmpty()) {
        return result; // only marks, nothing said
    }
    const QList<WordTiming> words = estimateWords(text, pcm, PicoSampleRate);
    QList<MouthTiming> mouths = MouthShapes::fromSamples(pcm, PicoSampleRate, 0);
    if (!mouths.isEmpty() && mouths.last().shape != 0) {
        mouths.append(MouthTiming{PcmAudio::durationMs(pcm.size(), PicoSampleRate), 0});
    }
    sink.format(PicoSampleRate);
    for (const WordTiming& word : words) {
        sink.word(word);
    }
    for (const MouthTiming& mouth : mouths) {
        sink.mouth(mouth);
    }
    sink.samples(pcm);
    return result;
}

} // namespace clipvoice::agent::voice
