#pragma once

#include <QList>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace clipvoice::app {

// An ordered list of same-sized pictures, each optionally under a key.
// Pictures are numbered from 1, like the items that refer to them.
class ImageList
{
public:
    explicit ImageList(QSize imageSize);

    QSize imageSize() const { return m_imageSize; }
    int count() const { return static_cast<int>(m_entries.size()); }

    // Appends a picture; one of another size is scaled to the list's size.
    void add(const QPixmap& picture, const QString& key = {});

    // The picture at a 1-based index, or a null pixmap outside 1..count().
    QPixmap picture(int index) const;
    // The picture under a key, or a null pixmap when no picture has that key.
    QPixmap picture(const QString& key) const;
    QString key(int index) const;

private:
    struct Entry
    {
        QString key;
        QPixmap picture;
    };

    QSize m_imageSize;
    QList<Entry> m_entries;
};

} // namespace clipvoice::app
