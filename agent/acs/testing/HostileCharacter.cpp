#include "HostileCharacter.h"

#include "SampleCharacter.h"
#include "agent/acs/AcsWriter.h"

#include <QtEndian>

#include <algorithm>

namespace clipvoice::agent::acs::testing {

namespace {

// Writes bits least significant first, as the compressed stream expects.
class Bits
{
public:
    Bits() { m_bytes.append('\0'); }

    void put(quint32 value, int width)
    {
        for (int i = 0; i < width; ++i) {
            if (m_count % 8 == 0)
                m_bytes.append('\0');
            if ((value >> i) & 1)
                m_bytes.back() = char(uchar(m_bytes.back()) | (1u << (m_count % 8)));
            ++m_count;
        }
    }
    void ones(int n) { put((1u << n) - 1, n); }

    QByteArray finish()
    {
        ones(24); // the end marker: a far reference with the reserved distance
        while (m_count % 8 != 0)
            put(1, 1);
        m_bytes.append(6, '\xFF');
        return m_bytes;
    }

private:
    QByteArray m_bytes;
    qsizetype m_count = 0;
};

void putU32(QByteArray& data, qsizetype at, quint32 v)
{
    qToLittleEndian(v, data.data() + at);
}

void appendU16(QByteArray& data, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    data.append(b, 2);
}

void appendU32(QByteArray& data, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    data.append(b, 4);
}

QByteArray imageBlock(int side, quint8 value)
{
    const qsizetype stride = (qsizetype(side) + 3) & ~qsizetype(3);
    const QByteArray stream = HostileCharacter::plainStream(stride * side, value);
    QByteArray block;
    block.append('\x01');
    appendU16(block, quint16(side));
    appendU16(block, quint16(side));
    block.append('\x01'); // compressed
    appendU32(block, quint32(stream.size()));
    block.append(stream);
    appendU32(block, 0); // no region
    appendU32(block, 0);
    return block;
}

} // namespace

QByteArray HostileCharacter::plainStream(qsizetype size, quint8 value)
{
    Bits bits;
    qsizetype produced = 0;
    if (size > 0) {
        bits.put(0, 1);
        bits.put(value, 8);
        produced = 1;
    }
    while (produced < size) {
        const qsizetype left = size - produced;
        if (left < 2) {
            bits.put(0, 1);
            bits.put(value, 8);
            ++produced;
            continue;
        }
        // Distance 1 (class 0: a 1, a 0, six bits of distance - 1), then the
        // length as n ones, a zero and n bits; n stays at 10 or below.
        const qsizetype length = std::min<qsizetype>(left, 2048);
        const quint32 m = quint32(length - 1);
        int n = 0;
        while ((m >> (n + 1)) != 0)
            ++n;
        bits.put(1, 1);
        bits.put(0, 1);
        bits.put(0, 6);
        bits.ones(n);
        bits.put(0, 1);
        bits.put(m - (1u << n), n);
        produced += length;
    }
    return bits.finish();
}

QByteArray HostileCharacter::sharedImageFile(const SharedImage& o)
{
    Character c;
    c.info.width = quint16(o.side);
    c.info.height = quint16(o.side);
    c.info.transparentIndex = 10;
    c.info.palette = SampleCharacter::palette();
    c.info.localized = {{0x0409, QStringLiteral("Hostile"), {}, {}}};
    const int entries = std::max(1, o.entries);
    // Placeholders: the writer lays out the image list, then every entry is
    // pointed at one of the large blocks appended to the file.
    for (int i = 0; i < entries; ++i)
        c.images.append(IndexedImage{1, 1, 1, QByteArray(1, char(20)), {}});
    Frame frame;
    for (int k = 0; k < o.layers; ++k)
        frame.images.append({quint32(k % entries), qint16(o.x + k * o.stepX), qint16(o.y)});
    c.animations = {{QStringLiteral("RestPose"), 2, {}, {frame}},
                    {QStringLiteral("Show"), 2, {}, {frame}}};
    c.info.states = {{QStringLiteral("SHOWING"), {QStringLiteral("Show")}}};
    QByteArray file = AcsWriter::write(c).data;

    const int blocks = std::max(1, o.blocks);
    QList<qsizetype> starts;
    QList<qsizetype> sizes;
    for (int b = 0; b < blocks; ++b) {
        // Plain colours from the palette, never the transparent index.
        const QByteArray block = imageBlock(o.imageSide, quint8(20 + b % 200));
        starts.append(file.size());
        sizes.append(block.size());
        file.append(block);
    }
    const qsizetype list = qFromLittleEndian<quint32>(file.constData() + 20);
    for (int i = 0; i < entries; ++i) {
        const qsizetype entry = list + 4 + 12 * qsizetype(i);
        putU32(file, entry, quint32(starts[i % blocks]));
        putU32(file, entry + 4, quint32(sizes[i % blocks]));
    }
    return file;
}

} // namespace clipvoice::agent::acs::testing
