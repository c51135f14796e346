#include "agent/voice/OpenJTalkEngine.h"

#include "agent/voice/LanguageVoices.h"
#include "agent/voice/MouthShapes.h"
#include "agent/voice/PcmAudio.h"
#include "agent/voice/SoundDecoder.h"
#include "agent/voice/VoiceRanking.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

namespace clipvoice::agent::voice {

namespace {

constexpr int ProcessTimeoutMs = 60000;

struct Phoneme
{
    qint64 startMs = 0;
    qint64 endMs = 0;
    QString name;
};

constexpr qint64 KeptLeadingSilenceMs = 50;
constexpr qint64 KeptTrailingSilenceMs = 200;

struct AnalysedWord
{
    QString surface;
    int morae = 0;
};

bool endsMora(const QString& phoneme)
{
    if (phoneme == QLatin1String("N") || phoneme == QLatin1String("cl")) {
        return true;
    }
    return phoneme.size() == 1 && QStringLiteral("aiueoAIUEO").contains(phoneme.at(0));
}

// Per code point NFKC form of `text`, with the original offset of each
// character of the normalised text, so analysed words (which open_jtalk
// returns in full-width forms) can be found in the original.
struct NormalisedText
{
    QString text;
    QList<int> origin;    // original offset of each character of `text`
    QList<int> originEnd; // original end offset of each character of `text`
};

NormalisedText normalise(const QString& text)
{
    NormalisedText result;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length =
            (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
                ? 2
                : 1;
        const QString piece = text.mid(i, length).normalized(QString::NormalizationForm_KC);
        for (const QChar c : piece) {
            result.text.append(c);
            result.origin.append(static_cast<int>(i));
            result.originEnd.append(static_cast<int>(i + length));
        }
        i += length;
    }
    return result;
}

} // namespace

OpenJTalkEngine::OpenJTalkEngine(OpenJTalkSetup setup)
    : m_setup(std::move(setup))
{}

QString OpenJTalkEngine::name() const
{
    return QStringLiteral("Open JTalk");
}

bool OpenJTalkEngine::supportsLanguage(qint32 lcid) const
{
    return lcid == LanguageVoices::Japanese && m_setup.isUsable();
}

QList<VoiceInfo> OpenJTalkEngine::voices() const
{
    if (!m_setup.isUsable())
        return {};
    VoiceInfo voice;
    voice.engine = name();
    voice.id = m_setup.voiceName();
    voice.label = QStringLiteral("Open JTalk (%1)").arg(voice.id);
    voice.languages = {LanguageVoices::Japanese};
    // The voice names say m for male, f for female: nitech-jp-atr503-m001.
    voice.gender = voice.id.contains(QLatin1String("-m0"))   ? VoiceGender::Male
                   : voice.id.contains(QLatin1String("-f0")) ? VoiceGender::Female
                                                             : VoiceGender::Unspecified;
    voice.quality = VoiceRanking::OpenJTalk;
    return {voice};
}

JTalkTiming OpenJTalkEngine::parseTrace(const QString& trace, const QString& text)
{
    enum class Section
    {
        None,
        Analysis,
        Labels
    };
    Section section = Section::None;
    QList<AnalysedWord> words;
    QList<Phoneme> phonemes;
    const QStringList lines = trace.split(QLatin1Char('\n'));
    for (const QString& rawLine : lines) {
        const QString line = rawLine.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            section = line == QLatin1String("[Text analysis result]") ? Section::Analysis
                      : line == QLatin1String("[Output label]")       ? Section::Labels
                                                                      : Section::None;
            continue;
        }
        if (line.isEmpty()) {
            continue;
        }
        if (section == Section::Analysis) {
            // surface,part of speech (6 fields),base,reading,pronunciation,
            // accent/morae,chain rule,chain flag: the surface may itself hold commas.
            const QStringList fields = rawLine.split(QLatin1Char(','));
            if (fields.size() < 13) {
                continue;
            }
            const QString surface = fields.mid(0, fields.size() - 12).join(QLatin1Char(','));
            const QString accentMorae = fields.at(fields.size() - 3);
            const int slash = static_cast<int>(accentMorae.indexOf(QLatin1Char('/')));
            const int morae = slash >= 0 ? accentMorae.mid(slash + 1).toInt() : 0;
            words.append(AnalysedWord{surface, morae});
        } else if (section == Section::Labels) {
            const QStringList parts = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (parts.size() < 3) {
                continue;
            }
            const QString& label = parts.at(2);
            const qsizetype minus = label.indexOf(QLatin1Char('-'));
            const qsizetype plus = label.indexOf(QLatin1Char('+'), minus + 1);
            if (minus < 0 || plus < 0) {
                continue;
            }
            // Label times are in units of 100 ns.
            phonemes.append(Phoneme{parts.at(0).toLongLong() / 10000,
                                    parts.at(1).toLongLong() / 10000,
                                    label.mid(minus + 1, plus - minus - 1)});
        }
    }

    JTalkTiming timing;
    int lastShape = -1;
    QList<qint64> moraStarts;
    qint64 currentMoraStart = -1;
    for (const Phoneme& phoneme : phonemes) {
        const int shape = MouthShapes::fromJTalkPhoneme(phoneme.name);
        if (shape != lastShape) {
            timing.mouths.append(MouthTiming{phoneme.startMs, shape});
            lastShape = shape;
        }
        if (phoneme.name == QLatin1String("sil") || phoneme.name == QLatin1String("pau")) {
            continue;
        }
        if (timing.speechStartMs < 0) {
            timing.speechStartMs = phoneme.startMs;
        }
        timing.speechEndMs = phoneme.endMs;
        if (currentMoraStart < 0) {
            currentMoraStart = phoneme.startMs;
        }
        if (endsMora(phoneme.name)) {
            moraStarts.append(currentMoraStart);
            currentMoraStart = -1;
        }
    }

    const NormalisedText normalised = normalise(text);
    qsizetype cursor = 0;
    qsizetype mora = 0;
    for (const AnalysedWord& word : words) {
        const QString surface = word.surface.normalized(QString::NormalizationForm_KC);
        const qsizetype found =
            surface.trimmed().isEmpty() ? -1 : normalised.text.indexOf(surface, cursor);
        int start = -1;
        int end = -1;
        if (found >= 0) {
            start = normalised.origin.at(found);
            end = normalised.originEnd.at(found + surface.size() - 1);
            cursor = found + surface.size();
        }
        if (word.morae > 0 && mora < moraStarts.size()) {
            if (start >= 0) {
                timing.words.append(WordTiming{start, end - start, moraStarts.at(mora)});
            }
            mora += word.morae;
        }
    }
    return timing;
}

QList<WordTiming> OpenJTalkEngine::estimateWords(const QString& text, qint64 durationMs)
{
    // Words are runs of letters of one script (kanji, hiragana, katakana or
    // other letters and digits); punctuation and spaces separate them.
    auto scriptOf = [](QChar c) {
        if (!c.isLetterOrNumber()) {
            return 0;
        }
        const char16_t u = c.unicode();
        if (u >= 0x3040 && u <= 0x309F) {
            return 1;
        }
        if ((u >= 0x30A0 && u <= 0x30FF) || u == 0x30FC) {
            return 2;
        }
        if ((u >= 0x4E00 && u <= 0x9FFF) || (u >= 0x3400 && u <= 0x4DBF) || c.isSurrogate()) {
            return 3;
        }
        return 4;
    };
    QList<WordTiming> words;
    int total = 0;
    for (qsizetype i = 0; i < text.size();) {
        const int script = scriptOf(text.at(i));
        qsizetype j = i + 1;
        while (j < text.size() && scriptOf(text.at(j)) == script) {
            ++j;
        }
        if (script != 0) {
            words.append(WordTiming{static_cast<int>(i), static_cast<int>(j - i), 0});
            total += static_cast<int>(j - i);
        }
        i = j;
    }
    qint64 spoken = 0;
    for (WordTiming& word : words) {
        word.timeMs = total > 0 ? durationMs * spoken / total : 0;
        spoken += word.textLength;
    }
    return words;
}

void OpenJTalkEngine::trimSilence(PcmAudio& audio, JTalkTiming& timing)
{
    const qint64 duration = audio.durationMs();
    if (timing.speechStartMs < 0 || timing.speechEndMs <= timing.speechStartMs ||
        timing.speechEndMs > duration + 50) {
        return;
    }
    const qint64 from = std::max<qint64>(0, timing.speechStartMs - KeptLeadingSilenceMs);
    const qint64 to = std::min(duration, timing.speechEndMs + KeptTrailingSilenceMs);
    const qsizetype first = PcmAudio::bytesFor(from, audio.sampleRate);
    const qsizetype last = PcmAudio::bytesFor(to, audio.sampleRate);
    audio.samples = audio.samples.mid(first, last - first);
    for (WordTiming& word : timing.words) {
        word.timeMs = std::clamp<qint64>(word.timeMs - from, 0, to - from);
    }
    QList<MouthTiming> mouths;
    for (const MouthTiming& mouth : std::as_const(timing.mouths)) {
        const qint64 at = std::clamp<qint64>(mouth.timeMs - from, 0, to - from);
        if (!mouths.isEmpty() && mouths.last().timeMs == at) {
            mouths.last().shape = mouth.shape; // the later shape wins at the cut
        } else {
            mouths.append(MouthTiming{at, mouth.shape});
        }
    }
    timing.mouths = mouths;
    timing.speechStartMs -= from;
    timing.speechEndMs -= from;
}

SynthesisResult OpenJTalkEngine::synthesize(const SynthesisRequest& request, SynthesisSink& sink,
                                            const std::atomic_bool& cancel)
{
    SynthesisResult result;
    if (!m_setup.isUsable()) {
        result.error = m_setup.problem;
        return result;
    }
    QTemporaryDir folder;
    if (!folder.isValid()) {
        result.error = QStringLiteral("no temporary folder for Open JTalk");
        return result;
    }
    // open_jtalk reads only the first line of its input.
    QString line = request.text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    const QString inputPath = folder.filePath(QStringLiteral("in.txt"));
    const QString wavPath = folder.filePath(QStringLiteral("out.wav"));
    const QString tracePath = folder.filePath(QStringLiteral("trace.txt"));
    {
        QFile input(inputPath);
        if (!input.open(QIODevice::WriteOnly) || input.write(line.toUtf8()) < 0) {
            result.error = QStringLiteral("cannot write Open JTalk's input");
            return result;
        }
    }
    QStringList arguments{
        QStringLiteral("-x"),  m_setup.dictionary,
        QStringLiteral("-m"),  m_setup.voice,
        QStringLiteral("-r"),  QString::number(SpeechSettings::rateFactor(request.speed), 'f', 3),
        QStringLiteral("-ow"), wavPath,
        QStringLiteral("-ot"), tracePath};
    if (request.pitch != 50) {
        // Half tones up or down: twelve to an octave.
        const double halfTones = 12.0 * std::log2(SpeechSettings::pitchFactor(request.pitch));
        arguments << QStringLiteral("-fm") << QString::number(halfTones, 'f', 2);
    }
    arguments << inputPath;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(m_setup.program, arguments);
    if (!process.waitForStarted(5000)) {
        result.error = QStringLiteral("Open JTalk did not start: %1").arg(process.errorString());
        return result;
    }
    const QDeadlineTimer deadline(ProcessTimeoutMs);
    while (!process.waitForFinished(20)) {
        if (process.state() == QProcess::NotRunning) {
            break;
        }
        if (cancel.load() || deadline.hasExpired()) {
            process.kill();
            process.waitForFinished(2000);
            result.cancelled = cancel.load();
            if (!result.cancelled) {
                result.error = QStringLiteral("Open JTalk took too long");
            }
            return result;
        }
        process.readAll(); // keep its warnings from filling the pipe
    }
    if (cancel.load()) {
        result.cancelled = true;
        return result;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        result.error = QStringLiteral("Open JTalk failed (exit code %1)").arg(process.exitCode());
        return result;
    }
    QFile wavFile(wavPath);
    if (!wavFile.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("Open JTalk produced no audio");
        return result;
    }
    DecodedSound sound = decodeSound(wavFile.readAll());
    if (!sound.ok()) {
        result.error = QStringLiteral("Open JTalk produced no audio (%1)").arg(sound.error);
        return result;
    }
    PcmAudio audio = std::move(sound.audio);

    JTalkTiming timing;
    QFile traceFile(tracePath);
    if (traceFile.open(QIODevice::ReadOnly)) {
        timing = parseTrace(QString::fromUtf8(traceFile.readAll()), request.text);
    }
    trimSilence(audio, timing);
    if (timing.words.isEmpty()) {
        timing.words = estimateWords(request.text, audio.durationMs());
    }
    if (timing.mouths.isEmpty()) {
        timing.mouths = MouthShapes::fromSamples(audio.samples, audio.sampleRate, 0);
    }

    sink.format(audio.sampleRate);
    for (const WordTiming& word : std::as_const(timing.words)) {
        sink.word(word);
    }
    for (const MouthTiming& mouth : std::as_const(timing.mouths)) {
        sink.mouth(mouth);
    }
    sink.samples(audio.samples);
    result.ok = true;
    return result;
}

} // namespace clipvoice::agent::voice
