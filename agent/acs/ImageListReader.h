#pragma once

#include "CharacterIndex.h"
#include "FileView.h"

#include <QString>

namespace clipvoice::agent::acs {

// Indexes the image list at `list` (which lies inside the file) into
// `index.images`: where each image's pixel and region data lie, checked
// against the file and against maxImageSide(index.info), and which entries
// share their data. A damaged entry reads as transparent and adds a warning to
// `index.warnings`. Fails, with `error` saying what and where, when the list
// itself cannot be read or none of its images can.
bool readImageList(FileView file, const Locator& list, CharacterIndex& index, QString* error);

} // namespace clipvoice::agent::acs
