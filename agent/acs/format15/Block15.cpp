#include "Block15.h"

namespace clipvoice::agent::acs {

QString readString15(ByteCursor& c, const char* field, quint32 maxUnits)
{
    const qint64 at = c.position();
    const quint32 n = c.u32(field);
    if (!c.ok() || n == 0)
        return {};
    if (n > maxUnits) {
        c.failAt(at, QStringLiteral("%1 claims %2 characters (at most %3 allowed)")
                         .arg(QLatin1String(field))
                         .arg(n)
                         .arg(maxUnits));
        return {};
    }
    if (qint64(n) * 2 > c.remaining()) {
        c.failAt(at, QStringLiteral("%1 claims %2 characters but only %3 bytes are left")
                         .arg(QLatin1String(field))
                         .arg(n)
                         .arg(c.remaining()));
        return {};
    }
    const uchar* p = c.bytes(field, qint64(n) * 2);
    QString s(qsizetype(n), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(s.data());
    for (quint32 i = 0; i < n; ++i)
        out[i] = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
    return s;
}

quint32 readCount15(ByteCursor& c, const char* field, int bytes, quint64 minSize)
{
    const qint64 at = c.position();
    const quint32 count = bytes == 1 ? c.u8(field) : bytes == 2 ? c.u16(field) : c.u32(field);
    if (!c.ok())
        return 0;
    const quint64 left = quint64(c.remaining());
    if (minSize > 0 && count > left / minSize) {
        c.failAt(at, QStringLiteral("%1 %2 cannot fit: %2 entries of at least %3 bytes need more "
                                    "than the %4 bytes left")
                         .arg(QLatin1String(field))
                         .arg(count)
                         .arg(minSize)
                         .arg(left));
        return 0;
    }
    return count;
}

} // namespace clipvoice::agent::acs
