#pragma once

#include <QHash>
#include <QImage>
#include <QList>
#include <QRgb>

// Chooses a character palette for a set of images and maps colours to it.
class PaletteBuilder
{
public:
    // Counts the opaque pixels (alpha >= threshold) of `image`.
    void addImage(const QImage& image, int alphaThreshold);

    // Up to `maxColours` colours: every colour when they fit, otherwise the
    // averages of a median cut over the counted pixels.
    QList<QRgb> build(int maxColours) const;

private:
    QHash<QRgb, qint64> m_counts;
};

// Maps colours to the nearest palette entry, skipping the transparent index.
class PaletteMapper
{
public:
    PaletteMapper(QList<QRgb> palette, int transparentIndex);
    quint8 indexOf(QRgb colour);

private:
    QList<QRgb> m_palette;
    int m_transparent;
    QHash<QRgb, quint8> m_cache;
};
