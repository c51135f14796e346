// Loads every character file built from characters/ through the reader and
// checks what the program and the engine rely on: the animations they play,
// the states, the mouths of the speaking animation, the loops' ways out, the
// frames' bounds and the names in Japanese and English.

#include "agent/acs/AcsReader.h"

#include <QFileInfo>
#include <QSet>
#include <QTest>

using namespace clipvoice::agent::acs;

namespace {

// The built files; CLIPVOICE_TEST_CHARACTERS_DIR points the test at others.
QString characterPath(const QString& name)
{
    const QString dir = qEnvironmentVariableIsSet("CLIPVOICE_TEST_CHARACTERS_DIR")
                            ? qEnvironmentVariable("CLIPVOICE_TEST_CHARACTERS_DIR")
                            : QString::fromUtf8(CLIPVOICE_CHARACTERS_DIR);
    return dir + QLatin1Char('/') + name + QStringLiteral(".acs");
}

// Animations the program plays by name, and the rest of the standard set.
const QStringList& requiredAnimations()
{
    static const QStringList names = {
        QStringLiteral("Greet"),        QStringLiteral("Read"),      QStringLiteral("Announce"),
        QStringLiteral("Pleased"),      QStringLiteral("DoMagic1"),  QStringLiteral("DoMagic2"),
        QStringLiteral("Suggest"),      QStringLiteral("Write"),     QStringLiteral("Show"),
        QStringLiteral("Hide"),         QStringLiteral("RestPose"),  QStringLiteral("Speak"),
        QStringLiteral("Think"),        QStringLiteral("Explain"),   QStringLiteral("Wave"),
        QStringLiteral("Surprised"),    QStringLiteral("Uncertain"), QStringLiteral("GestureLeft"),
        QStringLiteral("GestureRight"), QStringLiteral("GestureUp"), QStringLiteral("GestureDown"),
        QStringLiteral("Idle1_1"),      QStringLiteral("Idle1_2"),   QStringLiteral("Idle1_3"),
        QStringLiteral("Idle2_1"),      QStringLiteral("Idle3_1"),
    };
    return names;
}

const QStringList& requiredStates()
{
    static const QStringList names = {
        QStringLiteral("SHOWING"),       QStringLiteral("HIDING"),
        QStringLiteral("SPEAKING"),      QStringLiteral("IDLINGLEVEL1"),
        QStringLiteral("IDLINGLEVEL2"),  QStringLiteral("IDLINGLEVEL3"),
        QStringLiteral("GESTURINGLEFT"), QStringLiteral("GESTURINGRIGHT"),
        QStringLiteral("GESTURINGUP"),   QStringLiteral("GESTURINGDOWN"),
        QStringLiteral("LISTENING"),     QStringLiteral("HEARING"),
        QStringLiteral("MOVINGLEFT"),    QStringLiteral("MOVINGRIGHT"),
        QStringLiteral("MOVINGUP"),      QStringLiteral("MOVINGDOWN"),
    };
    return names;
}

bool hasOpaquePixel(const QImage& image, const QRect& area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                return true;
    return false;
}

} // namespace

class ShippedCharactersTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data();
    void loadsCleanly();
    void hasNamesAndSettings();
    void hasEveryAnimation();
    void statesNameExistingAnimations();
    void speakingAnimationHasAllMouths();
    void framesStayInsideTheCharacter();
    void movingFramesAreShort();
    void loopsAndExitsReachTheEnd();
    void returnsEndAtRest();
    void showingPlaysASound();

private:
    void open(AcsReader& reader);
};

void ShippedCharactersTest::open(AcsReader& reader)
{
    QFETCH_GLOBAL(QString, name);
    QVERIFY2(reader.openFile(characterPath(name)), qPrintable(reader.errorString()));
}

void ShippedCharactersTest::initTestCase_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("japanese");
    QTest::newRow("bubble") << QStringLiteral("bubble") << QStringLiteral("Bubble")
                            << QStringLiteral("バブル");
    QTest::newRow("puff") << QStringLiteral("puff") << QStringLiteral("Puff")
                          << QStringLiteral("パフ");
}

void ShippedCharactersTest::loadsCleanly()
{
    QFETCH_GLOBAL(QString, name);
    AcsReader reader;
    open(reader);
    QVERIFY2(reader.warnings().isEmpty(), qPrintable(reader.warnings().join(u'\n')));
    QCOMPARE(reader.info().width, 128);
    QCOMPARE(reader.info().height, 128);
    QVERIFY(reader.imageCount() > 50);
    // Identical pictures are stored once; keep the files small enough to ship.
    const qint64 size = QFileInfo(characterPath(name)).size();
    QVERIFY2(size < 3 * 1024 * 1024, qPrintable(QString::number(size)));
}

void ShippedCharactersTest::hasNamesAndSettings()
{
    QFETCH_GLOBAL(QString, english);
    QFETCH_GLOBAL(QString, japanese);
    AcsReader reader;
    open(reader);
    const auto entry = [&reader](quint16 language) -> const LocalizedInfo* {
        for (const LocalizedInfo& l : reader.info().localized)
            if (l.languageId == language)
                return &l;
        return nullptr;
    };
    const LocalizedInfo* ja = entry(0x0411);
    const LocalizedInfo* en = entry(0x0409);
    QVERIFY(ja != nullptr);
    QVERIFY(en != nullptr);
    QCOMPARE(ja->name, japanese);
    QCOMPARE(en->name, english);
    QVERIFY(!ja->description.isEmpty());
    QVERIFY(!en->description.isEmpty());

    QVERIFY(reader.info().voice.has_value());
    QVERIFY(reader.info().voice->hasExtraData);
    QCOMPARE(reader.info().voice->languageId, 0x0411);
    QVERIFY(reader.info().balloon.has_value());
    QCOMPARE(reader.info().balloon->lines, 2);
    QCOMPARE(reader.info().balloon->charsPerLine, 28);
    QCOMPARE(reader.info().balloon->fontName, QStringLiteral("IPAPGothic"));
    QVERIFY(reader.info().trayIcon.has_value());
}

void ShippedCharactersTest::hasEveryAnimation()
{
    AcsReader reader;
    open(reader);
    for (const QString& name : requiredAnimations()) {
        const Animation* a = reader.animation(name);
        QVERIFY2(a != nullptr, qPrintable(name));
        QVERIFY2(!a->frames.isEmpty(), qPrintable(name));
        for (const Frame& f : a->frames)
            QVERIFY2(!f.images.isEmpty(), qPrintable(name));
    }
}

void ShippedCharactersTest::statesNameExistingAnimations()
{
    AcsReader reader;
    open(reader);
    for (const QString& name : requiredStates()) {
        const State* s = reader.state(name);
        QVERIFY2(s != nullptr, qPrintable(name));
        QVERIFY2(!s->animations.isEmpty(), qPrintable(name));
    }
    for (const State& s : reader.info().states)
        for (const QString& a : s.animations)
            QVERIFY2(reader.animation(a) != nullptr, qPrintable(s.name + u' ' + a));
}

void ShippedCharactersTest::speakingAnimationHasAllMouths()
{
    AcsReader reader;
    open(reader);
    const State* speaking = reader.state(u"SPEAKING");
    QVERIFY(speaking != nullptr);
    QStringList withMouths = speaking->animations;
    withMouths.append(QStringLiteral("RestPose"));
    for (const QString& name : withMouths) {
        const qsizetype index = reader.animationIndex(name);
        QVERIFY2(index >= 0, qPrintable(name));
        const Animation& a = reader.animations()[index];
        for (qsizetype f = 0; f < a.frames.size(); ++f) {
            QSet<int> shapes;
            for (const MouthOverlay& m : a.frames[f].overlays) {
                shapes.insert(m.shape);
                QVERIFY(m.x >= 0 && m.y >= 0);
                QVERIFY(m.x + m.width <= reader.info().width);
                QVERIFY(m.y + m.height <= reader.info().height);
            }
            QCOMPARE(shapes.size(), MouthShapeCount);
            for (int shape = 0; shape < MouthShapeCount; ++shape)
                QVERIFY(shapes.contains(shape));
            // Every shape shows a different mouth on the composed frame.
            QList<QImage> composed;
            for (int shape = 0; shape < MouthShapeCount; ++shape)
                composed.append(reader.frame(index, f, shape));
            for (int i = 0; i < MouthShapeCount; ++i)
                for (int j = i + 1; j < MouthShapeCount; ++j)
                    QVERIFY2(composed[i] != composed[j],
                             qPrintable(QStringLiteral("%1 frame %2: mouths %3 and %4 look alike")
                                            .arg(name)
                                            .arg(f)
                                            .arg(i)
                                            .arg(j)));
            // The closed mouth is what the frame shows without speaking.
            QCOMPARE(composed[0], reader.frame(index, f));
        }
    }
}

void ShippedCharactersTest::framesStayInsideTheCharacter()
{
    AcsReader reader;
    open(reader);
    const int w = reader.info().width;
    const int h = reader.info().height;
    const QRect inside(0, 0, w, h);
    for (qsizetype a = 0; a < reader.animations().size(); ++a) {
        const Animation& anim = reader.animations()[a];
        for (qsizetype f = 0; f < anim.frames.size(); ++f) {
            const QString where = QStringLiteral("%1 frame %2").arg(anim.name).arg(f);
            for (const FrameImage& fi : anim.frames[f].images) {
                const AcsReader::ImageResult img = reader.readImage(fi.imageIndex);
                QVERIFY2(img.error.isEmpty(), qPrintable(where + u' ' + img.error));
                QVERIFY2(inside.contains(QRect(fi.x, fi.y, img.image.width, img.image.height)),
                         qPrintable(where));
            }
            // Nothing drawn on the outermost pixels: the drawing is not cut off.
            const QImage frame = reader.frame(a, f);
            QCOMPARE(frame.size(), QSize(w, h));
            QVERIFY2(!hasOpaquePixel(frame, QRect(0, 0, w, 1)) &&
                         !hasOpaquePixel(frame, QRect(0, h - 1, w, 1)) &&
                         !hasOpaquePixel(frame, QRect(0, 0, 1, h)) &&
                         !hasOpaquePixel(frame, QRect(w - 1, 0, 1, h)),
                     qPrintable(where + QStringLiteral(" touches the edge")));
        }
    }
    // The rest pose shows the character, and the background is transparent.
    const QImage rest = reader.frame(reader.animationIndex(u"RestPose"), 0);
    QVERIFY(hasOpaquePixel(rest, QRect(48, 48, 32, 32)));
    QCOMPARE(qAlpha(rest.pixel(2, 2)), 0);
}

void ShippedCharactersTest::movingFramesAreShort()
{
    // A frame that differs from the frames before and after it is part of a
    // motion; at most 12 hundredths keeps motion at 8 frames a second or more.
    AcsReader reader;
    open(reader);
    for (qsizetype a = 0; a < reader.animations().size(); ++a) {
        const Animation& anim = reader.animations()[a];
        for (qsizetype f = 1; f + 1 < anim.frames.size(); ++f) {
            const QImage here = reader.frame(a, f);
            if (here == reader.frame(a, f - 1) || here == reader.frame(a, f + 1))
                continue;
            QVERIFY2(anim.frames[f].duration <= 12,
                     qPrintable(QStringLiteral("%1 frame %2 lasts %3")
                                    .arg(anim.name)
                                    .arg(f)
                                    .arg(anim.frames[f].duration)));
        }
    }
}

void ShippedCharactersTest::loopsAndExitsReachTheEnd()
{
    AcsReader reader;
    open(reader);
    int loops = 0;
    for (const Animation& a : reader.animations()) {
        const qsizetype count = a.frames.size();
        bool loopsBack = false;
        for (qsizetype f = 0; f < count; ++f) {
            int total = 0;
            for (const Branch& b : a.frames[f].branches) {
                QVERIFY2(b.targetFrame < count, qPrintable(a.name));
                total += b.probability;
                if (b.targetFrame > f)
                    continue;
                loopsBack = true;
                // Stopped anywhere inside the loop, the exit frame leads out of it.
                for (qsizetype i = b.targetFrame; i <= f; ++i)
                    QVERIFY2(a.frames[i].exitFrame > f,
                             qPrintable(QStringLiteral("%1: frame %2 of the loop has no way out")
                                            .arg(a.name)
                                            .arg(i)));
            }
            QVERIFY2(total <= 100, qPrintable(a.name));
            const qint16 exit = a.frames[f].exitFrame;
            QVERIFY2(exit == NoExitFrame || (exit >= 0 && exit < count), qPrintable(a.name));
        }
        if (!loopsBack)
            continue;
        ++loops;
        QCOMPARE(TransitionType(a.transitionType), TransitionType::ExitBranching);
        // Stopped on any frame, following exit frames (or the next frame)
        // reaches the last frame without going round.
        for (qsizetype start = 0; start < count; ++start) {
            qsizetype at = start;
            int steps = 0;
            while (at != count - 1 && steps <= count) {
                const qint16 exit = a.frames[at].exitFrame;
                at = exit >= 0 ? exit : at + 1;
                ++steps;
            }
            QVERIFY2(
                at == count - 1,
                qPrintable(
                    QStringLiteral("%1: stopping at frame %2 never ends").arg(a.name).arg(start)));
        }
    }
    QVERIFY(loops >= 3); // Read, Write and the sleeping idle at least
    for (const char16_t* name : {u"Read", u"Write", u"Idle3_1", u"Hearing_1"}) {
        const Animation* a = reader.animation(QStringView(name));
        QVERIFY(a != nullptr);
        QCOMPARE(TransitionType(a->transitionType), TransitionType::ExitBranching);
    }
}

void ShippedCharactersTest::returnsEndAtRest()
{
    AcsReader reader;
    open(reader);
    const QImage rest = reader.frame(reader.animationIndex(u"RestPose"), 0);
    QVERIFY(!rest.isNull());
    for (const char16_t* name :
         {u"GestureLeft", u"GestureRight", u"GestureUp", u"GestureDown", u"Think", u"Explain"}) {
        const Animation* a = reader.animation(QStringView(name));
        QVERIFY(a != nullptr);
        QCOMPARE(TransitionType(a->transitionType), TransitionType::ReturnAnimation);
        const qsizetype back = reader.animationIndex(a->returnAnimation);
        QVERIFY2(back >= 0, qPrintable(a->returnAnimation));
        const Animation& r = reader.animations()[back];
        QCOMPARE(reader.frame(back, r.frames.size() - 1), rest);
    }
    // Animations the program plays end where they began, at rest.
    for (const char16_t* name : {u"Greet", u"Announce", u"Pleased", u"DoMagic1", u"DoMagic2",
                                 u"Suggest", u"Read", u"Write", u"Show"}) {
        const qsizetype index = reader.animationIndex(QStringView(name));
        QVERIFY(index >= 0);
        const Animation& a = reader.animations()[index];
        QVERIFY2(reader.frame(index, a.frames.size() - 1) == rest,
                 qPrintable(QString::fromUtf16(name)));
    }
}

void ShippedCharactersTest::showingPlaysASound()
{
    AcsReader reader;
    open(reader);
    QVERIFY(reader.soundCount() >= 3);
    for (qsizetype s = 0; s < reader.soundCount(); ++s) {
        const QByteArray wave = reader.sound(s);
        QVERIFY(wave.startsWith("RIFF"));
        QCOMPARE(wave.mid(8, 4), QByteArray("WAVE"));
    }
    const Animation* show = reader.animation(u"Show");
    QVERIFY(show != nullptr);
    QVERIFY(show->frames.first().hasSound());
    QVERIFY(show->frames.first().soundIndex < reader.soundCount());
}

QTEST_GUILESS_MAIN(ShippedCharactersTest)
#include "ShippedCharactersTest.moc"
