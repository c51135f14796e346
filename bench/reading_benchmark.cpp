// A pronunciation dictionary of 10,000 entries (half Japanese, half English
// words) applied to 10 MB of mixed text, line by line as the voice gets it,
// and the reading rules over the same text.

#include "agent/reading/LineReading.h"
#include "agent/reading/PronunciationDictionary.h"
#include "agent/reading/ReadingRules.h"

#include <benchmark/benchmark.h>

#include <QStringList>

#include <random>

using namespace clipvoice::agent::reading;

namespace {

constexpr int kEntries = 10000;
constexpr qsizetype kTextBytes = qsizetype(10) << 20;

QString word(std::mt19937& random, const QString& alphabet, int length)
{
    QString w;
    for (int i = 0; i < length; ++i)
        w += alphabet.at(qsizetype(random() % quint32(alphabet.size())));
    return w;
}

QList<PronunciationEntry> entries()
{
    std::mt19937 random(7);
    const QString kana =
        QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬねの東京都大阪");
    const QString latin = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
    QList<PronunciationEntry> list;
    for (int i = 0; i < kEntries; ++i) {
        const bool japanese = i % 2 == 0;
        list.append({word(random, japanese ? kana : latin, 2 + int(random() % 5)),
                     QStringLiteral("spoken"), japanese ? QStringLiteral("ja") : QString()});
    }
    return list;
}

// Lines of about 80 UTF-16 units: English words, Japanese runs, an address.
QStringList lines()
{
    std::mt19937 random(11);
    const QString kana =
        QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬねの東京都大阪");
    const QString latin = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
    QStringList result;
    qsizetype bytes = 0;
    while (bytes < kTextBytes) {
        QString line;
        while (line.size() < 80) {
            line += word(random, latin, 3 + int(random() % 6)) + QLatin1Char(' ');
            line += word(random, kana, 4 + int(random() % 8));
            if (random() % 20 == 0)
                line += QStringLiteral(" https://www.example.org/path wwwwwww ");
        }
        bytes += line.toUtf8().size();
        result.append(line);
    }
    return result;
}

const QStringList& text()
{
    static const QStringList all = lines();
    return all;
}

void BM_DictionaryOver10MB(benchmark::State& state)
{
    const PronunciationDictionary dictionary(entries());
    const QStringList& all = text();
    for (auto _ : state) {
        const PronunciationMatcher matcher = dictionary.matcherFor(QStringLiteral("ja"));
        qsizetype said = 0;
        for (const QString& line : all)
            said += matcher.apply(line).size();
        benchmark::DoNotOptimize(said);
    }
    state.SetBytesProcessed(state.iterations() * kTextBytes);
}
BENCHMARK(BM_DictionaryOver10MB)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_BuildMatcherFor10000Entries(benchmark::State& state)
{
    const PronunciationDictionary dictionary(entries());
    for (auto _ : state)
        benchmark::DoNotOptimize(dictionary.matcherFor(QStringLiteral("ja")).isEmpty());
}
BENCHMARK(BM_BuildMatcherFor10000Entries)->Unit(benchmark::kMillisecond);

void BM_ReadingRulesOver10MB(benchmark::State& state)
{
    const QStringList& all = text();
    for (auto _ : state) {
        qsizetype said = 0;
        for (const QString& line : all)
            said += applyReadingRules(line, {.addressesAsHostName = true, .shortenRepeats = true})
                        .size();
        benchmark::DoNotOptimize(said);
    }
    state.SetBytesProcessed(state.iterations() * kTextBytes);
}
BENCHMARK(BM_ReadingRulesOver10MB)->Unit(benchmark::kMillisecond)->Iterations(3);

// What the synthesis thread does to each line: the rules, then the
// dictionary, keeping the map from spoken offsets back to the written line,
// and leading every space-separated word back as an engine's word would be.
void BM_LineReadingWithWordMapOver10MB(benchmark::State& state)
{
    const auto matcher = std::make_shared<const PronunciationMatcher>(
        PronunciationDictionary(entries()).matcherFor(QStringLiteral("ja")));
    const LineReading reading(ReadingRules{true, true}, matcher);
    const QStringList& all = text();
    for (auto _ : state) {
        qsizetype mapped = 0;
        for (const QString& line : all) {
            const TextRewrite rewrite = reading.rewrite(line);
            qsizetype start = 0;
            while (start < rewrite.text.size()) {
                qsizetype end = rewrite.text.indexOf(QLatin1Char(' '), start);
                if (end < 0)
                    end = rewrite.text.size();
                mapped += rewrite.map.toWritten({start, end - start}, line.size()).length;
                start = end + 1;
            }
        }
        benchmark::DoNotOptimize(mapped);
    }
    state.SetBytesProcessed(state.iterations() * kTextBytes);
}
BENCHMARK(BM_LineReadingWithWordMapOver10MB)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same text as one 10 MB line, as a single huge copy reaches the voice.
void BM_LineReadingOneHugeLine(benchmark::State& state)
{
    const auto matcher = std::make_shared<const PronunciationMatcher>(
        PronunciationDictionary(entries()).matcherFor(QStringLiteral("ja")));
    const LineReading reading(ReadingRules{true, true}, matcher);
    const QString huge = text().join(QLatin1Char('\n'));
    for (auto _ : state)
        benchmark::DoNotOptimize(reading.rewrite(huge).text.size());
    state.SetBytesProcessed(state.iterations() * kTextBytes);
}
BENCHMARK(BM_LineReadingOneHugeLine)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
