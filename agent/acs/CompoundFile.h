#pragma once

#include "FileView.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QUuid>
#include <QtGlobal>

// Reads the streams of a compound file (the OLE2 container the older character
// format is stored in).
//
// This is a small reader of our own rather than libgsf: the container is simple,
// the files come from anywhere, and keeping every bound in our own code (chain
// lengths, sizes, counts, the directory walk) lets us promise bounded time and
// memory for any input without pulling GLib into the engine.
//
// Only the root storage's direct children are listed: character files keep all
// their streams there. Child storages are listed (as storages) but not entered.
//
// Every sector chain is checked against the file: sector numbers must lie in
// the file, a chain may not visit a sector twice (so a cyclic chain is an error,
// never a loop), and a stream's chain must hold exactly its size. No sector (or
// mini sector) may belong to two chains: the directory, the mini FAT and the
// mini stream sharing a sector fail the file; a stream whose chain runs into
// sectors an earlier stream owns fails to read. So reading every stream once
// costs at most the file's size, however many streams claim the same bytes. Sizes are
// checked against the file before anything is allocated, so a stream claiming
// 4 GB fails at once. Errors name the structure and where it went wrong (sector
// number and file offset).
namespace clipvoice::agent::acs {

class CompoundFile
{
public:
    struct Entry
    {
        QString name;
        bool isStream = true; // false: a storage, which is not entered
        quint64 size = 0;
        quint32 start = 0; // first sector (or mini sector when inMiniStream)
        bool inMiniStream = false;
        quint32 id = 0; // directory entry number
    };

    // The file's first eight bytes.
    static bool hasSignature(FileView file);

    // Reads the header, the allocation tables and the directory. On failure
    // returns false with `error` saying what is wrong and where. `file` must
    // stay valid while this object is used.
    bool open(FileView file, QString* error);

    // The root storage's children, in directory order.
    const QList<Entry>& entries() const { return m_entries; }
    // The child named `name` (compared without regard to case), or null.
    const Entry* find(const QString& name) const;
    QUuid rootClsid() const { return m_rootClsid; }

    // Reads a whole stream. On failure returns false with `error` set.
    bool read(const Entry& stream, QByteArray* data, QString* error) const;
    bool read(const QString& name, QByteArray* data, QString* error) const;

    static constexpr quint32 EndOfChain = 0xFFFFFFFE;
    static constexpr quint32 FreeSector = 0xFFFFFFFF;
    static constexpr quint32 FatSector = 0xFFFFFFFD;
    static constexpr quint32 DifatSector = 0xFFFFFFFC;
    static constexpr quint32 NoEntry = 0xFFFFFFFF;
    static constexpr quint32 MiniStreamCutoff = 4096;

private:
    // Follows `table` from `start`, collecting `wanted` sectors (all of them
    // when wanted < 0). `limit` is the number of valid sector numbers. Unless
    // `exact` is false, the chain must end after the `wanted` sectors.
    bool chain(const QList<quint32>& table, quint32 start, qint64 wanted, quint32 limit,
               const QString& what, bool mini, QList<quint32>* sectors, QString* error,
               bool exact = true) const;
    qint64 sectorOffset(quint32 sector) const { return qint64(sector + 1) << m_sectorShift; }
    bool readFat(QString* error);
    bool readDirectory(quint32 firstSector, QString* error);
    bool readMiniStream(quint32 miniFatStart, quint32 miniFatCount, QString* error);
    bool checkSectorsOwnedOnce(quint32 directoryStart, quint32 miniFatStart, QString* error);

    FileView m_file;
    int m_sectorShift = 9;
    quint32 m_sectorCount = 0; // sectors (whole or partial) after the header
    QList<quint32> m_fat;
    QList<quint32> m_miniFat;
    QList<quint32> m_miniStreamSectors; // the root's chain, holding the mini stream
    quint32 m_miniStreamStart = EndOfChain;
    quint64 m_miniStreamSize = 0;
    QByteArray m_directory;
    QList<Entry> m_entries;
    QHash<quint32, QString> m_sharedStreams; // entry id -> why reading it fails
    QUuid m_rootClsid;
};

} // namespace clipvoice::agent::acs
