#pragma once

#include "agent/engine/CharacterPartsFactory.h"
#include "agent/engine/testing/EngineEventLog.h"
#include "agent/engine/testing/FakeVoice.h"

#include <QHash>

#include <memory>

namespace clipvoice::agent::engine::testing {

// Makes a recording view, balloon and sound output and a fake voice for every
// character, all logging to one EngineEventLog.
class RecordingPartsFactory final : public CharacterPartsFactory
{
public:
    explicit RecordingPartsFactory(std::shared_ptr<EngineEventLog> log)
        : m_log(std::move(log))
    {}

    CharacterParts create(const QString& characterId, const CharacterSource& character) override;

    // Parts for a character, without the factory. The sound output logs the
    // bytes of `character`'s sounds, or their numbers without it.
    static CharacterParts makeParts(const std::shared_ptr<EngineEventLog>& log,
                                    const std::shared_ptr<FakeVoice>& voice,
                                    const CharacterSource* character = nullptr);

    // The voice of the character last created under the id.
    std::shared_ptr<FakeVoice> voice(const QString& characterId) const
    {
        return m_voices.value(characterId);
    }
    int created() const { return m_created; }

private:
    std::shared_ptr<EngineEventLog> m_log;
    QHash<QString, std::shared_ptr<FakeVoice>> m_voices;
    int m_created = 0;
};

} // namespace clipvoice::agent::engine::testing
