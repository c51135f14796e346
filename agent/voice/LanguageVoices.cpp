#include "agent/voice/LanguageVoices.h"

#include <algorithm>
#include <array>
#include <utility>

namespace clipvoice::agent::voice {

namespace {

struct Entry
{
    qint32 lcid;
    const char* voice;
};

// Voice file names (the "File" column of `espeak-ng --voices`, without the
// language family folder) in Debian 12's espeak-ng 1.51: espeak_SetVoiceByName
// matches those. British English is the file "en" and French (France) "fr".
// Both Chinese identifiers use "cmn-latn-pinyin": the plain "cmn" voice of
// 1.51 reads the tone digits of its pinyin as English numbers. Its dictionary
// covers Traditional as well as Simplified characters.
constexpr std::array<Entry, 31> Table{{
    {1025, "ar"},    {1028, "cmn-latn-pinyin"},
    {1029, "cs"},    {1030, "da"},
    {1031, "de"},    {1032, "el"},
    {1033, "en-us"}, {1035, "fi"},
    {1036, "fr"},    {1037, "he"},
    {1038, "hu"},    {1040, "it"},
    {1041, "ja"},    {1042, "ko"},
    {1043, "nl"},    {1044, "nb"},
    {1045, "pl"},    {1046, "pt-br"},
    {1048, "ro"},    {1049, "ru"},
    {1050, "hr"},    {1051, "sk"},
    {1053, "sv"},    {1054, "th"},
    {1055, "tr"},    {1060, "sl"},
    {1069, "eu"},    {2052, "cmn-latn-pinyin"},
    {2057, "en"},    {2070, "pt"},
    {3082, "es"},
}};

} // namespace

QString LanguageVoices::espeakVoice(qint32 lcid)
{
    const auto it = std::find_if(Table.begin(), Table.end(),
                                 [lcid](const Entry& entry) { return entry.lcid == lcid; });
    return it == Table.end() ? QString() : QString::fromLatin1(it->voice);
}

QList<qint32> LanguageVoices::supportedLanguages()
{
    QList<qint32> result;
    result.reserve(static_cast<qsizetype>(Table.size()));
    for (const Entry& entry : Table) {
        result.append(entry.lcid);
    }
    std::sort(result.begin(), result.end());
    return result;
}

} // namespace clipvoice::agent::voice
