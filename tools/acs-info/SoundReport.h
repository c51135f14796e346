#pragma once

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTextStream>

#include <functional>

// What acs-info says about a character's sounds: each one's format and
// whether the program can play it, and the export of each as the 16-bit PCM
// WAV file the program plays (at the stored sound's rate and length).
namespace acsinfo {

using SoundFetch = std::function<QByteArray(qsizetype index)>;

// One line per sound, after a heading line with their count.
void printSounds(QTextStream& out, qsizetype count, const SoundFetch& sound,
                 const QString& heading);

// Writes sounds/sound-NNN.wav for each sound that plays; a sound that does
// not is named on `err` and left out. False when a file cannot be written.
bool exportSounds(const QDir& dir, qsizetype count, const SoundFetch& sound, QTextStream& err);

} // namespace acsinfo
