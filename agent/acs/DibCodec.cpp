#include "DibCodec.h"

#include <QtEndian>

#include <array>
#include <cstdlib>
#include <optional>

namespace clipvoice::agent::acs {

namespace {

constexpr int kMaxIconSide = 256;

constexpr std::array<QRgb, 16> kWindowsColors = {
    0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080, 0xFF008080, 0xFFC0C0C0,
    0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00, 0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF};

struct Dib
{
    int width = 0;
    int height = 0;
    bool bottomUp = true;
    int bitCount = 0;
    QList<QRgb> colors;
    const uchar* rows = nullptr;
    qsizetype stride = 0;
    int availableRows = 0;

    int index(int x, int y) const
    {
        const int storedRow = bottomUp ? height - 1 - y : y;
        if (storedRow >= availableRows)
            return -1;
        const uchar* row = rows + qsizetype(storedRow) * stride;
        switch (bitCount) {
        case 1:
            return (row[x / 8] >> (7 - x % 8)) & 1;
        case 4:
            return (row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0xF;
        case 8:
            return row[x];
        default:
            return -1;
        }
    }

    QRgb color(int x, int y) const
    {
        const int storedRow = bottomUp ? height - 1 - y : y;
        if (storedRow >= availableRows)
            return 0;
        const uchar* row = rows + qsizetype(storedRow) * stride;
        if (bitCount == 24)
            return qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
        if (bitCount == 32)
            return qRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
        const int i = index(x, y);
        return i >= 0 && i < colors.size() ? colors[i] : qRgb(0, 0, 0);
    }
};

std::optional<Dib> parseDib(const QByteArray& data, const char* what, QString* error)
{
    const auto fail = [&](const QString& why) -> std::optional<Dib> {
        if (error)
            *error = QStringLiteral("tray icon %1 bitmap: %2").arg(QLatin1String(what), why);
        return std::nullopt;
    };
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    const qsizetype size = data.size();
    if (size < 40)
        return fail(QStringLiteral("%1 bytes, fewer than a 40-byte header").arg(size));
    const quint32 headerSize = qFromLittleEndian<quint32>(p);
    const qint32 width = qFromLittleEndian<qint32>(p + 4);
    const qint32 height = qFromLittleEndian<qint32>(p + 8);
    const quint16 bitCount = qFromLittleEndian<quint16>(p + 14);
    const quint32 compression = qFromLittleEndian<quint32>(p + 16);
    const quint32 colorsUsed = qFromLittleEndian<quint32>(p + 32);
    if (headerSize < 40 || headerSize > quint32(size))
        return fail(QStringLiteral("header size %1 is invalid").arg(headerSize));
    if (width <= 0 || width > kMaxIconSide || height == 0 || height < -kMaxIconSide * 2 ||
        height > kMaxIconSide * 2)
        return fail(QStringLiteral("size %1 x %2 is invalid").arg(width).arg(height));
    if (compression != 0)
        return fail(QStringLiteral("compression %1 is not supported").arg(compression));
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32)
        return fail(QStringLiteral("%1 bits per pixel is not supported").arg(bitCount));
    Dib dib;
    dib.width = width;
    dib.bottomUp = height > 0;
    dib.height = std::abs(height);
    // Icon bitmaps may count the mask in the height (twice the width).
    if (dib.height == 2 * dib.width)
        dib.height = dib.width;
    dib.bitCount = bitCount;
    qsizetype offset = headerSize;
    if (bitCount <= 8) {
        const quint32 full = 1u << bitCount;
        const quint32 n = colorsUsed == 0 || colorsUsed > full ? full : colorsUsed;
        if (offset + qsizetype(n) * 4 > size)
            return fail(QStringLiteral("colour table of %1 entries does not fit").arg(n));
        for (quint32 i = 0; i < n; ++i) {
            const uchar* c = p + offset + qsizetype(i) * 4;
            dib.colors.append(qRgb(c[2], c[1], c[0]));
        }
        offset += qsizetype(n) * 4;
    }
    dib.stride = ((qsizetype(width) * bitCount + 31) / 32) * 4;
    dib.rows = p + offset;
    dib.availableRows = int(std::min<qsizetype>(dib.height, (size - offset) / dib.stride));
    return dib;
}

} // namespace

QImage DibCodec::decodeTrayIcon(const TrayIcon& icon, QString* error)
{
    const std::optional<Dib> color = parseDib(icon.color, "colour", error);
    if (!color)
        return {};
    std::optional<Dib> mask;
    if (!icon.mask.isEmpty()) {
        mask = parseDib(icon.mask, "mask", error);
        if (!mask)
            return {};
    }
    QImage out(color->width, color->height, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return {};
    for (int y = 0; y < color->height; ++y) {
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < color->width; ++x) {
            bool transparent = false;
            if (mask && x < mask->width && y < mask->height)
                transparent = mask->index(x, y) != 0;
            dst[x] = transparent ? 0 : color->color(x, y);
        }
    }
    return out;
}

TrayIcon DibCodec::encodeTrayIcon(const QImage& image)
{
    constexpr int side = 16;
    const QImage src =
        image.isNull() ? QImage()
                       : image.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .convertToFormat(QImage::Format_ARGB32);
    const auto header = [](QByteArray& out, int bitCount, quint32 imageSize, quint32 colors) {
        char b[40] = {};
        qToLittleEndian<quint32>(40, b);
        qToLittleEndian<qint32>(side, b + 4);
        qToLittleEndian<qint32>(side, b + 8);
        qToLittleEndian<quint16>(1, b + 12);
        qToLittleEndian<quint16>(quint16(bitCount), b + 14);
        qToLittleEndian<quint32>(imageSize, b + 20);
        qToLittleEndian<quint32>(colors, b + 32);
        out.append(b, 40);
    };
    const auto pixel = [&src](int x, int y) -> QRgb { return src.isNull() ? 0 : src.pixel(x, y); };
    TrayIcon icon;
    header(icon.mask, 1, 4 * side, 2);
    icon.mask.append("\0\0\0\0\xFF\xFF\xFF\0", 8);
    for (int row = side - 1; row >= 0; --row) {
        quint32 bits = 0;
        for (int x = 0; x < side; ++x)
            if (qAlpha(pixel(x, row)) < 128)
                bits |= 1u << (7 - x % 8 + 8 * (x / 8));
        const char b[4] = {char(bits & 0xFF), char((bits >> 8) & 0xFF), 0, 0};
        icon.mask.append(b, 4);
    }
    header(icon.color, 4, 8 * side, 16);
    for (QRgb c : kWindowsColors) {
        const char b[4] = {char(qBlue(c)), char(qGreen(c)), char(qRed(c)), 0};
        icon.color.append(b, 4);
    }
    for (int row = side - 1; row >= 0; --row) {
        char bytes[8] = {};
        for (int x = 0; x < side; ++x) {
            const QRgb p = pixel(x, row);
            int best = 0;
            int bestDistance = INT_MAX;
            for (int i = 0; i < 16; ++i) {
                const QRgb c = kWindowsColors[size_t(i)];
                const int dr = qRed(c) - qRed(p);
                const int dg = qGreen(c) - qGreen(p);
                const int db = qBlue(c) - qBlue(p);
                const int d = dr * dr + dg * dg + db * db;
                if (d < bestDistance) {
                    bestDistance = d;
                    best = i;
                }
            }
            if (qAlpha(p) < 128)
                best = 0;
            bytes[x / 2] = char(uchar(bytes[x / 2]) | (x % 2 == 0 ? best << 4 : best));
        }
        icon.color.append(bytes, 8);
    }
    return icon;
}

} // namespace clipvoice::agent::acs
