#pragma once

#include <QString>

#include <mutex>

namespace clipvoice::platform {
class SettingsStore;
}

namespace clipvoice::app {

// Holds the chosen language until it is saved, so that it can be saved from
// any thread: the program may be ended by exit() from a thread of a library
// (the display connection was lost), while the window's thread still runs.
// It knows nothing until start-up has restored the stored choice, and saves
// nothing before: a failed or refused start must leave the stored value alone.
class LanguageKeeper
{
public:
    explicit LanguageKeeper(platform::SettingsStore* settings);

    // The picker's 1-based position now; 0 or less while nothing is chosen.
    void choose(int position);
    bool hasChoice() const;

    // Writes the last choice. False, with the store's reason in `error`, when
    // it refused; true when there was nothing to save.
    bool save(QString* error = nullptr);

private:
    platform::SettingsStore* m_settings;
    mutable std::mutex m_mutex; // also keeps two saves from overlapping
    int m_position = 0;
};

} // namespace clipvoice::app
