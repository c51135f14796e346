#pragma once

#include "platform/Autostart.h"

namespace clipvoice::platform {

// Start at login through an XDG autostart entry,
// $XDG_CONFIG_HOME/autostart/clipvoice.desktop, which starts the program with
// --hidden. The entry this class writes carries X-ClipVoice-Autostart=true, so
// it can tell its own entry from one the user wrote.
//
// On: an entry exists under our name and is neither Hidden=true nor
// X-GNOME-Autostart-enabled=false (either one keeps the desktop from starting
// it). Turning on writes our entry, replacing one that was switched off; an
// entry of the user's that already starts the program is left as it is.
// Turning off removes our entry; one the user wrote is kept, with Hidden=true
// added, so nothing of theirs is lost.
class XdgAutostart final : public Autostart
{
public:
    // `program` is the absolute path the entry starts; empty means the
    // running program (QCoreApplication::applicationFilePath()).
    explicit XdgAutostart(QString program = QString());

    bool isEnabled() const override;
    std::optional<QString> setEnabled(bool enabled) override;

    // Where the entry lives, by the current environment.
    static QString entryPath();
    // The Exec value that starts `program` with --hidden: the path quoted and
    // escaped as desktop entries require, or nothing when it cannot be named
    // there (not absolute, or holding '=').
    static std::optional<QString> execValue(const QString& program);

private:
    std::optional<QString> enable();
    std::optional<QString> disable();
    QString program() const;

    QString m_program;
};

} // namespace clipvoice::platform
