#include "agent/engine/testing/RecordingPartsFactory.h"

#include "agent/engine/testing/FakeSpeechOutput.h"
#include "agent/engine/testing/RecordingBalloonView.h"
#include "agent/engine/testing/RecordingCharacterView.h"
#include "agent/engine/testing/RecordingSoundOutput.h"

namespace clipvoice::agent::engine::testing {

CharacterParts RecordingPartsFactory::create(const QString& characterId,
                                             const CharacterSource& character)
{
    auto voice = std::make_shared<FakeVoice>(m_log);
    m_voices.insert(characterId, voice);
    ++m_created;
    return makeParts(m_log, voice, &character);
}

CharacterParts RecordingPartsFactory::makeParts(const std::shared_ptr<EngineEventLog>& log,
                                                const std::shared_ptr<FakeVoice>& voice,
                                                const CharacterSource* character)
{
    CharacterParts parts;
    parts.view = std::make_unique<RecordingCharacterView>(log);
    parts.balloon = std::make_unique<RecordingBalloonView>(log);
    parts.speech = std::make_unique<FakeSpeechOutput>(voice);
    parts.sound = std::make_unique<RecordingSoundOutput>(log, character);
    return parts;
}

} // namespace clipvoice::agent::engine::testing
