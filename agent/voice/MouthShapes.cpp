#include "agent/voice/MouthShapes.h"

#include <cmath>
#include <cstring>

namespace clipvoice::agent::voice {

namespace {

int fromVowelLetter(QChar c)
{
    switch (c.toLatin1()) {
    case 'a':
    case 'A':
    case 'V': // as in "cup"
    case '&':
        return 4;
    case 'e':
    case 'E':
    case '{': // as in "cat"
        return 3;
    case 'i':
    case 'I':
    case 'y':
    case '@':
    case '3':
        return 2;
    case 'o':
    case 'O':
    case '0':
        return 5;
    case 'u':
    case 'U':
    case 'w':
        return 6;
    default:
        return -1;
    }
}

} // namespace

int MouthShapes::fromEspeakPhoneme(const QString& phoneme)
{
    if (phoneme.isEmpty()) {
        return 0;
    }
    const QChar first = phoneme.at(0);
    // Pauses, and the lips closed for p, b and m.
    if (first == QLatin1Char('_') || first == QLatin1Char('p') || first == QLatin1Char('b') ||
        first == QLatin1Char('m')) {
        return 0;
    }
    if (phoneme.startsWith(QLatin1String("tS")) || phoneme.startsWith(QLatin1String("dZ")) ||
        first == QLatin1Char('S') || first == QLatin1Char('Z')) {
        return 6;
    }
    const int vowel = fromVowelLetter(first);
    return vowel >= 0 ? vowel : 1;
}

int MouthShapes::fromJTalkPhoneme(const QString& phoneme)
{
    if (phoneme.isEmpty() || phoneme == QLatin1String("pau") || phoneme == QLatin1String("sil") ||
        phoneme == QLatin1String("cl") || phoneme == QLatin1String("N")) {
        return 0;
    }
    if (phoneme.size() == 1) {
        const QChar c = phoneme.at(0).toLower();
        switch (c.toLatin1()) {
        case 'a':
            return 4;
        case 'e':
            return 3;
        case 'i':
            return 2;
        case 'o':
            return 5;
        case 'u':
        case 'w':
            return 6;
        case 'p':
        case 'b':
        case 'm':
            return 0;
        default:
            return 1;
        }
    }
    if (phoneme == QLatin1String("sh") || phoneme == QLatin1String("ch") ||
        phoneme == QLatin1String("ts")) {
        return 6;
    }
    // Palatalised p, b and m still close the lips.
    if (phoneme == QLatin1String("py") || phoneme == QLatin1String("by") ||
        phoneme == QLatin1String("my")) {
        return 0;
    }
    return 1;
}

int MouthShapes::fromLoudness(double rms)
{
    if (!(rms >= 0.02)) { // also catches NaN
        return 0;
    }
    if (rms < 0.05) {
        return 1;
    }
    if (rms < 0.09) {
        return 2;
    }
    if (rms < 0.15) {
        return 3;
    }
    return 4;
}

int MouthShapes::fromSound(double rms, double crossingsPerSecond)
{
    const int open = fromLoudness(rms);
    if (open == 0)
        return 0;
    // Hiss (s, sh, f) crosses zero thousands of times a second: the teeth are
    // nearly closed, however loud it is.
    if (crossingsPerSecond > HissCrossingsPerSecond)
        return 1;
    // A loud sound with little but low frequencies is a rounded vowel (o, u).
    if (open >= 2 && crossingsPerSecond < RoundedCrossingsPerSecond)
        return 5;
    return open;
}

QList<MouthTiming> MouthShapes::fromSamples(const QByteArray& pcm, int sampleRate, qint64 startMs,
                                            int stepMs, int previousShape)
{
    QList<MouthTiming> result;
    if (sampleRate <= 0 || stepMs <= 0) {
        return result;
    }
    const qsizetype sampleCount = pcm.size() / 2;
    const qsizetype step = std::max<qsizetype>(1, qsizetype{sampleRate} * stepMs / 1000);
    int last = previousShape;
    for (qsizetype start = 0; start < sampleCount; start += step) {
        const qsizetype end = std::min(sampleCount, start + step);
        double sum = 0.0;
        qsizetype crossings = 0;
        bool wasNegative = false;
        for (qsizetype i = start; i < end; ++i) {
            qint16 sample = 0;
            std::memcpy(&sample, pcm.constData() + i * 2, sizeof sample);
            const double value = sample / 32768.0;
            sum += value * value;
            const bool negative = sample < 0;
            if (i > start && negative != wasNegative)
                ++crossings;
            wasNegative = negative;
        }
        const double seconds = static_cast<double>(end - start) / sampleRate;
        const double rms = std::sqrt(sum / static_cast<double>(end - start));
        const int shape = fromSound(rms, static_cast<double>(crossings) / seconds);
        if (shape != last) {
            result.append(MouthTiming{startMs + start * 1000 / sampleRate, shape});
            last = shape;
        }
    }
    return result;
}

} // namespace clipvoice::agent::voice
