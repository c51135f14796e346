// Older (1.5) files against 2.0 files of the same character, through every
// layer at once: a sample character is converted to the older form, written
// as a compound file, opened by the reader that plays it, and must compose
// the same frames, mouths and sounds as the 2.0 reader gives for the 2.0 file.

#include "agent/acs/AcsReader.h"
#include "agent/acs/AcsWriter.h"
#include "agent/acs/format15/Acs15Reader.h"
#include "agent/acs/testing/Acs15Writer.h"
#include "agent/acs/testing/Character15Conversion.h"
#include "agent/acs/testing/SampleCharacter.h"

#include <QTest>

using namespace clipvoice::agent::acs;

class Acs15RoundTripTest : public QObject
{
    Q_OBJECT

private slots:
    void composesTheSameFramesAsTheCurrentFormat_data();
    void composesTheSameFramesAsTheCurrentFormat();
    void keepsTheCharacterDescription();
};

void Acs15RoundTripTest::composesTheSameFramesAsTheCurrentFormat_data()
{
    QTest::addColumn<int>("side");
    QTest::addColumn<int>("minor");
    QTest::newRow("48 px, minor 31") << 48 << 31;
    QTest::newRow("37 px (padded rows), minor 30") << 37 << 30;
}

void Acs15RoundTripTest::composesTheSameFramesAsTheCurrentFormat()
{
    QFETCH(int, side);
    QFETCH(int, minor);
    testing::SampleCharacter::Options options;
    options.side = side;
    options.imageCount = 12;
    options.animationCount = 4;
    options.framesPerAnimation = 5;
    const Character character = testing::SampleCharacter::build(options);

    AcsReader current;
    QVERIFY2(current.openData(AcsWriter::write(character).data), qPrintable(current.errorString()));
    const testing::Converted15 converted = testing::toCharacter15(character, quint16(minor));
    QString error;
    const auto older =
        Acs15Reader::openData(testing::writeAcs15(converted.character, converted.animations),
                              QStringLiteral("older"), &error);
    QVERIFY2(older, qPrintable(error));
    QCOMPARE(older->animationNames().size(), current.animations().size());

    int mouthsCompared = 0;
    int soundsCompared = 0;
    for (qsizetype a = 0; a < current.animations().size(); ++a) {
        const Animation& expected = current.animations().at(a);
        const Animation* animation = older->animation(expected.name);
        QVERIFY(animation);
        QCOMPARE(animation->frames.size(), expected.frames.size());
        for (qsizetype f = 0; f < expected.frames.size(); ++f) {
            const Frame& frame = expected.frames.at(f);
            QCOMPARE(animation->frames.at(f).duration, frame.duration);
            QCOMPARE(animation->frames.at(f).branches, frame.branches);
            QCOMPARE(older->frame(a, f), current.frame(a, f));
            // A mouth that replaces the top image has no counterpart in the older
            // format, which always draws the mouth over the frame.
            for (int shape = 0; shape < MouthShapeCount; ++shape) {
                bool replaces = false;
                for (const MouthOverlay& mouth : frame.overlays)
                    replaces = replaces || (mouth.shape == shape && mouth.replaceTopImage);
                if (replaces)
                    continue;
                QCOMPARE(older->frame(a, f, shape), current.frame(a, f, shape));
                if (!frame.overlays.isEmpty())
                    ++mouthsCompared;
            }
            if (frame.hasSound()) {
                QCOMPARE(older->sound(animation->frames.at(f).soundIndex),
                         current.sound(frame.soundIndex));
                ++soundsCompared;
            }
        }
    }
    QVERIFY(mouthsCompared > 0);
    QVERIFY(soundsCompared > 0);
    QVERIFY(older->warnings().isEmpty());
}

void Acs15RoundTripTest::keepsTheCharacterDescription()
{
    const Character character = testing::SampleCharacter::build();
    const testing::Converted15 converted = testing::toCharacter15(character);
    QString error;
    const auto older = Acs15Reader::openData(
        testing::writeAcs15(converted.character, converted.animations), QString(), &error);
    QVERIFY2(older, qPrintable(error));
    const CharacterInfo& info = older->info();
    QCOMPARE(info.width, character.info.width);
    QCOMPARE(info.height, character.info.height);
    QCOMPARE(info.palette, character.info.palette);
    QCOMPARE(info.states, character.info.states);
    QCOMPARE(info.balloon, character.info.balloon);
    QVERIFY(info.voice);
    QCOMPARE(info.voice->speed, character.info.voice->speed);
    QCOMPARE(info.voice->pitch, character.info.voice->pitch);
    QCOMPARE(info.localized.size(), 1);
    QCOMPARE(info.localized.first().name, findLocalized(character.info.localized, 0x0409)->name);
    QCOMPARE(info.majorVersion, quint16(1));
}

QTEST_GUILESS_MAIN(Acs15RoundTripTest)
#include "Acs15RoundTripTest.moc"
