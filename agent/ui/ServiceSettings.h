#pragma once

#include "agent/reading/ReadingRules.h"
#include "agent/ui/BalloonStyle.h"

#include <QMap>
#include <QObject>
#include <QString>

namespace clipvoice::agent::ui {

// The user's choices for the character service, shared by every program
// that shows a character.
struct ServiceOptions
{
    static constexpr int SlowestRate = -10;
    static constexpr int FastestRate = 10;
    static constexpr int LowestPitch = -10;
    static constexpr int HighestPitch = 10;
    static constexpr int SmallestFont = 6;
    static constexpr int LargestFont = 48;

    bool balloonEnabled = true;
    QString balloonFontFamily; // empty: the character's own balloon font
    int balloonFontSize = 0;   // points; 0: the character's own size
    bool balloonFontBold = false;
    bool balloonFontItalic = false;
    bool speechEnabled = true;
    bool soundEffectsEnabled = true;
    int speechRate = 0;  // SlowestRate .. FastestRate, 0 is the voice's normal speed
    int speechPitch = 0; // LowestPitch .. HighestPitch, 0 is the voice's own pitch
    // The voice chosen for a language (its key, "RHVoice/Slt"), by language
    // identifier; a language without an entry speaks with its default voice.
    QMap<qint32, QString> voices;
    // How lines are read before they are spoken; every rule is off unless
    // the user turns it on.
    reading::ReadingRules readingRules;

    // `style` with the user's font, when the user chose one.
    BalloonStyle applyTo(BalloonStyle style) const;

    bool operator==(const ServiceOptions&) const = default;
};

// Reads and writes the service's options in its own INI file, apart from the
// program's settings. A missing, broken or out-of-range value reads as its
// default.
class ServiceSettings : public QObject
{
    Q_OBJECT

public:
    explicit ServiceSettings(const QString& path = defaultPath(), QObject* parent = nullptr);

    // $XDG_CONFIG_HOME/clipvoice/agent.ini
    static QString defaultPath();

    QString path() const { return m_path; }
    const ServiceOptions& options() const { return m_options; }

    // Stores `options` and writes them out; emits changed() when they differ.
    // Returns false when the file could not be written.
    bool setOptions(const ServiceOptions& options);
    // Reads the file again; emits changed() when the options differ.
    void reload();

signals:
    // The options changed; they apply from the next line spoken.
    void changed();

private:
    QString m_path;
    ServiceOptions m_options;
};

} // namespace clipvoice::agent::ui
