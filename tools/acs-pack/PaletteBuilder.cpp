#include "PaletteBuilder.h"

#include <algorithm>
#include <array>
#include <climits>

void PaletteBuilder::addImage(const QImage& image, int alphaThreshold)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(row[x]) >= alphaThreshold)
                ++m_counts[row[x] | 0xFF000000u];
    }
}

namespace {

struct Entry
{
    QRgb colour;
    qint64 count;
};

int channel(QRgb c, int which)
{
    return which == 0 ? qRed(c) : which == 1 ? qGreen(c) : qBlue(c);
}

} // namespace

QList<QRgb> PaletteBuilder::build(int maxColours) const
{
    QList<Entry> entries;
    entries.reserve(m_counts.size());
    for (auto it = m_counts.cbegin(); it != m_counts.cend(); ++it)
        entries.append({it.key(), it.value()});
    // Most frequent first, colour value as a tie-break, so the result is stable.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.count != b.count ? a.count > b.count : a.colour < b.colour;
    });
    QList<QRgb> palette;
    if (entries.size() <= maxColours) {
        for (const Entry& e : entries)
            palette.append(e.colour);
        return palette;
    }
    // Median cut: split the box with the widest channel range at its weighted median.
    struct Box
    {
        qsizetype begin;
        qsizetype end;
    };
    QList<Box> boxes = {{0, entries.size()}};
    const auto range = [&entries](const Box& b, int& widest) {
        int best = -1;
        for (int ch = 0; ch < 3; ++ch) {
            int lo = 255, hi = 0;
            for (qsizetype i = b.begin; i < b.end; ++i) {
                lo = std::min(lo, channel(entries[i].colour, ch));
                hi = std::max(hi, channel(entries[i].colour, ch));
            }
            if (hi - lo > best) {
                best = hi - lo;
                widest = ch;
            }
        }
        return best;
    };
    while (boxes.size() < maxColours) {
        qsizetype pick = -1;
        int pickRange = 0;
        int pickChannel = 0;
        for (qsizetype i = 0; i < boxes.size(); ++i) {
            int ch = 0;
            const int r = boxes[i].end - boxes[i].begin > 1 ? range(boxes[i], ch) : 0;
            if (r > pickRange) {
                pickRange = r;
                pick = i;
                pickChannel = ch;
            }
        }
        if (pick < 0)
            break;
        Box b = boxes[pick];
        std::sort(entries.begin() + b.begin, entries.begin() + b.end,
                  [pickChannel](const Entry& x, const Entry& y) {
                      return channel(x.colour, pickChannel) < channel(y.colour, pickChannel);
                  });
        qint64 total = 0;
        for (qsizetype i = b.begin; i < b.end; ++i)
            total += entries[i].count;
        qint64 running = 0;
        qsizetype split = b.begin + 1;
        for (qsizetype i = b.begin; i < b.end - 1; ++i) {
            running += entries[i].count;
            split = i + 1;
            if (running * 2 >= total)
                break;
        }
        boxes[pick] = {b.begin, split};
        boxes.append({split, b.end});
    }
    for (const Box& b : boxes) {
        qint64 r = 0, g = 0, bl = 0, n = 0;
        for (qsizetype i = b.begin; i < b.end; ++i) {
            r += qRed(entries[i].colour) * entries[i].count;
            g += qGreen(entries[i].colour) * entries[i].count;
            bl += qBlue(entries[i].colour) * entries[i].count;
            n += entries[i].count;
        }
        n = std::max<qint64>(n, 1);
        palette.append(qRgb(int(r / n), int(g / n), int(bl / n)));
    }
    return palette;
}

PaletteMapper::PaletteMapper(QList<QRgb> palette, int transparentIndex)
    : m_palette(std::move(palette))
    , m_transparent(transparentIndex)
{}

quint8 PaletteMapper::indexOf(QRgb colour)
{
    colour |= 0xFF000000u;
    const auto it = m_cache.constFind(colour);
    if (it != m_cache.cend())
        return it.value();
    int best = m_transparent == 0 ? 1 : 0;
    int bestDistance = INT_MAX;
    for (qsizetype i = 0; i < m_palette.size() && i < 256; ++i) {
        if (i == m_transparent)
            continue;
        const int dr = qRed(m_palette[i]) - qRed(colour);
        const int dg = qGreen(m_palette[i]) - qGreen(colour);
        const int db = qBlue(m_palette[i]) - qBlue(colour);
        // Weighted towards green, as the eye is most sensitive to it.
        const int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = int(i);
            if (d == 0)
                break;
        }
    }
    m_cache.insert(colour, quint8(best));
    return quint8(best);
}
