#include "agent/voice/FliteEngine.h"

#include "agent/voice/VoiceRanking.h"

#include <QLoggingCategory>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <map>
#include <mutex>

#include <dlfcn.h>

// Only for the layouts of Flite's structures and the types of its functions:
// the library itself is opened at run time.
#include <flite/flite.h>

namespace clipvoice::agent::voice {

namespace {

Q_LOGGING_CATEGORY(lcFlite, "clipvoice.voice.flite")

constexpr qint32 UsEnglish = 1033;

// Each call builds one utterance; these bound the walks over its relations
// (a 300-character piece has a few hundred items).
constexpr int MaxItems = 200000;

struct KnownVoice
{
    const char* id;
    VoiceGender gender;
    int quality;
    const char* note;
};

// The voices of Debian's libflite1, the default (most natural) first.
// cmu_time_awb only speaks clock times and is left out.
constexpr KnownVoice KnownVoices[] = {
    {"kal16", VoiceGender::Male, VoiceRanking::FliteDiphone16k, ""},
    {"slt", VoiceGender::Female, VoiceRanking::FliteClusterGen, ""},
    {"rms", VoiceGender::Male, VoiceRanking::FliteClusterGen, ""},
    {"awb", VoiceGender::Male, VoiceRanking::FliteClusterGen, "Scottish"},
    {"kal", VoiceGender::Male, VoiceRanking::FliteDiphone8k, "8 kHz"},
};

// Every call into Flite, the loading included, holds this.
std::mutex& libraryLock()
{
    static std::mutex lock;
    return lock;
}

qint64 milliseconds(float seconds)
{
    if (!(seconds > 0.0f)) { // also NaN
        return 0;
    }
    return std::llround(static_cast<double>(seconds) * 1000.0);
}

} // namespace

struct FliteEngine::Library
{
    struct Voice
    {
        VoiceInfo info;
        cst_voice* voice = nullptr;
        cst_audio_streaming_info* streaming = nullptr;
        float defaultStretch = 1.0f; // the voice's own duration_stretch
    };

    void* handle = nullptr;
    decltype(&::flite_init) init = nullptr;
    decltype(&::flite_synth_text) synthText = nullptr;
    decltype(&::delete_utterance) deleteUtterance = nullptr;
    decltype(&::new_audio_streaming_info) newStreamingInfo = nullptr;
    decltype(&::audio_streaming_info_val) streamingInfoVal = nullptr;
    decltype(&::feat_set) featSet = nullptr;
    decltype(&::feat_set_float) featSetFloat = nullptr;
    decltype(&::get_param_float) getParamFloat = nullptr;
    decltype(&::utt_relation) uttRelation = nullptr;
    decltype(&::utt_wave) uttWave = nullptr;
    decltype(&::relation_head) relationHead = nullptr;
    decltype(&::item_next) itemNext = nullptr;
    decltype(&::item_daughter) itemDaughter = nullptr;
    decltype(&::ffeature_string) ffeatureString = nullptr;
    decltype(&::ffeature_float) ffeatureFloat = nullptr;
    // Flite calls exit() on an internal error unless this points at a jump
    // buffer; while Flite runs it points at one, and an error fails the call.
    decltype(&::cst_errjmp) errorJump = nullptr;

    QList<Voice> voices;
    // Set once Flite has failed inside: its state is then unknown and it is
    // not called again.
    bool broken = false;
};

namespace {

using Library = FliteEngine::Library;

template <typename Function> bool resolve(void* handle, const char* symbol, Function& function)
{
    function = reinterpret_cast<Function>(dlsym(handle, symbol));
    return function != nullptr;
}

bool resolveAll(Library& library, QString* missing)
{
    void* h = library.handle;
    const std::pair<const char*, bool> symbols[] = {
        {"flite_init", resolve(h, "flite_init", library.init)},
        {"flite_synth_text", resolve(h, "flite_synth_text", library.synthText)},
        {"delete_utterance", resolve(h, "delete_utterance", library.deleteUtterance)},
        {"new_audio_streaming_info",
         resolve(h, "new_audio_streaming_info", library.newStreamingInfo)},
        {"audio_streaming_info_val",
         resolve(h, "audio_streaming_info_val", library.streamingInfoVal)},
        {"feat_set", resolve(h, "feat_set", library.featSet)},
        {"feat_set_float", resolve(h, "feat_set_float", library.featSetFloat)},
        {"get_param_float", resolve(h, "get_param_float", library.getParamFloat)},
        {"utt_relation", resolve(h, "utt_relation", library.uttRelation)},
        {"utt_wave", resolve(h, "utt_wave", library.uttWave)},
        {"relation_head", resolve(h, "relation_head", library.relationHead)},
        {"item_next", resolve(h, "item_next", library.itemNext)},
        {"item_daughter", resolve(h, "item_daughter", library.itemDaughter)},
        {"ffeature_string", resolve(h, "ffeature_string", library.ffeatureString)},
        {"ffeature_float", resolve(h, "ffeature_float", library.ffeatureFloat)},
        {"cst_errjmp", resolve(h, "cst_errjmp", library.errorJump)},
    };
    for (const auto& [name, found] : symbols) {
        if (!found) {
            *missing = QString::fromLatin1(name);
            return false;
        }
    }
    return true;
}

// Runs `call` with Flite's error exit turned into a jump back here. Only
// plain C frames of Flite lie between, so the jump skips no destructors.
// False when Flite failed.
template <typename Call> bool guarded(Library& library, Call call)
{
    std::jmp_buf here;
    std::jmp_buf* const volatile saved = *library.errorJump;
    volatile bool failed = false;
    *library.errorJump = &here;
    if (setjmp(here) == 0) {
        call();
    } else {
        failed = true;
    }
    *library.errorJump = saved;
    if (failed) {
        library.broken = true;
    }
    return !failed;
}

// The state of one synthesize() call, reached by the stream callback.
struct StreamContext
{
    Library* library = nullptr;
    SynthesisSink* sink = nullptr;
    const std::atomic_bool* cancel = nullptr;
    const FliteEngine::Text* text = nullptr;
    bool started = false; // format, words and mouths handed on
};

// Hands on the words and mouth shapes of an utterance, from the end times of
// its phones.
void emitTiming(const StreamContext& context, const cst_utterance* utterance)
{
    const Library& lib = *context.library;
    SynthesisSink& sink = *context.sink;

    int lastShape = -1;
    float segmentStart = 0.0f;
    int items = 0;
    for (const cst_item* segment = lib.relationHead(lib.uttRelation(utterance, "Segment"));
         segment && items < MaxItems; segment = lib.itemNext(segment), ++items) {
        const int shape = FliteEngine::mouthShapeForPhone(lib.ffeatureString(segment, "name"));
        if (shape != lastShape) {
            sink.mouth(MouthTiming{milliseconds(segmentStart), shape});
            lastShape = shape;
        }
        segmentStart = std::max(segmentStart, lib.ffeatureFloat(segment, "end"));
    }

    // Tokens are the words as written ("1,234" is one token of five spoken
    // words); each is found in the text after the one before.
    const FliteEngine::Text& text = *context.text;
    qsizetype cursor = 0;
    qint64 lastTime = 0;
    items = 0;
    for (const cst_item* token = lib.relationHead(lib.uttRelation(utterance, "Token"));
         token && items < MaxItems; token = lib.itemNext(token), ++items) {
        const QByteArray name(lib.ffeatureString(token, "name"));
        const qsizetype found = name.isEmpty() ? -1 : text.ascii.indexOf(name, cursor);
        if (found < 0) {
            continue;
        }
        cursor = found + name.size();
        // The token is said from the start of its first word with phones;
        // punctuation has none and is not a word.
        float start = -1.0f;
        for (const cst_item* word = lib.itemDaughter(token); word && items < MaxItems;
             word = lib.itemNext(word), ++items) {
            const float end =
                lib.ffeatureFloat(word, "R:SylStructure.daughtern.daughtern.R:Segment.end");
            if (end > 0.0f) {
                start =
                    lib.ffeatureFloat(word, "R:SylStructure.daughter1.daughter1.R:Segment.p.end");
                break;
            }
        }
        if (start < 0.0f) {
            continue;
        }
        const int from = text.origin.at(found);
        const int to = text.originEnd.at(cursor - 1);
        lastTime = std::max(lastTime, milliseconds(start));
        sink.word(WordTiming{from, to - from, lastTime});
    }
}

void start(StreamContext& context, const cst_utterance* utterance, int sampleRate)
{
    context.started = true;
    context.sink->format(sampleRate);
    if (utterance) {
        emitTiming(context, utterance);
    }
}

int streamCallback(const cst_wave* wave, int first, int size, int /*last*/,
                   cst_audio_streaming_info* info)
{
    auto* context = info ? static_cast<StreamContext*>(info->userdata) : nullptr;
    if (!context || !wave) {
        return CST_AUDIO_STREAM_STOP;
    }
    if (context->cancel->load()) {
        return CST_AUDIO_STREAM_STOP;
    }
    if (!context->started) {
        start(*context, info->utt, wave->sample_rate);
    }
    if (wave->samples && first >= 0 && size > 0 && size <= wave->num_samples - first) {
        context->sink->samples(
            QByteArray(reinterpret_cast<const char*>(wave->samples + first), qsizetype{size} * 2));
    }
    return context->cancel->load() ? CST_AUDIO_STREAM_STOP : CST_AUDIO_STREAM_CONT;
}

// Opens one voice's library and registers the voice with Flite.
bool loadVoice(Library& library, const QByteArray& pattern, const KnownVoice& known,
               QString* problem)
{
    const QByteArray id(known.id);
    QByteArray soname = pattern;
    soname.replace("%1", id);
    void* handle = dlopen(soname.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        *problem = QString::fromLocal8Bit(dlerror());
        return false;
    }
    cst_voice* (*registerVoice)(const char*) = nullptr;
    if (!resolve(handle, ("register_cmu_us_" + id).constData(), registerVoice)) {
        *problem = QStringLiteral("%1 has no register_cmu_us_%2")
                       .arg(QString::fromLatin1(soname), QString::fromLatin1(id));
        dlclose(handle);
        return false;
    }
    cst_voice* voice = nullptr;
    if (!guarded(library, [&] { voice = registerVoice(nullptr); }) || !voice) {
        *problem =
            QStringLiteral("Flite could not set up the voice %1").arg(QString::fromLatin1(id));
        return false; // the library stays open: Flite may still point into it
    }
    Library::Voice entry;
    entry.voice = voice;
    entry.defaultStretch = library.getParamFloat(voice->features, "duration_stretch", 1.0f);
    if (!(entry.defaultStretch > 0.1f && entry.defaultStretch < 10.0f)) {
        entry.defaultStretch = 1.0f;
    }
    // The voice keeps its streaming set-up; each call puts its own state in
    // userdata.
    entry.streaming = library.newStreamingInfo();
    if (!entry.streaming) {
        *problem = QStringLiteral("Flite could not set up streaming");
        return false;
    }
    entry.streaming->asc = &streamCallback;
    entry.streaming->min_buffsize = 256;
    entry.streaming->userdata = nullptr;
    library.featSet(voice->features, "streaming_info", library.streamingInfoVal(entry.streaming));

    VoiceInfo& info = entry.info;
    info.engine = QStringLiteral("Flite");
    info.id = QString::fromLatin1(id);
    const QString note = QString::fromLatin1(known.note);
    info.label = note.isEmpty() ? QStringLiteral("Flite (%1)").arg(info.id)
                                : QStringLiteral("Flite (%1, %2)").arg(info.id, note);
    info.languages = {UsEnglish};
    info.gender = known.gender;
    info.quality = known.quality;
    library.voices.append(entry);
    return true;
}

std::shared_ptr<Library> loadLibraryLocked(const FliteEngine::Paths& paths, QString* problem)
{
    auto library = std::make_shared<Library>();
    library->handle = dlopen(paths.library.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!library->handle) {
        *problem = QString::fromLocal8Bit(dlerror());
        return nullptr;
    }
    QString missing;
    if (!resolveAll(*library, &missing)) {
        *problem = QStringLiteral("%1 has no %2").arg(QString::fromLatin1(paths.library), missing);
        dlclose(library->handle);
        return nullptr;
    }
    if (!guarded(*library, [&] { library->init(); })) {
        *problem = QStringLiteral("Flite could not start");
        return nullptr;
    }
    QStringList voiceProblems;
    for (const KnownVoice& known : KnownVoices) {
        QString voiceProblem;
        if (!loadVoice(*library, paths.voiceLibrary, known, &voiceProblem)) {
            voiceProblems.append(voiceProblem);
        }
        if (library->broken) {
            break;
        }
    }
    if (library->voices.isEmpty() || library->broken) {
        *problem = QStringLiteral("no Flite voice could be loaded (%1)")
                       .arg(voiceProblems.join(QStringLiteral("; ")));
        return nullptr;
    }
    return library;
}

// The letters Unicode does not decompose into an ASCII letter and a mark.
const char* latinLetter(char32_t c)
{
    switch (c) {
    case U'ß':
        return "ss";
    case U'æ':
        return "ae";
    case U'Æ':
        return "AE";
    case U'œ':
        return "oe";
    case U'Œ':
        return "OE";
    case U'ø':
        return "o";
    case U'Ø':
        return "O";
    case U'ł':
        return "l";
    case U'Ł':
        return "L";
    case U'đ':
    case U'ð':
        return "d";
    case U'Đ':
    case U'Ð':
        return "D";
    case U'þ':
        return "th";
    case U'Þ':
        return "Th";
    case U'ı':
        return "i";
    case U'ŋ':
        return "ng";
    default:
        return nullptr;
    }
}

// Typographic marks with a plain ASCII equivalent.
const char* asciiMark(char32_t c)
{
    switch (c) {
    case U'\u2018': // ‘
    case U'\u2019': // ’
    case U'\u201A': // ‚
    case U'\u201B': // ‛
    case U'\u2032': // ′
        return "'";
    case U'\u201C': // “
    case U'\u201D': // ”
    case U'\u201E': // „
    case U'\u201F': // ‟
    case U'\u2033': // ″
    case U'\u00AB': // «
    case U'\u00BB': // »
        return "\"";
    case U'\u2010': // hyphen
    case U'\u2011': // non-breaking hyphen
    case U'\u2012': // figure dash
    case U'\u2013': // –
    case U'\u2014': // —
    case U'\u2015': // ―
    case U'\u2212': // minus
        return "-";
    case U'\u2026': // …
        return "...";
    default:
        return nullptr;
    }
}

// The ASCII Flite is given for one character; `foreign` is set for a letter
// or digit with no ASCII form.
QByteArray asciiFor(char32_t c, bool* foreign)
{
    if (c < 0x80) {
        const bool printable = c >= 0x20 && c != 0x7F;
        return QByteArray(1, printable ? static_cast<char>(c) : ' ');
    }
    if (const char* letter = latinLetter(c)) {
        return QByteArray(letter);
    }
    if (const char* mark = asciiMark(c)) {
        return QByteArray(mark);
    }
    if (QChar::isSpace(c)) {
        return QByteArrayLiteral(" ");
    }
    if (QChar::isDigit(c)) {
        const int value = QChar::digitValue(c);
        if (value >= 0 && value <= 9) {
            return QByteArray(1, static_cast<char>('0' + value));
        }
    }
    // é = e + combining acute, ﬁ = f + i, ² = 2: keep the ASCII, drop marks.
    const QString decomposed = QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_KD);
    QByteArray ascii;
    bool plain = !decomposed.isEmpty();
    for (const QChar part : decomposed) {
        if (part.isMark()) {
            continue;
        }
        if (part.unicode() < 0x20 || part.unicode() >= 0x7F) {
            plain = false;
            break;
        }
        ascii.append(static_cast<char>(part.unicode()));
    }
    if (plain && !ascii.isEmpty()) {
        return ascii;
    }
    if (QChar::isLetterOrNumber(c)) {
        *foreign = true;
    }
    return QByteArrayLiteral(" ");
}

} // namespace

FliteEngine::Text FliteEngine::prepareText(const QString& text)
{
    Text result;
    result.ascii.reserve(text.size());
    result.origin.reserve(text.size());
    result.originEnd.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const QChar unit = text.at(i);
        qsizetype length = 1;
        char32_t c = unit.unicode();
        if (unit.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(unit, text.at(i + 1));
            length = 2;
        } else if (unit.isSurrogate()) {
            c = U' '; // a lone half of a pair stands for nothing
        }
        bool foreign = false;
        const QByteArray ascii = asciiFor(c, &foreign);
        if (foreign) {
            ++result.foreignLetters;
        }
        for (const char byte : ascii) {
            result.ascii.append(byte);
            result.origin.append(static_cast<int>(i));
            result.originEnd.append(static_cast<int>(i + length));
        }
        i += length;
    }
    return result;
}

int FliteEngine::mouthShapeForPhone(const QByteArray& phone)
{
    struct Shape
    {
        const char* phone;
        int shape;
    };
    // Closed for silence and p b m; wide open for a-like vowels, rounded for
    // o-like and narrow rounded for u-like ones and sh-like consonants.
    static constexpr Shape Shapes[] = {
        {"pau", 0}, {"sil", 0}, {"h#", 0}, {"p", 0},  {"b", 0},  {"m", 0},  {"aa", 4},
        {"ae", 4},  {"ah", 4},  {"ay", 4}, {"aw", 4}, {"eh", 3}, {"ey", 3}, {"er", 2},
        {"ax", 2},  {"ih", 2},  {"iy", 2}, {"y", 2},  {"ao", 5}, {"ow", 5}, {"oy", 5},
        {"uw", 6},  {"uh", 6},  {"w", 6},  {"sh", 6}, {"zh", 6}, {"ch", 6}, {"jh", 6},
    };
    for (const Shape& entry : Shapes) {
        if (phone == entry.phone) {
            return entry.shape;
        }
    }
    return phone.isEmpty() ? 0 : 1;
}

std::shared_ptr<FliteEngine> FliteEngine::installed()
{
    static const std::shared_ptr<FliteEngine> engine = [] {
        QString problem;
        auto loaded = load(Paths{}, &problem);
        return loaded;
    }();
    return engine;
}

std::shared_ptr<FliteEngine> FliteEngine::load(const Paths& paths, QString* problem)
{
    // Flite registers its languages and voices globally: each set of paths is
    // loaded once per process.
    static std::map<QByteArray, std::shared_ptr<Library>> loaded;
    const QByteArray key = paths.library + '|' + paths.voiceLibrary;
    std::shared_ptr<Library> library;
    QString why;
    {
        const std::lock_guard guard(libraryLock());
        const auto it = loaded.find(key);
        if (it != loaded.end()) {
            library = it->second;
        } else {
            library = loadLibraryLocked(paths, &why);
            if (library) {
                loaded.emplace(key, library);
            }
        }
    }
    if (!library) {
        qCInfo(lcFlite).noquote() << "Flite not used:" << why;
        if (problem) {
            *problem = why;
        }
        return nullptr;
    }
    return std::shared_ptr<FliteEngine>(new FliteEngine(std::move(library)));
}

FliteEngine::FliteEngine(std::shared_ptr<Library> library)
    : m_library(std::move(library))
{
    for (const Library::Voice& voice : std::as_const(m_library->voices)) {
        m_voices.append(voice.info);
    }
    qCInfo(lcFlite).noquote() << "Flite:" << m_voices.size() << "voices";
}

QString FliteEngine::name() const
{
    return QStringLiteral("Flite");
}

bool FliteEngine::supportsLanguage(qint32 lcid) const
{
    return lcid == UsEnglish && !m_voices.isEmpty();
}

SynthesisResult FliteEngine::synthesize(const SynthesisRequest& request, SynthesisSink& sink,
                                        const std::atomic_bool& cancel)
{
    SynthesisResult result;
    if (request.language != UsEnglish) {
        result.error = QStringLiteral("Flite speaks only US English, not %1").arg(request.language);
        return result;
    }
    Library& lib = *m_library;
    // The voice asked for, or the most natural one.
    const Library::Voice* voice = nullptr;
    for (const Library::Voice& candidate : std::as_const(lib.voices)) {
        if (request.voice.isEmpty() ? (!voice || candidate.info.quality > voice->info.quality)
                                    : candidate.info.id == request.voice) {
            voice = &candidate;
        }
    }
    if (!voice) {
        result.error = QStringLiteral("Flite has no voice \"%1\"").arg(request.voice);
        return result;
    }
    const Text text = prepareText(request.text);
    if (text.foreignLetters > 0) {
        result.error = QStringLiteral("Flite cannot read the %1 letters of other scripts here")
                           .arg(text.foreignLetters);
        return result;
    }
    if (text.ascii.trimmed().isEmpty()) {
        result.ok = true; // nothing to say
        return result;
    }

    const std::lock_guard guard(libraryLock());
    if (lib.broken) {
        result.error = QStringLiteral("Flite failed earlier and is not used again");
        return result;
    }
    cst_features* features = voice->voice->features;
    lib.featSetFloat(features, "duration_stretch",
                     static_cast<float>(static_cast<double>(voice->defaultStretch) /
                                        SpeechSettings::rateFactor(request.speed)));
    lib.featSetFloat(features, "f0_shift",
                     static_cast<float>(SpeechSettings::pitchFactor(request.pitch)));

    StreamContext context;
    context.library = &lib;
    context.sink = &sink;
    context.cancel = &cancel;
    context.text = &text;
    voice->streaming->userdata = &context;
    cst_utterance* utterance = nullptr;
    const bool ran =
        guarded(lib, [&] { utterance = lib.synthText(text.ascii.constData(), voice->voice); });
    voice->streaming->userdata = nullptr;
    if (!ran) {
        qCWarning(lcFlite) << "Flite failed inside; it is not used again";
        result.error = QStringLiteral("Flite failed");
        return result;
    }
    if (!cancel.load() && utterance && !context.started) {
        // A voice that did not stream: its whole wave at once.
        const cst_wave* wave = lib.uttWave(utterance);
        if (wave && wave->samples && wave->num_samples > 0 && wave->sample_rate > 0) {
            start(context, utterance, wave->sample_rate);
            sink.samples(QByteArray(reinterpret_cast<const char*>(wave->samples),
                                    qsizetype{wave->num_samples} * 2));
        }
    }
    if (utterance) {
        lib.deleteUtterance(utterance);
    }
    if (cancel.load()) {
        result.cancelled = true;
        return result;
    }
    if (!utterance) {
        result.error = QStringLiteral("Flite made no utterance");
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace clipvoice::agent::voice
