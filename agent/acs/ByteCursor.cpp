#include "ByteCursor.h"

namespace clipvoice::agent::acs {

QString hexOffset(qint64 offset)
{
    return QStringLiteral("0x%1").arg(offset, 0, 16);
}

ByteCursor::ByteCursor(const uchar* file, qint64 begin, qint64 size, QString blockName)
    : m_file(file)
    , m_begin(begin)
    , m_end(begin + size)
    , m_pos(begin)
    , m_block(std::move(blockName))
{}

void ByteCursor::failAt(qint64 offset, const QString& what)
{
    if (!ok())
        return;
    m_errorOffset = offset;
    m_error = QStringLiteral("%1 at offset %2: %3").arg(m_block, hexOffset(offset), what);
    m_pos = m_end;
}

void ByteCursor::fail(const QString& what)
{
    failAt(m_pos, what);
}

bool ByteCursor::need(const char* field, qint64 n)
{
    if (!ok())
        return false;
    if (n < 0 || n > remaining()) {
        fail(QStringLiteral("%1 needs %2 bytes but only %3 are left in the block")
                 .arg(QLatin1String(field))
                 .arg(n)
                 .arg(remaining()));
        return false;
    }
    return true;
}

quint8 ByteCursor::u8(const char* field)
{
    if (!need(field, 1))
        return 0;
    return m_file[m_pos++];
}

quint16 ByteCursor::u16(const char* field)
{
    if (!need(field, 2))
        return 0;
    const uchar* p = m_file + m_pos;
    m_pos += 2;
    return static_cast<quint16>(p[0] | (p[1] << 8));
}

qint16 ByteCursor::i16(const char* field)
{
    return static_cast<qint16>(u16(field));
}

quint32 ByteCursor::u32(const char* field)
{
    if (!need(field, 4))
        return 0;
    const uchar* p = m_file + m_pos;
    m_pos += 4;
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

qint32 ByteCursor::i32(const char* field)
{
    return static_cast<qint32>(u32(field));
}

QUuid ByteCursor::guid(const char* field)
{
    if (!need(field, 16))
        return {};
    const quint32 d1 = u32(field);
    const quint16 d2 = u16(field);
    const quint16 d3 = u16(field);
    const uchar* d4 = m_file + m_pos;
    m_pos += 8;
    return QUuid(d1, d2, d3, d4[0], d4[1], d4[2], d4[3], d4[4], d4[5], d4[6], d4[7]);
}

QString ByteCursor::string(const char* field, quint32 maxUnits)
{
    const qint64 at = m_pos;
    const quint32 n = u32(field);
    if (!ok() || n == 0)
        return {};
    if (n > maxUnits) {
        failAt(at, QStringLiteral("%1 claims %2 characters (at most %3 allowed)")
                       .arg(QLatin1String(field))
                       .arg(n)
                       .arg(maxUnits));
        return {};
    }
    const qint64 byteCount = 2 * (qint64(n) + 1);
    if (byteCount > remaining()) {
        failAt(at, QStringLiteral("%1 claims %2 characters but only %3 bytes are left")
                       .arg(QLatin1String(field))
                       .arg(n)
                       .arg(remaining()));
        return {};
    }
    const uchar* p = m_file + m_pos;
    QString s(qsizetype(n), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(s.data());
    for (quint32 i = 0; i < n; ++i)
        out[i] = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
    if (p[2 * n] != 0 || p[2 * n + 1] != 0) {
        failAt(
            m_pos + 2 * qint64(n),
            QStringLiteral("%1 is not terminated by a zero character").arg(QLatin1String(field)));
        return {};
    }
    m_pos += byteCount;
    return s;
}

const uchar* ByteCursor::bytes(const char* field, qint64 n)
{
    if (!need(field, n))
        return nullptr;
    const uchar* p = m_file + m_pos;
    m_pos += n;
    return n > 0 ? p : nullptr;
}

bool ByteCursor::checkCount(const char* field, quint64 count, quint64 minSize)
{
    if (!ok())
        return false;
    const quint64 left = quint64(remaining());
    if (minSize > 0 && count > left / minSize) {
        fail(QStringLiteral("%1 %2 cannot fit: %3 entries of at least %4 bytes need more than the "
                            "%5 bytes left")
                 .arg(QLatin1String(field))
                 .arg(count)
                 .arg(count)
                 .arg(minSize)
                 .arg(left));
        return false;
    }
    return true;
}

} // namespace clipvoice::agent::acs
