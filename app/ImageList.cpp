#include "app/ImageList.h"

namespace clipvoice::app {

ImageList::ImageList(QSize imageSize)
    : m_imageSize(imageSize)
{}

void ImageList::add(const QPixmap& picture, const QString& key)
{
    QPixmap fitted = picture;
    if (!fitted.isNull() && fitted.size() != m_imageSize)
        fitted = fitted.scaled(m_imageSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    m_entries.append({key, fitted});
}

QPixmap ImageList::picture(int index) const
{
    if (index < 1 || index > count())
        return {};
    return m_entries.at(index - 1).picture;
}

QPixmap ImageList::picture(const QString& key) const
{
    for (const Entry& entry : m_entries) {
        if (!key.isEmpty() && entry.key == key)
            return entry.picture;
    }
    return {};
}

QString ImageList::key(int index) const
{
    if (index < 1 || index > count())
        return {};
    return m_entries.at(index - 1).key;
}

} // namespace clipvoice::app
