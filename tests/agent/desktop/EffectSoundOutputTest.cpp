// A character's frame sounds as the desktop plays them: decoded off the
// window's thread the first time, played when ready unless something else was
// asked for meanwhile, skipped once and quietly when they cannot play.

#include "agent/desktop/EffectSoundOutput.h"
#include "agent/timing/testing/ManualScheduler.h"
#include "agent/ui/ServiceSettings.h"
#include "agent/voice/SoundEffectLibrary.h"
#include "agent/voice/SoundEffectPlayer.h"
#include "agent/voice/testing/EncodedSounds.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace clipvoice::agent;
using timing::testing::ManualScheduler;

namespace {

struct Scene
{
    Scene()
        : settings(dir.filePath(QStringLiteral("agent.ini")))
    {
        voice::testing::SoundSpec spec;
        spec.encoding = voice::testing::SoundEncoding::MsAdpcm;
        spec.sampleRate = 11025;
        spec.milliseconds = 400;
        adpcm = voice::testing::encodeSound(spec);
        trueSpeech = voice::WavCodec::header(800, 8000) + QByteArray(800, '\0');
        trueSpeech[20] = 0x22;
        auto library = std::make_unique<voice::SoundEffectLibrary>(
            QStringLiteral("Merlin"),
            [this](int index) { return index == 1 ? trueSpeech : adpcm; });
        sounds = library.get();
        auto effects = std::make_unique<voice::SoundEffectPlayer>(
            std::make_unique<voice::ClockOutput>(scheduler), scheduler);
        player = effects.get();
        output = std::make_unique<desktop::EffectSoundOutput>(std::move(library),
                                                              std::move(effects), settings);
    }

    // Waits until the library has no decode running.
    bool settle()
    {
        return QTest::qWaitFor(
            [this] {
                for (int i = 0; i < 8; ++i)
                    if (sounds->isDecoding(i))
                        return false;
                return true;
            },
            10000);
    }

    QTemporaryDir dir;
    ui::ServiceSettings settings;
    std::shared_ptr<ManualScheduler> scheduler = std::make_shared<ManualScheduler>();
    QByteArray adpcm;
    QByteArray trueSpeech;
    voice::SoundEffectLibrary* sounds = nullptr;
    voice::SoundEffectPlayer* player = nullptr;
    std::unique_ptr<desktop::EffectSoundOutput> output;
};

} // namespace

class EffectSoundOutputTest : public QObject
{
    Q_OBJECT

private slots:
    void aSoundPlaysWhenDecodedThenAtOnce()
    {
        Scene scene;
        scene.output->play(0);
        QVERIFY(!scene.player->isPlaying()); // being decoded on a worker
        QTRY_VERIFY_WITH_TIMEOUT(scene.player->isPlaying(), 10000);
        QVERIFY(std::abs(scene.player->output().writtenMs() - 400) <= 50);
        QSignalSpy finished(scene.player, &voice::SoundEffectPlayer::finished);
        scene.scheduler->advance(600);
        QCOMPARE(finished.size(), 1);

        // Played again from what was kept: at once, with no second decode.
        scene.output->play(0);
        QVERIFY(scene.player->isPlaying());
        QCOMPARE(scene.sounds->decodesStarted(), 1);
    }

    void aSoundThatCannotPlayIsSkippedQuietly()
    {
        Scene scene;
        QTest::ignoreMessage(QtWarningMsg, "character \"Merlin\": sound 1 is not played: no "
                                           "decoder for DSP Group TrueSpeech (0x0022)");
        scene.output->play(1);
        QVERIFY(scene.settle());
        QCoreApplication::processEvents();
        QVERIFY(!scene.player->isPlaying());
        scene.output->play(1); // neither decoded nor logged again
        QVERIFY(!scene.sounds->isDecoding(1));
        QCOMPARE(scene.sounds->decodesStarted(), 1);
    }

    void onlyTheLatestWishPlays()
    {
        Scene scene;
        QSignalSpy decoded(scene.sounds, &voice::SoundEffectLibrary::decoded);
        // Stopped while being decoded: decoded, kept, not played.
        scene.output->play(2);
        scene.output->stopAll();
        QVERIFY(decoded.wait(10000));
        QVERIFY(!scene.player->isPlaying());
        QVERIFY(scene.sounds->ready(2));

        // A second sound asked for before the first is ready: only the second.
        scene.output->play(3);
        scene.output->play(4);
        QTRY_COMPARE_WITH_TIMEOUT(decoded.size(), 3, 10000);
        QVERIFY(scene.player->isPlaying());
        scene.output->stopAll();
        QVERIFY(!scene.player->isPlaying());
    }

    void switchedOffNothingPlays()
    {
        Scene scene;
        ui::ServiceOptions options = scene.settings.options();
        options.soundEffectsEnabled = false;
        QVERIFY(scene.settings.setOptions(options));
        scene.output->play(0);
        QCOMPARE(scene.sounds->decodesStarted(), 0);
        QVERIFY(!scene.player->isPlaying());

        // Switched off while a sound was being decoded for it.
        options.soundEffectsEnabled = true;
        QVERIFY(scene.settings.setOptions(options));
        scene.output->play(0);
        options.soundEffectsEnabled = false;
        QVERIFY(scene.settings.setOptions(options));
        QVERIFY(scene.settle());
        QCoreApplication::processEvents();
        QVERIFY(!scene.player->isPlaying());
    }
};

QTEST_GUILESS_MAIN(EffectSoundOutputTest)
#include "EffectSoundOutputTest.moc"
