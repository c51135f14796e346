// An older (1.5) character as the engine sees it: nothing decoded at load,
// frames and sounds from the runtime reader, damaged animations skipped.

#include "agent/engine/Acs15CharacterSource.h"
#include "agent/acs/format15/Acs15Reader.h"
#include "agent/acs/testing/Acs15Fixtures.h"
#include "agent/acs/testing/Acs15Writer.h"
#include "agent/acs/testing/MemoryAnimation15Source.h"
#include "agent/acs/testing/SampleCharacter.h"
#include "agent/engine/AnimationPlayer.h"
#include "agent/engine/CharacterFileOpening.h"
#include "agent/engine/CharacterStates.h"
#include "agent/timing/testing/ManualScheduler.h"
#include "agent/voice/SoundDecoder.h"
#include "agent/voice/testing/EncodedSounds.h"
#include "platform/agent/testing/ScriptedRandom.h"

#include <QTemporaryDir>
#include <QTest>

using namespace clipvoice::agent;
using namespace clipvoice::agent::engine;
using acs::testing::MemoryAnimation15Source;
using clipvoice::agent::timing::testing::ManualScheduler;
using clipvoice::platform::testing::ScriptedRandom;

namespace {

constexpr int W = 6;
constexpr int H = 4;

acs::Frame15 frame15(quint16 image, quint16 duration, quint16 sound = acs::NoSound15)
{
    acs::Frame15 frame;
    frame.imageIndex = image;
    frame.duration = duration;
    frame.soundIndex = sound;
    return frame;
}

// Show (two frames, a sound on the second), Speak (one frame with a mouth),
// Idle (damaged) and Greet returning through Show.
struct Older
{
    Older()
    {
        acs::Character15 c;
        c.info.width = W;
        c.info.height = H;
        c.info.transparentIndex = 0;
        c.info.palette = {qRgb(0, 0, 0), qRgb(200, 10, 10), qRgb(10, 200, 10)};
        c.info.states = {{QStringLiteral("Showing"), {QStringLiteral("SHOW")}},
                         {QStringLiteral("Speaking"), {QStringLiteral("speak")}},
                         {QStringLiteral("IdlingLevel1"), {QStringLiteral("Idle")}}};
        for (const char* name : {"Show", "Speak", "Idle", "Greet"})
            c.animations.append({QString::fromLatin1(name), {}, {}, 0});
        c.animations[3].returnAnimation = QStringLiteral("Show");

        acs::Image15 red;
        red.pixels = QByteArray(acs::stride15(W) * H, char(1));
        acs::Animation15 show;
        show.sounds = {acs::testing::SampleCharacter::wave(8, 1)};
        show.images = {red};
        show.frames = {frame15(0, 10), frame15(0, 20, 0)};
        acs::Animation15 speak;
        speak.images = {red};
        acs::Frame15 talking = frame15(0, 10);
        acs::Overlay15 mouth;
        mouth.shape = 2;
        mouth.x = 1;
        mouth.y = 1;
        mouth.width = 2;
        mouth.height = 1;
        mouth.pixels = QByteArray(acs::stride15(2), char(2));
        talking.overlays = {mouth};
        speak.frames = {talking};
        acs::Animation15 greet;
        greet.images = {red};
        greet.frames = {frame15(0, 10)};

        auto owned = std::make_unique<MemoryAnimation15Source>(
            c, QList<acs::Animation15>{show, speak, acs::Animation15{}, greet});
        owned->setDamaged(2, QStringLiteral("decoded size differs"));
        memory = owned.get();
        source = std::make_unique<Acs15CharacterSource>(
            std::make_unique<acs::Acs15Reader>(std::move(owned), QStringLiteral("Older.acs")));
    }

    MemoryAnimation15Source* memory;
    std::unique_ptr<Acs15CharacterSource> source;
};

} // namespace

class Acs15CharacterSourceTest : public QObject
{
    Q_OBJECT

private slots:
    // Older files carry their sounds as RIFF/WAVE too, compressed or not; they
    // come out of a written file intact and decode as the newer format's do.
    void compressedSoundsOfAnOlderFileDecode()
    {
        acs::testing::Acs15Fixture fixture = acs::testing::smallCharacter15();
        QList<QByteArray> waves;
        for (auto encoding :
             {voice::testing::SoundEncoding::MsAdpcm, voice::testing::SoundEncoding::ImaAdpcm,
              voice::testing::SoundEncoding::Gsm610}) {
            voice::testing::SoundSpec spec;
            spec.encoding = encoding;
            spec.sampleRate = 8000;
            spec.milliseconds = 300;
            waves.append(voice::testing::encodeSound(spec));
        }
        acs::Animation15& first = fixture.animations[0];
        first.sounds = waves;
        for (int f = 0; f < first.frames.size(); ++f)
            first.frames[f].soundIndex = f < waves.size() ? quint16(f) : acs::NoSound15;
        QVERIFY(first.frames.size() >= waves.size());
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("older.acs"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(acs::testing::writeAcs15(fixture.character, fixture.animations));
        file.close();

        QString error;
        const auto source = openCharacterSource(path, &error);
        QVERIFY2(source, qPrintable(error));
        QVERIFY(source->animation(fixture.character.animations[0].name));
        for (int s = 0; s < waves.size(); ++s) {
            QCOMPARE(source->sound(s), waves[s]);
            const voice::DecodedSound sound = voice::decodeSound(source->sound(s));
            QVERIFY2(sound.ok(), qPrintable(sound.error));
            QVERIFY(std::abs(sound.audio.durationMs() - 300) <= 45);
        }
    }

    void statesAreReadWithoutDecodingAnimations()
    {
        Older older;
        const CharacterStates states(*older.source);
        QCOMPARE(older.memory->readCount(), 0);
        QCOMPARE(states.animations(states::showing), QStringList{QStringLiteral("Show")});
        QCOMPARE(states.animations(states::speaking), QStringList{QStringLiteral("Speak")});
        // Listed although damaged: that is found out when it is played.
        QCOMPARE(states.animations(states::idlingLevel1), QStringList{QStringLiteral("Idle")});
        QCOMPARE(older.source->animationNames(),
                 (QStringList{QStringLiteral("Show"), QStringLiteral("Speak"),
                              QStringLiteral("Idle"), QStringLiteral("Greet")}));
        QCOMPARE(older.source->animationName(u"GREET"), QStringLiteral("Greet"));
        QVERIFY(older.source->animationName(u"Wave").isEmpty());
        QCOMPARE(older.memory->readCount(), 0);
    }

    void playsFramesSoundsAndReturnsAndSkipsTheDamaged()
    {
        Older older;
        ManualScheduler scheduler;
        ScriptedRandom random;
        AnimationPlayer player(*older.source, scheduler, random);
        QStringList log;
        QList<QImage> images;
        player.setFrameListener([&](const QString& name, int index, const QImage& image) {
            log.append(QStringLiteral("%1 %2:%3").arg(scheduler.now()).arg(name).arg(index));
            images.append(image);
        });
        QList<int> sounds;
        player.setSoundListener([&](int index) { sounds.append(index); });

        QVERIFY(!player.play(QStringLiteral("idle")));
        QCOMPARE(older.source->reader().warnings().size(), 1);

        bool ended = false;
        AnimationPlayer::Options options;
        options.onEnd = [&](AnimationPlayer::Ending) { ended = true; };
        QVERIFY(player.play(QStringLiteral("greet"), options));
        scheduler.advance(1000);
        QVERIFY(ended);
        QCOMPARE(log, (QStringList{QStringLiteral("0 Greet:0"), QStringLiteral("100 Show:0"),
                                   QStringLiteral("200 Show:1")}));
        QCOMPARE(images.size(), 3);
        QCOMPARE(images.first().size(), QSize(W, H));
        QCOMPARE(images.first().pixel(0, 0), qRgb(200, 10, 10));
        QCOMPARE(sounds, QList<int>{0});
        QVERIFY(older.source->sound(0).startsWith("RIFF"));
        QVERIFY(older.source->sound(1).isEmpty());

        // The mouth is drawn while speaking.
        AnimationPlayer::Options hold;
        hold.holdLastFrame = true;
        QVERIFY(player.play(QStringLiteral("Speak"), hold));
        scheduler.advance(100);
        player.setMouthShape(2);
        QCOMPARE(images.last().pixel(1, 1), qRgb(10, 200, 10));
        QCOMPARE(images.last().pixel(0, 1), qRgb(200, 10, 10));
        QCOMPARE(older.memory->readCount(2), 1);
    }
};

QTEST_GUILESS_MAIN(Acs15CharacterSourceTest)
#include "Acs15CharacterSourceTest.moc"
