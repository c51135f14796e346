#include "app/LanguageKeeper.h"

#include "app/LanguageSetting.h"
#include "platform/SettingsStore.h"

namespace clipvoice::app {

LanguageKeeper::LanguageKeeper(platform::SettingsStore* settings)
    : m_settings(settings)
{}

void LanguageKeeper::choose(int position)
{
    const std::lock_guard lock(m_mutex);
    m_position = position;
}

bool LanguageKeeper::hasChoice() const
{
    const std::lock_guard lock(m_mutex);
    return m_position > 0;
}

bool LanguageKeeper::save(QString* error)
{
    const std::lock_guard lock(m_mutex);
    if (m_position <= 0 || m_settings == nullptr)
        return true;
    if (saveLanguagePosition(*m_settings, m_position))
        return true;
    if (error != nullptr)
        *error = m_settings->error();
    return false;
}

} // namespace clipvoice::app
