// The pieces under the engines: cutting and cleaning text, mouth shapes, WAV
// data, sample rate conversion and reading Open JTalk's trace.

#include <QTest>
#include <QtEndian>

#include <cmath>

#include "VoiceTestUtil.h"
#include "agent/voice/EspeakEngine.h"
#include "agent/voice/MouthShapes.h"
#include "agent/voice/OpenJTalkEngine.h"
#include "agent/voice/PcmAudio.h"
#include "agent/voice/SoundDecoder.h"
#include "agent/voice/TextChunker.h"

using namespace clipvoice::agent::voice;

namespace {

QByteArray toneAt(int sampleRate, double hertz, int ms, double amplitude)
{
    QByteArray pcm(sampleRate * ms / 1000 * 2, '\0');
    for (int i = 0; i < pcm.size() / 2; ++i) {
        const double v = amplitude * 32767.0 * std::sin(2.0 * M_PI * hertz * i / sampleRate);
        qToLittleEndian<qint16>(static_cast<qint16>(std::lround(v)), pcm.data() + i * 2);
    }
    return pcm;
}

QByteArray tone(int sampleRate, int ms, double amplitude)
{
    return toneAt(sampleRate, 440.0, ms, amplitude);
}

// A trace as open_jtalk writes it for "今日は。" (labels shortened).
const char* const TodayTrace = R"([Text analysis result]
今日,名詞,副詞可能,*,*,*,*,今日,キョウ,キョー,1/2,C3,-1
は,助詞,係助詞,*,*,*,*,は,ハ,ワ,0/1,名詞%F1/動詞%F2@0/形容詞%F2@0,1
。,記号,句点,*,*,*,*,。,、,、,0/0,*,0

[Output label]
0 3100000 xx^xx-sil+ky=o/A:xx+xx+xx
3100000 4300000 xx^sil-ky+o=o/A:0+1+3
4300000 4950000 sil^ky-o+o=w/A:0+1+3
4950000 5800000 ky^o-o+w=a/A:1+2+2
5800000 6650000 o^o-w+a=sil/A:2+3+1
6650000 7150000 o^w-a+sil=xx/A:2+3+1
7150000 9000000 w^a-sil+xx=xx/A:xx+xx+xx

[Global parameter]
Sampring frequency                     ->    48000(Hz)
)";

} // namespace

class TestVoiceText : public QObject
{
    Q_OBJECT

private slots:
    void chunksStayWithinTheLimitAndKeepAllText_data();
    void chunksStayWithinTheLimitAndKeepAllText();
    void chunksPreferSentenceEnds();
    void sanitizeKeepsOffsets();
    void mouthShapesFromPhonemes();
    void mouthShapesFromLoudness();
    void mouthShapesFromTheSpectrum();
    void wavRoundTripAndOtherFormats();
    void malformedWavIsRefused();
    void resamplerKeepsDurationAcrossPieces();
    void speedMapping();
    void jtalkTraceGivesWordsAndMouths();
    void jtalkTraceMatchesFullWidthWords();
    void jtalkTraceOfGarbageIsEmpty();
    void estimatedWordsSpreadOverDuration();
};

void TestVoiceText::chunksStayWithinTheLimitAndKeepAllText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("limit");
    QString english;
    for (int i = 0; i < 300; ++i) {
        english += QStringLiteral("Sentence number %1 is here. ").arg(i);
    }
    QTest::newRow("english sentences") << english << 600;
    QTest::newRow("one endless word") << QString(5000, QLatin1Char('x')) << 600;
    QString japanese;
    for (int i = 0; i < 100; ++i) {
        japanese += QStringLiteral("今日は良い天気です。明日も晴れるでしょう、たぶん");
    }
    QTest::newRow("japanese") << japanese << 200;
    QString emoji;
    for (int i = 0; i < 400; ++i) {
        emoji += QStringLiteral("\U0001F600");
    }
    QTest::newRow("surrogate pairs") << emoji << 101;
    QTest::newRow("short") << QStringLiteral("Hi there.") << 600;
    QTest::newRow("only spaces") << QStringLiteral("     \n  ") << 3;
}

void TestVoiceText::chunksStayWithinTheLimitAndKeepAllText()
{
    QFETCH(QString, text);
    QFETCH(int, limit);
    const QList<TextChunk> chunks = TextChunker::split(text, limit);
    QString rebuilt(text.size(), QLatin1Char(' '));
    int lastEnd = 0;
    for (const TextChunk& chunk : chunks) {
        QVERIFY(chunk.text.size() <= limit);
        QVERIFY(!chunk.text.trimmed().isEmpty());
        QVERIFY(chunk.offset >= lastEnd);
        QCOMPARE(text.mid(chunk.offset, chunk.text.size()), chunk.text);
        QVERIFY(!chunk.text.front().isLowSurrogate());
        QVERIFY(!chunk.text.back().isHighSurrogate());
        rebuilt.replace(chunk.offset, chunk.text.size(), chunk.text);
        lastEnd = chunk.offset + static_cast<int>(chunk.text.size());
    }
    // Only white space is left out.
    QCOMPARE(rebuilt.simplified(),
             QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')).simplified());
}

void TestVoiceText::chunksPreferSentenceEnds()
{
    const QString text =
        QStringLiteral("First sentence is short. Second one runs on for a while longer here");
    const QList<TextChunk> chunks = TextChunker::split(text, 50);
    QCOMPARE(chunks.size(), 2);
    QCOMPARE(chunks.at(0).text, QStringLiteral("First sentence is short."));

    const QString japanese = QStringLiteral("今日は良い天気です。明日も晴れるでしょう");
    const QList<TextChunk> pieces = TextChunker::split(japanese, 15);
    QCOMPARE(pieces.at(0).text, QStringLiteral("今日は良い天気です。"));
    QCOMPARE(pieces.at(1).offset, 10);

    // Sentence by sentence, marks staying with their sentence.
    const QString mixed = QStringLiteral("Really?! Yes. 今日は。「晴れ」です。 No end");
    QStringList sentences;
    for (const TextChunk& chunk : TextChunker::split(mixed, 200, true)) {
        sentences.append(chunk.text.trimmed());
    }
    QCOMPARE(sentences, QStringList({QStringLiteral("Really?!"), QStringLiteral("Yes."),
                                     QStringLiteral("今日は。"), QStringLiteral("「晴れ」です。"),
                                     QStringLiteral("No end")}));
    QCOMPARE(TextChunker::split(QStringLiteral("3.14 is pi."), 200, true).size(), 1);
}

void TestVoiceText::sanitizeKeepsOffsets()
{
    const QString text = QStringLiteral("a\x01"
                                        "b\nc\u2028d") +
                         QChar(0xD800) + QStringLiteral("e\U0001F600");
    const QString clean = TextChunker::sanitize(text);
    QCOMPARE(clean.size(), text.size());
    QCOMPARE(clean, QStringLiteral("a b c d e\U0001F600"));
    // Markup is left for the engine to read as text.
    const QString markup = QStringLiteral("<speak>\\Spd=400\\ [[h@'loU]]</speak>");
    QCOMPARE(TextChunker::sanitize(markup), markup);
}

void TestVoiceText::mouthShapesFromPhonemes()
{
    // espeak-ng mnemonics
    QCOMPARE(MouthShapes::fromEspeakPhoneme(QStringLiteral("_:")), 0);
    QCOMPARE(MouthShapes::fromEspeakPhoneme(QStringLiteral("m")), 0);
    QCOMPARE(MouthShapes::fromEspeakPhoneme(QStringLiteral("b")), 0);
    QCOMPARE(MouthShapes::fromEspeakPhoneme(QStringLiteral("t")), 1);
    QCOMPARE(MouthShapes::fromEspeakPhoneme(QStringLiteral("i:")), 2);
    QCOMPARE(MouthShapes::fromEspeakPhoneme(QStringLiteral("@")), 2);
    QCOMPARE(MouthShapes::fromEspeakPhoneme(QStringLiteral("E")), 3);
    QCOMPARE(MouthShapes::fromEspeakPhoneme(QStringLiteral("aI")), 4);
    QCOMPARE(MouthShapes::fromEspeakPhoneme(QStringLiteral("oU")), 5);
    QCOMPARE(MouthShapes::fromEspeakPhoneme(QStringLiteral("u:")), 6);
    QCOMPARE(MouthShapes::fromEspeakPhoneme(QStringLiteral("tS")), 6);
    QCOMPARE(MouthShapes::fromEspeakPhoneme(QString()), 0);
    // Open JTalk phonemes
    QCOMPARE(MouthShapes::fromJTalkPhoneme(QStringLiteral("pau")), 0);
    QCOMPARE(MouthShapes::fromJTalkPhoneme(QStringLiteral("N")), 0);
    QCOMPARE(MouthShapes::fromJTalkPhoneme(QStringLiteral("my")), 0);
    QCOMPARE(MouthShapes::fromJTalkPhoneme(QStringLiteral("a")), 4);
    QCOMPARE(MouthShapes::fromJTalkPhoneme(QStringLiteral("I")), 2);
    QCOMPARE(MouthShapes::fromJTalkPhoneme(QStringLiteral("e")), 3);
    QCOMPARE(MouthShapes::fromJTalkPhoneme(QStringLiteral("o")), 5);
    QCOMPARE(MouthShapes::fromJTalkPhoneme(QStringLiteral("U")), 6);
    QCOMPARE(MouthShapes::fromJTalkPhoneme(QStringLiteral("sh")), 6);
    QCOMPARE(MouthShapes::fromJTalkPhoneme(QStringLiteral("ky")), 1);
}

void TestVoiceText::mouthShapesFromLoudness()
{
    QCOMPARE(MouthShapes::fromLoudness(0.0), 0);
    QCOMPARE(MouthShapes::fromLoudness(std::nan("")), 0);
    int last = 0;
    for (double rms = 0.0; rms <= 1.0; rms += 0.01) {
        const int shape = MouthShapes::fromLoudness(rms);
        QVERIFY(shape >= last); // louder never closes the mouth
        QVERIFY(shape >= 0 && shape <= 4);
        last = shape;
    }
    QCOMPARE(last, 4);

    // Silence, a loud tone, silence: closed, open, closed, at the right times.
    // (A tone of 1 kHz, like the first formant of an open vowel.)
    QByteArray pcm = QByteArray(16000 / 10 * 2, '\0'); // 100 ms
    pcm += toneAt(16000, 1000, 200, 0.5);
    pcm += QByteArray(16000 / 10 * 2, '\0');
    const QList<MouthTiming> shapes = MouthShapes::fromSamples(pcm, 16000, 1000, 50);
    QCOMPARE(shapes.size(), 3);
    QCOMPARE(shapes.at(0), (MouthTiming{1000, 0}));
    QCOMPARE(shapes.at(1), (MouthTiming{1100, 4}));
    QCOMPARE(shapes.at(2), (MouthTiming{1300, 0}));
}

void TestVoiceText::mouthShapesFromTheSpectrum()
{
    // Low frequencies alone round the lips; hiss nearly closes them; both
    // stay closed in silence, whatever the rate of the samples.
    for (const int rate : {16000, 22050, 48000}) {
        const QList<MouthTiming> low =
            MouthShapes::fromSamples(toneAt(rate, 250, 100, 0.5), rate, 0, 50);
        QCOMPARE(low.first().shape, 5);
        QByteArray hiss(rate / 10 * 2, '\0');
        quint32 seed = 1;
        for (qsizetype i = 0; i < hiss.size() / 2; ++i) {
            seed = seed * 1664525u + 1013904223u;
            const auto v = static_cast<qint16>(static_cast<int>(seed >> 16) % 16000 - 8000);
            qToLittleEndian<qint16>(v, hiss.data() + i * 2);
        }
        QCOMPARE(MouthShapes::fromSamples(hiss, rate, 0, 50).first().shape, 1);
        QCOMPARE(
            MouthShapes::fromSamples(QByteArray(rate / 10 * 2, '\0'), rate, 0, 50).first().shape,
            0);
    }
    QCOMPARE(MouthShapes::fromSound(0.0, 100.0), 0);
    QCOMPARE(MouthShapes::fromSound(0.03, 100.0), 1); // quiet and low: barely open
    QCOMPARE(MouthShapes::fromSound(0.3, 2000.0), 4);
}

void TestVoiceText::wavRoundTripAndOtherFormats()
{
    const QByteArray pcm = tone(22050, 100, 0.3);
    const QByteArray wav = WavCodec::header(pcm.size(), 22050) + pcm;
    const PcmAudio decoded = decodeSound(wav).audio;
    QCOMPARE(decoded.sampleRate, 22050);
    QCOMPARE(decoded.samples, pcm);
    QCOMPARE(decoded.durationMs(), 100);

    // 8-bit unsigned stereo at 11025 Hz with an extra chunk before the data.
    QByteArray stereo;
    stereo += "RIFF";
    stereo += QByteArray(4, '\0');
    stereo += "WAVEfmt ";
    const uchar fmt[] = {16, 0, 0, 0, 1, 0, 2, 0, 0x11, 0x2B, 0, 0, 0x22, 0x56, 0, 0, 2, 0, 8, 0};
    stereo += QByteArray(reinterpret_cast<const char*>(fmt), sizeof fmt);
    stereo += "LIST";
    const uchar listSize[] = {3, 0, 0, 0, 'a', 'b', 'c', 0};
    stereo += QByteArray(reinterpret_cast<const char*>(listSize), sizeof listSize);
    stereo += "data";
    const uchar dataSize[] = {4, 0, 0, 0, 255, 255, 128, 0};
    stereo += QByteArray(reinterpret_cast<const char*>(dataSize), sizeof dataSize);
    const DecodedSound sound = decodeSound(stereo);
    const PcmAudio& small = sound.audio;
    QVERIFY2(small.sampleRate == 11025, qPrintable(sound.error));
    QCOMPARE(small.samples.size(), 4);
    QCOMPARE(qFromLittleEndian<qint16>(small.samples.constData()), qint16{127 * 256});
    QCOMPARE(qFromLittleEndian<qint16>(small.samples.constData() + 2), qint16{-64 * 256});
}

void TestVoiceText::malformedWavIsRefused()
{
    const QByteArray good = WavCodec::header(8, 8000) + QByteArray(8, '\1');
    QByteArray badFormat = good;
    badFormat[20] = 0x22; // DSP Group TrueSpeech
    QByteArray noChannels = good;
    noChannels[22] = 0;
    const QList<QByteArray> bad{QByteArray(),
                                QByteArray("RIFF"),
                                good.left(30),
                                QByteArray(100, '\xff'),
                                badFormat,
                                noChannels,
                                QByteArray("RIFF\xff\xff\xff\xffWAVEdata\xff\xff\xff\xff")};
    for (const QByteArray& wav : bad) {
        const DecodedSound sound = decodeSound(wav);
        QVERIFY(sound.audio.samples.isEmpty());
        QVERIFY(!sound.error.isEmpty());
    }
    // A data chunk claiming more than there is: refused, not read past.
    QByteArray truncated = WavCodec::header(1000, 8000) + QByteArray(10, '\0');
    QVERIFY(!decodeSound(truncated).ok());
}

void TestVoiceText::resamplerKeepsDurationAcrossPieces()
{
    const QByteArray input = tone(22050, 1000, 0.5);
    Resampler whole(22050, 48000);
    const QByteArray once = whole.process(input);
    Resampler pieces(22050, 48000);
    QByteArray joined;
    for (qsizetype i = 0; i < input.size(); i += 882) {
        joined += pieces.process(input.mid(i, 882));
    }
    QVERIFY(std::abs(once.size() / 2 - 48000) <= 2);
    // Fed in pieces, the output is the same but for rounding.
    QVERIFY(std::abs(joined.size() - once.size()) <= 2);
    int worst = 0;
    for (qsizetype i = 0; i + 1 < std::min(joined.size(), once.size()); i += 2) {
        worst = std::max(worst, std::abs(qFromLittleEndian<qint16>(joined.constData() + i) -
                                         qFromLittleEndian<qint16>(once.constData() + i)));
    }
    QVERIFY2(worst <= 2, qPrintable(QString::number(worst)));
    // Loudness survives the conversion.
    QVERIFY(std::abs(WavCodec::rms(once) - WavCodec::rms(input)) < 0.01);

    Resampler down(48000, 16000);
    QVERIFY(std::abs(down.process(tone(48000, 300, 0.5)).size() / 2 - 4800) <= 2);
    Resampler same(48000, 48000);
    QCOMPARE(same.process(input), input);
}

void TestVoiceText::speedMapping()
{
    QCOMPARE(SpeechSettings::rateFactor(50), 1.0);
    QCOMPARE(SpeechSettings::rateFactor(100), 2.0);
    QCOMPARE(SpeechSettings::rateFactor(0), 0.5);
    QCOMPARE(SpeechSettings::rateFactor(500), 2.0);
    QCOMPARE(EspeakEngine::wordsPerMinute(50), 175);
    QVERIFY(EspeakEngine::wordsPerMinute(0) >= 80);
    QVERIFY(EspeakEngine::wordsPerMinute(100) <= 450);
    QVERIFY(EspeakEngine::wordsPerMinute(70) > EspeakEngine::wordsPerMinute(60));
    QCOMPARE(SpeechSettings::speedFromWordsPerMinute(175), 50);
    QCOMPARE(SpeechSettings::speedFromWordsPerMinute(350), 100);
    QCOMPARE(SpeechSettings::speedFromWordsPerMinute(10000), 100);
    QCOMPARE(SpeechSettings::speedFromWordsPerMinute(0), 50);
}

void TestVoiceText::jtalkTraceGivesWordsAndMouths()
{
    const QString text = QStringLiteral("今日は。");
    const JTalkTiming timing = OpenJTalkEngine::parseTrace(QString::fromUtf8(TodayTrace), text);
    QCOMPARE(timing.words, (QList<WordTiming>{{0, 2, 310}, {2, 1, 580}}));
    QCOMPARE(timing.mouths,
             (QList<MouthTiming>{{0, 0}, {310, 1}, {430, 5}, {580, 6}, {665, 4}, {715, 0}}));
    QCOMPARE(timing.speechStartMs, 310);
    QCOMPARE(timing.speechEndMs, 715);

    // The 310 ms of silence before and 185 ms after shrink to short pauses,
    // and the timing moves with the audio.
    JTalkTiming trimmed = timing;
    PcmAudio audio{QByteArray(48 * 900 * 2, '\1'), 48000};
    OpenJTalkEngine::trimSilence(audio, trimmed);
    QCOMPARE(audio.durationMs(), 50 + 405 + 185);
    QCOMPARE(trimmed.words, (QList<WordTiming>{{0, 2, 50}, {2, 1, 320}}));
    QCOMPARE(trimmed.mouths.first(), (MouthTiming{0, 0}));
    QCOMPARE(trimmed.mouths.at(1), (MouthTiming{50, 1}));
    QCOMPARE(trimmed.mouths.last(), (MouthTiming{455, 0}));
}

void TestVoiceText::jtalkTraceMatchesFullWidthWords()
{
    // open_jtalk turns ASCII into full-width forms; offsets still point at
    // the original characters, after the text before them.
    const QString trace = QStringLiteral("[Text analysis result]\n"
                                         "Ｈｉ,名詞,一般,*,*,*,*,Ｈｉ,ハイ,ハイ,1/2,C1,-1\n"
                                         "\u3000,記号,空白,*,*,*,*,\u3000,、,、,0/0,*,0\n"
                                         "ｂｏｂ,名詞,一般,*,*,*,*,ｂｏｂ,ボブ,ボブ,1/2,C1,-1\n"
                                         "[Output label]\n"
                                         "0 1000000 xx^xx-sil+h=a/A\n"
                                         "1000000 2000000 xx^sil-h+a=i/A\n"
                                         "2000000 3000000 sil^h-a+i=b/A\n"
                                         "3000000 4000000 h^a-i+b=o/A\n"
                                         "4000000 5000000 a^i-b+o=b/A\n"
                                         "5000000 6000000 i^b-o+b=u/A\n"
                                         "6000000 7000000 b^o-b+u=sil/A\n"
                                         "7000000 8000000 o^b-u+sil=xx/A\n");
    const JTalkTiming timing = OpenJTalkEngine::parseTrace(trace, QStringLiteral("Hi bob"));
    QCOMPARE(timing.words, (QList<WordTiming>{{0, 2, 100}, {3, 3, 400}}));
}

void TestVoiceText::jtalkTraceOfGarbageIsEmpty()
{
    for (const QString& trace :
         {QString(), QStringLiteral("[Output label]\n1 2\nx y z\n"),
          QStringLiteral("[Text analysis result]\n,,,,\n[Output label]\n0 10 a-b\n")}) {
        const JTalkTiming timing = OpenJTalkEngine::parseTrace(trace, QStringLiteral("abc"));
        QVERIFY(timing.words.isEmpty());
    }
}

void TestVoiceText::estimatedWordsSpreadOverDuration()
{
    const QString text = QStringLiteral("今日は、カタカナ abc!");
    const QList<WordTiming> words = OpenJTalkEngine::estimateWords(text, 1100);
    // kanji, hiragana, katakana and latin runs, punctuation and spaces dropped
    QCOMPARE(words, (QList<WordTiming>{{0, 2, 0}, {2, 1, 220}, {4, 4, 330}, {9, 3, 770}}));
    QVERIFY(OpenJTalkEngine::estimateWords(QStringLiteral("、。!"), 1000).isEmpty());
}

QTEST_GUILESS_MAIN(TestVoiceText)
#include "VoiceTextTest.moc"
