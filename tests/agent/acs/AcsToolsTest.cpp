#include "agent/acs/AcsWriter.h"
#include "agent/acs/format15/Acs15Reader.h"
#include "agent/acs/testing/Acs15Fixtures.h"
#include "agent/acs/testing/SampleCharacter.h"
#include "agent/voice/SoundDecoder.h"
#include "agent/voice/testing/EncodedSounds.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    Run r;
    if (!p.waitForFinished(60000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// A frame with a few flat colours, an outline and a transparent corner; `step`
// moves the shapes so that every frame differs.
QImage frameImage(int step)
{
    QImage img(40, 30, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            if (x + y < 6)
                continue; // transparent corner
            QRgb c = qRgb(250, 210, 60);
            if (x == 0 || y == 0 || x == 39 || y == 29)
                c = qRgb(0, 0, 0);
            else if (x > 8 + step * 5 && x < 20 + step * 5 && y > 8 && y < 20)
                c = qRgb(40, 90, 200);
            img.setPixel(x, y, c);
        }
    }
    return img;
}

QByteArray wave()
{
    return clipvoice::agent::acs::testing::SampleCharacter::wave(8, 1);
}

bool samePixels(const QImage& expected, const QImage& actual, QString* why)
{
    if (expected.size() != actual.size()) {
        *why = QStringLiteral("size differs");
        return false;
    }
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb e = expected.pixel(x, y);
            const QRgb a = actual.pixel(x, y);
            const bool same = qAlpha(e) == 0 ? qAlpha(a) == 0 : a == e;
            if (!same) {
                *why = QStringLiteral("pixel %1,%2: expected %3, got %4")
                           .arg(x)
                           .arg(y)
                           .arg(e, 8, 16)
                           .arg(a, 8, 16);
                return false;
            }
        }
    return true;
}

} // namespace

class TestAcsTools : public QObject
{
    Q_OBJECT

private slots:
    void packThenExportGivesBackTheFrames()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QDir d(dir.path());
        QList<QImage> frames;
        for (int i = 0; i < 3; ++i) {
            frames.append(frameImage(i));
            QVERIFY(frames.last().save(d.filePath(QStringLiteral("f%1.png").arg(i))));
        }
        QImage mouth(6, 4, QImage::Format_ARGB32);
        mouth.fill(qRgb(200, 30, 30));
        QVERIFY(mouth.save(d.filePath(QStringLiteral("mouth.png"))));
        QVERIFY(frameImage(0).scaled(16, 16).save(d.filePath(QStringLiteral("icon.png"))));
        QFile wav(d.filePath(QStringLiteral("hello.wav")));
        QVERIFY(wav.open(QIODevice::WriteOnly));
        wav.write(wave());
        wav.close();

        const auto frame = [](int i, int duration) {
            return QJsonObject{{QStringLiteral("image"), QStringLiteral("f%1.png").arg(i)},
                               {QStringLiteral("duration"), duration}};
        };
        QJsonObject f0 = frame(0, 10);
        f0.insert(QStringLiteral("sound"), QStringLiteral("hello"));
        QJsonObject f1 = frame(1, 5);
        f1.insert(QStringLiteral("branches"),
                  QJsonArray{QJsonObject{{QStringLiteral("frame"), 0},
                                         {QStringLiteral("probability"), 40}}});
        f1.insert(QStringLiteral("exitFrame"), 2);
        QJsonObject f2 = frame(2, 20);
        f2.insert(QStringLiteral("mouths"),
                  QJsonArray{QJsonObject{{QStringLiteral("shape"), QStringLiteral("wide4")},
                                         {QStringLiteral("file"), QStringLiteral("mouth.png")},
                                         {QStringLiteral("x"), 10},
                                         {QStringLiteral("y"), 12}}});
        const QJsonObject manifest{
            {QStringLiteral("localized"),
             QJsonArray{
                 QJsonObject{{QStringLiteral("language"), QStringLiteral("0x0409")},
                             {QStringLiteral("name"), QStringLiteral("Tester")},
                             {QStringLiteral("description"), QStringLiteral("Made by a test")}},
                 QJsonObject{{QStringLiteral("language"), 1031},
                             {QStringLiteral("name"), QStringLiteral("Prüfer")}}}},
            {QStringLiteral("sounds"),
             QJsonObject{{QStringLiteral("hello"), QStringLiteral("hello.wav")}}},
            {QStringLiteral("trayIcon"), QStringLiteral("icon.png")},
            {QStringLiteral("balloon"),
             QJsonObject{{QStringLiteral("lines"), 3},
                         {QStringLiteral("background"), QStringLiteral("#ffffe1")}}},
            {QStringLiteral("voice"),
             QJsonObject{{QStringLiteral("speed"), 160},
                         {QStringLiteral("gender"), QStringLiteral("female")}}},
            {QStringLiteral("states"),
             QJsonObject{{QStringLiteral("Speaking"), QJsonArray{QStringLiteral("Wave")}}}},
            {QStringLiteral("animations"),
             QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("Wave")},
                                    {QStringLiteral("transition"), QStringLiteral("exitBranching")},
                                    {QStringLiteral("frames"), QJsonArray{f0, f1, f2}}}}}};
        const QString manifestPath = d.filePath(QStringLiteral("tester.json"));
        QFile mf(manifestPath);
        QVERIFY(mf.open(QIODevice::WriteOnly));
        mf.write(QJsonDocument(manifest).toJson());
        mf.close();

        const QString acs = d.filePath(QStringLiteral("tester.acs"));
        const Run pack = run(QStringLiteral(ACS_PACK_PATH), {manifestPath});
        QVERIFY2(pack.exitCode == 0, qPrintable(pack.err));
        QVERIFY(QFile::exists(acs));

        const QString exported = d.filePath(QStringLiteral("out"));
        const Run info =
            run(QStringLiteral(ACS_INFO_PATH), {QStringLiteral("--export"), exported, acs});
        QVERIFY2(info.exitCode == 0, qPrintable(info.err));
        QVERIFY2(info.out.contains(QStringLiteral("Name: Tester")), qPrintable(info.out));
        QVERIFY(info.out.contains(QStringLiteral("Description: Made by a test")));
        QVERIFY(info.out.contains(QStringLiteral("Size: 40 x 30")));
        QVERIFY(info.out.contains(QStringLiteral("  Wave: 3 frames, 0.35 s, exit branching")));
        QVERIFY(info.out.contains(QStringLiteral("  SPEAKING: WAVE")));
        QVERIFY(info.out.contains(QStringLiteral("Balloon: 3 lines")));
        QVERIFY(info.out.contains(QStringLiteral("female")));
        QVERIFY(info.out.contains(QStringLiteral("Tray icon: 16 x 16")));
        QVERIFY(info.out.contains(QStringLiteral("Languages: 0x0409, 0x0407")));

        const QDir anim(exported + QStringLiteral("/animations/000-Wave"));
        for (int i = 0; i < 3; ++i) {
            const QImage back(
                anim.filePath(QStringLiteral("frame-%1.png").arg(i, 4, 10, QLatin1Char('0'))));
            QString why;
            QVERIFY2(samePixels(frames[i], back, &why),
                     qPrintable(QStringLiteral("frame %1: %2").arg(i).arg(why)));
        }
        // The 8-bit sound comes out as the 16-bit PCM the program plays.
        QFile sound(exported + QStringLiteral("/sounds/sound-000.wav"));
        QVERIFY(sound.open(QIODevice::ReadOnly));
        const clipvoice::agent::voice::PcmAudio played =
            clipvoice::agent::voice::decodeSound(wave()).audio;
        QCOMPARE(sound.readAll(),
                 clipvoice::agent::voice::WavCodec::header(played.samples.size(), 11025) +
                     played.samples);
        QVERIFY(QFile::exists(exported + QStringLiteral("/images/image-0003.png")));
        QVERIFY(QFile::exists(exported + QStringLiteral("/tray-icon.png")));
    }

    void infoPrintsAndExportsAnOlderCharacter()
    {
        // An older (1.5) character with a damaged animation stream: acs-info
        // lists it as left out, counts the rest, and exports as for 2.0 files.
        using namespace clipvoice::agent::acs;
        const testing::Acs15Fixture fixture = testing::earlyCharacter15();
        QTemporaryDir d;
        const QString acs = d.filePath(QStringLiteral("early.acs"));
        QFile file(acs);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(fixture.write());
        file.close();

        const QString exported = d.filePath(QStringLiteral("out"));
        const Run info =
            run(QStringLiteral(ACS_INFO_PATH), {QStringLiteral("--export"), exported, acs});
        QVERIFY2(info.exitCode == 0, qPrintable(info.err + info.out));
        for (const char* line : {"Name: Early", "Size: 166 x 120", "Format version: 1.31",
                                 "Voice: none", "Balloon: none", "Images: 7 (in the animations)",
                                 "Sounds: 3 (in the animations)", "  Appear: 3 frames",
                                 "  Nervous: damaged, left out", "Warning: animation \"Nervous\""})
            QVERIFY2(info.out.contains(QLatin1String(line)),
                     qPrintable(QLatin1String(line) + QStringLiteral(": ") + info.out));
        QVERIFY2(info.err.contains(QLatin1String("early.acs")), qPrintable(info.err));

        const QDir out(exported);
        QCOMPARE(QDir(exported + QStringLiteral("/images")).entryList(QDir::Files).size(), 7);
        QCOMPARE(QDir(exported + QStringLiteral("/sounds")).entryList(QDir::Files).size(), 3);
        QVERIFY(!out.exists(QStringLiteral("animations/002-Nervous")));
        const QImage frame(exported + QStringLiteral("/animations/001-Wave/frame-0000.png"));
        QCOMPARE(frame.size(), QSize(166, 120));
        QString error;
        const auto reader = Acs15Reader::openData(fixture.write(), QString(), &error);
        QVERIFY2(reader, qPrintable(error));
        QString why;
        QVERIFY2(samePixels(reader->frame(1, 0).convertToFormat(QImage::Format_ARGB32),
                            frame.convertToFormat(QImage::Format_ARGB32), &why),
                 qPrintable(why));
        QFile sound(exported + QStringLiteral("/sounds/sound-000.wav"));
        QVERIFY(sound.open(QIODevice::ReadOnly));
        QVERIFY(sound.read(4) == "RIFF");
    }

    // Each sound's format and whether it plays; the export holds each sound
    // that plays as 16-bit PCM at its own rate and length, and names the rest.
    void soundsArePrintedAndExportedAsPlayed()
    {
        namespace voice = clipvoice::agent::voice;
        using namespace clipvoice::agent::acs;
        voice::testing::SoundSpec spec;
        spec.encoding = voice::testing::SoundEncoding::MsAdpcm;
        spec.sampleRate = 11025;
        spec.milliseconds = 400;
        const QByteArray adpcm = voice::testing::encodeSound(spec);
        QByteArray trueSpeech = voice::WavCodec::header(800, 8000) + QByteArray(800, '\0');
        trueSpeech[20] = 0x22;
        spec.encoding = voice::testing::SoundEncoding::Gsm610;
        spec.sampleRate = 8000;
        const QByteArray gsm = voice::testing::encodeSound(spec);
        testing::SampleCharacter::Options options;
        options.side = 32;
        Character character = testing::SampleCharacter::build(options);
        character.sounds = {adpcm, trueSpeech, gsm};
        for (Animation& animation : character.animations)
            for (Frame& frame : animation.frames)
                frame.soundIndex = NoSound;
        character.animations[0].frames[0].soundIndex = 0;
        character.animations[0].frames[1].soundIndex = 1;
        QTemporaryDir d;
        const QString acs = d.filePath(QStringLiteral("sounds.acs"));
        QString error;
        QVERIFY2(AcsWriter::writeFile(character, acs, &error), qPrintable(error));

        const QString exported = d.filePath(QStringLiteral("out"));
        const Run info =
            run(QStringLiteral(ACS_INFO_PATH), {QStringLiteral("--export"), exported, acs});
        QVERIFY2(info.exitCode == 0, qPrintable(info.err + info.out));
        for (const QString& line :
             {QStringLiteral("Sounds: 3\n"),
              QStringLiteral("  sound 0: MS ADPCM (0x0002), 1 channel, 11025 Hz, %1 bytes, 0.400 "
                             "s: plays\n")
                  .arg(adpcm.size()),
              QStringLiteral("  sound 1: DSP Group TrueSpeech (0x0022), 1 channel, 8000 Hz, 844 "
                             "bytes: not played (no decoder for DSP Group TrueSpeech (0x0022))\n"),
              QStringLiteral("  sound 2: GSM 6.10 (0x0031), 1 channel, 8000 Hz")})
            QVERIFY2(info.out.contains(line),
                     qPrintable(line + QStringLiteral(" in:\n") + info.out));
        QVERIFY2(info.err.contains(QStringLiteral("sound 1 is not exported")),
                 qPrintable(info.err));

        const QDir sounds(exported + QStringLiteral("/sounds"));
        QCOMPARE(sounds.entryList(QDir::Files),
                 (QStringList{QStringLiteral("sound-000.wav"), QStringLiteral("sound-002.wav")}));
        for (const auto& [name, stored] : {std::pair{QStringLiteral("sound-000.wav"), adpcm},
                                           std::pair{QStringLiteral("sound-002.wav"), gsm}}) {
            QFile file(sounds.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            const voice::DecodedSound original = voice::decodeSound(stored);
            const voice::DecodedSound back = voice::decodeSound(bytes);
            QVERIFY2(back.ok(), qPrintable(back.error));
            QCOMPARE(back.header->formatTag, voice::WaveTag::Pcm);
            QCOMPARE(back.header->bitsPerSample, 16);
            QCOMPARE(back.header->channels, 1);
            QCOMPARE(back.audio.sampleRate, original.audio.sampleRate);
            QCOMPARE(back.audio.samples, original.audio.samples);
        }
    }

    void coloursAreQuantisedToThePalette()
    {
        QTemporaryDir dir;
        const QDir d(dir.path());
        // 4,096 colours: more than a palette holds, so a median cut chooses.
        QImage gradient(64, 64, QImage::Format_ARGB32);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                gradient.setPixel(x, y, qRgb(x * 4, y * 4, 128));
        QVERIFY(gradient.save(d.filePath(QStringLiteral("g.png"))));
        const auto pack = [&](const QJsonObject& extra) {
            QJsonObject manifest{
                {QStringLiteral("localized"),
                 QJsonArray{QJsonObject{{QStringLiteral("language"), 1033},
                                        {QStringLiteral("name"), QStringLiteral("G")}}}},
                {QStringLiteral("animations"),
                 QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("A")},
                                        {QStringLiteral("frames"),
                                         QJsonArray{QJsonObject{{QStringLiteral("image"),
                                                                 QStringLiteral("g.png")}}}}}}}};
            for (auto it = extra.begin(); it != extra.end(); ++it)
                manifest.insert(it.key(), it.value());
            QFile mf(d.filePath(QStringLiteral("g.json")));
            if (!mf.open(QIODevice::WriteOnly))
                return QImage();
            mf.write(QJsonDocument(manifest).toJson());
            mf.close();
            const QString out = d.filePath(QStringLiteral("export"));
            QDir(out).removeRecursively();
            if (run(QStringLiteral(ACS_PACK_PATH), {mf.fileName()}).exitCode != 0 ||
                run(QStringLiteral(ACS_INFO_PATH),
                    {QStringLiteral("-e"), out, d.filePath(QStringLiteral("g.acs"))})
                        .exitCode != 0)
                return QImage();
            return QImage(out + QStringLiteral("/animations/000-A/frame-0000.png"));
        };

        const QImage derived = pack({});
        QCOMPARE(derived.size(), QSize(64, 64));
        qint64 totalError = 0;
        int worst = 0;
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                const QRgb a = derived.pixel(x, y);
                const int e = std::abs(qRed(a) - x * 4) + std::abs(qGreen(a) - y * 4) +
                              std::abs(qBlue(a) - 128);
                totalError += e;
                worst = std::max(worst, e);
            }
        }
        QVERIFY2(totalError / (64 * 64) <= 8, qPrintable(QString::number(totalError / 4096)));
        QVERIFY2(worst <= 40, qPrintable(QString::number(worst)));

        // A given palette is used as it is: every pixel takes one of its colours.
        const QImage fixed =
            pack({{QStringLiteral("palette"),
                   QJsonArray{QStringLiteral("#000000"), QStringLiteral("#ff0000"),
                              QStringLiteral("#00ff00"), QStringLiteral("#ffffff")}},
                  {QStringLiteral("transparentIndex"), 3}});
        QCOMPARE(fixed.size(), QSize(64, 64));
        QCOMPARE(fixed.pixel(0, 0), qRgb(0, 0, 0));
        QCOMPARE(fixed.pixel(63, 0), qRgb(255, 0, 0));
        QCOMPARE(fixed.pixel(0, 63), qRgb(0, 255, 0));
        for (int y = 0; y < 64; y += 7)
            for (int x = 0; x < 64; x += 7)
                QVERIFY(QList<QRgb>({qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0)})
                            .contains(fixed.pixel(x, y)));
    }

    void errorsNameTheProblem()
    {
        QTemporaryDir dir;
        const QString manifestPath = QDir(dir.path()).filePath(QStringLiteral("bad.json"));
        QFile mf(manifestPath);
        QVERIFY(mf.open(QIODevice::WriteOnly));
        mf.write(R"({"localized": [{"language": "0x0409", "name": "X"}],
                     "animations": [{"name": "A", "frames": [{"image": "missing.png"}]}]})");
        mf.close();
        const Run pack = run(QStringLiteral(ACS_PACK_PATH), {manifestPath});
        QCOMPARE(pack.exitCode, 1);
        QVERIFY2(pack.err.contains(QStringLiteral(
                     "manifest.animations[0].frames[0].images[0]: cannot read image")),
                 qPrintable(pack.err));

        const QString junk = QDir(dir.path()).filePath(QStringLiteral("junk.acs"));
        QFile jf(junk);
        QVERIFY(jf.open(QIODevice::WriteOnly));
        jf.write(QByteArray::fromHex("c3abcdab") + QByteArray(40, '\xff'));
        jf.close();
        const Run info = run(QStringLiteral(ACS_INFO_PATH), {junk});
        QCOMPARE(info.exitCode, 1);
        QVERIFY2(info.err.contains(QStringLiteral("damaged or encrypted")), qPrintable(info.err));
    }
};

QTEST_GUILESS_MAIN(TestAcsTools)
#include "AcsToolsTest.moc"
