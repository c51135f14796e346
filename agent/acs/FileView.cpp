#include "FileView.h"

#include "ByteCursor.h"

namespace clipvoice::agent::acs {

bool FileView::contains(const Locator& block, const QString& what, QString* error) const
{
    if (block.offset > size || block.size > size - block.offset) {
        *error = QStringLiteral("%1 (offset %2, %3 bytes) lies outside the file (%4 bytes)")
                     .arg(what, hexOffset(block.offset))
                     .arg(block.size)
                     .arg(size);
        return false;
    }
    return true;
}

} // namespace clipvoice::agent::acs
