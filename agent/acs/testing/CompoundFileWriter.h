#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUuid>

// Writes compound files (version 3 with 512-byte sectors, or version 4 with
// 4096-byte ones; 64-byte mini sectors)
// holding streams in the root storage, for test fixtures. Streams under 4096
// bytes go to the mini stream, larger ones to regular sectors. Files over about
// 7 MB get DIFAT sectors, as their FAT outgrows the header's list. It can also
// damage the result in the ways hostile files do, so that tests can check the
// reader's every bound.
namespace clipvoice::agent::acs::testing {

class CompoundFileWriter
{
public:
    enum class Damage
    {
        None,
        CyclicFatChain,        // the first large stream's last sector leads back to its first
        FatChainOutOfRange,    // the first large stream's second link names a sector past the end
        StartSectorOutOfRange, // the first large stream starts at a sector past the end
        SizePastEnd,           // the first large stream claims one byte more than the file
        HugeStream,            // the first stream claims 0xFFFFFFFF bytes
        CyclicDirectoryChain,  // the directory's last sector leads back to its first
        LoopingDirectoryTree,  // the last entry's right sibling is the first child again
        DirectoryEntryOutOfRange, // the root's child is an entry that does not exist
        MiniCutoff,               // the header's mini stream cutoff is 0 instead of 4096
        CyclicMiniChain,      // the first small stream's last mini sector leads back to its first
        MiniSectorOutOfRange, // the first small stream starts past the end of the mini stream
        FatSectorOutOfRange,  // the header lists a FAT sector past the end of the file
        // The last DIFAT sector leads back to the first, and the header counts
        // more FAT sectors than the DIFAT lists.
        CyclicDifatChain,
        // The first large stream of ten sectors or more claims two sectors
        // less than its chain holds (and stays a large stream).
        ChainLongerThanSize,
        // The second large (or small) stream starts at the first one's sector
        // and claims its size: two streams share one chain.
        SharedSectors,
        SharedMiniSectors,
    };

    // 3 (512-byte sectors, the default) or 4 (4096-byte sectors).
    void setVersion(int major) { m_version = major; }

    void setRootClsid(const QUuid& clsid) { m_clsid = clsid; }
    // Adds a stream to the root; names are at most 31 characters.
    void addStream(const QString& name, const QByteArray& data);

    // The file, damaged as asked. Damage that needs a kind of stream the file
    // lacks (a large stream of two sectors or more, a small one of two mini
    // sectors or more) is a programming error in the test and aborts.
    QByteArray write(Damage damage = Damage::None) const;

private:
    struct Stream
    {
        QString name;
        QByteArray data;
    };
    QList<Stream> m_streams;
    QUuid m_clsid;
    int m_version = 3;
};

} // namespace clipvoice::agent::acs::testing
