#include "agent/voice/MbrolaVoices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>

namespace clipvoice::agent::voice {

namespace {

// espeak-ng's voice files are a few hundred bytes; anything much larger is
// not one, and is not read whole.
constexpr qint64 MaxVoiceFileBytes = 16 * 1024;

struct Row
{
    const char* id;
    qint32 language;
    VoiceGender gender;
    const char* accent;
};

constexpr auto F = VoiceGender::Female;
constexpr auto M = VoiceGender::Male;

// The databases Debian 12 packages for the languages of LanguageVoices, with
// the speaker's gender from each package's description. Within a language the
// first usable one is the default. Mandarin (cn1) is left out: espeak-ng 1.51
// lacks its phoneme table and crashes when it is selected.
constexpr Row Rows[] = {
    {"us1", 1033, F, ""},         {"us2", 1033, M, ""},        {"us3", 1033, M, ""},
    {"en1", 2057, M, ""},         {"ar1", 1025, M, ""},        {"ar2", 1025, M, ""},
    {"cz1", 1029, F, ""},         {"cz2", 1029, M, ""},        {"de1", 1031, F, ""},
    {"de2", 1031, M, ""},         {"de3", 1031, F, ""},        {"de4", 1031, M, ""},
    {"de5", 1031, F, ""},         {"de6", 1031, M, ""},        {"de7", 1031, F, ""},
    {"de8", 1031, M, "Bavarian"}, {"gr1", 1032, M, ""},        {"gr2", 1032, M, ""},
    {"fr1", 1036, M, ""},         {"fr2", 1036, F, ""},        {"fr3", 1036, M, ""},
    {"fr4", 1036, F, ""},         {"fr5", 1036, M, "Belgian"}, {"fr6", 1036, M, ""},
    {"fr7", 1036, M, "Belgian"},  {"hb1", 1037, M, ""},        {"hb2", 1037, F, ""},
    {"hu1", 1038, F, ""},         {"it1", 1040, M, ""},        {"it2", 1040, F, ""},
    {"it3", 1040, M, ""},         {"it4", 1040, F, ""},        {"nl1", 1043, M, ""},
    {"nl2", 1043, M, ""},         {"nl3", 1043, F, ""},        {"pl1", 1045, F, ""},
    {"br1", 1046, M, ""},         {"br2", 1046, F, ""},        {"br3", 1046, M, ""},
    {"br4", 1046, F, ""},         {"ro1", 1048, M, ""},        {"cr1", 1050, M, ""},
    {"sw1", 1053, M, ""},         {"sw2", 1053, F, ""},        {"tr1", 1055, M, ""},
    {"tr2", 1055, F, ""},         {"pt1", 2070, F, ""},        {"es1", 3082, M, ""},
    {"es2", 3082, M, ""},         {"es3", 3082, F, ""},        {"es4", 3082, M, ""},
};

// A name read from a voice file becomes part of a path: only plain names.
bool isPlainName(const QString& name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_-]{1,64}$"));
    return plain.match(name).hasMatch();
}

bool isNonEmptyFile(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && info.size() > 0;
}

QByteArray readVoiceFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxVoiceFileBytes) {
        return {};
    }
    return file.read(MaxVoiceFileBytes);
}

bool hasDatabase(const MbrolaPlaces& places, const QString& database)
{
    for (const QString& pattern : places.databasePatterns) {
        if (isNonEmptyFile(pattern.arg(database))) {
            return true;
        }
    }
    return false;
}

} // namespace

const QList<MbrolaVoice>& MbrolaVoices::known()
{
    static const QList<MbrolaVoice> voices = [] {
        QList<MbrolaVoice> list;
        for (const Row& row : Rows) {
            list.append(MbrolaVoice{QString::fromLatin1(row.id), row.language, row.gender,
                                    QString::fromLatin1(row.accent)});
        }
        return list;
    }();
    return voices;
}

MbrolaPlaces MbrolaVoices::systemPlaces(const QString& espeakData)
{
    MbrolaPlaces places;
    places.espeakData = espeakData;
    places.databasePatterns = {
        espeakData + QStringLiteral("/mbrola/%1"),
        QStringLiteral("/usr/share/mbrola/%1"),
        QStringLiteral("/usr/share/mbrola/%1/%1"),
        QStringLiteral("/usr/share/mbrola/voices/%1"),
    };
    places.program = QStandardPaths::findExecutable(QStringLiteral("mbrola"));
    return places;
}

MbrolaVoiceFile MbrolaVoices::parseVoiceFile(const QByteArray& contents)
{
    const QList<QByteArray> lines = contents.split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() < 3 || words.at(0) != "mbrola") {
            continue;
        }
        const QString database = QString::fromLatin1(words.at(1));
        const QString table = QString::fromLatin1(words.at(2));
        if (isPlainName(database) && isPlainName(table)) {
            return MbrolaVoiceFile{database, table};
        }
        return {};
    }
    return {};
}

QList<MbrolaVoice> MbrolaVoices::usable(const MbrolaPlaces& places, QString* problem)
{
    QList<MbrolaVoice> result;
    auto fail = [problem](const QString& why) {
        if (problem) {
            *problem = why;
        }
        return QList<MbrolaVoice>{};
    };
    if (places.program.isEmpty() || !QFileInfo(places.program).isExecutable()) {
        return fail(QStringLiteral("the mbrola program is not installed"));
    }
    if (places.espeakData.isEmpty() || !QFileInfo(places.espeakData).isDir()) {
        return fail(QStringLiteral("espeak-ng's data folder was not found"));
    }
    const QDir data(places.espeakData);
    for (const MbrolaVoice& voice : known()) {
        const MbrolaVoiceFile file = parseVoiceFile(
            readVoiceFile(data.filePath(QStringLiteral("voices/mb/") + voice.espeakVoice())));
        if (file.database.isEmpty() ||
            !isNonEmptyFile(data.filePath(QStringLiteral("mbrola_ph/") + file.phonemeTable)) ||
            !hasDatabase(places, file.database)) {
            continue;
        }
        result.append(voice);
    }
    if (result.isEmpty()) {
        return fail(QStringLiteral("no MBROLA voice is installed"));
    }
    return result;
}

namespace {

bool isWordLetter(char32_t c)
{
    return QChar::isLetterOrNumber(c) || QChar::isMark(c);
}

} // namespace

CodePoints::CodePoints(const QString& text)
    : m_text(text)
{
    m_offsets.reserve(text.size() + 1);
    for (qsizetype i = 0; i < text.size(); ++i) {
        m_offsets.append(static_cast<int>(i));
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() &&
            text.at(i + 1).isLowSurrogate()) {
            ++i;
        }
    }
    m_offsets.append(static_cast<int>(text.size()));
}

int CodePoints::offsetOf(int codePoint) const
{
    return m_offsets.at(std::clamp<qsizetype>(codePoint, 0, m_offsets.size() - 1));
}

char32_t CodePoints::at(int codePoint) const
{
    const int offset = offsetOf(codePoint);
    if (offset >= m_text.size()) {
        return 0;
    }
    const QChar first = m_text.at(offset);
    if (first.isHighSurrogate() && offset + 1 < m_text.size() &&
        m_text.at(offset + 1).isLowSurrogate()) {
        return QChar::surrogateToUcs4(first, m_text.at(offset + 1));
    }
    return first.unicode();
}

bool CodePoints::startsWord(int codePoint) const
{
    if (codePoint < 0 || codePoint >= count() || !isWordLetter(at(codePoint))) {
        return false;
    }
    return codePoint == 0 || !isWordLetter(at(codePoint - 1));
}

int CodePoints::wordEnd(int codePoint) const
{
    int end = codePoint;
    while (end < count()) {
        const char32_t c = at(end);
        const bool apostrophe = c == U'\'' || c == U'\u2019';
        if (!isWordLetter(c) && !(apostrophe && end + 1 < count() && isWordLetter(at(end + 1)))) {
            break;
        }
        ++end;
    }
    return end;
}

void MbrolaTiming::wordAt(int codePoint, qint64 timeMs)
{
    if (codePoint < m_scanFrom || !m_text.startsWord(codePoint)) {
        return; // a repeated or clause position, or inside the last word
    }
    timeMs = std::max(timeMs, m_lastTime);
    placeSkippedWords(codePoint, timeMs);
    add(codePoint, timeMs);
}

void MbrolaTiming::mouthAt(qint64 timeMs, int shape)
{
    m_mouths.append(MouthTiming{std::max(timeMs, m_lastMouthTime), shape});
    m_lastMouthTime = m_mouths.last().timeMs;
    if (shape == 0) {
        m_lastClosedMs = m_lastMouthTime;
    }
}

void MbrolaTiming::release(qint64 audioMs, SynthesisSink& sink)
{
    qsizetype words = 0;
    while (words < m_words.size() && m_words.at(words).timeMs <= audioMs) {
        sink.word(m_words.at(words++));
    }
    m_words.remove(0, words);
    qsizetype mouths = 0;
    while (mouths < m_mouths.size() && m_mouths.at(mouths).timeMs <= audioMs) {
        sink.mouth(m_mouths.at(mouths++));
    }
    m_mouths.remove(0, mouths);
}

void MbrolaTiming::finish(qint64 durationMs, SynthesisSink& sink)
{
    const qint64 speechEnd =
        m_lastClosedMs > m_lastTime ? std::min(m_lastClosedMs, durationMs) : durationMs;
    placeSkippedWords(m_text.count(), std::max(speechEnd, m_lastTime));
    for (WordTiming& word : m_words) {
        word.timeMs = std::min(word.timeMs, durationMs);
    }
    for (MouthTiming& mouth : m_mouths) {
        mouth.timeMs = std::min(mouth.timeMs, durationMs);
    }
    release(durationMs, sink);
}

void MbrolaTiming::add(int codePoint, qint64 timeMs)
{
    const int end = m_text.wordEnd(codePoint);
    const int from = m_text.offsetOf(codePoint);
    m_words.append(WordTiming{from, m_text.offsetOf(end) - from, timeMs});
    m_lastStart = codePoint;
    m_lastTime = timeMs;
    m_scanFrom = end;
}

// The words between the last one and `codePoint` (said at `timeMs`), spread
// over the time between by their place in the text.
void MbrolaTiming::placeSkippedWords(int codePoint, qint64 timeMs)
{
    const int fromPoint = std::max(m_lastStart, 0);
    const qint64 fromTime = m_lastTime;
    const int span = std::max(1, codePoint - fromPoint);
    for (int at = m_scanFrom; at < codePoint; ++at) {
        if (m_text.startsWord(at)) {
            add(at, fromTime + (timeMs - fromTime) * (at - fromPoint) / span);
            at = m_scanFrom - 1;
        }
    }
}

} // namespace clipvoice::agent::voice
