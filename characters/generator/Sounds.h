#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

namespace clipvoice::characters {

// Short sound effects made from sine waves and noise, as 16-bit mono RIFF/WAVE
// files. `pitch` scales every frequency so that each character sounds its own.
// The noise comes from a fixed generator, so the files are the same every run.
QMap<QString, QByteArray> makeSounds(double pitch);

} // namespace clipvoice::characters
