#include "CompoundFile.h"

#include "ByteCursor.h"

#include <QBitArray>
#include <QSet>
#include <QtEndian>

#include <algorithm>

namespace clipvoice::agent::acs {

namespace {

constexpr uchar kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr qint64 kHeaderSize = 512;
constexpr int kHeaderFatEntries = 109;
constexpr int kEntrySize = 128;
constexpr int kMiniSectorShift = 6;
// The highest number a regular sector may have; larger values are markers.
constexpr quint32 kMaxSector = 0xFFFFFFFA;

const QString kDamaged = QStringLiteral("compound file is damaged");

quint16 u16At(const uchar* p)
{
    return qFromLittleEndian<quint16>(p);
}

quint32 u32At(const uchar* p)
{
    return qFromLittleEndian<quint32>(p);
}

bool fail(QString* error, const QString& message)
{
    *error = QStringLiteral("%1: %2").arg(kDamaged, message);
    return false;
}

} // namespace

bool CompoundFile::hasSignature(FileView file)
{
    return file.size >= 8 && std::equal(kSignature, kSignature + 8, file.bytes);
}

bool CompoundFile::open(FileView file, QString* error)
{
    *this = CompoundFile();
    m_file = file;
    if (!hasSignature(file))
        return fail(error, QStringLiteral("no compound file signature at offset 0x0"));
    if (file.size < kHeaderSize)
        return fail(error, QStringLiteral("header needs %1 bytes, the file has %2")
                               .arg(kHeaderSize)
                               .arg(file.size));
    const uchar* h = file.bytes;
    if (u16At(h + 0x1C) != 0xFFFE)
        return fail(error, QStringLiteral("byte order mark 0x%1 at offset 0x1c is not 0xfffe")
                               .arg(u16At(h + 0x1C), 0, 16));
    const quint16 major = u16At(h + 0x1A);
    const quint16 shift = u16At(h + 0x1E);
    if (!((major == 3 && shift == 9) || (major == 4 && shift == 12)))
        return fail(error, QStringLiteral("version %1 with sector shift %2 (offset 0x1a) is not "
                                          "supported")
                               .arg(major)
                               .arg(shift));
    m_sectorShift = shift;
    if (u16At(h + 0x20) != kMiniSectorShift)
        return fail(error, QStringLiteral("mini sector shift %1 at offset 0x20 is not %2")
                               .arg(u16At(h + 0x20))
                               .arg(kMiniSectorShift));
    if (u32At(h + 0x38) != MiniStreamCutoff)
        return fail(error, QStringLiteral("mini stream cutoff %1 at offset 0x38 is not %2")
                               .arg(u32At(h + 0x38))
                               .arg(MiniStreamCutoff));

    const qint64 sectorSize = qint64(1) << m_sectorShift;
    // Version 4 files keep the rest of their first 4096 bytes free; sector 0
    // follows them in either version.
    const qint64 afterHeader = std::max<qint64>(0, file.size - sectorSize);
    m_sectorCount = quint32(std::min<qint64>(kMaxSector, (afterHeader + sectorSize - 1) >> shift));

    if (!readFat(error))
        return false;
    if (!readDirectory(u32At(h + 0x30), error))
        return false;
    return readMiniStream(u32At(h + 0x3C), u32At(h + 0x40), error) &&
           checkSectorsOwnedOnce(u32At(h + 0x30), u32At(h + 0x3C), error);
}

bool CompoundFile::checkSectorsOwnedOnce(quint32 directoryStart, quint32 miniFatStart,
                                         QString* error)
{
    // Each sector is given one owner, the first chain to reach it; each sector
    // is visited at most once before a second owner is found, so the walk is
    // bounded by the file's sector count. A stream's own faults (a chain out of
    // range, looping, too short) are left for read() to report.
    const quint32 sectorLimit = std::min<quint32>(m_sectorCount, quint32(m_fat.size()));
    QList<qint32> owner(sectorLimit, -1);
    const quint64 miniCount = (m_miniStreamSize + 63) >> kMiniSectorShift;
    const quint32 miniLimit = quint32(std::min<quint64>(miniCount, quint64(m_miniFat.size())));
    QList<qint32> miniOwner(miniLimit, -1);
    // Owners: -2 the directory, -3 the mini FAT, -4 the mini stream, else the
    // stream's directory entry number.
    const auto ownerName = [this](qint32 id) {
        switch (id) {
        case -2:
            return QStringLiteral("the directory");
        case -3:
            return QStringLiteral("the mini FAT");
        case -4:
            return QStringLiteral("the mini stream");
        default:
            for (const Entry& e : std::as_const(m_entries))
                if (qint32(e.id) == id)
                    return QStringLiteral("stream \"%1\"").arg(e.name);
            return QStringLiteral("directory entry %1").arg(id);
        }
    };
    // Claims up to `count` sectors of the chain from `start` for `id`. Returns
    // the problem when a sector already has another owner, else an empty text.
    const auto claim = [&](const QList<quint32>& table, QList<qint32>& owners, quint32 start,
                           qint64 count, qint32 id, bool mini) {
        quint32 s = start;
        for (qint64 k = 0; k < count && s < quint32(owners.size()); ++k) {
            if (owners[s] == id)
                return QString(); // a loop: the chain's own fault
            if (owners[s] != -1) {
                const QString where =
                    mini ? QString()
                         : QStringLiteral(" (offset %1)").arg(hexOffset(sectorOffset(s)));
                return QStringLiteral("%1: %2 %3%4 belongs to both %5 and %6")
                    .arg(kDamaged, mini ? QStringLiteral("mini sector") : QStringLiteral("sector"))
                    .arg(s)
                    .arg(where, ownerName(owners[s]), ownerName(id));
            }
            owners[s] = id;
            s = table[s];
        }
        return QString();
    };
    const qint64 sectorSize = qint64(1) << m_sectorShift;
    QString problem =
        claim(m_fat, owner, directoryStart, m_directory.size() / sectorSize, -2, false);
    const qint64 miniFatSectors = (qint64(m_miniFat.size()) * 4) / sectorSize;
    if (problem.isEmpty() && miniFatSectors > 0)
        problem = claim(m_fat, owner, miniFatStart, miniFatSectors, -3, false);
    if (problem.isEmpty() && !m_miniStreamSectors.isEmpty())
        problem =
            claim(m_fat, owner, m_miniStreamSectors.first(), m_miniStreamSectors.size(), -4, false);
    if (!problem.isEmpty()) {
        *error = problem;
        return false;
    }
    for (const Entry& e : std::as_const(m_entries)) {
        if (!e.isStream || e.size == 0)
            continue;
        const int shift = e.inMiniStream ? kMiniSectorShift : m_sectorShift;
        const qint64 count = qint64((e.size + (quint64(1) << shift) - 1) >> shift);
        problem = claim(e.inMiniStream ? m_miniFat : m_fat, e.inMiniStream ? miniOwner : owner,
                        e.start, count, qint32(e.id), e.inMiniStream);
        if (!problem.isEmpty())
            m_sharedStreams.insert(e.id, problem);
    }
    return true;
}

bool CompoundFile::readFat(QString* error)
{
    const uchar* h = m_file.bytes;
    const quint32 fatCount = u32At(h + 0x2C);
    if (fatCount > m_sectorCount)
        return fail(error, QStringLiteral("%1 FAT sectors (offset 0x2c), but the file has only %2 "
                                          "sectors")
                               .arg(fatCount)
                               .arg(m_sectorCount));

    // The FAT's own sectors: the first 109 are listed in the header, the rest in
    // a chain of DIFAT sectors, each ending with the number of the next one.
    QList<quint32> fatSectors;
    fatSectors.reserve(fatCount);
    for (int i = 0; i < kHeaderFatEntries && quint32(fatSectors.size()) < fatCount; ++i)
        fatSectors.append(u32At(h + 0x4C + 4 * i));
    const qint64 sectorSize = qint64(1) << m_sectorShift;
    const int perDifat = int(sectorSize / 4) - 1;
    quint32 difat = u32At(h + 0x44);
    QBitArray seen(static_cast<qsizetype>(m_sectorCount));
    while (quint32(fatSectors.size()) < fatCount) {
        if (difat >= m_sectorCount)
            return fail(error, QStringLiteral("DIFAT sector %1 is out of range (%2 sectors) with "
                                              "%3 of %4 FAT sectors found")
                                   .arg(difat)
                                   .arg(m_sectorCount)
                                   .arg(fatSectors.size())
                                   .arg(fatCount));
        if (seen.testBit(int(difat)))
            return fail(error, QStringLiteral("DIFAT chain loops back to sector %1 (offset %2)")
                                   .arg(difat)
                                   .arg(hexOffset(sectorOffset(difat))));
        seen.setBit(int(difat));
        const qint64 at = sectorOffset(difat);
        if (at + sectorSize > m_file.size)
            return fail(error, QStringLiteral("DIFAT sector %1 (offset %2) runs past the end of "
                                              "the file")
                                   .arg(difat)
                                   .arg(hexOffset(at)));
        for (int i = 0; i < perDifat && quint32(fatSectors.size()) < fatCount; ++i)
            fatSectors.append(u32At(m_file.at(at + 4 * i)));
        difat = u32At(m_file.at(at + 4 * perDifat));
    }

    m_fat.reserve(qsizetype(fatCount) * (sectorSize / 4));
    for (int i = 0; i < fatSectors.size(); ++i) {
        const quint32 s = fatSectors[i];
        const qint64 at = sectorOffset(s);
        if (s >= m_sectorCount || at + sectorSize > m_file.size)
            return fail(error, QStringLiteral("FAT sector #%1 is sector %2, outside the file (%3 "
                                              "sectors)")
                                   .arg(i)
                                   .arg(s)
                                   .arg(m_sectorCount));
        for (qint64 k = 0; k < sectorSize; k += 4)
            m_fat.append(u32At(m_file.at(at + k)));
    }
    return true;
}

bool CompoundFile::chain(const QList<quint32>& table, quint32 start, qint64 wanted, quint32 limit,
                         const QString& what, bool mini, QList<quint32>* sectors, QString* error,
                         bool exact) const
{
    const QString unit = mini ? QStringLiteral("mini sector") : QStringLiteral("sector");
    const auto where = [&](quint32 s) {
        return mini ? QString() : QStringLiteral(" (offset %1)").arg(hexOffset(sectorOffset(s)));
    };
    limit = std::min<quint32>(limit, quint32(table.size()));
    sectors->clear();
    QBitArray seen(static_cast<qsizetype>(limit));
    quint32 s = start;
    while (wanted < 0 || sectors->size() < wanted) {
        if (s == EndOfChain) {
            if (wanted < 0)
                return true;
            return fail(error, QStringLiteral("%1 ends after %2 %3s, %4 needed")
                                   .arg(what)
                                   .arg(sectors->size())
                                   .arg(unit)
                                   .arg(wanted));
        }
        if (s >= limit) {
            const QString from = sectors->isEmpty() ? QStringLiteral("as its start")
                                                    : QStringLiteral("after %1 %2%3")
                                                          .arg(unit)
                                                          .arg(sectors->last())
                                                          .arg(where(sectors->last()));
            return fail(error, QStringLiteral("%1 names %2 %3 %4, out of range (%5 %2s)")
                                   .arg(what, unit)
                                   .arg(s)
                                   .arg(from)
                                   .arg(limit));
        }
        if (seen.testBit(int(s)))
            return fail(error, QStringLiteral("%1 loops back to %2 %3%4 after %5 %2s")
                                   .arg(what, unit)
                                   .arg(s)
                                   .arg(where(s))
                                   .arg(sectors->size()));
        seen.setBit(int(s));
        sectors->append(s);
        s = table[s];
    }
    // A stream's chain holds exactly the sectors its size needs.
    if (exact && s != EndOfChain) {
        if (s < limit && seen.testBit(int(s)))
            return fail(error, QStringLiteral("%1 loops back to %2 %3%4 after %5 %2s")
                                   .arg(what, unit)
                                   .arg(s)
                                   .arg(where(s))
                                   .arg(sectors->size()));
        return fail(error, QStringLiteral("%1 goes on past the %2 %3s its size needs")
                               .arg(what)
                               .arg(wanted)
                               .arg(unit));
    }
    return true;
}

bool CompoundFile::readDirectory(quint32 firstSector, QString* error)
{
    QList<quint32> sectors;
    if (!chain(m_fat, firstSector, -1, m_sectorCount, QStringLiteral("directory chain"), false,
               &sectors, error))
        return false;
    if (sectors.isEmpty())
        return fail(error, QStringLiteral("the directory is empty"));
    const qint64 sectorSize = qint64(1) << m_sectorShift;
    for (quint32 s : sectors) {
        const qint64 at = sectorOffset(s);
        if (at + sectorSize > m_file.size)
            return fail(error, QStringLiteral("directory sector %1 (offset %2) runs past the end "
                                              "of the file")
                                   .arg(s)
                                   .arg(hexOffset(at)));
        m_directory.append(reinterpret_cast<const char*>(m_file.at(at)), sectorSize);
    }
    const quint32 entryCount = quint32(m_directory.size() / kEntrySize);
    const auto entry = [&](quint32 id) {
        return reinterpret_cast<const uchar*>(m_directory.constData()) + qsizetype(id) * kEntrySize;
    };

    const uchar* root = entry(0);
    if (root[0x42] != 5)
        return fail(
            error,
            QStringLiteral("directory entry 0 has type %1, not the root's (5)").arg(root[0x42]));
    m_rootClsid = QUuid::fromRfc4122(QByteArrayView(root + 0x50, 16));
    m_miniStreamStart = u32At(root + 0x74);
    m_miniStreamSize = u32At(root + 0x78);
    if (m_sectorShift == 12)
        m_miniStreamSize |= quint64(u32At(root + 0x7C)) << 32;

    // Walk the root's child tree. Each entry may be met once: a tree that refers
    // back to an entry already seen is reported, never followed.
    QBitArray seen(static_cast<qsizetype>(entryCount));
    QList<quint32> pending;
    const quint32 firstChild = u32At(root + 0x4C);
    if (firstChild != NoEntry)
        pending.append(firstChild);
    QSet<QString> names;
    while (!pending.isEmpty()) {
        const quint32 id = pending.takeLast();
        if (id == 0 || id >= entryCount)
            return fail(error, QStringLiteral("directory tree names entry %1, out of range (1 to "
                                              "%2)")
                                   .arg(id)
                                   .arg(int(entryCount) - 1));
        if (seen.testBit(int(id)))
            return fail(error, QStringLiteral("directory tree loops back to entry %1").arg(id));
        seen.setBit(int(id));
        const uchar* e = entry(id);
        const quint8 type = e[0x42];
        if (type != 1 && type != 2)
            return fail(
                error,
                QStringLiteral("directory entry %1 has type %2 inside the root").arg(id).arg(type));
        const quint16 nameBytes = u16At(e + 0x40);
        if (nameBytes < 2 || nameBytes > 64 || nameBytes % 2 != 0)
            return fail(error, QStringLiteral("directory entry %1 has a name length of %2 bytes")
                                   .arg(id)
                                   .arg(nameBytes));
        Entry out;
        out.id = id;
        out.isStream = type == 2;
        for (int i = 0; i < nameBytes / 2 - 1; ++i)
            out.name.append(QChar(u16At(e + 2 * i)));
        out.start = u32At(e + 0x74);
        out.size = u32At(e + 0x78);
        if (m_sectorShift == 12)
            out.size |= quint64(u32At(e + 0x7C)) << 32;
        if (out.isStream) {
            if (qint64(out.size) < 0 || qint64(out.size) > m_file.size)
                return fail(error, QStringLiteral("stream \"%1\" (directory entry %2) claims %3 "
                                                  "bytes, more than the whole file (%4 bytes)")
                                       .arg(out.name)
                                       .arg(id)
                                       .arg(out.size)
                                       .arg(m_file.size));
            out.inMiniStream = out.size < MiniStreamCutoff;
        }
        if (names.contains(out.name.toCaseFolded()))
            return fail(error,
                        QStringLiteral("the name \"%1\" is used twice in the root").arg(out.name));
        names.insert(out.name.toCaseFolded());
        m_entries.append(out);
        for (quint32 next : {u32At(e + 0x44), u32At(e + 0x48)})
            if (next != NoEntry)
                pending.append(next);
    }
    std::sort(m_entries.begin(), m_entries.end(),
              [](const Entry& a, const Entry& b) { return a.id < b.id; });
    return true;
}

bool CompoundFile::readMiniStream(quint32 miniFatStart, quint32 miniFatCount, QString* error)
{
    const qint64 sectorSize = qint64(1) << m_sectorShift;
    if (qint64(m_miniStreamSize) < 0 ||
        qint64(m_miniStreamSize) > qint64(m_sectorCount) * sectorSize)
        return fail(error, QStringLiteral("the mini stream (directory entry 0) claims %1 bytes, "
                                          "more than the file holds")
                               .arg(m_miniStreamSize));
    const qint64 wanted = (qint64(m_miniStreamSize) + sectorSize - 1) >> m_sectorShift;
    // The root's chain may hold sectors kept for the mini stream to grow into;
    // only those its size covers are used. A file without small streams may
    // name no chain at all.
    if (wanted > 0 &&
        !chain(m_fat, m_miniStreamStart, wanted, m_sectorCount, QStringLiteral("mini stream chain"),
               false, &m_miniStreamSectors, error, false))
        return false;

    QList<quint32> sectors;
    if (!chain(m_fat, miniFatStart, -1, m_sectorCount, QStringLiteral("mini FAT chain"), false,
               &sectors, error))
        return false;
    if (miniFatCount > quint32(sectors.size()))
        return fail(error, QStringLiteral("the header counts %1 mini FAT sectors (offset 0x40), "
                                          "its chain has %2")
                               .arg(miniFatCount)
                               .arg(sectors.size()));
    for (quint32 s : sectors) {
        const qint64 at = sectorOffset(s);
        if (at + sectorSize > m_file.size)
            return fail(error, QStringLiteral("mini FAT sector %1 (offset %2) runs past the end "
                                              "of the file")
                                   .arg(s)
                                   .arg(hexOffset(at)));
        for (qint64 k = 0; k < sectorSize; k += 4)
            m_miniFat.append(u32At(m_file.at(at + k)));
    }
    for (const Entry& e : std::as_const(m_entries))
        if (e.isStream && e.inMiniStream && e.size > m_miniStreamSize)
            return fail(error, QStringLiteral("stream \"%1\" (directory entry %2) claims %3 bytes, "
                                              "more than the mini stream (%4 bytes)")
                                   .arg(e.name)
                                   .arg(e.id)
                                   .arg(e.size)
                                   .arg(m_miniStreamSize));
    return true;
}

const CompoundFile::Entry* CompoundFile::find(const QString& name) const
{
    for (const Entry& e : m_entries)
        if (e.name.compare(name, Qt::CaseInsensitive) == 0)
            return &e;
    return nullptr;
}

bool CompoundFile::read(const QString& name, QByteArray* data, QString* error) const
{
    const Entry* e = find(name);
    if (!e || !e->isStream) {
        *error = QStringLiteral("compound file has no stream \"%1\"").arg(name);
        return false;
    }
    return read(*e, data, error);
}

bool CompoundFile::read(const Entry& stream, QByteArray* data, QString* error) const
{
    data->clear();
    if (!stream.isStream) {
        *error = QStringLiteral("\"%1\" is a storage, not a stream").arg(stream.name);
        return false;
    }
    if (stream.size == 0)
        return true;
    if (const auto shared = m_sharedStreams.constFind(stream.id);
        shared != m_sharedStreams.constEnd()) {
        *error = *shared;
        return false;
    }
    const QString what = QStringLiteral("chain of stream \"%1\"").arg(stream.name);
    const qint64 size = qint64(stream.size); // checked against the file size by open()
    const int shift = stream.inMiniStream ? kMiniSectorShift : m_sectorShift;
    const qint64 unit = qint64(1) << shift;
    QList<quint32> sectors;
    if (stream.inMiniStream) {
        const quint32 miniSectors = quint32((m_miniStreamSize + quint64(unit) - 1) >> shift);
        if (!chain(m_miniFat, stream.start, (size + unit - 1) >> shift, miniSectors, what, true,
                   &sectors, error))
            return false;
    } else if (!chain(m_fat, stream.start, (size + unit - 1) >> shift, m_sectorCount, what, false,
                      &sectors, error)) {
        return false;
    }

    data->resize(size);
    char* out = data->data();
    qint64 done = 0;
    for (quint32 s : std::as_const(sectors)) {
        const qint64 n = std::min(unit, size - done);
        qint64 at;
        if (stream.inMiniStream) {
            // Mini sector s lies at byte s * 64 of the mini stream, which is held
            // in the root's regular sectors.
            const qint64 pos = qint64(s) << kMiniSectorShift;
            at = sectorOffset(m_miniStreamSectors[pos >> m_sectorShift]) +
                 (pos & ((qint64(1) << m_sectorShift) - 1));
        } else {
            at = sectorOffset(s);
        }
        if (at + n > m_file.size) {
            data->clear();
            return fail(error,
                        QStringLiteral("stream \"%1\": %2 %3 (offset %4) runs past the end of "
                                       "the file")
                            .arg(stream.name, stream.inMiniStream ? QStringLiteral("mini sector")
                                                                  : QStringLiteral("sector"))
                            .arg(s)
                            .arg(hexOffset(at)));
        }
        std::copy_n(m_file.at(at), n, out + done);
        done += n;
    }
    return true;
}

} // namespace clipvoice::agent::acs
