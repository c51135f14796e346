#pragma once

#include "Character.h"
#include "IndexedPixels.h"

#include <QByteArray>
#include <QRect>
#include <QString>

namespace clipvoice::agent::acs {

struct LoadedCharacter;

// One image decoded with its region data.
struct ImageReadResult
{
    IndexedImage image;
    QString error; // empty when the image decoded cleanly
};

// Decodes the pixel and region data of the indexed images of an open file.
// Every decode is counted; each damaged image or region met while decoding is
// reported once. Nothing is cached here. Safe to use from several threads.
class ImageEntryDecoder
{
public:
    explicit ImageEntryDecoder(const LoadedCharacter& character);

    // The image's palette indices and region data. A damaged image comes back
    // transparent and without its region, with `error` set; an index out of
    // range gives an empty image and an error.
    ImageReadResult readImage(qsizetype index) const;

    struct WholePixels
    {
        QByteArray pixels; // top row first, no padding
        QString error;     // set when the pixels are transparent for a fault
    };
    // All pixels of the image (`index` must be valid).
    WholePixels decodeWhole(qsizetype index) const;

    // The decompressed region data of the image (`index` must be valid); empty
    // when there is none or it is damaged, and then `error` says why.
    QByteArray decodeRegion(qsizetype index, QString* error) const;

    // The pixels of pixel source `source` that a frame needs: raw pixels are
    // read where they lie in the file, a compressed image is decoded whole
    // unless it is larger than limits::WholeImageLimit and `part` is less than
    // all of it, in which case only `part` is decoded and held.
    IndexedPixels decodeForFrame(qsizetype source, const QRect& part) const;

private:
    void reportPixels(qsizetype index, const QString& message) const;

    const LoadedCharacter& m_character;
};

} // namespace clipvoice::agent::acs
