#include "Compression.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace clipvoice::agent::acs {

namespace {

constexpr int kWidths[4] = {6, 9, 12, 20};
constexpr qsizetype kAdds[4] = {1, 65, 577, 4673};
constexpr quint32 kEndMarker = 0xFFFFF;
constexpr int kMaxLengthPrefix = 11;

// Reads bits least significant first from a byte array, through a 64-bit buffer.
class BitReader
{
public:
    BitReader(const uchar* data, qsizetype size)
        : m_data(data)
        , m_size(size)
    {}

    bool bits(int width, quint32& value)
    {
        if (m_count < width) {
            refill();
            if (m_count < width)
                return false;
        }
        value = static_cast<quint32>(m_acc & ((quint64(1) << width) - 1));
        m_acc >>= width;
        m_count -= width;
        return true;
    }

    bool bit(quint32& value) { return bits(1, value); }

    // Byte offset of the next unread bit.
    qint64 byteOffset() const { return (qint64(m_next) * 8 - m_count) / 8; }

private:
    void refill()
    {
        while (m_count <= 56 && m_next < m_size) {
            m_acc |= quint64(m_data[m_next++]) << m_count;
            m_count += 8;
        }
    }

    const uchar* m_data;
    qsizetype m_size;
    qsizetype m_next = 1; // the leading byte carries no bits
    quint64 m_acc = 0;
    int m_count = 0;
};

class BitWriter
{
public:
    BitWriter() { m_out.append('\0'); }

    void put(quint32 value, int width)
    {
        m_acc |= quint64(value) << m_count;
        m_count += width;
        while (m_count >= 8) {
            m_out.append(static_cast<char>(m_acc & 0xFF));
            m_acc >>= 8;
            m_count -= 8;
        }
    }

    void ones(int n)
    {
        while (n > 0) {
            const int chunk = std::min(n, 16);
            put((1u << chunk) - 1, chunk);
            n -= chunk;
        }
    }

    QByteArray finish()
    {
        if (m_count > 0)
            put((1u << (8 - m_count)) - 1, 8 - m_count);
        m_out.append(6, '\xFF');
        return std::move(m_out);
    }

    void reserve(qsizetype n) { m_out.reserve(n); }

private:
    QByteArray m_out;
    quint64 m_acc = 0;
    int m_count = 0;
};

Compression::Result failure(qint64 offset, const QString& what)
{
    Compression::Result r;
    r.error = what;
    r.errorOffset = offset;
    return r;
}

int distanceClass(qsizetype distance)
{
    if (distance <= 64)
        return 0;
    if (distance <= 576)
        return 1;
    if (distance <= 4672)
        return 2;
    return 3;
}

int floorLog2(quint32 v)
{
    int n = 0;
    while (v >>= 1)
        ++n;
    return n;
}

// Bits used by a back-reference token.
int referenceCost(qsizetype length, qsizetype distance)
{
    const int cls = distanceClass(distance);
    const int base = cls == 3 ? 3 : 2;
    const int n = floorLog2(static_cast<quint32>(length - base + 1));
    return 1 + (cls == 3 ? 3 : cls + 1) + kWidths[cls] + 2 * n + 1;
}

// Copies `count` bytes to `dst` from `distance` bytes before it. When the two
// overlap the source is a pattern that repeats every `distance` bytes: its
// first period is copied, then what was written is doubled at each step.
void copyBack(uchar* dst, qsizetype distance, qsizetype count)
{
    if (distance >= count) {
        std::memcpy(dst, dst - distance, size_t(count));
        return;
    }
    std::memcpy(dst, dst - distance, size_t(distance));
    qsizetype done = distance;
    while (done < count) {
        const qsizetype n = std::min(done, count - done);
        std::memcpy(dst + done, dst, size_t(n));
        done += n;
    }
}

// Decoded bytes go straight into a buffer of the expected size.
class FlatOutput
{
public:
    explicit FlatOutput(uchar* out)
        : m_out(out)
    {}

    void literal(qsizetype at, uchar value) { m_out[at] = value; }

    // Writes `count` bytes at `at` copied from `distance` bytes back; bytes from
    // before the output start read as zero.
    void copy(qsizetype at, qsizetype distance, qsizetype count)
    {
        qsizetype i = 0;
        for (; i < count && at + i < distance; ++i)
            m_out[at + i] = 0;
        if (i < count)
            copyBack(m_out + at + i, distance, count - i);
    }

    void produced(qsizetype) {}

private:
    uchar* m_out;
};

// Decoded bytes go round a window that holds the furthest a back-reference can
// reach; the rows and columns asked for are copied out as each row completes.
class WindowOutput
{
public:
    static constexpr qsizetype Size = Compression::WindowSize;
    static constexpr qsizetype Mask = Size - 1;

    WindowOutput(const Compression::Part& part, uchar* out)
        : m_ring(size_t(Size))
        , m_part(part)
        , m_out(out)
        , m_nextRow(0)
    {}

    void literal(qsizetype at, uchar value) { m_ring[size_t(at & Mask)] = value; }

    void copy(qsizetype at, qsizetype distance, qsizetype count)
    {
        uchar* ring = m_ring.data();
        qsizetype i = 0;
        for (; i < count && at + i < distance; ++i)
            ring[(at + i) & Mask] = 0;
        while (i < count) {
            const qsizetype to = (at + i) & Mask;
            const qsizetype from = (at + i - distance) & Mask;
            const qsizetype n = std::min({count - i, Size - to, Size - from});
            if (from < to)
                copyBack(ring + to, to - from, n);
            else // the source wrapped round: it lies far behind, apart from the target
                std::memcpy(ring + to, ring + from, size_t(n));
            i += n;
        }
    }

    // Copies out every wanted row that is complete once `total` bytes are decoded.
    void produced(qsizetype total)
    {
        const qsizetype endRow = m_part.firstRow + m_part.rowCount;
        while (m_nextRow < endRow && total >= (m_nextRow + 1) * m_part.rowBytes) {
            if (m_nextRow >= m_part.firstRow) {
                uchar* dst = m_out + (m_nextRow - m_part.firstRow) * m_part.width;
                const qsizetype begin = (m_nextRow * m_part.rowBytes + m_part.column) & Mask;
                const qsizetype first = std::min(m_part.width, Size - begin);
                std::memcpy(dst, m_ring.data() + begin, size_t(first));
                std::memcpy(dst + first, m_ring.data(), size_t(m_part.width - first));
            }
            ++m_nextRow;
        }
    }

private:
    std::vector<uchar> m_ring;
    Compression::Part m_part;
    uchar* m_out;
    qsizetype m_nextRow;
};

// Reads the token stream and hands literals and back-references to `out`,
// checking every length and distance against the expected size and slack.
template <typename Output>
Compression::Result decode(const uchar* src, qsizetype size, qsizetype expected, qsizetype slack,
                           Output& out)
{
    if (size < 1)
        return failure(0, QStringLiteral("compressed stream is empty"));
    if (src[0] != 0)
        return failure(0, QStringLiteral("compressed stream starts with 0x%1 instead of 0x00")
                              .arg(src[0], 2, 16, QLatin1Char('0')));
    BitReader in(src, size);
    const qsizetype limit = expected + slack;
    qsizetype produced = 0;
    Compression::Result result;
    const auto ranOut = [&] {
        return failure(size, QStringLiteral("compressed stream ends before its end marker "
                                            "(%1 of %2 bytes decoded)")
                                 .arg(produced)
                                 .arg(expected));
    };
    for (;;) {
        const qint64 tokenOffset = in.byteOffset();
        quint32 b = 0;
        if (!in.bit(b))
            return ranOut();
        if (b == 0) {
            quint32 literal = 0;
            if (!in.bits(8, literal))
                return ranOut();
            if (produced >= limit)
                return failure(tokenOffset,
                               QStringLiteral("compressed stream decodes to more than %1 bytes")
                                   .arg(expected));
            if (produced < expected)
                out.literal(produced, static_cast<uchar>(literal));
            ++produced;
            out.produced(produced);
            continue;
        }
        int cls = 0;
        while (cls < 3) {
            if (!in.bit(b))
                return ranOut();
            if (b == 0)
                break;
            ++cls;
        }
        quint32 v = 0;
        if (!in.bits(kWidths[cls], v))
            return ranOut();
        if (cls == 3 && v == kEndMarker)
            break;
        const qsizetype distance = qsizetype(v) + kAdds[cls];
        int n = 0;
        for (;;) {
            if (!in.bit(b))
                return ranOut();
            if (b == 0)
                break;
            if (++n > kMaxLengthPrefix)
                return failure(tokenOffset,
                               QStringLiteral("compressed stream has an invalid length code"));
        }
        quint32 u = 0;
        if (n > 0 && !in.bits(n, u))
            return ranOut();
        const qsizetype length = (cls == 3 ? 3 : 2) + (qsizetype(1) << n) - 1 + qsizetype(u);
        if (distance > produced + slack)
            return failure(tokenOffset,
                           QStringLiteral("back-reference distance %1 reaches before the start "
                                          "(%2 bytes decoded)")
                               .arg(distance)
                               .arg(produced));
        if (length > limit - produced)
            return failure(tokenOffset,
                           QStringLiteral("back-reference of %1 bytes runs past the expected "
                                          "size of %2 bytes")
                               .arg(length)
                               .arg(expected));
        if (distance > produced)
            result.bytesBeforeStart += std::min(distance - produced, length);
        const qsizetype writable = std::clamp<qsizetype>(expected - produced, 0, length);
        if (writable > 0)
            out.copy(produced, distance, writable);
        produced += length;
        out.produced(produced);
    }
    if (produced < expected)
        return failure(size, QStringLiteral("compressed stream decodes to %1 bytes, expected %2")
                                 .arg(produced)
                                 .arg(expected));
    result.ok = true;
    result.droppedBytes = produced - expected;
    return result;
}

} // namespace

Compression::Result Compression::decompress(const uchar* src, qsizetype size, uchar* out,
                                            qsizetype expected, qsizetype slack)
{
    FlatOutput flat(out);
    return decode(src, size, expected, slack, flat);
}

Compression::Result Compression::decompressPart(const uchar* src, qsizetype size,
                                                qsizetype expected, const Part& part, uchar* out,
                                                qsizetype slack)
{
    // The window must hold the furthest reference, the slack before the start,
    // and a whole row plus the longest token, so that rows are copied out
    // before the window overwrites them.
    const bool valid = part.rowBytes > 0 && part.firstRow >= 0 && part.rowCount >= 0 &&
                       part.firstRow <= expected / part.rowBytes &&
                       part.rowCount <= expected / part.rowBytes - part.firstRow &&
                       part.column >= 0 && part.width >= 0 &&
                       part.width <= part.rowBytes - part.column && slack >= 0 &&
                       slack <= MaxSlackForPart && part.rowBytes <= MaxRowBytesForPart;
    if (!valid)
        return failure(0, QStringLiteral("the part to keep (rows %1 + %2 of %3 bytes, columns "
                                         "%4 + %5) does not fit %6 bytes")
                              .arg(part.firstRow)
                              .arg(part.rowCount)
                              .arg(part.rowBytes)
                              .arg(part.column)
                              .arg(part.width)
                              .arg(expected));
    WindowOutput window(part, out);
    return decode(src, size, expected, slack, window);
}

QByteArray Compression::compress(const uchar* data, qsizetype size)
{
    constexpr int kHashBits = 16;
    constexpr int kMaxChain = 48;
    constexpr qsizetype kMaxLength = 2048; // keeps the length prefix at 10 or fewer 1s
    std::vector<qint32> head(size_t(1) << kHashBits, -1);
    std::vector<qint32> prev(size_t(std::max<qsizetype>(size, 1)), -1);
    const auto hashAt = [data](qsizetype i) {
        const quint32 v =
            quint32(data[i]) | (quint32(data[i + 1]) << 8) | (quint32(data[i + 2]) << 16);
        return (v * 2654435761u) >> (32 - kHashBits);
    };
    const auto insert = [&](qsizetype i) {
        if (i + 2 >= size)
            return;
        const quint32 h = hashAt(i);
        prev[size_t(i)] = head[h];
        head[h] = static_cast<qint32>(i);
    };
    const auto matchLength = [&](qsizetype a, qsizetype b, qsizetype maxLen) {
        qsizetype len = 0;
        while (len < maxLen && data[a + len] == data[b + len])
            ++len;
        return len;
    };

    BitWriter out;
    out.reserve(size / 4 + 16);
    qsizetype pos = 0;
    while (pos < size) {
        const qsizetype left = size - pos;
        qsizetype bestLen = 0;
        qsizetype bestDist = 0;
        int bestSaving = 0;
        const auto consider = [&](qsizetype candidate) {
            const qsizetype dist = pos - candidate;
            const qsizetype cap = std::min(left, kMaxLength + (distanceClass(dist) == 3 ? 1 : 0));
            const qsizetype len = matchLength(candidate, pos, cap);
            const qsizetype minLen = distanceClass(dist) == 3 ? 3 : 2;
            if (len < minLen || len <= bestLen)
                return;
            const int saving = int(9 * len) - referenceCost(len, dist);
            if (saving > bestSaving) {
                bestSaving = saving;
                bestLen = len;
                bestDist = dist;
            }
        };
        if (left >= 3) {
            qint32 candidate = head[hashAt(pos)];
            for (int chain = 0; candidate >= 0 && chain < kMaxChain; ++chain) {
                if (pos - candidate > MaxDistance)
                    break;
                consider(candidate);
                if (bestLen >= std::min(left, kMaxLength))
                    break;
                candidate = prev[size_t(candidate)];
            }
        }
        if (bestLen < 3 && left >= 2) {
            // Two-byte matches pay off only at short distances.
            for (qsizetype dist = 1; dist <= std::min<qsizetype>(pos, 64) && bestLen < 2; ++dist)
                consider(pos - dist);
        }
        if (bestLen == 0) {
            out.put(0, 1);
            out.put(data[pos], 8);
            insert(pos);
            ++pos;
            continue;
        }
        const int cls = distanceClass(bestDist);
        out.put(1, 1);
        if (cls < 3) {
            out.ones(cls);
            out.put(0, 1);
        } else {
            out.ones(3);
        }
        out.put(static_cast<quint32>(bestDist - kAdds[cls]), kWidths[cls]);
        const quint32 m = static_cast<quint32>(bestLen - (cls == 3 ? 3 : 2) + 1);
        const int n = floorLog2(m);
        out.ones(n);
        out.put(0, 1);
        if (n > 0)
            out.put(m - (1u << n), n);
        for (qsizetype i = 0; i < bestLen; ++i)
            insert(pos + i);
        pos += bestLen;
    }
    return out.finish();
}

} // namespace clipvoice::agent::acs
