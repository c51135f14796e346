#pragma once

#include <QString>

// Finds what Open JTalk needs: the open_jtalk program, the NAIST dictionary
// and the HTS voice nitech-jp-atr503-m001.
namespace clipvoice::agent::voice {

struct OpenJTalkSetup
{
    QString program;
    QString dictionary; // folder holding sys.dic
    QString voice;      // the .htsvoice file
    QString problem;    // why Open JTalk cannot be used; empty when it can

    bool isUsable() const { return problem.isEmpty(); }
    // The voice's name, e.g. "nitech-jp-atr503-m001".
    QString voiceName() const;

    // Looks on this machine. The voice comes from the environment variable
    // CLIPVOICE_HTS_VOICE when it is set (and only from there), otherwise from
    // /usr/share/hts-voice, where its Debian package puts it.
    static OpenJTalkSetup locate();

    // A setup that is never usable, with `reason` as its problem.
    static OpenJTalkSetup unavailable(const QString& reason);

    // Checks given paths and fills in `problem`.
    static OpenJTalkSetup fromPaths(const QString& program, const QString& dictionary,
                                    const QString& voice);
};

} // namespace clipvoice::agent::voice
