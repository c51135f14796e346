#pragma once

#include <QString>
#include <QtGlobal>

namespace clipvoice::agent::acs {

// Where a block lies in the file.
struct Locator
{
    qint64 offset = 0;
    qint64 size = 0;
};

// The bytes of an open character file, read-only.
struct FileView
{
    const uchar* bytes = nullptr;
    qint64 size = 0;

    const uchar* at(qint64 offset) const { return bytes + offset; }

    // Whether `block` lies inside the file. When it does not, `error` says so,
    // naming the block `what`.
    bool contains(const Locator& block, const QString& what, QString* error) const;
};

} // namespace clipvoice::agent::acs
