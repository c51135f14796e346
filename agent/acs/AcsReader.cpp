#include "AcsReader.h"

#include "AcsLog.h"
#include "ByteCursor.h"
#include "Compression.h"
#include "FrameComposer.h"
#include "ImageDecoder.h"

#include <QMutexLocker>

#include <algorithm>
#include <map>
#include <tuple>

namespace clipvoice::agent::acs {

namespace {

const QString kDamaged = QStringLiteral("character file is damaged or encrypted");
constexpr qint64 kMaxRegionBytes = 8 * 1024 * 1024;
constexpr quint64 kFrameKey = quint64(1) << 62;
constexpr quint64 kPixelsKey = quint64(1) << 61;
// What a cache entry of held pixels costs besides its bytes.
constexpr qint64 kPixelsOverhead = 64;

struct CharacterFields
{
    CharacterInfo info;
    qint64 localizedOffset = 0;
    qint64 localizedSize = 0;
    qint64 consumed = 0;
    QString error;
};

// Reads the character block up to the end of the state table, with the voice
// and balloon structures taken as present or absent as told.
CharacterFields readCharacterFields(const uchar* file, qint64 begin, qint64 size, bool voice,
                                    bool balloon)
{
    CharacterFields out;
    CharacterInfo& info = out.info;
    ByteCursor c(file, begin, size, QStringLiteral("character block"));
    info.minorVersion = c.u16("minor version");
    info.majorVersion = c.u16("major version");
    out.localizedOffset = c.u32("localized information offset");
    out.localizedSize = c.u32("localized information size");
    info.id = c.guid("character id");
    const qint64 sizeAt = c.position();
    info.width = c.u16("width");
    info.height = c.u16("height");
    info.transparentIndex = c.u8("transparent index");
    info.styleFlags = c.u32("style flags");
    info.animationSetVersionFirst = c.u16("animation set version");
    info.animationSetVersionSecond = c.u16("animation set version");
    if (c.ok() &&
        (info.width == 0 || info.height == 0 || info.width > AcsReader::MaxCharacterSide ||
         info.height > AcsReader::MaxCharacterSide))
        c.failAt(sizeAt, QStringLiteral("character size %1 x %2 is outside 1..%3")
                             .arg(info.width)
                             .arg(info.height)
                             .arg(AcsReader::MaxCharacterSide));
    if (voice && c.ok()) {
        VoiceInfo v;
        v.engineId = c.guid("voice engine id");
        v.modeId = c.guid("voice mode id");
        v.speed = c.u32("voice speed");
        v.pitch = c.u16("voice pitch");
        v.hasExtraData = c.u8("voice extra data flag") != 0;
        if (v.hasExtraData) {
            v.languageId = c.u16("voice language");
            v.dialect = c.string("voice dialect");
            v.gender = c.u16("voice gender");
            v.age = c.u16("voice age");
            v.style = c.string("voice style");
        }
        info.voice = v;
    }
    if (balloon && c.ok()) {
        BalloonInfo b;
        b.lines = c.u8("balloon lines");
        b.charsPerLine = c.u8("balloon characters per line");
        const auto colour = [&c](const char* field) {
            const quint32 v = c.u32(field);
            return qRgb(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
        };
        b.foreground = colour("balloon text colour");
        b.background = colour("balloon background colour");
        b.border = colour("balloon border colour");
        b.fontName = c.string("balloon font name");
        b.fontHeight = c.i32("balloon font height");
        b.fontWeight = c.i32("balloon font weight");
        b.italic = c.u8("balloon italic flag") != 0;
        b.unknownFontByte = c.u8("balloon font byte");
        info.balloon = b;
    }
    const qint64 paletteAt = c.position();
    const quint32 paletteCount = c.u32("palette count");
    if (c.ok() && paletteCount > 256)
        c.failAt(paletteAt, QStringLiteral("palette count %1 is more than 256").arg(paletteCount));
    if (c.checkCount("palette count", paletteCount, 4)) {
        const uchar* p = c.bytes("palette", qint64(paletteCount) * 4);
        info.palette.reserve(paletteCount);
        for (quint32 i = 0; p && i < paletteCount; ++i)
            info.palette.append(qRgb(p[4 * i + 2], p[4 * i + 1], p[4 * i]));
    }
    const qint64 trayAt = c.position();
    const quint8 hasTray = c.u8("tray icon flag");
    if (c.ok() && hasTray > 1)
        c.failAt(trayAt, QStringLiteral("tray icon flag is %1, expected 0 or 1").arg(hasTray));
    if (hasTray && c.ok()) {
        TrayIcon icon;
        const quint32 m = c.u32("tray icon mask size");
        if (const uchar* p = c.bytes("tray icon mask", m))
            icon.mask = QByteArray(reinterpret_cast<const char*>(p), m);
        const quint32 n = c.u32("tray icon colour size");
        if (const uchar* p = c.bytes("tray icon colour bitmap", n))
            icon.color = QByteArray(reinterpret_cast<const char*>(p), n);
        info.trayIcon = icon;
    }
    const quint16 stateCount = c.u16("state count");
    // A state is at least a name (4 bytes) and an animation count (2 bytes).
    if (c.checkCount("state count", stateCount, 6)) {
        info.states.reserve(stateCount);
        for (quint16 i = 0; i < stateCount && c.ok(); ++i) {
            State s;
            s.name = c.string("state name");
            const quint16 n = c.u16("state animation count");
            if (!c.checkCount("state animation count", n, 4))
                break;
            for (quint16 k = 0; k < n && c.ok(); ++k)
                s.animations.append(c.string("state animation name"));
            info.states.append(s);
        }
    }
    out.consumed = c.consumed();
    out.error = c.error();
    return out;
}

bool exactFit(const CharacterFields& f, qint64 begin, qint64 size)
{
    if (!f.error.isEmpty())
        return false;
    if (f.consumed == size)
        return true;
    return f.localizedOffset == begin + f.consumed && f.consumed + f.localizedSize == size;
}

} // namespace

AcsReader::AcsReader()
{
    m_cache.setMaxCost(DefaultCacheLimit);
}

AcsReader::~AcsReader() = default;

void AcsReader::close()
{
    {
        QMutexLocker lock(&m_cacheMutex);
        m_cache.clear();
    }
    m_file.reset();
    m_data.clear();
    m_bytes = nullptr;
    m_size = 0;
    m_open = false;
    m_error.clear();
    m_warnings.clear();
    m_info = {};
    m_animations.clear();
    m_animationByName.clear();
    m_images.clear();
    m_sounds.clear();
    m_colours = {};
    m_imageDecodes = 0;
    m_decodedBytes = 0;
    m_layersLeftOut = 0;
}

bool AcsReader::fail(const QString& message)
{
    const QString error = message;
    close();
    m_error = error;
    return false;
}

bool AcsReader::openFile(const QString& path)
{
    close();
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot open %1: %2").arg(path, file->errorString()));
    const qint64 size = file->size();
    if (size > 0) {
        uchar* mapped = file->map(0, size);
        if (mapped) {
            m_bytes = mapped;
            m_size = size;
            m_file = std::move(file);
        } else {
            m_data = file->readAll();
            if (m_data.size() != size)
                return fail(QStringLiteral("cannot read %1: %2").arg(path, file->errorString()));
        }
    }
    if (!m_file) {
        m_bytes = reinterpret_cast<const uchar*>(m_data.constData());
        m_size = m_data.size();
    }
    // Animation files of the web format have no signature of their own; they are
    // known by their name unless they start like a whole character file.
    const bool acsSignature = m_size >= 4 && m_bytes[0] == 0xC3 && m_bytes[1] == 0xAB &&
                              m_bytes[2] == 0xCD && m_bytes[3] == 0xAB;
    if (path.endsWith(QStringLiteral(".aca"), Qt::CaseInsensitive) && !acsSignature)
        return fail(QStringLiteral("unsupported character file: ACA animation files (web format) "
                                   "are not supported yet"));
    return openBytes();
}

bool AcsReader::openData(const QByteArray& data)
{
    close();
    m_data = data;
    m_bytes = reinterpret_cast<const uchar*>(m_data.constData());
    m_size = m_data.size();
    return openBytes();
}

bool AcsReader::openBytes()
{
    Locator locators[4];
    if (!parseHeader(locators))
        return false;
    if (!parseCharacter(locators[0]) || !parseAnimations(locators[1]) ||
        !parseImages(locators[2]) || !parseSounds(locators[3]))
        return false;
    linkSources();
    m_colours = FrameComposer::colourTable(m_info.palette, m_info.transparentIndex);
    m_open = true;
    return true;
}

bool AcsReader::checkLocator(const Locator& l, const QString& what, QString* error) const
{
    if (l.offset > m_size || l.size > m_size - l.offset) {
        *error = QStringLiteral("%1 (offset %2, %3 bytes) lies outside the file (%4 bytes)")
                     .arg(what, hexOffset(l.offset))
                     .arg(l.size)
                     .arg(m_size);
        return false;
    }
    return true;
}

bool AcsReader::parseHeader(Locator locators[4])
{
    if (m_size >= 4 && m_bytes[0] == 0xD0 && m_bytes[1] == 0xCF && m_bytes[2] == 0x11 &&
        m_bytes[3] == 0xE0)
        return fail(QStringLiteral("unsupported character file: Agent 1.5 format"));
    ByteCursor c(m_bytes, 0, m_size, QStringLiteral("file header"));
    const quint32 signature = c.u32("signature");
    if (!c.ok())
        return fail(QStringLiteral("not a character file: %1 bytes is too short").arg(m_size));
    if (signature == WebSignature)
        return fail(QStringLiteral("unsupported character file: ACF web format is not supported "
                                   "yet"));
    if (signature != Signature) {
        // An animation file of the web format starts with its version words.
        if ((signature >> 16) == 2 && (signature & 0xFFFF) < 16)
            return fail(QStringLiteral("unsupported character file: ACA animation files (web "
                                       "format) are not supported yet"));
        return fail(QStringLiteral("not a character file: signature 0x%1 at offset 0x0")
                        .arg(signature, 8, 16, QLatin1Char('0')));
    }
    static const char* const names[4] = {"character block", "animation list", "image list",
                                         "audio list"};
    for (int i = 0; i < 4; ++i) {
        locators[i].offset = c.u32("block offset");
        locators[i].size = c.u32("block size");
    }
    if (!c.ok())
        return fail(QStringLiteral("%1: %2").arg(kDamaged, c.error()));
    for (int i = 0; i < 4; ++i) {
        QString error;
        if (!checkLocator(locators[i], QLatin1String(names[i]), &error))
            return fail(QStringLiteral("%1: header at offset %2: %3")
                            .arg(kDamaged, hexOffset(4 + 8 * i), error));
    }
    return true;
}

bool AcsReader::parseCharacter(const Locator& block)
{
    const qint64 begin = block.offset;
    const qint64 size = block.size;
    if (size < 0x29)
        return fail(QStringLiteral("%1: character block at offset %2 is %3 bytes, too short")
                        .arg(kDamaged, hexOffset(begin))
                        .arg(size));
    const quint32 flags = quint32(m_bytes[begin + 0x21]) | (quint32(m_bytes[begin + 0x22]) << 8) |
                          (quint32(m_bytes[begin + 0x23]) << 16) |
                          (quint32(m_bytes[begin + 0x24]) << 24);
    // The presence bits are the "enabled" bits; some readers took the "none" bits
    // instead, so the other reading is tried when the first does not fit exactly.
    const bool voiceA = flags & StyleFlag::VoiceEnabled;
    const bool balloonA = flags & StyleFlag::BalloonEnabled;
    const bool voiceB = !(flags & StyleFlag::VoiceNone);
    const bool balloonB = !(flags & StyleFlag::BalloonNone);
    CharacterFields fields = readCharacterFields(m_bytes, begin, size, voiceA, balloonA);
    if (!exactFit(fields, begin, size) && (voiceA != voiceB || balloonA != balloonB)) {
        CharacterFields other = readCharacterFields(m_bytes, begin, size, voiceB, balloonB);
        if (exactFit(other, begin, size))
            fields = std::move(other);
    }
    if (!fields.error.isEmpty())
        return fail(QStringLiteral("%1: %2").arg(kDamaged, fields.error));
    if (!exactFit(fields, begin, size))
        m_warnings.append(QStringLiteral("character block at offset %1: %2 of %3 bytes used")
                              .arg(hexOffset(begin))
                              .arg(fields.consumed)
                              .arg(size));
    m_info = std::move(fields.info);

    const Locator loc{fields.localizedOffset, fields.localizedSize};
    QString error;
    if (!checkLocator(loc, QStringLiteral("localized information"), &error))
        return fail(QStringLiteral("%1: character block at offset %2: %3")
                        .arg(kDamaged, hexOffset(begin + 4), error));
    ByteCursor c(m_bytes, loc.offset, loc.size, QStringLiteral("localized information"));
    const quint16 count = c.u16("entry count");
    // An entry is at least a language id and three empty strings.
    if (c.checkCount("localized entry count", count, 14)) {
        for (quint16 i = 0; i < count && c.ok(); ++i) {
            LocalizedInfo l;
            l.languageId = c.u16("language id");
            l.name = c.string("name");
            l.description = c.string("description");
            l.extraData = c.string("extra data");
            m_info.localized.append(l);
        }
    }
    if (!c.ok())
        return fail(QStringLiteral("%1: %2").arg(kDamaged, c.error()));
    return true;
}

bool AcsReader::parseAnimations(const Locator& block)
{
    ByteCursor list(m_bytes, block.offset, block.size, QStringLiteral("animation list"));
    const quint32 count = list.u32("animation count");
    // An entry is at least an empty name and a locator.
    if (!list.checkCount("animation count", count, 12))
        return fail(QStringLiteral("%1: %2").arg(kDamaged, list.error()));
    int damaged = 0;
    for (quint32 i = 0; i < count && list.ok(); ++i) {
        const QString listName = list.string("animation name");
        const qint64 at = list.position();
        const Locator loc{list.u32("animation offset"), list.u32("animation size")};
        if (!list.ok())
            break;
        QString error;
        if (!checkLocator(loc, QStringLiteral("animation \"%1\"").arg(listName), &error)) {
            m_warnings.append(
                QStringLiteral("animation list at offset %1: %2").arg(hexOffset(at), error));
            ++damaged;
            continue;
        }
        ByteCursor c(m_bytes, loc.offset, loc.size,
                     QStringLiteral("animation \"%1\"").arg(listName));
        Animation a;
        a.name = c.string("name");
        a.transitionType = c.u8("transition type");
        a.returnAnimation = c.string("return animation");
        const quint16 frameCount = c.u16("frame count");
        // A frame is at least 2 + 2 + 2 + 2 + 1 + 1 bytes.
        if (c.checkCount("frame count", frameCount, 10))
            a.frames.reserve(frameCount);
        for (quint16 f = 0; f < frameCount && c.ok(); ++f) {
            Frame frame;
            const quint16 images = c.u16("frame image count");
            if (!c.checkCount("frame image count", images, 8))
                break;
            frame.images.reserve(images);
            for (quint16 k = 0; k < images; ++k) {
                FrameImage fi;
                fi.imageIndex = c.u32("frame image index");
                fi.x = c.i16("frame image x");
                fi.y = c.i16("frame image y");
                frame.images.append(fi);
            }
            frame.soundIndex = c.u16("sound index");
            frame.duration = c.u16("duration");
            frame.exitFrame = c.i16("exit frame");
            const quint8 branches = c.u8("branch count");
            if (!c.checkCount("branch count", branches, 4))
                break;
            for (quint8 k = 0; k < branches; ++k) {
                Branch b;
                b.targetFrame = c.u16("branch target");
                b.probability = c.u16("branch probability");
                frame.branches.append(b);
            }
            const quint8 overlays = c.u8("overlay count");
            if (!c.checkCount("overlay count", overlays, 14))
                break;
            for (quint8 k = 0; k < overlays && c.ok(); ++k) {
                MouthOverlay o;
                o.shape = c.u8("overlay mouth shape");
                o.replaceTopImage = c.u8("overlay replace flag") != 0;
                o.imageIndex = c.u16("overlay image index");
                o.unknownByte = c.u8("overlay byte 4");
                o.hasRegion = c.u8("overlay region flag") != 0;
                o.x = c.i16("overlay x");
                o.y = c.i16("overlay y");
                o.width = c.u16("overlay width");
                o.height = c.u16("overlay height");
                if (o.hasRegion) {
                    const quint32 n = c.u32("overlay region size");
                    if (const uchar* p = c.bytes("overlay region", n))
                        o.region = QByteArray(reinterpret_cast<const char*>(p), n);
                }
                frame.overlays.append(o);
            }
            a.frames.append(frame);
        }
        if (!c.ok()) {
            m_warnings.append(QStringLiteral("%1 (animation left out)").arg(c.error()));
            ++damaged;
            continue;
        }
        if (c.remaining() != 0)
            m_warnings.append(QStringLiteral("animation \"%1\" at offset %2: %3 unused bytes")
                                  .arg(listName, hexOffset(loc.offset))
                                  .arg(c.remaining()));
        if (a.name.compare(listName, Qt::CaseInsensitive) != 0)
            m_warnings.append(QStringLiteral("animation \"%1\" at offset %2 calls itself \"%3\"")
                                  .arg(listName, hexOffset(loc.offset), a.name));
        a.name = listName;
        const QString key = listName.toCaseFolded();
        if (m_animationByName.contains(key))
            m_warnings.append(QStringLiteral("animation list at offset %1: \"%2\" is listed twice; "
                                             "the first is used")
                                  .arg(hexOffset(at), listName));
        else
            m_animationByName.insert(key, m_animations.size());
        m_animations.append(std::move(a));
    }
    if (!list.ok())
        return fail(QStringLiteral("%1: %2").arg(kDamaged, list.error()));
    if (count > 0 && damaged == qint64(count))
        return fail(QStringLiteral("%1: none of the %2 animations can be read (%3)")
                        .arg(kDamaged)
                        .arg(count)
                        .arg(m_warnings.isEmpty() ? QString() : m_warnings.last()));
    return true;
}

void AcsReader::indexImage(ImageEntry& e) const
{
    // A single zero byte is an empty image.
    if (e.block.size == 1 && m_bytes[e.block.offset] == 0)
        return;
    ByteCursor c(m_bytes, e.block.offset, e.block.size, QStringLiteral("image block"));
    e.unknownByte = c.u8("first byte");
    const qint64 sizeAt = c.position();
    e.width = c.u16("width");
    e.height = c.u16("height");
    e.compressed = c.u8("compressed flag") != 0;
    e.pixels.size = c.u32("pixel data size");
    e.pixels.offset = c.position();
    c.skip("pixel data", e.pixels.size);
    const int maxSide = maxImageSide(m_info);
    if (c.ok() && (e.width > maxSide || e.height > maxSide))
        c.failAt(sizeAt, QStringLiteral("image size %1 x %2 is larger than %3 x %3")
                             .arg(e.width)
                             .arg(e.height)
                             .arg(maxSide));
    // Region data follows; a block that ends after the pixels has none.
    if (c.ok() && c.remaining() > 0) {
        e.regionStored = c.u32("region stored size");
        e.regionSize = c.u32("region size");
        e.region.offset = c.position();
        e.region.size = e.regionStored ? e.regionStored : e.regionSize;
        c.skip("region data", e.region.size);
    }
    if (!c.ok()) {
        e.error = c.error();
        e.region = {};
        e.regionSize = 0;
        // A damaged image reads as transparent; only a plausible size is kept for it.
        if (e.width > maxSide || e.height > maxSide)
            e.width = e.height = 0;
    }
}

bool AcsReader::parseImages(const Locator& block)
{
    ByteCursor list(m_bytes, block.offset, block.size, QStringLiteral("image list"));
    const quint32 count = list.u32("image count");
    if (!list.checkCount("image count", count, 12))
        return fail(QStringLiteral("%1: %2").arg(kDamaged, list.error()));
    m_images.reserve(count);
    int damaged = 0;
    for (quint32 i = 0; i < count; ++i) {
        ImageEntry e;
        const qint64 at = list.position();
        e.block.offset = list.u32("image offset");
        e.block.size = list.u32("image size");
        list.u32("image checksum");
        QString error;
        if (!checkLocator(e.block, QStringLiteral("image %1").arg(i), &error))
            e.error = QStringLiteral("image list at offset %1: %2").arg(hexOffset(at), error);
        else
            indexImage(e);
        if (!e.error.isEmpty()) {
            m_warnings.append(QStringLiteral("image %1: %2").arg(i).arg(e.error));
            ++damaged;
        }
        m_images.append(e);
    }
    if (count > 0 && damaged == qint64(count))
        return fail(QStringLiteral("%1: none of the %2 images can be read (%3)")
                        .arg(kDamaged)
                        .arg(count)
                        .arg(m_images.first().error));
    return true;
}

bool AcsReader::parseSounds(const Locator& block)
{
    ByteCursor list(m_bytes, block.offset, block.size, QStringLiteral("audio list"));
    const quint32 count = list.u32("sound count");
    if (!list.checkCount("sound count", count, 12))
        return fail(QStringLiteral("%1: %2").arg(kDamaged, list.error()));
    m_sounds.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        const qint64 at = list.position();
        Locator l{list.u32("sound offset"), list.u32("sound size")};
        list.u32("sound checksum");
        QString error;
        if (!checkLocator(l, QStringLiteral("sound %1").arg(i), &error)) {
            m_warnings.append(
                QStringLiteral("audio list at offset %1: %2").arg(hexOffset(at), error));
            l = {};
        }
        m_sounds.append(l);
    }
    return true;
}

const LocalizedInfo* AcsReader::localized(quint16 languageId) const
{
    return findLocalized(m_info.localized, languageId);
}

qsizetype AcsReader::animationIndex(QStringView name) const
{
    return m_animationByName.value(name.toString().toCaseFolded(), -1);
}

const Animation* AcsReader::animation(QStringView name) const
{
    const qsizetype i = animationIndex(name);
    return i < 0 ? nullptr : &m_animations[i];
}

const State* AcsReader::state(QStringView name) const
{
    for (const State& s : m_info.states)
        if (name.compare(s.name, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

void AcsReader::linkSources()
{
    // Entries whose blocks hold the same pixel data (or region data) decode to
    // the same bytes, since the palette is the character's: each is linked to
    // the first of them. Damaged entries read as transparent and link nowhere.
    std::map<std::tuple<qint64, qint64, int, int, bool>, qsizetype> pixelOwners;
    std::map<std::tuple<qint64, qint64, quint32, quint32>, qsizetype> regionOwners;
    for (qsizetype i = 0; i < m_images.size(); ++i) {
        ImageEntry& e = m_images[i];
        if (!e.error.isEmpty())
            continue;
        if (e.width > 0 && e.height > 0)
            e.pixelSource =
                pixelOwners
                    .try_emplace({e.pixels.offset, e.pixels.size, e.width, e.height, e.compressed},
                                 i)
                    .first->second;
        if (e.region.size > 0 || e.regionSize > 0)
            e.regionSource =
                regionOwners
                    .try_emplace({e.region.offset, e.region.size, e.regionStored, e.regionSize}, i)
                    .first->second;
    }
}

void AcsReader::countDecode(qint64 bytes) const
{
    ++m_imageDecodes;
    m_decodedBytes += bytes;
}

AcsReader::PixelsResult AcsReader::decodeIndexed(qsizetype index) const
{
    PixelsResult r;
    const ImageEntry& e = m_images[index];
    const qsizetype w = e.width;
    const qsizetype h = e.height;
    const auto transparent = [&](const QString& why) {
        r.error = why;
        r.pixels = QByteArray(w * h, char(m_info.transparentIndex));
        return r;
    };
    if (!e.error.isEmpty())
        return transparent(e.error);
    const qsizetype expected = ImageDecoder::stride(int(w)) * h;
    if (expected == 0)
        return r;
    const uchar* src = m_bytes + e.pixels.offset;
    if (!e.compressed) {
        if (e.pixels.size < expected)
            return transparent(QStringLiteral("image %1 at offset %2: %3 bytes of raw pixels, "
                                              "%4 expected")
                                   .arg(index)
                                   .arg(hexOffset(e.pixels.offset))
                                   .arg(e.pixels.size)
                                   .arg(expected));
        countDecode(w * h);
        r.pixels = ImageDecoder::fromStoredRows(src, int(w), int(h));
        return r;
    }
    QByteArray stored(expected, Qt::Uninitialized);
    countDecode(expected + w * h);
    const Compression::Result d = Compression::decompress(
        src, e.pixels.size, reinterpret_cast<uchar*>(stored.data()), expected, ImageSlack);
    if (!d.ok)
        return transparent(QStringLiteral("image %1 at offset %2: %3")
                               .arg(index)
                               .arg(hexOffset(e.pixels.offset + d.errorOffset), d.error));
    r.pixels = ImageDecoder::fromStoredRows(reinterpret_cast<const uchar*>(stored.constData()),
                                            int(w), int(h));
    return r;
}

QByteArray AcsReader::decodeRegionData(qsizetype index, QString* error) const
{
    const ImageEntry& e = m_images[index];
    if (!e.error.isEmpty() || (e.region.size == 0 && e.regionSize == 0))
        return {};
    const qint64 cap = std::min<qint64>(kMaxRegionBytes, 32 + 16 * qint64(e.width) * e.height);
    const QString where =
        QStringLiteral("image %1 region at offset %2").arg(index).arg(hexOffset(e.region.offset));
    if (e.regionSize > cap) {
        *error = QStringLiteral("%1: %2 bytes claimed, at most %3 allowed")
                     .arg(where)
                     .arg(e.regionSize)
                     .arg(cap);
        return {};
    }
    if (e.regionStored == 0)
        return QByteArray(reinterpret_cast<const char*>(m_bytes + e.region.offset), e.regionSize);
    QByteArray region(e.regionSize, Qt::Uninitialized);
    const Compression::Result d =
        Compression::decompress(m_bytes + e.region.offset, e.region.size,
                                reinterpret_cast<uchar*>(region.data()), e.regionSize, ImageSlack);
    if (d.ok)
        return region;
    *error = QStringLiteral("%1: %2 (at offset %3)")
                 .arg(where, d.error, hexOffset(e.region.offset + d.errorOffset));
    return {};
}

AcsReader::ImageResult AcsReader::readImage(qsizetype index) const
{
    ImageResult r;
    if (index < 0 || index >= m_images.size()) {
        r.error = QStringLiteral("image index %1 is out of range (%2 images)")
                      .arg(index)
                      .arg(m_images.size());
        return r;
    }
    const ImageEntry& e = m_images[index];
    IndexedImage& img = r.image;
    img.unknownByte = e.unknownByte;
    img.width = e.width;
    img.height = e.height;
    PixelsResult pixels = decodeIndexed(index);
    img.pixels = std::move(pixels.pixels);
    r.error = std::move(pixels.error);
    // A damaged image comes back without its region.
    if (r.error.isEmpty())
        img.region = decodeRegionData(index, &r.error);
    return r;
}

IndexedPixels AcsReader::decodePixels(qsizetype source, const QRect& part) const
{
    const ImageEntry& e = m_images[source];
    const int w = e.width;
    const int h = e.height;
    const QRect whole(0, 0, w, h);
    const qsizetype stride = ImageDecoder::stride(w);
    const qsizetype expected = stride * h;
    const uchar* src = m_bytes + e.pixels.offset;
    IndexedPixels p;
    p.rect = whole;
    if (!e.compressed) {
        // Raw pixels are read where they are in the file, bottom row first.
        if (e.pixels.size < expected) {
            p.transparent = true;
            return p;
        }
        countDecode(0);
        p.top = src + (h - 1) * stride;
        p.rowStep = -stride;
        return p;
    }
    if (expected <= WholeImageLimit || part == whole) {
        p.storage = QByteArray(expected, Qt::Uninitialized);
        countDecode(expected);
        const Compression::Result d = Compression::decompress(
            src, e.pixels.size, reinterpret_cast<uchar*>(p.storage.data()), expected, ImageSlack);
        if (!d.ok)
            return IndexedPixels{{}, nullptr, 0, whole, true};
        p.top = reinterpret_cast<const uchar*>(p.storage.constData()) + (h - 1) * stride;
        p.rowStep = -stride;
        return p;
    }
    // A large image of which a frame shows a part: only that part is kept,
    // bottom row first as stored.
    Compression::Part keep;
    keep.rowBytes = stride;
    keep.firstRow = h - 1 - part.bottom();
    keep.rowCount = part.height();
    keep.column = part.left();
    keep.width = part.width();
    p.storage = QByteArray(keep.rowCount * keep.width, Qt::Uninitialized);
    countDecode(p.storage.size());
    const Compression::Result d = Compression::decompressPart(
        src, e.pixels.size, expected, keep, reinterpret_cast<uchar*>(p.storage.data()), ImageSlack);
    if (!d.ok)
        return IndexedPixels{{}, nullptr, 0, whole, true};
    p.rect = part;
    p.top =
        reinterpret_cast<const uchar*>(p.storage.constData()) + (keep.rowCount - 1) * keep.width;
    p.rowStep = -keep.width;
    return p;
}

IndexedPixels AcsReader::pixels(qsizetype source, const QRect& part, bool keep) const
{
    const quint64 key = kPixelsKey | quint64(source);
    {
        QMutexLocker lock(&m_cacheMutex);
        if (const CacheItem* item = m_cache.object(key); item && item->pixels.holds(part))
            return item->pixels;
    }
    const IndexedPixels p = decodePixels(source, part);
    if (keep)
        store(key, p);
    return p;
}

QImage AcsReader::cached(quint64 key) const
{
    QMutexLocker lock(&m_cacheMutex);
    const CacheItem* item = m_cache.object(key);
    return item ? item->image : QImage();
}

void AcsReader::store(quint64 key, const QImage& image) const
{
    QMutexLocker lock(&m_cacheMutex);
    const qint64 cost = std::max<qint64>(1, image.sizeInBytes());
    if (cost <= m_cache.maxCost())
        m_cache.insert(key, new CacheItem{image, {}}, cost);
}

void AcsReader::store(quint64 key, const IndexedPixels& pixels) const
{
    QMutexLocker lock(&m_cacheMutex);
    const qint64 cost = kPixelsOverhead + pixels.storage.size();
    if (cost <= m_cache.maxCost())
        m_cache.insert(key, new CacheItem{{}, pixels}, cost);
}

QSize AcsReader::imageSize(qsizetype index) const
{
    if (index < 0 || index >= m_images.size())
        return {0, 0};
    return {m_images[index].width, m_images[index].height};
}

QImage AcsReader::image(qsizetype index) const
{
    if (index < 0 || index >= m_images.size())
        return {};
    const ImageEntry& e = m_images[index];
    if (e.width == 0 || e.height == 0)
        return {};
    // Entries sharing pixel data share the cached image; a damaged entry is
    // never a source, so its own index cannot clash with one.
    const qsizetype source = e.pixelSource;
    const quint64 key = quint64(source >= 0 ? source : index);
    QImage img = cached(key);
    if (!img.isNull())
        return img;
    const QRect whole(0, 0, e.width, e.height);
    IndexedPixels p;
    if (source >= 0)
        p = pixels(source, whole, false); // the ARGB image is what gets cached
    else
        p = IndexedPixels{{}, nullptr, 0, whole, true};
    img = FrameComposer::toArgb(p, m_colours);
    if (!img.isNull())
        store(key, img);
    return img;
}

QList<QRect> AcsReader::imageRegion(qsizetype index) const
{
    if (index < 0 || index >= m_images.size())
        return {};
    QString error;
    const QByteArray region = decodeRegionData(index, &error);
    if (region.isEmpty())
        return {};
    const ImageEntry& e = m_images[index];
    return ImageDecoder::decodeRegion(region, QRect(0, 0, e.width, e.height), &error)
        .value_or(QList<QRect>());
}

qint64 AcsReader::framePixelLimit() const
{
    const qint64 side = maxImageSide(m_info);
    return std::max(side * side, qint64(FramePixelFactor) * m_info.width * m_info.height);
}

QImage AcsReader::frame(qsizetype animationIndex, qsizetype frameIndex, int mouthShape) const
{
    if (animationIndex < 0 || animationIndex >= m_animations.size())
        return {};
    const Animation& a = m_animations[animationIndex];
    if (frameIndex < 0 || frameIndex >= a.frames.size())
        return {};
    if (mouthShape < -1 || mouthShape >= MouthShapeCount)
        mouthShape = -1;
    const quint64 key = kFrameKey | (quint64(animationIndex) << 24) | (quint64(frameIndex) << 4) |
                        quint64(mouthShape + 1);
    QImage img = cached(key);
    if (!img.isNull())
        return img;
    const Frame& f = a.frames[frameIndex];
    // Nothing is decoded yet: the layers carry the sizes from the index, so
    // that the composer can tell which images it will draw.
    const auto layerFor = [this](quint32 index, int x, int y) {
        FrameLayer layer;
        layer.x = x;
        layer.y = y;
        if (index < quint32(m_images.size())) {
            const ImageEntry& e = m_images[qsizetype(index)];
            layer.source = e.pixelSource;
            layer.width = e.width;
            layer.height = e.height;
        }
        return layer;
    };
    QList<FrameLayer> layers;
    layers.reserve(f.images.size() + 1);
    for (const FrameImage& fi : f.images)
        layers.append(layerFor(fi.imageIndex, fi.x, fi.y));
    if (mouthShape >= 0) {
        for (const MouthOverlay& o : f.overlays) {
            if (o.shape != mouthShape)
                continue;
            const FrameLayer mouth = layerFor(o.imageIndex, o.x, o.y);
            if (o.replaceTopImage && !layers.isEmpty())
                layers.first() = mouth;
            else
                layers.prepend(mouth);
            break;
        }
    }
    const QSize canvas(m_info.width, m_info.height);
    const FramePlan plan =
        FrameComposer::plan(canvas, layers, {MaxImagesPerFrame, framePixelLimit()});
    if (plan.leftOut > 0) {
        m_layersLeftOut += plan.leftOut;
        qCWarning(lcAcs).noquote()
            << QStringLiteral("frame %1 of animation \"%2\": %3 of its %4 images left out, "
                              "decoding them would pass %5 images or %6 pixels")
                   .arg(frameIndex)
                   .arg(a.name)
                   .arg(plan.leftOut)
                   .arg(layers.size())
                   .arg(MaxImagesPerFrame)
                   .arg(framePixelLimit());
    }
    QHash<qint64, IndexedPixels> held;
    held.reserve(plan.parts.size());
    for (auto it = plan.parts.cbegin(); it != plan.parts.cend(); ++it)
        held.insert(it.key(), pixels(qsizetype(it.key()), it.value()));
    img = FrameComposer::compose(canvas, layers, plan, held, m_colours);
    if (!img.isNull())
        store(key, img);
    return img;
}

QByteArray AcsReader::sound(qsizetype index) const
{
    if (index < 0 || index >= m_sounds.size())
        return {};
    const Locator& l = m_sounds[index];
    return QByteArray(reinterpret_cast<const char*>(m_bytes + l.offset), l.size);
}

qint64 AcsReader::characterBudget() const
{
    return std::max(CharacterBudgetFloor, CharacterBudgetFactor * m_size);
}

qint64 AcsReader::characterBytes() const
{
    // The buffers character() makes: one per pixel source, per region source and
    // per transparent image size, and one per distinct sound block.
    qint64 bytes = 0;
    std::map<std::pair<int, int>, bool> transparentSizes;
    for (qsizetype i = 0; i < m_images.size(); ++i) {
        const ImageEntry& e = m_images[i];
        const qint64 area = qint64(e.width) * e.height;
        if (e.pixelSource == i ||
            (e.pixelSource < 0 && transparentSizes.try_emplace({e.width, e.height}, true).second))
            bytes += area;
        if (e.regionSource == i)
            bytes += std::min<qint64>(kMaxRegionBytes, e.regionSize);
    }
    std::map<std::pair<qint64, qint64>, bool> sounds;
    for (const Locator& l : m_sounds)
        if (sounds.try_emplace({l.offset, l.size}, true).second)
            bytes += l.size;
    return bytes;
}

Character AcsReader::character(QString* error, qint64 budget) const
{
    if (budget < 0)
        budget = characterBudget();
    const qint64 needed = characterBytes();
    if (needed > budget) {
        const QString message =
            QStringLiteral("decoding the whole character needs %1 bytes, more than the %2 "
                           "allowed for a file of %3 bytes")
                .arg(needed)
                .arg(budget)
                .arg(m_size);
        qCWarning(lcAcs).noquote() << message;
        if (error)
            *error = message;
        return {};
    }
    if (error)
        error->clear();
    Character c;
    c.info = m_info;
    c.animations = m_animations;
    c.images.reserve(m_images.size());
    // Shared sources decode once; QByteArray copies then share the bytes.
    QHash<qsizetype, PixelsResult> pixelsBySource;
    QHash<qsizetype, QByteArray> regionsBySource;
    std::map<std::pair<int, int>, QByteArray> transparent;
    for (qsizetype i = 0; i < m_images.size(); ++i) {
        const ImageEntry& e = m_images[i];
        IndexedImage img;
        img.unknownByte = e.unknownByte;
        img.width = e.width;
        img.height = e.height;
        // As readImage(): a damaged image is transparent and has no region.
        bool damaged = !e.error.isEmpty();
        if (e.pixelSource < 0) {
            // Damaged or empty: transparent pixels, one buffer per size.
            auto it = transparent.find({e.width, e.height});
            if (it == transparent.end())
                it = transparent
                         .emplace(std::pair<int, int>(e.width, e.height), decodeIndexed(i).pixels)
                         .first;
            img.pixels = it->second;
        } else {
            auto pixels = pixelsBySource.find(e.pixelSource);
            if (pixels == pixelsBySource.end())
                pixels = pixelsBySource.insert(e.pixelSource, decodeIndexed(e.pixelSource));
            img.pixels = pixels->pixels;
            damaged = !pixels->error.isEmpty();
        }
        if (!damaged && e.regionSource >= 0) {
            auto region = regionsBySource.find(e.regionSource);
            if (region == regionsBySource.end()) {
                QString regionError;
                region = regionsBySource.insert(e.regionSource,
                                                decodeRegionData(e.regionSource, &regionError));
            }
            img.region = *region;
        }
        c.images.append(img);
    }
    c.sounds.reserve(m_sounds.size());
    std::map<std::pair<qint64, qint64>, QByteArray> sounds;
    for (qsizetype i = 0; i < m_sounds.size(); ++i) {
        const Locator& l = m_sounds[i];
        auto it = sounds.find({l.offset, l.size});
        if (it == sounds.end())
            it = sounds.emplace(std::pair<qint64, qint64>(l.offset, l.size), sound(i)).first;
        c.sounds.append(it->second);
    }
    return c;
}

AcsReader::DecodeStatistics AcsReader::decodeStatistics() const
{
    return {m_imageDecodes.load(), m_decodedBytes.load(), m_layersLeftOut.load()};
}

void AcsReader::setCacheLimit(qint64 bytes)
{
    QMutexLocker lock(&m_cacheMutex);
    m_cache.setMaxCost(std::max<qint64>(0, bytes));
}

qint64 AcsReader::cacheLimit() const
{
    QMutexLocker lock(&m_cacheMutex);
    return m_cache.maxCost();
}

qint64 AcsReader::cacheUsed() const
{
    QMutexLocker lock(&m_cacheMutex);
    return m_cache.totalCost();
}

} // namespace clipvoice::agent::acs
