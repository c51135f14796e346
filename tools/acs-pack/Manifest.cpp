#include "Manifest.h"

#include "PaletteBuilder.h"

#include "agent/acs/DibCodec.h"
#include "agent/acs/ImageDecoder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

using namespace clipvoice::agent::acs;

namespace {

// Reports the first problem found, with the JSON path where it was found.
class Context
{
public:
    QString error;
    QStringList warnings;
    QDir base;

    bool ok() const { return error.isEmpty(); }
    void fail(const QString& where, const QString& what)
    {
        if (error.isEmpty())
            error = QStringLiteral("%1: %2").arg(where, what);
    }

    qint64 integer(const QJsonObject& o, const QString& key, const QString& where, qint64 def,
                   qint64 min, qint64 max)
    {
        const QJsonValue v = o.value(key);
        if (v.isUndefined() || v.isNull())
            return def;
        const double d = v.toDouble(double(min) - 1);
        if (!v.isDouble() || d != double(qint64(d)) || d < double(min) || d > double(max)) {
            fail(where + u'.' + key,
                 QStringLiteral("expected a whole number from %1 to %2").arg(min).arg(max));
            return def;
        }
        return qint64(d);
    }

    QRgb colour(const QJsonObject& o, const QString& key, const QString& where, QRgb def)
    {
        const QJsonValue v = o.value(key);
        if (v.isUndefined())
            return def;
        const QColor c = QColor::fromString(v.toString());
        if (!v.isString() || !c.isValid()) {
            fail(where + u'.' + key, QStringLiteral("expected a colour such as \"#ffffe1\""));
            return def;
        }
        return c.rgb();
    }

    QUuid uuid(const QJsonObject& o, const QString& key, const QString& where)
    {
        const QJsonValue v = o.value(key);
        if (v.isUndefined())
            return {};
        const QUuid id = QUuid::fromString(v.toString());
        if (id.isNull())
            fail(where + u'.' + key, QStringLiteral("expected a GUID such as "
                                                    "\"{01234567-89ab-cdef-0123-456789abcdef}\""));
        return id;
    }

    quint16 languageId(const QJsonValue& v, const QString& where)
    {
        bool ok = false;
        const uint id = v.isString() ? v.toString().toUInt(&ok, 0) : uint(v.toInt(-1));
        if (v.isDouble())
            ok = v.toInt(-1) >= 0;
        if (!ok || id > 0xFFFF) {
            fail(where, QStringLiteral("expected a language id such as \"0x0409\" or 1033"));
            return 0x0409;
        }
        return quint16(id);
    }
};

struct ImageRef
{
    QString path;
    qint16 x = 0;
    qint16 y = 0;
};

int mouthShape(const QJsonValue& v)
{
    static const QStringList names = {QStringLiteral("closed"), QStringLiteral("wide1"),
                                      QStringLiteral("wide2"),  QStringLiteral("wide3"),
                                      QStringLiteral("wide4"),  QStringLiteral("medium"),
                                      QStringLiteral("narrow")};
    if (v.isString())
        return int(names.indexOf(v.toString().toLower()));
    const int n = v.toInt(-1);
    return n >= 0 && n < MouthShapeCount ? n : -1;
}

bool isWave(const QByteArray& data)
{
    return data.size() >= 12 && data.startsWith("RIFF") && data.mid(8, 4) == "WAVE";
}

} // namespace

Manifest::Result Manifest::load(const QString& path)
{
    Result result;
    Context cx;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("cannot open %1: %2").arg(path, file.errorString());
        return result;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!doc.isObject()) {
        result.error = QStringLiteral("%1: not a JSON object (%2 at offset %3)")
                           .arg(path, parseError.errorString())
                           .arg(parseError.offset);
        return result;
    }
    cx.base = QFileInfo(path).absoluteDir();
    const QJsonObject root = doc.object();
    const QString top = QStringLiteral("manifest");
    Character& ch = result.character;
    CharacterInfo& info = ch.info;

    if (root.contains(QStringLiteral("output")))
        result.output = cx.base.absoluteFilePath(root.value(QStringLiteral("output")).toString());
    const int alphaThreshold =
        int(cx.integer(root, QStringLiteral("alphaThreshold"), top, 128, 1, 256));
    info.transparentIndex =
        quint8(cx.integer(root, QStringLiteral("transparentIndex"), top, 10, 0, 255));
    const QJsonArray version = root.value(QStringLiteral("version")).toArray();
    if (version.size() == 2) {
        info.majorVersion = quint16(version.at(0).toInt(2));
        info.minorVersion = quint16(version.at(1).toInt(1));
    }

    // Gather every PNG the frames and mouths name, in order of first use.
    QMap<QString, qsizetype> imageIndex; // absolute path -> image list index
    QList<QImage> pngs;
    const auto loadImage = [&](const QString& name, const QString& where) -> qsizetype {
        const QString abs = cx.base.absoluteFilePath(name);
        if (const auto it = imageIndex.constFind(abs); it != imageIndex.cend())
            return it.value();
        QImage img(abs);
        if (img.isNull()) {
            cx.fail(where, QStringLiteral("cannot read image %1").arg(abs));
            return -1;
        }
        if (img.width() > 4096 || img.height() > 4096) {
            cx.fail(where, QStringLiteral("image %1 is larger than 4096 x 4096").arg(abs));
            return -1;
        }
        imageIndex.insert(abs, pngs.size());
        pngs.append(img.convertToFormat(QImage::Format_ARGB32));
        return pngs.size() - 1;
    };
    const auto imageRefs = [&](const QJsonObject& frame, const QString& where) {
        QList<FrameImage> refs;
        QJsonArray list = frame.value(QStringLiteral("images")).toArray();
        if (frame.contains(QStringLiteral("image")))
            list.prepend(
                QJsonObject{{QStringLiteral("file"), frame.value(QStringLiteral("image"))}});
        for (qsizetype i = 0; i < list.size(); ++i) {
            const QString w = QStringLiteral("%1.images[%2]").arg(where).arg(i);
            const QJsonObject o = list.at(i).toObject();
            const qsizetype index = loadImage(o.value(QStringLiteral("file")).toString(), w);
            const qint64 x = cx.integer(o, QStringLiteral("x"), w, 0, -32768, 32767);
            const qint64 y = cx.integer(o, QStringLiteral("y"), w, 0, -32768, 32767);
            if (index >= 0)
                refs.append({quint32(index), qint16(x), qint16(y)});
        }
        return refs;
    };

    // Sounds, referred to by name from frames.
    QMap<QString, quint16> soundIndex;
    const QJsonObject sounds = root.value(QStringLiteral("sounds")).toObject();
    for (auto it = sounds.begin(); it != sounds.end(); ++it) {
        const QString abs = cx.base.absoluteFilePath(it.value().toString());
        QFile wav(abs);
        QByteArray data;
        if (wav.open(QIODevice::ReadOnly))
            data = wav.readAll();
        if (!isWave(data)) {
            cx.fail(QStringLiteral("manifest.sounds.%1").arg(it.key()),
                    QStringLiteral("%1 is not a readable RIFF/WAVE file").arg(abs));
            continue;
        }
        soundIndex.insert(it.key(), quint16(ch.sounds.size()));
        ch.sounds.append(data);
    }

    const QJsonArray animations = root.value(QStringLiteral("animations")).toArray();
    for (qsizetype a = 0; a < animations.size() && cx.ok(); ++a) {
        const QString where = QStringLiteral("manifest.animations[%1]").arg(a);
        const QJsonObject ao = animations.at(a).toObject();
        Animation anim;
        anim.name = ao.value(QStringLiteral("name")).toString();
        if (anim.name.isEmpty())
            cx.fail(where, QStringLiteral("an animation needs a name"));
        anim.returnAnimation = ao.value(QStringLiteral("return")).toString();
        const QJsonValue transition = ao.value(QStringLiteral("transition"));
        const QString t = transition.toString();
        if (transition.isDouble())
            anim.transitionType =
                quint8(cx.integer(ao, QStringLiteral("transition"), where, 2, 0, 255));
        else if (t == u"return" || (t.isEmpty() && !anim.returnAnimation.isEmpty()))
            anim.transitionType = 0;
        else if (t == u"exitBranching")
            anim.transitionType = 1;
        else if (t == u"none" || t.isEmpty())
            anim.transitionType = 2;
        else
            cx.fail(where + QStringLiteral(".transition"),
                    QStringLiteral("expected \"return\", \"exitBranching\" or \"none\""));
        const QJsonArray frames = ao.value(QStringLiteral("frames")).toArray();
        for (qsizetype f = 0; f < frames.size() && cx.ok(); ++f) {
            const QString fw = QStringLiteral("%1.frames[%2]").arg(where).arg(f);
            const QJsonObject fo = frames.at(f).toObject();
            Frame frame;
            frame.images = imageRefs(fo, fw);
            frame.duration = quint16(cx.integer(fo, QStringLiteral("duration"), fw, 10, 0, 65535));
            frame.exitFrame =
                qint16(cx.integer(fo, QStringLiteral("exitFrame"), fw, -1, -1, frames.size() - 1));
            if (fo.contains(QStringLiteral("sound"))) {
                const QString s = fo.value(QStringLiteral("sound")).toString();
                if (!soundIndex.contains(s))
                    cx.fail(fw + QStringLiteral(".sound"),
                            QStringLiteral("no sound named \"%1\" in manifest.sounds").arg(s));
                frame.soundIndex = soundIndex.value(s, NoSound);
            }
            const QJsonArray branches = fo.value(QStringLiteral("branches")).toArray();
            int total = 0;
            for (qsizetype b = 0; b < branches.size(); ++b) {
                const QString bw = QStringLiteral("%1.branches[%2]").arg(fw).arg(b);
                const QJsonObject bo = branches.at(b).toObject();
                Branch br;
                br.targetFrame = quint16(cx.integer(bo, QStringLiteral("frame"), bw, 0, 0,
                                                    std::max<qsizetype>(0, frames.size() - 1)));
                br.probability =
                    quint16(cx.integer(bo, QStringLiteral("probability"), bw, 0, 0, 100));
                total += br.probability;
                frame.branches.append(br);
            }
            if (total > 100)
                cx.fail(fw + QStringLiteral(".branches"),
                        QStringLiteral("probabilities add up to %1, more than 100").arg(total));
            if (branches.size() > 255)
                cx.fail(fw + QStringLiteral(".branches"), QStringLiteral("more than 255 branches"));
            const QJsonArray mouths = fo.value(QStringLiteral("mouths")).toArray();
            for (qsizetype m = 0; m < mouths.size(); ++m) {
                const QString mw = QStringLiteral("%1.mouths[%2]").arg(fw).arg(m);
                const QJsonObject mo = mouths.at(m).toObject();
                MouthOverlay ov;
                const int shape = mouthShape(mo.value(QStringLiteral("shape")));
                if (shape < 0)
                    cx.fail(mw + QStringLiteral(".shape"),
                            QStringLiteral("expected 0..6 or closed, wide1..wide4, medium, "
                                           "narrow"));
                ov.shape = quint8(std::max(shape, 0));
                ov.replaceTopImage = mo.value(QStringLiteral("replaceTop")).toBool(false);
                const qsizetype index = loadImage(mo.value(QStringLiteral("file")).toString(), mw);
                ov.imageIndex = quint16(std::max<qsizetype>(index, 0));
                if (index > 0xFFFF)
                    cx.fail(mw, QStringLiteral("mouth images must be among the first 65536"));
                ov.x = qint16(cx.integer(mo, QStringLiteral("x"), mw, 0, -32768, 32767));
                ov.y = qint16(cx.integer(mo, QStringLiteral("y"), mw, 0, -32768, 32767));
                if (index >= 0) {
                    ov.width = quint16(pngs[index].width());
                    ov.height = quint16(pngs[index].height());
                }
                frame.overlays.append(ov);
            }
            anim.frames.append(frame);
        }
        ch.animations.append(anim);
    }
    if (!cx.ok()) {
        result.error = cx.error;
        return result;
    }
    if (ch.animations.isEmpty())
        cx.warnings.append(QStringLiteral("the manifest has no animations"));

    // Character size: given, or the size of the first image.
    const QSize firstSize = pngs.isEmpty() ? QSize(128, 128) : pngs.first().size();
    info.width =
        quint16(cx.integer(root, QStringLiteral("width"), top, firstSize.width(), 1, 2048));
    info.height =
        quint16(cx.integer(root, QStringLiteral("height"), top, firstSize.height(), 1, 2048));

    // Palette: given, or derived from the images.
    const QRgb transparentColour =
        cx.colour(root, QStringLiteral("transparentColor"), top, qRgb(255, 0, 255));
    if (root.contains(QStringLiteral("palette"))) {
        const QJsonArray p = root.value(QStringLiteral("palette")).toArray();
        if (p.isEmpty() || p.size() > 256)
            cx.fail(QStringLiteral("manifest.palette"),
                    QStringLiteral("expected 1 to 256 colours"));
        for (qsizetype i = 0; i < p.size(); ++i) {
            const QColor c = QColor::fromString(p.at(i).toString());
            if (!c.isValid())
                cx.fail(QStringLiteral("manifest.palette[%1]").arg(i),
                        QStringLiteral("expected a colour such as \"#ffffe1\""));
            info.palette.append(c.rgb());
        }
    } else {
        PaletteBuilder builder;
        for (const QImage& img : pngs)
            builder.addImage(img, alphaThreshold);
        const QList<QRgb> colours = builder.build(255);
        qsizetype next = 0;
        for (int i = 0; i < 256; ++i) {
            if (i == info.transparentIndex)
                info.palette.append(transparentColour);
            else
                info.palette.append(next < colours.size() ? colours[next++] : qRgb(0, 0, 0));
        }
    }
    while (info.palette.size() < 256)
        info.palette.append(qRgb(0, 0, 0));

    // Quantise every image to the palette.
    const bool regions = root.value(QStringLiteral("regions")).toBool(true);
    PaletteMapper mapper(info.palette, info.transparentIndex);
    for (const QImage& png : pngs) {
        IndexedImage img;
        img.width = quint16(png.width());
        img.height = quint16(png.height());
        img.pixels = QByteArray(qsizetype(png.width()) * png.height(), Qt::Uninitialized);
        for (int y = 0; y < png.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(png.constScanLine(y));
            char* dst = img.pixels.data() + qsizetype(y) * png.width();
            for (int x = 0; x < png.width(); ++x)
                dst[x] = char(qAlpha(row[x]) < alphaThreshold ? info.transparentIndex
                                                              : mapper.indexOf(row[x]));
        }
        if (regions)
            img.region = ImageDecoder::encodeRegion(img, info.transparentIndex);
        ch.images.append(img);
    }

    // Names and descriptions per language.
    const QJsonArray localized = root.value(QStringLiteral("localized")).toArray();
    for (qsizetype i = 0; i < localized.size(); ++i) {
        const QString where = QStringLiteral("manifest.localized[%1]").arg(i);
        const QJsonObject lo = localized.at(i).toObject();
        LocalizedInfo l;
        l.languageId = cx.languageId(lo.value(QStringLiteral("language")),
                                     where + QStringLiteral(".language"));
        l.name = lo.value(QStringLiteral("name")).toString();
        l.description = lo.value(QStringLiteral("description")).toString();
        l.extraData = lo.value(QStringLiteral("extraData")).toString();
        info.localized.append(l);
    }
    if (info.localized.isEmpty())
        cx.fail(QStringLiteral("manifest.localized"),
                QStringLiteral("at least one name is needed, e.g. [{\"language\": \"0x0409\", "
                               "\"name\": \"Robby\"}]"));
    const QString idText = root.value(QStringLiteral("id")).toString();
    if (!idText.isEmpty()) {
        info.id = cx.uuid(root, QStringLiteral("id"), top);
    } else if (!info.localized.isEmpty()) {
        // A stable id from the name, so rebuilding a character keeps its id.
        info.id = QUuid::createUuidV5(
            QUuid(0x6ba7b811u, 0x9dad, 0x11d1, 0x80, 0xb4, 0x00, 0xc0, 0x4f, 0xd4, 0x30, 0xc8),
            info.localized.first().name);
    }

    const QJsonObject flags = root.value(QStringLiteral("flags")).toObject();
    if (flags.value(QStringLiteral("standardAnimationSet")).toBool(false))
        info.styleFlags |= StyleFlag::StandardAnimationSet;
    if (flags.value(QStringLiteral("balloonSizeToText")).toBool(false))
        info.styleFlags |= StyleFlag::BalloonSizeToText;
    if (!flags.value(QStringLiteral("balloonAutoHide")).toBool(true))
        info.styleFlags |= StyleFlag::BalloonNoAutoHide;
    if (!flags.value(QStringLiteral("balloonAutoPace")).toBool(true))
        info.styleFlags |= StyleFlag::BalloonNoAutoPace;

    if (root.contains(QStringLiteral("voice"))) {
        const QString where = QStringLiteral("manifest.voice");
        const QJsonObject vo = root.value(QStringLiteral("voice")).toObject();
        VoiceInfo v;
        v.engineId = cx.uuid(vo, QStringLiteral("engine"), where);
        v.modeId = cx.uuid(vo, QStringLiteral("mode"), where);
        v.speed = quint32(cx.integer(vo, QStringLiteral("speed"), where, 150, 0, 0xFFFFFFFF));
        v.pitch = quint16(cx.integer(vo, QStringLiteral("pitch"), where, 100, 0, 0xFFFF));
        v.hasExtraData = vo.contains(QStringLiteral("language")) ||
                         vo.contains(QStringLiteral("gender")) ||
                         vo.contains(QStringLiteral("age"));
        if (v.hasExtraData) {
            v.languageId = cx.languageId(vo.value(QStringLiteral("language")).isUndefined()
                                             ? QJsonValue(0x0409)
                                             : vo.value(QStringLiteral("language")),
                                         where + QStringLiteral(".language"));
            const QJsonValue g = vo.value(QStringLiteral("gender"));
            const QString gs = g.toString();
            v.gender = gs == u"female" ? 1 : gs == u"male" ? 2 : quint16(g.toInt(0));
            v.age = quint16(cx.integer(vo, QStringLiteral("age"), where, 30, 0, 0xFFFF));
            v.dialect = vo.value(QStringLiteral("dialect")).toString();
            v.style = vo.value(QStringLiteral("style")).toString();
        }
        info.voice = v;
    }
    if (root.contains(QStringLiteral("balloon"))) {
        const QString where = QStringLiteral("manifest.balloon");
        const QJsonObject bo = root.value(QStringLiteral("balloon")).toObject();
        BalloonInfo b;
        b.lines = quint8(cx.integer(bo, QStringLiteral("lines"), where, 2, 1, 255));
        b.charsPerLine = quint8(cx.integer(bo, QStringLiteral("charsPerLine"), where, 32, 1, 255));
        b.foreground = cx.colour(bo, QStringLiteral("text"), where, b.foreground);
        b.background = cx.colour(bo, QStringLiteral("background"), where, b.background);
        b.border = cx.colour(bo, QStringLiteral("border"), where, b.border);
        b.fontName = bo.value(QStringLiteral("font")).toString(QStringLiteral("MS Sans Serif"));
        b.fontHeight =
            qint32(cx.integer(bo, QStringLiteral("fontHeight"), where, -13, -1000, 1000));
        b.fontWeight = qint32(cx.integer(bo, QStringLiteral("fontWeight"), where, 400, 0, 1000));
        b.italic = bo.value(QStringLiteral("italic")).toBool(false);
        info.balloon = b;
    }
    if (root.contains(QStringLiteral("trayIcon"))) {
        const QString abs =
            cx.base.absoluteFilePath(root.value(QStringLiteral("trayIcon")).toString());
        const QImage icon(abs);
        if (icon.isNull())
            cx.fail(QStringLiteral("manifest.trayIcon"),
                    QStringLiteral("cannot read image %1").arg(abs));
        else
            info.trayIcon = DibCodec::encodeTrayIcon(icon);
    }

    // States name animations; names are matched ignoring case, as the reader does.
    const QJsonObject states = root.value(QStringLiteral("states")).toObject();
    for (auto it = states.begin(); it != states.end(); ++it) {
        State s;
        s.name = it.key().toUpper();
        const QJsonArray list = it.value().toArray();
        for (const QJsonValue& v : list) {
            const QString name = v.toString();
            const bool known = std::any_of(
                ch.animations.cbegin(), ch.animations.cend(), [&name](const Animation& a) {
                    return a.name.compare(name, Qt::CaseInsensitive) == 0;
                });
            if (!known)
                cx.warnings.append(QStringLiteral("state %1 names animation \"%2\", which the "
                                                  "manifest does not define")
                                       .arg(it.key(), name));
            s.animations.append(name.toUpper());
        }
        info.states.append(s);
    }
    for (const Animation& a : ch.animations)
        if (!a.returnAnimation.isEmpty() &&
            std::none_of(ch.animations.cbegin(), ch.animations.cend(), [&a](const Animation& b) {
                return b.name.compare(a.returnAnimation, Qt::CaseInsensitive) == 0;
            }))
            cx.warnings.append(QStringLiteral("animation %1 returns with \"%2\", which the "
                                              "manifest does not define")
                                   .arg(a.name, a.returnAnimation));
    result.error = cx.error;
    result.warnings = cx.warnings;
    return result;
}
