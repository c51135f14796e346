#pragma once

#include <QString>
#include <QUuid>
#include <QtGlobal>

// A bounded little-endian reader over one block of a character file. Every read
// checks the bytes left in the block. The first failure is kept (with the file
// offset where it happened) and later reads return zeros, so a parser can read a
// group of fields and check ok() once before using any of them.
namespace clipvoice::agent::acs {

class ByteCursor
{
public:
    // `file` is the whole file; the cursor covers [begin, begin + size), which the
    // caller has checked to lie inside the file.
    ByteCursor(const uchar* file, qint64 begin, qint64 size, QString blockName);

    bool ok() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }
    qint64 errorOffset() const { return m_errorOffset; }

    qint64 position() const { return m_pos; }
    qint64 begin() const { return m_begin; }
    qint64 end() const { return m_end; }
    qint64 remaining() const { return m_end - m_pos; }
    qint64 consumed() const { return m_pos - m_begin; }

    quint8 u8(const char* field);
    quint16 u16(const char* field);
    qint16 i16(const char* field);
    quint32 u32(const char* field);
    qint32 i32(const char* field);
    QUuid guid(const char* field);
    // A length-prefixed UTF-16LE string; at most `maxUnits` code units.
    QString string(const char* field, quint32 maxUnits = 65536);
    // Returns a pointer to `n` bytes inside the block and skips them, or null.
    const uchar* bytes(const char* field, qint64 n);
    bool skip(const char* field, qint64 n) { return bytes(field, n) != nullptr || n == 0; }

    // Checks that `count` elements of at least `minSize` bytes each fit in the rest
    // of the block, so a count can be trusted before allocating for it.
    bool checkCount(const char* field, quint64 count, quint64 minSize);

    // Records a failure at the current position (or at `offset`).
    void fail(const QString& what);
    void failAt(qint64 offset, const QString& what);

private:
    bool need(const char* field, qint64 n);

    const uchar* m_file;
    qint64 m_begin;
    qint64 m_end;
    qint64 m_pos;
    QString m_block;
    QString m_error;
    qint64 m_errorOffset = -1;
};

QString hexOffset(qint64 offset);

} // namespace clipvoice::agent::acs
