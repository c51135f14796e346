#pragma once

#include "agent/acs/AcsReader.h"
#include "agent/acs/AcsWriter.h"
#include "agent/acs/testing/SampleCharacter.h"

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QtEndian>

#include <algorithm>

// Small helpers shared by the character file tests.
namespace acstest {

using namespace clipvoice::agent::acs;

inline QByteArray writeCharacter(const Character& c)
{
    const AcsWriter::Result r = AcsWriter::write(c);
    if (!r.ok())
        qFatal("writing the test character failed: %s", qPrintable(r.error));
    return r.data;
}

inline quint32 u32At(const QByteArray& data, qsizetype at)
{
    return qFromLittleEndian<quint32>(data.constData() + at);
}

inline quint16 u16At(const QByteArray& data, qsizetype at)
{
    return qFromLittleEndian<quint16>(data.constData() + at);
}

inline void setU32(QByteArray& data, qsizetype at, quint32 v)
{
    qToLittleEndian(v, data.data() + at);
}

inline void setU16(QByteArray& data, qsizetype at, quint16 v)
{
    qToLittleEndian(v, data.data() + at);
}

// Header locators: 0 character block, 1 animation list, 2 image list, 3 audio list.
inline qsizetype blockOffset(const QByteArray& data, int which)
{
    return qsizetype(u32At(data, 4 + 8 * which));
}

inline qsizetype blockSize(const QByteArray& data, int which)
{
    return qsizetype(u32At(data, 8 + 8 * which));
}

// The offset of image `index`'s block.
inline qsizetype imageBlock(const QByteArray& file, int index)
{
    return qsizetype(u32At(file, blockOffset(file, 2) + 4 + 12 * index));
}

// Appends `block` to the file and points image `index` at it.
inline void replaceImageBlock(QByteArray& file, int index, const QByteArray& block)
{
    const qsizetype entry = blockOffset(file, 2) + 4 + 12 * index;
    setU32(file, entry, quint32(file.size()));
    setU32(file, entry + 4, quint32(block.size()));
    file.append(block);
}

// An image block with the given pixel data and no region.
inline QByteArray imageBlockBytes(quint16 width, quint16 height, bool compressed,
                                  const QByteArray& pixels)
{
    QByteArray b;
    b.append('\x01');
    b.append(char(width & 0xFF)).append(char(width >> 8));
    b.append(char(height & 0xFF)).append(char(height >> 8));
    b.append(compressed ? '\x01' : '\x00');
    QByteArray size(4, '\0');
    setU32(size, 0, quint32(pixels.size()));
    b.append(size).append(pixels);
    b.append(8, '\0'); // no region
    return b;
}

// While it lives, takes the messages of the "clipvoice.acs" log category
// instead of printing them, so that a test can count them (and files full of
// damage do not flood the test output). Other messages go on as before.
class AcsLogCapture
{
public:
    AcsLogCapture()
    {
        s_current = this;
        s_previous = qInstallMessageHandler(&AcsLogCapture::handle);
    }
    ~AcsLogCapture()
    {
        qInstallMessageHandler(s_previous);
        s_current = nullptr;
    }
    AcsLogCapture(const AcsLogCapture&) = delete;
    AcsLogCapture& operator=(const AcsLogCapture&) = delete;

    QStringList messages() const
    {
        QMutexLocker lock(&m_mutex);
        return m_messages;
    }
    // How many messages contain `part`.
    qsizetype count(const QString& part) const
    {
        const QStringList all = messages();
        return std::count_if(all.cbegin(), all.cend(),
                             [&part](const QString& m) { return m.contains(part); });
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (s_current && context.category && qstrcmp(context.category, "clipvoice.acs") == 0) {
            QMutexLocker lock(&s_current->m_mutex);
            s_current->m_messages.append(message);
            return;
        }
        s_previous(type, context, message);
    }

    mutable QMutex m_mutex;
    QStringList m_messages;
    inline static AcsLogCapture* s_current = nullptr;
    inline static QtMessageHandler s_previous = nullptr;
};

// A small character: 16 x 16, no voice or balloon, so fixed offsets are easy.
inline Character plainCharacter()
{
    testing::SampleCharacter::Options o;
    o.side = 16;
    o.imageCount = 4;
    o.animationCount = 2;
    o.framesPerAnimation = 3;
    o.withVoice = false;
    o.withBalloon = false;
    o.withTrayIcon = false;
    return testing::SampleCharacter::build(o);
}

// Builds streams token by token, straight from the bit layout, so that the
// decoder can be tested independently of our encoder.
class StreamBuilder
{
public:
    StreamBuilder() { m_bytes.append('\0'); }

    StreamBuilder& literal(quint8 b)
    {
        put(0, 1);
        put(b, 8);
        return *this;
    }
    // The distance class follows from the distance.
    StreamBuilder& reference(int distance, int length)
    {
        static const int widths[4] = {6, 9, 12, 20};
        static const int adds[4] = {1, 65, 577, 4673};
        const int cls = distance <= 64 ? 0 : distance <= 576 ? 1 : distance <= 4672 ? 2 : 3;
        put(1, 1);
        for (int i = 0; i < cls; ++i)
            put(1, 1);
        if (cls < 3)
            put(0, 1);
        put(quint32(distance - adds[cls]), widths[cls]);
        const quint32 m = quint32(length - (cls == 3 ? 3 : 2) + 1);
        int n = 0;
        while ((m >> (n + 1)) != 0)
            ++n;
        for (int i = 0; i < n; ++i)
            put(1, 1);
        put(0, 1);
        put(m - (1u << n), n);
        return *this;
    }
    StreamBuilder& rawBits(quint32 value, int width)
    {
        put(value, width);
        return *this;
    }
    // The end marker, the rest of the byte filled with 1s, then `tail` 0xFF bytes.
    QByteArray end(int tail = 6)
    {
        put(0xFFFFFF, 24);
        while (m_count % 8 != 0)
            put(1, 1);
        QByteArray out = m_bytes;
        out.append(tail, '\xFF');
        return out;
    }
    QByteArray unterminated()
    {
        while (m_count % 8 != 0)
            put(0, 1);
        return m_bytes;
    }

private:
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
    QByteArray m_bytes;
    qsizetype m_count = 0;
};

} // namespace acstest
