#include "CompoundFileWriter.h"

#include <QtEndian>

namespace clipvoice::agent::acs::testing {

namespace {

constexpr qint64 kMini = 64;
constexpr qint64 kCutoff = 4096;
constexpr quint32 kEnd = 0xFFFFFFFE;
constexpr quint32 kFree = 0xFFFFFFFF;
constexpr quint32 kFatMark = 0xFFFFFFFD;
constexpr quint32 kDifatMark = 0xFFFFFFFC;
constexpr quint32 kNone = 0xFFFFFFFF;

qint64 sectorsFor(qint64 bytes, qint64 unit)
{
    return (bytes + unit - 1) / unit;
}

void put16(QByteArray& b, qint64 at, quint16 v)
{
    qToLittleEndian(v, b.data() + at);
}

void put32(QByteArray& b, qint64 at, quint32 v)
{
    qToLittleEndian(v, b.data() + at);
}

// Links `count` consecutive entries of `table` from `first` into one chain.
void link(QList<quint32>& table, quint32 first, qint64 count)
{
    for (qint64 i = 0; i < count; ++i)
        table[first + i] = i + 1 < count ? quint32(first + i + 1) : kEnd;
}

} // namespace

void CompoundFileWriter::addStream(const QString& name, const QByteArray& data)
{
    Q_ASSERT(name.size() <= 31);
    m_streams.append({name, data});
}

QByteArray CompoundFileWriter::write(Damage damage) const
{
    // Version 3 files have 512-byte sectors, version 4 files 4096-byte ones;
    // in both, sector s starts after the first sector-sized block (the header).
    const qint64 kSector = m_version == 4 ? 4096 : 512;
    const auto sectorAt = [kSector](quint32 s) { return (qint64(s) + 1) * kSector; };
    const qint64 entries = 1 + m_streams.size();
    const qint64 dirSectors = sectorsFor(entries * 128, kSector);

    // Where each stream goes: mini sectors for small ones, sectors for large ones.
    QList<qint64> starts;
    qint64 miniSectors = 0;
    qint64 largeSectors = 0;
    for (const Stream& s : m_streams) {
        if (s.data.isEmpty()) {
            starts.append(kEnd);
        } else if (s.data.size() < kCutoff) {
            starts.append(miniSectors);
            miniSectors += sectorsFor(s.data.size(), kMini);
        } else {
            starts.append(largeSectors); // relative to the first large stream sector
            largeSectors += sectorsFor(s.data.size(), kSector);
        }
    }
    const qint64 miniStreamBytes = miniSectors * kMini;
    const qint64 miniStreamSectors = sectorsFor(miniStreamBytes, kSector);
    const qint64 miniFatSectors = sectorsFor(miniSectors * 4, kSector);
    const qint64 data = dirSectors + miniFatSectors + miniStreamSectors + largeSectors;
    // The header lists the first 109 FAT sectors; DIFAT sectors list the rest,
    // 127 each, and need FAT entries of their own.
    const qint64 perDifat = kSector / 4 - 1;
    qint64 fatSectors = 1;
    qint64 difatSectors = 0;
    while (fatSectors * (kSector / 4) < fatSectors + difatSectors + data) {
        ++fatSectors;
        difatSectors = fatSectors > 109 ? sectorsFor(fatSectors - 109, perDifat) : 0;
    }

    const quint32 difatStart = quint32(fatSectors);
    const quint32 dirStart = difatStart + quint32(difatSectors);
    const quint32 miniFatStart = dirStart + quint32(dirSectors);
    const quint32 miniStreamStart = miniFatStart + quint32(miniFatSectors);
    const quint32 largeStart = miniStreamStart + quint32(miniStreamSectors);
    const qint64 totalSectors = fatSectors + difatSectors + data;

    QList<quint32> fat(fatSectors * (kSector / 4), kFree);
    for (qint64 i = 0; i < fatSectors; ++i)
        fat[i] = kFatMark;
    for (qint64 i = 0; i < difatSectors; ++i)
        fat[difatStart + i] = kDifatMark;
    link(fat, dirStart, dirSectors);
    link(fat, miniFatStart, miniFatSectors);
    link(fat, miniStreamStart, miniStreamSectors);
    QList<quint32> miniFat(miniFatSectors * (kSector / 4), kFree);
    for (int i = 0; i < m_streams.size(); ++i) {
        const qint64 size = m_streams[i].data.size();
        if (size == 0)
            continue;
        if (size < kCutoff) {
            link(miniFat, quint32(starts[i]), sectorsFor(size, kMini));
        } else {
            starts[i] += largeStart;
            link(fat, quint32(starts[i]), sectorsFor(size, kSector));
        }
    }

    QByteArray file((totalSectors + 1) * kSector, '\0');
    const qint64 fileSize = file.size();

    // Header.
    static const uchar signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::copy_n(signature, 8, reinterpret_cast<uchar*>(file.data()));
    put16(file, 0x18, 0x3E);
    put16(file, 0x1A, quint16(m_version));
    put16(file, 0x1C, 0xFFFE);
    put16(file, 0x1E, m_version == 4 ? 12 : 9);
    put16(file, 0x20, 6);
    if (m_version == 4)
        put32(file, 0x28, quint32(dirSectors)); // version 3 keeps this 0
    put32(file, 0x2C, quint32(fatSectors + (damage == Damage::CyclicDifatChain ? perDifat : 0)));
    put32(file, 0x30, dirStart);
    put32(file, 0x38, damage == Damage::MiniCutoff ? 0 : quint32(kCutoff));
    put32(file, 0x3C, miniFatSectors ? miniFatStart : kEnd);
    put32(file, 0x40, quint32(miniFatSectors));
    put32(file, 0x44, difatSectors ? difatStart : kEnd);
    put32(file, 0x48, quint32(difatSectors));
    for (qint64 j = 0; j < difatSectors; ++j) {
        const qint64 at = sectorAt(difatStart + quint32(j));
        for (qint64 k = 0; k < perDifat; ++k) {
            const qint64 fatSector = 109 + j * perDifat + k;
            put32(file, at + 4 * k, fatSector < fatSectors ? quint32(fatSector) : kFree);
        }
        const bool last = j + 1 == difatSectors;
        quint32 next = last ? kEnd : difatStart + quint32(j + 1);
        if (last && damage == Damage::CyclicDifatChain)
            next = difatStart;
        put32(file, at + 4 * perDifat, next);
    }
    if (damage == Damage::CyclicDifatChain && difatSectors == 0)
        qFatal("CompoundFileWriter: the file has no DIFAT to damage");
    for (int i = 0; i < 109; ++i)
        put32(file, 0x4C + 4 * i, i < fatSectors ? quint32(i) : kFree);
    if (damage == Damage::FatSectorOutOfRange)
        put32(file, 0x4C, quint32(totalSectors + 7));

    // Directory: the root, then one entry per stream, chained as right siblings.
    const auto dirEntry = [&](qint64 id) { return sectorAt(dirStart) + id * 128; };
    const auto writeEntry = [&](qint64 id, const QString& name, quint8 type, quint32 child,
                                quint32 right, quint32 start, quint32 size) {
        const qint64 at = dirEntry(id);
        for (int k = 0; k < name.size(); ++k)
            put16(file, at + 2 * k, name[k].unicode());
        put16(file, at + 0x40, quint16(2 * (name.size() + 1)));
        file[at + 0x42] = char(type);
        file[at + 0x43] = 1; // black
        put32(file, at + 0x44, kNone);
        put32(file, at + 0x48, right);
        put32(file, at + 0x4C, child);
        put32(file, at + 0x74, start);
        put32(file, at + 0x78, size);
    };
    writeEntry(0, QStringLiteral("Root Entry"), 5, m_streams.isEmpty() ? kNone : 1, kNone,
               miniStreamSectors ? miniStreamStart : kEnd, quint32(miniStreamBytes));
    const QByteArray clsid = m_clsid.toRfc4122();
    std::copy(clsid.begin(), clsid.end(), file.begin() + dirEntry(0) + 0x50);
    for (int i = 0; i < m_streams.size(); ++i) {
        const quint32 right = i + 1 < m_streams.size() ? quint32(i + 2) : kNone;
        writeEntry(i + 1, m_streams[i].name, 2, kNone, right, quint32(starts[i]),
                   quint32(m_streams[i].data.size()));
    }
    for (qint64 id = entries; id < dirSectors * (kSector / 128); ++id) {
        put32(file, dirEntry(id) + 0x44, kNone);
        put32(file, dirEntry(id) + 0x48, kNone);
        put32(file, dirEntry(id) + 0x4C, kNone);
    }

    // Stream contents.
    for (int i = 0; i < m_streams.size(); ++i) {
        const QByteArray& d = m_streams[i].data;
        if (d.isEmpty())
            continue;
        if (d.size() >= kCutoff) {
            std::copy(d.begin(), d.end(), file.begin() + sectorAt(quint32(starts[i])));
        } else {
            std::copy(d.begin(), d.end(),
                      file.begin() + sectorAt(miniStreamStart) + starts[i] * kMini);
        }
    }

    // Damage.
    const auto firstStream = [&](bool large, qint64 minUnits) -> int {
        for (int i = 0; i < m_streams.size(); ++i) {
            const qint64 size = m_streams[i].data.size();
            if (large && size >= kCutoff && sectorsFor(size, kSector) >= minUnits)
                return i;
            if (!large && size > 0 && size < kCutoff && sectorsFor(size, kMini) >= minUnits)
                return i;
        }
        qFatal("CompoundFileWriter: no stream suits the damage asked for");
        return -1;
    };
    const auto setSize = [&](int stream, quint32 size) {
        put32(file, dirEntry(stream + 1) + 0x78, size);
    };
    switch (damage) {
    case Damage::None:
    case Damage::MiniCutoff:
    case Damage::FatSectorOutOfRange:
    case Damage::CyclicDifatChain:
        break;
    case Damage::CyclicFatChain: {
        const int i = firstStream(true, 2);
        fat[starts[i] + sectorsFor(m_streams[i].data.size(), kSector) - 1] = quint32(starts[i]);
        break;
    }
    case Damage::FatChainOutOfRange: {
        const int i = firstStream(true, 2);
        fat[starts[i]] = quint32(totalSectors + 1000);
        break;
    }
    case Damage::StartSectorOutOfRange: {
        const int i = firstStream(true, 1);
        put32(file, dirEntry(i + 1) + 0x74, quint32(totalSectors + 5));
        break;
    }
    case Damage::ChainLongerThanSize: {
        const int i = firstStream(true, 10);
        setSize(i, quint32((sectorsFor(m_streams[i].data.size(), kSector) - 2) * kSector));
        break;
    }
    case Damage::SizePastEnd:
        setSize(firstStream(true, 1), quint32(fileSize + 1));
        break;
    case Damage::HugeStream:
        Q_ASSERT(!m_streams.isEmpty());
        setSize(0, 0xFFFFFFFF);
        break;
    case Damage::CyclicDirectoryChain:
        fat[dirStart + dirSectors - 1] = dirStart;
        break;
    case Damage::LoopingDirectoryTree:
        Q_ASSERT(!m_streams.isEmpty());
        put32(file, dirEntry(m_streams.size()) + 0x48, 1);
        break;
    case Damage::DirectoryEntryOutOfRange:
        put32(file, dirEntry(0) + 0x4C, 5000);
        break;
    case Damage::CyclicMiniChain: {
        const int i = firstStream(false, 2);
        miniFat[starts[i] + sectorsFor(m_streams[i].data.size(), kMini) - 1] = quint32(starts[i]);
        break;
    }
    case Damage::MiniSectorOutOfRange: {
        const int i = firstStream(false, 1);
        put32(file, dirEntry(i + 1) + 0x74, quint32(miniSectors + 10));
        break;
    }
    case Damage::SharedSectors:
    case Damage::SharedMiniSectors: {
        // The next stream of the same kind starts where the first one does and
        // claims its size, so both chains are one.
        const bool large = damage == Damage::SharedSectors;
        const int first = firstStream(large, 1);
        int second = -1;
        for (int i = first + 1; i < m_streams.size() && second < 0; ++i) {
            const qint64 size = m_streams[i].data.size();
            if (size > 0 && (size >= kCutoff) == large)
                second = i;
        }
        if (second < 0)
            qFatal("CompoundFileWriter: sharing needs two streams of the same kind");
        put32(file, dirEntry(second + 1) + 0x74, quint32(starts[first]));
        setSize(second, quint32(m_streams[first].data.size()));
        break;
    }
    }

    for (qint64 i = 0; i < fat.size(); ++i)
        put32(file, sectorAt(quint32(i / (kSector / 4))) + 4 * (i % (kSector / 4)), fat[i]);
    for (qint64 i = 0; i < miniFat.size(); ++i)
        put32(file, sectorAt(miniFatStart + quint32(i / (kSector / 4))) + 4 * (i % (kSector / 4)),
              miniFat[i]);
    return file;
}

} // namespace clipvoice::agent::acs::testing
