#pragma once

#include "platform/agent/AgentResult.h"
#include "platform/agent/ServiceCommon.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <utility>

namespace clipvoice::platform::agent {

// The path Characters.Load opens for a file name: an absolute path as it is,
// any other name inside the character folder (as it is when there is none).
QString resolveCharacterFile(const QString& folder, const QString& file);

// The characters a service has loaded, by id, and the folder their files are
// looked up in. At most one character per id; ids match exactly, case
// included. Every implementation of the service keeps its characters here, so
// that loading and lookups fail alike, with the same messages.
template <typename Character> class CharacterRegistry
{
public:
    using Pointer = std::shared_ptr<Character>;

    explicit CharacterRegistry(QString folder = {})
        : m_folder(std::move(folder))
    {}

    const QString& folder() const { return m_folder; }
    void setFolder(const QString& folder) { m_folder = folder; }
    QString resolve(const QString& file) const { return resolveCharacterFile(m_folder, file); }

    // Why Characters.Load cannot load the file under the id before even
    // opening it (no id, the id taken, no file), or nothing.
    std::optional<QString> loadError(const QString& characterId, const QString& file) const
    {
        return loadArgumentsError(characterId, file, m_loaded.contains(characterId));
    }

    // Keeps the character under the id, which must be free.
    void add(const QString& characterId, Pointer character)
    {
        m_loaded.insert(characterId, std::move(character));
    }

    // The character loaded under the id; fails when there is none.
    AgentResult<Pointer> item(const QString& characterId) const
    {
        const auto found = m_loaded.constFind(characterId);
        if (found == m_loaded.cend())
            return AgentResult<Pointer>::failure(nothingUnder(characterId));
        return found.value();
    }

    // Removes the character loaded under the id and hands it back; fails when
    // there is none.
    AgentResult<Pointer> take(const QString& characterId)
    {
        const auto found = m_loaded.find(characterId);
        if (found == m_loaded.end())
            return AgentResult<Pointer>::failure(nothingUnder(characterId));
        Pointer character = found.value();
        m_loaded.erase(found);
        return character;
    }

    // Removes every character and hands them back.
    QList<Pointer> takeAll()
    {
        QList<Pointer> all = m_loaded.values();
        m_loaded.clear();
        return all;
    }
    void clear() { m_loaded.clear(); }

    // The character loaded under the id, or null.
    Pointer find(const QString& characterId) const { return m_loaded.value(characterId); }
    QStringList ids() const { return m_loaded.keys(); }

private:
    QString m_folder;
    QHash<QString, Pointer> m_loaded;
};

} // namespace clipvoice::platform::agent
