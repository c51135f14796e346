#include "Character.h"

namespace clipvoice::agent::acs {

const LocalizedInfo* findLocalized(const QList<LocalizedInfo>& list, quint16 languageId)
{
    if (list.isEmpty())
        return nullptr;
    for (const LocalizedInfo& l : list)
        if (l.languageId == languageId)
            return &l;
    for (const LocalizedInfo& l : list)
        if ((l.languageId & 0x3FF) == (languageId & 0x3FF))
            return &l;
    for (const LocalizedInfo& l : list)
        if (l.languageId == 0x0409)
            return &l;
    return &list.first();
}

} // namespace clipvoice::agent::acs
