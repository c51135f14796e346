#include "agent/voice/Speaker.h"

#include "agent/timing/QtScheduler.h"
#include "agent/voice/LanguageVoices.h"
#include "agent/voice/LineSynthesis.h"
#include "agent/voice/PcmAudio.h"

#include <algorithm>

namespace clipvoice::agent::voice {

namespace {

// Audio handed to the output ahead of what is heard. Small, so that little
// is buffered when a line is stopped, but large enough to ride out a slow tick.
constexpr qint64 OutputLeadMs = 1000;
constexpr int TickMs = 10;

template <typename Timing> void sortByTime(QList<Timing>& list)
{
    std::stable_sort(list.begin(), list.end(),
                     [](const Timing& a, const Timing& b) { return a.timeMs < b.timeMs; });
}

} // namespace

Speaker::Speaker(QObject* parent)
    : Speaker(VoiceCatalog::system(), AudioOutput::create(), parent)
{}

Speaker::Speaker(std::shared_ptr<const VoiceCatalog> catalog, std::unique_ptr<AudioOutput> output,
                 QObject* parent)
    : Speaker(std::move(catalog), std::move(output), nullptr, parent)
{}

Speaker::Speaker(std::shared_ptr<const VoiceCatalog> catalog, std::unique_ptr<AudioOutput> output,
                 std::shared_ptr<timing::Scheduler> scheduler, QObject* parent)
    : QObject(parent)
    , m_scheduler(scheduler ? std::move(scheduler) : std::make_shared<timing::QtScheduler>())
    , m_catalog(std::move(catalog))
    , m_output(output ? std::move(output) : std::make_unique<ClockOutput>(m_scheduler))
    , m_silentOutput(m_scheduler)
    , m_timer(*m_scheduler)
{}

Speaker::~Speaker()
{
    for (Line& line : m_lines) {
        if (line.cancel) {
            line.cancel->store(true);
        }
    }
    m_output->stop();
}

bool Speaker::setLanguage(qint32 lcid)
{
    if (!supportsLanguage(lcid)) {
        return false;
    }
    m_language = lcid;
    return true;
}

bool Speaker::supportsLanguage(qint32 lcid) const
{
    return m_catalog->supportsLanguage(lcid);
}

QString Speaker::japaneseEngineStatus() const
{
    return m_catalog->japaneseEngineStatus();
}

void Speaker::setSpeed(int speed)
{
    const int clamped = std::clamp(speed, 0, 100);
    if (clamped == m_settings.speed) {
        return;
    }
    m_settings.speed = clamped;
    resynthesiseWaitingLines();
}

void Speaker::setPitch(int pitch)
{
    const int clamped = std::clamp(pitch, 0, 100);
    if (clamped == m_settings.pitch) {
        return;
    }
    m_settings.pitch = clamped;
    resynthesiseWaitingLines();
}

QList<VoiceInfo> Speaker::voicesFor(qint32 lcid) const
{
    return m_catalog->voicesFor(lcid);
}

void Speaker::setVoiceChoice(qint32 lcid, const QString& key)
{
    if (key == m_voiceChoices.value(lcid)) {
        return;
    }
    if (key.isEmpty()) {
        m_voiceChoices.remove(lcid);
    } else {
        m_voiceChoices.insert(lcid, key);
    }
    resynthesiseWaitingLines();
}

VoiceSelection Speaker::selectedVoice(qint32 lcid) const
{
    return m_catalog->select(lcid, m_voiceChoices.value(lcid));
}

void Speaker::resynthesiseWaitingLines()
{
    // Lines synthesised ahead but not yet heard are made again with the new
    // settings.
    for (Line& line : m_lines) {
        if (line.requested && !line.started) {
            line.cancel->store(true);
            Line fresh;
            fresh.id = line.id;
            fresh.request = line.request;
            fresh.audible = line.audible;
            line = std::move(fresh);
        }
    }
}

void Speaker::setSpokenOutputEnabled(bool enabled)
{
    m_settings.spokenOutputEnabled = enabled;
    for (Line& line : m_lines) {
        if (!line.started) {
            line.audible = enabled;
        }
    }
}

int Speaker::speak(const QString& text)
{
    return speak(text, m_language);
}

int Speaker::speak(const QString& text, qint32 lcid)
{
    Line line;
    line.id = m_nextId++;
    line.request = requestFor(text, lcid);
    line.audible = m_settings.spokenOutputEnabled;
    m_lines.append(std::move(line));
    if (m_lines.size() == 1) {
        request(m_lines.front());
    }
    if (!m_timer.isActive()) {
        m_timer.start(TickMs, [this] { tick(); });
    }
    return m_lines.back().id;
}

void Speaker::stop()
{
    if (m_lines.isEmpty()) {
        return;
    }
    QList<int> dropped;
    for (Line& line : m_lines) {
        if (line.cancel) {
            line.cancel->store(true);
        }
        dropped.append(line.id);
    }
    m_lines.clear();
    m_output->stop();
    m_silentOutput.stop();
    m_timer.stop();
    m_positionMs = -1;
    setMouth(0);
    for (const int id : std::as_const(dropped)) {
        emit lineFinished(id, Outcome::Stopped, QStringLiteral("stopped"));
    }
    if (m_lines.isEmpty()) {
        emit idle();
    }
}

void Speaker::setReading(const reading::ReadingRules& rules,
                         std::shared_ptr<const QList<reading::PronunciationEntry>> dictionary)
{
    if (rules == m_readingRules && dictionary == m_dictionary) {
        return;
    }
    m_readingRules = rules;
    m_dictionary = std::move(dictionary);
    m_readings.clear();
    resynthesiseWaitingLines();
}

std::shared_ptr<const reading::LineReading> Speaker::readingFor(qint32 lcid) const
{
    const bool noEntries = !m_dictionary || m_dictionary->isEmpty();
    if (noEntries && m_readingRules == reading::ReadingRules()) {
        return nullptr; // read as written, with no rewriting at all
    }
    auto found = m_readings.constFind(lcid);
    if (found != m_readings.cend()) {
        return *found;
    }
    // The matcher is made here once for the language and shared, immutable,
    // with the synthesis thread; it is made again only when the dictionary
    // or the rules change.
    std::shared_ptr<const reading::PronunciationMatcher> matcher;
    if (!noEntries) {
        matcher = std::make_shared<const reading::PronunciationMatcher>(
            *m_dictionary, LanguageVoices::languageTag(lcid));
    }
    auto made = std::make_shared<const reading::LineReading>(m_readingRules, std::move(matcher));
    if (made->isEmpty()) {
        made = nullptr;
    }
    m_readings.insert(lcid, made);
    return made;
}

LineRequest Speaker::requestFor(const QString& text, qint32 lcid) const
{
    const VoicePlan plan = planVoice(*m_catalog, lcid, m_voiceChoices.value(lcid), m_characterVoice,
                                     m_settings.speed, m_settings.pitch);
    return LineRequest{text, lcid, plan.speed, plan.pitch, plan.voiceKey, readingFor(lcid)};
}

void Speaker::request(Line& line)
{
    line.request = requestFor(line.request.text, line.request.language);
    line.requested = true;
    line.stream = std::make_shared<LineStream>();
    line.cancel = makeCancelFlag();
    if (!m_catalog->supportsLanguage(line.request.language)) {
        line.stream->finish(false,
                            QStringLiteral("no voice for language %1").arg(line.request.language));
        return;
    }
    LineSynthesis::start(m_catalog, line.request, line.stream, line.cancel);
}

AudioOutput& Speaker::outputFor(const Line& line)
{
    return line.audible ? *m_output : m_silentOutput;
}

void Speaker::pull(Line& line, AudioOutput& out)
{
    qint64 roomMs = OutputLeadMs;
    if (line.started) {
        roomMs = std::max<qint64>(0, OutputLeadMs - (out.writtenMs() - out.playedMs()));
    }
    LineStream::Update update = line.stream->take(PcmAudio::bytesFor(roomMs, OutputSampleRate));
    if (!update.words.isEmpty()) {
        line.words.append(update.words);
        sortByTime(line.words);
    }
    if (!update.mouths.isEmpty()) {
        line.mouths.append(update.mouths);
        sortByTime(line.mouths);
    }
    line.engine = update.engine;
    line.voice = update.voice;
    if (!update.audio.isEmpty()) {
        if (!line.started) {
            out.begin();
            line.started = true;
        }
        out.write(update.audio);
    }
    if (update.finished) {
        line.synthesised = true;
        line.ok = update.ok;
        line.error = update.error;
    }
}

void Speaker::tick()
{
    if (m_lines.isEmpty()) {
        m_timer.stop();
        return;
    }
    Line& line = m_lines.front();
    const int id = line.id;
    if (!line.requested) {
        request(line);
    }
    AudioOutput& out = outputFor(line);
    const bool wasStarted = line.started;
    pull(line, out);

    // Prefetch: the next line is synthesised while this one plays.
    if (line.synthesised && m_lines.size() > 1 && !m_lines.at(1).requested) {
        request(m_lines[1]);
    }

    // Work out what to signal before signalling, as a slot may call stop() or
    // speak() and change the queue.
    const bool started = m_lines.front().started;
    const qint64 position = started ? out.playedMs() : -1;
    const qint64 written = started ? out.writtenMs() : 0;
    Line& current = m_lines.front();
    const bool done = current.synthesised && (!started || position >= written);
    const qint64 dueUntil = done ? std::numeric_limits<qint64>::max() : position;
    QList<WordTiming> dueWords;
    while (!current.words.isEmpty() && current.words.front().timeMs <= dueUntil) {
        dueWords.append(current.words.takeFirst());
    }
    int dueMouth = -1;
    while (!current.mouths.isEmpty() && current.mouths.front().timeMs <= dueUntil) {
        dueMouth = current.mouths.takeFirst().shape;
    }
    const QString engine = current.engine;
    const QString voice = current.voice;
    const Outcome outcome = current.ok ? Outcome::Completed : Outcome::Failed;
    const QString detail = current.error;
    m_positionMs = position;

    auto stillCurrent = [this, id] { return !m_lines.isEmpty() && m_lines.front().id == id; };
    if (started && !wasStarted) {
        emit lineStarted(id, engine, voice);
    }
    for (const WordTiming& word : std::as_const(dueWords)) {
        if (!stillCurrent()) {
            return;
        }
        emit wordReached(id, word.textOffset, word.textLength);
    }
    if (!stillCurrent()) {
        return;
    }
    if (dueMouth >= 0) {
        setMouth(dueMouth);
    }
    if (started && stillCurrent()) {
        emit progress(id, position, written);
    }
    if (done && stillCurrent()) {
        finishCurrent(outcome, detail);
    }
}

void Speaker::finishCurrent(Outcome outcome, const QString& detail)
{
    // The output is not stopped: the line has played out, and a sound device
    // stays open for the next line.
    const Line line = m_lines.takeFirst();
    m_positionMs = -1;
    setMouth(0);
    emit lineFinished(line.id, outcome, detail);
    if (m_lines.isEmpty()) {
        m_timer.stop();
        emit idle();
    } else if (!m_lines.front().requested) {
        request(m_lines.front());
    }
}

void Speaker::setMouth(int shape)
{
    if (shape != m_mouth) {
        m_mouth = shape;
        emit mouthShapeChanged(shape);
    }
}

} // namespace clipvoice::agent::voice
