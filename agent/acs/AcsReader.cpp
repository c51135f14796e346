#include "AcsReader.h"

#include "CharacterDecoder.h"
#include "FrameComposer.h"
#include "ImageDecoder.h"
#include "ImageRenderer.h"
#include "LoadedCharacter.h"

namespace clipvoice::agent::acs {

AcsReader::AcsReader() = default;

AcsReader::~AcsReader() = default;

const LoadedCharacter& AcsReader::loaded() const
{
    // While no file is open, every query answers as for an empty character.
    static const LoadedCharacter nothing{QString()};
    return m_loaded ? *m_loaded : nothing;
}

void AcsReader::close()
{
    m_cache.clear();
    m_loaded.reset();
    m_error.clear();
}

bool AcsReader::fail(const QString& message)
{
    close();
    m_error = message;
    return false;
}

bool AcsReader::openFile(const QString& path)
{
    close();
    auto loaded = std::make_unique<LoadedCharacter>(path);
    QString error;
    if (!loaded->bytes.openFile(path, &error))
        return fail(error);
    // Animation files of the web format have no signature of their own; they are
    // known by their name unless they start like a whole character file.
    if (path.endsWith(QStringLiteral(".aca"), Qt::CaseInsensitive) &&
        !CharacterIndexReader::hasSignature(loaded->file()))
        return fail(CharacterIndexReader::animationFileUnsupported());
    return load(std::move(loaded));
}

bool AcsReader::openData(const QByteArray& data, const QString& name)
{
    close();
    auto loaded =
        std::make_unique<LoadedCharacter>(name.isEmpty() ? QStringLiteral("character data") : name);
    loaded->bytes.setData(data);
    return load(std::move(loaded));
}

bool AcsReader::load(std::unique_ptr<LoadedCharacter> loaded)
{
    QString error;
    if (!CharacterIndexReader::read(loaded->file(), loaded->index, &error))
        return fail(error);
    const CharacterInfo& info = loaded->index.info;
    loaded->colours = FrameComposer::colourTable(info.palette, info.transparentIndex);
    for (const QString& warning : std::as_const(loaded->index.warnings))
        loaded->report.report(warning);
    m_loaded = std::move(loaded);
    return true;
}

QStringList AcsReader::warnings() const
{
    return loaded().index.warnings;
}

const CharacterInfo& AcsReader::info() const
{
    return loaded().index.info;
}

const LocalizedInfo* AcsReader::localized(quint16 languageId) const
{
    return findLocalized(info().localized, languageId);
}

const QList<Animation>& AcsReader::animations() const
{
    return loaded().index.animations;
}

qsizetype AcsReader::animationIndex(QStringView name) const
{
    return loaded().index.animationIndex(name);
}

const Animation* AcsReader::animation(QStringView name) const
{
    const qsizetype i = animationIndex(name);
    return i < 0 ? nullptr : &animations()[i];
}

const State* AcsReader::state(QStringView name) const
{
    return loaded().index.state(name);
}

qsizetype AcsReader::imageCount() const
{
    return loaded().index.images.size();
}

qsizetype AcsReader::soundCount() const
{
    return loaded().index.sounds.size();
}

AcsReader::ImageResult AcsReader::readImage(qsizetype index) const
{
    return ImageEntryDecoder(loaded()).readImage(index);
}

QSize AcsReader::imageSize(qsizetype index) const
{
    if (index < 0 || index >= imageCount())
        return {0, 0};
    const ImageEntry& e = loaded().index.images[index];
    return {e.width, e.height};
}

QImage AcsReader::image(qsizetype index) const
{
    return ImageRenderer(loaded(), m_cache).image(index);
}

QList<QRect> AcsReader::imageRegion(qsizetype index) const
{
    if (index < 0 || index >= imageCount())
        return {};
    QString error;
    const QByteArray region = ImageEntryDecoder(loaded()).decodeRegion(index, &error);
    if (region.isEmpty())
        return {};
    const QSize size = imageSize(index);
    return ImageDecoder::decodeRegion(region, QRect(QPoint(0, 0), size), &error)
        .value_or(QList<QRect>());
}

QImage AcsReader::frame(qsizetype animationIndex, qsizetype frameIndex, int mouthShape) const
{
    return ImageRenderer(loaded(), m_cache).frame(animationIndex, frameIndex, mouthShape);
}

qint64 AcsReader::framePixelLimit() const
{
    return limits::framePixelLimit(info());
}

QByteArray AcsReader::sound(qsizetype index) const
{
    if (index < 0 || index >= soundCount())
        return {};
    return loaded().copyOf(loaded().index.sounds[index]);
}

qint64 AcsReader::characterBudget() const
{
    return CharacterDecoder(loaded()).defaultBudget();
}

Character AcsReader::character(QString* error, qint64 budget) const
{
    const CharacterDecoder decoder(loaded());
    return decoder.decode(error, budget < 0 ? decoder.defaultBudget() : budget);
}

AcsReader::DecodeStatistics AcsReader::decodeStatistics() const
{
    return loaded().counters.statistics();
}

void AcsReader::setCacheLimit(qint64 bytes)
{
    m_cache.setLimit(bytes);
}

qint64 AcsReader::cacheLimit() const
{
    return m_cache.limit();
}

qint64 AcsReader::cacheUsed() const
{
    return m_cache.used();
}

} // namespace clipvoice::agent::acs
