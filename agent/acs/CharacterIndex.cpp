#include "CharacterIndex.h"

namespace clipvoice::agent::acs {

qsizetype CharacterIndex::animationIndex(QStringView name) const
{
    return animationByName.value(name.toString().toCaseFolded(), -1);
}

const State* CharacterIndex::state(QStringView name) const
{
    for (const State& s : info.states)
        if (name.compare(s.name, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

} // namespace clipvoice::agent::acs
