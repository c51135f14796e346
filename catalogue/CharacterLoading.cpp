#include "catalogue/CharacterLoading.h"

#include "platform/agent/RandomSource.h"

namespace clipvoice::catalogue {

using namespace platform::agent;

bool isCharacterKey(const QString& key)
{
    return key.toLower().contains(QLatin1String(".acs"));
}

void LoadCharacter(const QString& key, AgentService& agent, LoadedCharacter& loaded,
                   platform::RandomSource& random)
{
    if (!isCharacterKey(key))
        return;

    // Each step may fail; the next one runs all the same.
    (void)agent.characters().unload(characterId());
    (void)agent.characters().load(characterId(), key);

    AgentResult<CharacterPtr> item = agent.characters().item(characterId());
    loaded.isLoaded = item.ok();
    if (item.ok())
        loaded.CurrentCharacter = item.value();

    if (loaded.CurrentCharacter) {
        (void)loaded.CurrentCharacter->addCommand(optionsCommandName(), optionsCommandCaption());
        (void)loaded.CurrentCharacter->show();
        (void)loaded.CurrentCharacter->play(QStringLiteral("Greet"));
    }
    random.reseedFromClock();
}

void answerCommand(const AgentUserInput& input, AgentService& agent)
{
    if (input.name == optionsCommandName())
        (void)agent.setPropertySheetVisible(true);
}

} // namespace clipvoice::catalogue
