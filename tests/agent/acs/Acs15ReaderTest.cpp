// The runtime reader of older (1.5) characters: lazy decoding, the mapping to
// the animations the engine plays, composed frames, sounds and caching.

#include "AcsTestUtil.h"

#include "agent/acs/format15/Acs15Reader.h"
#include "agent/acs/testing/MemoryAnimation15Source.h"

#include <QTest>
#include <QThread>

#include <memory>
#include <vector>

using namespace clipvoice::agent::acs;
using clipvoice::agent::acs::testing::MemoryAnimation15Source;
using namespace acstest;

namespace {

constexpr quint8 kTransparent = 5;
constexpr int kPaletteSize = 16;
constexpr quint8 kPastPalette = 200; // an index the palette does not reach
constexpr quint8 kPadding = 7;       // written into row padding; must never show

QRgb colour(int index)
{
    return qRgb(index * 15, 255 - index * 15, (index * 40) % 256);
}

// Stores top-down palette indices (`width` per row) as the older format does:
// bottom row first, rows padded to stride15(width) with kPadding.
QByteArray bottomUp(const QByteArray& topDown, int width, int height)
{
    const qsizetype stride = stride15(width);
    QByteArray out(stride * height, char(kPadding));
    for (int y = 0; y < height; ++y)
        std::copy_n(topDown.constData() + qsizetype(y) * width, width,
                    out.data() + qsizetype(height - 1 - y) * stride);
    return out;
}

// A picture whose indices vary with x and y, with transparent pixels and
// indices past the palette sprinkled in.
QByteArray picture(int width, int height, int seed)
{
    QByteArray pixels(qsizetype(width) * height, '\0');
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int index = (x * 3 + y * 5 + seed) % kPaletteSize;
            if ((x + y + seed) % 11 == 0)
                index = kTransparent;
            pixels[qsizetype(y) * width + x] = char(index);
        }
    }
    return pixels;
}

Image15 image15(const QByteArray& topDown, int width, int height)
{
    Image15 image;
    image.pixels = bottomUp(topDown, width, height);
    return image;
}

QByteArray wave(quint32 extraSize, int samples = 16)
{
    QByteArray data = testing::SampleCharacter::wave(samples, 3);
    setU32(data, 4, u32At(data, 4) + extraSize);
    return data;
}

Frame15 frame15(quint16 image, quint16 duration = 10, quint16 sound = NoSound15)
{
    Frame15 frame;
    frame.imageIndex = image;
    frame.duration = duration;
    frame.soundIndex = sound;
    return frame;
}

Character15 character15(int width, int height, const QStringList& names)
{
    Character15 c;
    c.info.minorVersion = 31;
    c.info.majorVersion = 1;
    c.info.width = quint16(width);
    c.info.height = quint16(height);
    c.info.transparentIndex = kTransparent;
    for (int i = 0; i < kPaletteSize; ++i)
        c.info.palette.append(colour(i));
    for (qsizetype i = 0; i < names.size(); ++i)
        c.animations.append({names[i], QStringLiteral("anim%1.aaf").arg(i + 1), QString(), 0});
    return c;
}

// The expected colour of a stored index on a composed frame.
QRgb shown(quint8 index)
{
    if (index == kTransparent || index >= kPaletteSize)
        return 0;
    return colour(index);
}

// Three animations of a 20 x 10 character, one full image each.
struct Simple
{
    static constexpr int W = 20;
    static constexpr int H = 10;

    Simple()
    {
        Character15 c = character15(
            W, H, {QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma")});
        QList<Animation15> animations;
        for (int a = 0; a < 3; ++a) {
            Animation15 animation;
            animation.images = {image15(picture(W, H, a), W, H)};
            animation.frames = {frame15(0), frame15(0)};
            animations.append(animation);
        }
        auto owned = std::make_unique<MemoryAnimation15Source>(c, animations);
        source = owned.get();
        reader = std::make_unique<Acs15Reader>(std::move(owned), QStringLiteral("Simple.acs"));
    }

    MemoryAnimation15Source* source;
    std::unique_ptr<Acs15Reader> reader;
};

} // namespace

class TestAcs15Reader : public QObject
{
    Q_OBJECT

private slots:
    void nothingIsReadUntilAskedAndEachAnimationOnce()
    {
        Simple s;
        QCOMPARE(s.source->readCount(), 0);
        QCOMPARE(s.reader->animationNames(),
                 (QStringList{QStringLiteral("Alpha"), QStringLiteral("Beta"),
                              QStringLiteral("Gamma")}));
        QCOMPARE(s.reader->animationIndex(u"bETA"), 1);
        QCOMPARE(s.reader->animationIndex(u"Delta"), -1);
        QCOMPARE(s.reader->info().width, Simple::W);
        QCOMPARE(s.source->readCount(), 0);

        const Animation* beta = s.reader->animation(u"beta");
        QVERIFY(beta);
        QCOMPARE(beta->name, QStringLiteral("Beta"));
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(s.reader->animation(u"BETA"), beta);
            QCOMPARE(s.reader->animation(1), beta);
            QVERIFY(!s.reader->frame(1, i % 2, i % 3 - 1).isNull());
        }
        QCOMPARE(s.source->readCount(1), 1);
        QCOMPARE(s.source->readCount(), 1);
        QVERIFY(!s.reader->animation(u"Delta"));
        QVERIFY(!s.reader->animation(3));
        QVERIFY(!s.reader->animation(-1));
        QVERIFY(s.reader->frame(1, 2).isNull());
        QVERIFY(s.reader->frame(7, 0).isNull());
        QCOMPARE(s.reader->statistics().animationsDecoded, 1);
    }

    void damagedAnimationIsNullWarnedAndLoggedOnce()
    {
        Simple s;
        s.source->setDamaged(1, QStringLiteral("stream ends before its end marker"));
        AcsLogCapture log;
        for (int i = 0; i < 3; ++i) {
            QVERIFY(!s.reader->animation(u"Beta"));
            QVERIFY(s.reader->frame(1, 0).isNull());
            QVERIFY(s.reader->image(1, 0).isNull());
        }
        QCOMPARE(s.source->readCount(1), 1); // never retried
        QCOMPARE(s.reader->warnings().size(), 1);
        const QString warning = s.reader->warnings().first();
        QVERIFY2(warning.contains(QStringLiteral("Beta")) &&
                     warning.contains(QStringLiteral("anim2.aaf")) &&
                     warning.contains(QStringLiteral("stream ends before its end marker")),
                 qPrintable(warning));
        QCOMPARE(log.messages(), QStringList{QStringLiteral("Simple.acs: ") + warning});
        // The rest of the character plays.
        QVERIFY(s.reader->animation(u"Alpha"));
        QVERIFY(!s.reader->frame(2, 1).isNull());
        QCOMPARE(s.reader->animationNames().size(), 3);
        QCOMPARE(log.messages().size(), 1);
    }

    void framesBranchesOverlaysSoundsAndReturnsAreMapped()
    {
        Character15 c = character15(
            8, 4, {QStringLiteral("Wave"), QStringLiteral("Talk"), QStringLiteral("WaveReturn")});
        c.animations[0].returnAnimation = QStringLiteral("WaveReturn");
        const QByteArray pic = picture(8, 4, 1);

        Animation15 wave15;
        wave15.sounds = {wave(0), wave(0, 20)};
        wave15.images = {image15(pic, 8, 4), Image15{}};
        Frame15 f0 = frame15(0, 12, 1);
        f0.branches = {{2, 60}, {9, 50}, {0, 70}, {1, 10}}; // 9 does not exist; 60 + 70 > 100
        Frame15 loop = frame15(NoImage15, 0);               // a pure branch point
        loop.branches = {{0, 100}};
        Frame15 empty = frame15(1, 10, 5); // an empty image, a sound that does not exist
        Frame15 missing = frame15(9, 10);  // an image that does not exist
        Overlay15 blank;
        blank.shape = 0;
        Overlay15 mouth;
        mouth.shape = 3;
        mouth.x = 2;
        mouth.y = 1;
        mouth.width = 3;
        mouth.height = 2;
        mouth.pixels = QByteArray(stride15(3) * 2, char(1));
        Overlay15 wrongSize = mouth;
        wrongSize.shape = 4;
        wrongSize.pixels.chop(1);
        missing.overlays = {blank, mouth, wrongSize};
        wave15.frames = {f0, loop, empty, missing};

        Animation15 talk15;
        talk15.sounds = {wave(0, 30)};
        talk15.images = {image15(pic, 8, 4)};
        talk15.frames = {frame15(0, 10, 0)};

        auto owned = std::make_unique<MemoryAnimation15Source>(
            c, QList<Animation15>{wave15, talk15, Animation15{}});
        Acs15Reader reader(std::move(owned), QStringLiteral("Mapped.acs"));

        // Talk first: its sound gets number 0, Wave's two come after.
        const Animation* talk = reader.animation(u"Talk");
        QVERIFY(talk);
        QCOMPARE(talk->transitionType, quint8(TransitionType::None));
        QCOMPARE(talk->frames.at(0).soundIndex, 0);
        const Animation* w = reader.animation(u"wave");
        QVERIFY(w);
        QCOMPARE(w->name, QStringLiteral("Wave"));
        QCOMPARE(w->returnAnimation, QStringLiteral("WaveReturn"));
        QCOMPARE(w->transitionType, quint8(TransitionType::ReturnAnimation));
        QCOMPARE(w->frames.size(), 4);

        const Frame& first = w->frames.at(0);
        QCOMPARE(first.duration, 12);
        QCOMPARE(first.exitFrame, NoExitFrame);
        QCOMPARE(first.images, (QList<FrameImage>{{0, 0, 0}}));
        QCOMPARE(first.branches, (QList<Branch>{{2, 60}, {0, 40}}));
        QCOMPARE(first.soundIndex, 2);
        QCOMPARE(reader.soundCount(), 3);
        QCOMPARE(reader.sound(2), wave15.sounds.at(1));
        QCOMPARE(reader.sound(0), talk15.sounds.at(0));
        QVERIFY(reader.sound(3).isEmpty());
        QVERIFY(reader.sound(-1).isEmpty());

        const Frame& branchPoint = w->frames.at(1);
        QVERIFY(branchPoint.images.isEmpty());
        QCOMPARE(branchPoint.duration, 0);
        QCOMPARE(branchPoint.branches, (QList<Branch>{{0, 100}}));

        QVERIFY(w->frames.at(2).images.isEmpty());
        QCOMPARE(w->frames.at(2).soundIndex, NoSound);
        QVERIFY(w->frames.at(3).images.isEmpty());
        QCOMPARE(w->frames.at(3).overlays.size(), 1);
        const MouthOverlay& overlay = w->frames.at(3).overlays.first();
        QCOMPARE(overlay.shape, 3);
        QCOMPARE(overlay.imageIndex, 1); // its place among the frame's overlays
        QCOMPARE(overlay.x, 2);
        QCOMPARE(overlay.y, 1);
        QCOMPARE(overlay.width, 3);
        QCOMPARE(overlay.height, 2);
        QVERIFY(!overlay.hasRegion);

        // A frame without an image is a transparent canvas; a broken overlay draws nothing.
        const QImage blankFrame = reader.frame(0, 2);
        QCOMPARE(blankFrame.size(), QSize(8, 4));
        QCOMPARE(blankFrame.pixel(0, 0), 0u);
        QCOMPARE(reader.frame(0, 3, 4), reader.frame(0, 3));
        QCOMPARE(reader.frame(0, 3, 3).pixel(2, 1), colour(1));

        const Animation* back = reader.animation(u"WaveReturn");
        QVERIFY(back);
        QVERIFY(back->frames.isEmpty());
        QVERIFY(reader.warnings().isEmpty());
    }

    void framesAreDrawnBottomUpWithPaddedRows_data()
    {
        QTest::addColumn<int>("width");
        QTest::newRow("166 wide (2 bytes of padding)") << 166;
        QTest::newRow("197 wide (3 bytes of padding)") << 197;
        QTest::newRow("240 wide (none)") << 240;
    }

    void framesAreDrawnBottomUpWithPaddedRows()
    {
        QFETCH(int, width);
        const int height = 6;
        QByteArray pic = picture(width, height, 2);
        pic[0] = char(kPastPalette);
        pic[qsizetype(height) * width - 1] = char(kPastPalette);
        Character15 c = character15(width, height, {QStringLiteral("Still")});
        Animation15 still;
        still.images = {image15(pic, width, height)};
        still.frames = {frame15(0)};
        Acs15Reader reader(std::make_unique<MemoryAnimation15Source>(c, QList<Animation15>{still}),
                           QStringLiteral("Wide.acs"));

        const QImage frame = reader.frame(0, 0);
        QCOMPARE(frame.format(), QImage::Format_ARGB32_Premultiplied);
        QCOMPARE(frame.size(), QSize(width, height));
        int transparent = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const QRgb expected = shown(quint8(pic.at(qsizetype(y) * width + x)));
                transparent += expected == 0;
                if (frame.pixel(x, y) != expected)
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2 is %3, expected %4")
                                         .arg(x)
                                         .arg(y)
                                         .arg(frame.pixel(x, y), 8, 16)
                                         .arg(expected, 8, 16)));
            }
        }
        QVERIFY(transparent > 2); // the test picture has transparent pixels to check
        QCOMPARE(reader.image(0, 0), frame);
        QVERIFY(reader.image(0, 1).isNull());
    }

    void framesMatchTheNewerFormatsFrames()
    {
        // The same picture through the 2.0 reader: the engine must not be able
        // to tell the two apart.
        const int width = 166;
        const int height = 12;
        const QByteArray pic = picture(width, height, 4); // indices inside the palette

        Character older = plainCharacter();
        older.info.width = width;
        older.info.height = height;
        older.info.transparentIndex = kTransparent;
        older.info.palette.clear();
        for (int i = 0; i < kPaletteSize; ++i)
            older.info.palette.append(colour(i));
        IndexedImage image;
        image.width = width;
        image.height = height;
        image.pixels = pic;
        older.images = {image};
        Frame shownFrame;
        shownFrame.images = {{0, 0, 0}};
        older.animations = {Animation{QStringLiteral("Still"), 2, {}, {shownFrame}}};
        AcsReader newer;
        QVERIFY2(newer.openData(writeCharacter(older)), qPrintable(newer.errorString()));

        Character15 c = character15(width, height, {QStringLiteral("Still")});
        Animation15 still;
        still.images = {image15(pic, width, height)};
        still.frames = {frame15(0)};
        Acs15Reader reader(std::make_unique<MemoryAnimation15Source>(c, QList<Animation15>{still}),
                           QStringLiteral("Still.acs"));
        const QImage expected = newer.frame(0, 0);
        QVERIFY(!expected.isNull());
        QCOMPARE(reader.frame(0, 0), expected);
    }

    void mouthOverlaysAreDrawnForTheirShapeAndClipped()
    {
        const int width = 10;
        const int height = 8;
        const QByteArray base(qsizetype(width) * height, char(1));
        Character15 c = character15(width, height, {QStringLiteral("Speak")});
        Animation15 speak;
        speak.images = {image15(base, width, height)};
        Frame15 frame = frame15(0);
        // Shape 2: 3 x 2 at (1, 2), top row index 2, bottom row index 3, one transparent pixel.
        Overlay15 inside;
        inside.shape = 2;
        inside.x = 1;
        inside.y = 2;
        inside.width = 3;
        inside.height = 2;
        inside.pixels = bottomUp(QByteArray("\x02\x02\x05\x03\x03\x03", 6), 3, 2);
        // Shape 5: 4 x 4 hanging over the top left corner by 2 pixels each way.
        Overlay15 topLeft;
        topLeft.shape = 5;
        topLeft.x = -2;
        topLeft.y = -2;
        topLeft.width = 4;
        topLeft.height = 4;
        QByteArray tl(16, '\0');
        for (int i = 0; i < 16; ++i)
            tl[i] = char(8 + i % 4); // column k has index 8 + k
        topLeft.pixels = bottomUp(tl, 4, 4);
        // Shape 6: 5 x 3 hanging over the bottom right corner.
        Overlay15 bottomRight;
        bottomRight.shape = 6;
        bottomRight.x = qint16(width - 2);
        bottomRight.y = qint16(height - 1);
        bottomRight.width = 5;
        bottomRight.height = 3;
        bottomRight.pixels = QByteArray(stride15(5) * 3, char(12));
        frame.overlays = {inside, topLeft, bottomRight};
        speak.frames = {frame};
        Acs15Reader reader(std::make_unique<MemoryAnimation15Source>(c, QList<Animation15>{speak}),
                           QStringLiteral("Speak.acs"));

        const QImage plain = reader.frame(0, 0);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                QCOMPARE(plain.pixel(x, y), colour(1));
        QCOMPARE(reader.frame(0, 0, -1), plain);
        QCOMPARE(reader.frame(0, 0, 0), plain); // no overlay for shape 0

        const QImage two = reader.frame(0, 0, 2);
        QCOMPARE(two.pixel(1, 2), colour(2));
        QCOMPARE(two.pixel(2, 2), colour(2));
        QCOMPARE(two.pixel(3, 2), colour(1)); // transparent in the overlay
        QCOMPARE(two.pixel(1, 3), colour(3));
        QCOMPARE(two.pixel(3, 3), colour(3));
        QCOMPARE(two.pixel(4, 3), colour(1));
        QCOMPARE(two.pixel(1, 4), colour(1));

        const QImage five = reader.frame(0, 0, 5);
        QCOMPARE(five.pixel(0, 0), colour(10));
        QCOMPARE(five.pixel(1, 1), colour(11));
        QCOMPARE(five.pixel(2, 0), colour(1));
        QCOMPARE(five.pixel(0, 2), colour(1));

        const QImage six = reader.frame(0, 0, 6);
        QCOMPARE(six.pixel(width - 2, height - 1), colour(12));
        QCOMPARE(six.pixel(width - 1, height - 1), colour(12));
        QCOMPARE(six.pixel(width - 3, height - 1), colour(1));
        QCOMPARE(six.pixel(width - 1, height - 2), colour(1));
        QVERIFY(two != plain && five != plain && six != plain);
    }

    void evictedDataIsReadAgain()
    {
        Simple s;
        s.reader->setFrameCacheLimit(0);
        QVERIFY(!s.reader->frame(0, 0).isNull());
        // Room for one animation's data, not two.
        const qint64 one = s.reader->cacheUsed();
        QVERIFY(one >= stride15(Simple::W) * Simple::H);
        s.reader->setCacheLimit(one + one / 2);
        QVERIFY(!s.reader->frame(1, 0).isNull());
        QCOMPARE(s.source->readCount(0), 1);
        const QImage again = s.reader->frame(0, 0);
        QCOMPARE(s.source->readCount(0), 2); // pushed out by animation 1
        QVERIFY(s.reader->cacheUsed() <= s.reader->cacheLimit());
        QCOMPARE(s.reader->statistics().animationsDecoded, 2);

        // With room for frames, a composed frame is not composed again.
        s.reader->setFrameCacheLimit(Acs15Reader::DefaultFrameCacheLimit);
        s.reader->setCacheLimit(0);
        const QImage first = s.reader->frame(2, 1);
        const qint64 composed = s.reader->statistics().framesComposed;
        const int reads = s.source->readCount(2);
        QCOMPARE(s.reader->frame(2, 1), first);
        QCOMPARE(s.reader->statistics().framesComposed, composed);
        QCOMPARE(s.source->readCount(2), reads);
        QCOMPARE(s.reader->frameCacheUsed(), first.sizeInBytes());
        QCOMPARE(again, Simple().reader->frame(0, 0));
    }

    void riffSizeIsClampedToTheBytesStored()
    {
        Character15 c = character15(4, 4, {QStringLiteral("Hide")});
        Animation15 hide;
        hide.sounds = {wave(1), wave(0), wave(0x7FFFFFFF), QByteArray("RIFF\x01", 5)};
        for (quint16 s = 0; s < 4; ++s)
            hide.frames.append(frame15(NoImage15, 10, s));
        Acs15Reader reader(std::make_unique<MemoryAnimation15Source>(c, QList<Animation15>{hide}),
                           QStringLiteral("Hide.acs"));
        QVERIFY(reader.animation(0));

        for (int i = 0; i < 3; ++i) {
            const QByteArray stored = hide.sounds.at(i);
            const QByteArray given = reader.sound(i);
            QCOMPARE(given.size(), stored.size());
            QCOMPARE(u32At(given, 4), quint32(stored.size() - 8));
            QCOMPARE(given.mid(8), stored.mid(8));
        }
        QCOMPARE(reader.sound(3), hide.sounds.at(3)); // too short to carry a size
        QCOMPARE(u32At(reader.sound(0), 4), u32At(hide.sounds.at(1), 4));
    }

    void framesFromSeveralThreadsAtOnce()
    {
        Simple s;
        s.source->setDamaged(2, QStringLiteral("garbage"));
        // Small caches, so that threads also meet evictions and re-reads.
        QVERIFY(s.reader->animation(0));
        s.reader->setCacheLimit(s.reader->cacheUsed() * 3 / 2);
        s.reader->setFrameCacheLimit(Simple::W * Simple::H * 4 * 2);
        Simple reference;
        QList<QImage> expected;
        for (int a = 0; a < 2; ++a)
            for (int f = 0; f < 2; ++f)
                expected.append(reference.reader->frame(a, f));

        AcsLogCapture log;
        std::atomic<int> wrong{0};
        std::vector<std::unique_ptr<QThread>> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back(QThread::create([&s, &expected, &wrong, t] {
                for (int round = 0; round < 200; ++round) {
                    const int a = (round + t) % 3;
                    const int f = round % 2;
                    const QImage image = s.reader->frame(a, f, round % 8 - 1);
                    const bool ok = a == 2 ? image.isNull() : image == expected.at(a * 2 + f);
                    if (!ok)
                        ++wrong;
                }
            }));
            threads.back()->start();
        }
        for (auto& thread : threads)
            QVERIFY(thread->wait(60000));
        QCOMPARE(wrong.load(), 0);
        QCOMPARE(s.source->readCount(2), 1);
        QCOMPARE(s.reader->statistics().animationsDecoded, 2);
        QCOMPARE(s.reader->warnings().size(), 1);
        QCOMPARE(log.messages().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestAcs15Reader)
#include "Acs15ReaderTest.moc"
