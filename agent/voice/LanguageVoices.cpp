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
    const char* tag;  // the language tag, as the pronunciation dictionary names languages
    const char* name; // as the program's language picker shows it
};

// Voice file names (the "File" column of `espeak-ng --voices`, without the
// language family folder) in Debian 12's espeak-ng 1.51: espeak_SetVoiceByName
// matches those. British English is the file "en" and French (France) "fr".
// Both Chinese identifiers use "cmn-latn-pinyin": the plain "cmn" voice of
// 1.51 reads the tone digits of its pinyin as English numbers. Its dictionary
// covers Traditional as well as Simplified characters.
constexpr std::array<Entry, 31> Table{{
    {1025, "ar", "ar", "Arabic"},
    {1028, "cmn-latn-pinyin", "zh-tw", "Chinese (Traditional)"},
    {1029, "cs", "cs", "Czech"},
    {1030, "da", "da", "Danish"},
    {1031, "de", "de", "German"},
    {1032, "el", "el", "Greek"},
    {1033, "en-us", "en-us", "English (US)"},
    {1035, "fi", "fi", "Finnish"},
    {1036, "fr", "fr", "French"},
    {1037, "he", "he", "Hebrew"},
    {1038, "hu", "hu", "Hungarian"},
    {1040, "it", "it", "Italian"},
    {1041, "ja", "ja", "Japanese"},
    {1042, "ko", "ko", "Korean"},
    {1043, "nl", "nl", "Dutch"},
    {1044, "nb", "nb", "Norwegian"},
    {1045, "pl", "pl", "Polish"},
    {1046, "pt-br", "pt-br", "Portuguese (Brazil)"},
    {1048, "ro", "ro", "Romanian"},
    {1049, "ru", "ru", "Russian"},
    {1050, "hr", "hr", "Croatian"},
    {1051, "sk", "sk", "Slovakian"},
    {1053, "sv", "sv", "Swedish"},
    {1054, "th", "th", "Thai"},
    {1055, "tr", "tr", "Turkish"},
    {1060, "sl", "sl", "Slovenian"},
    {1069, "eu", "eu", "Basque"},
    {2052, "cmn-latn-pinyin", "zh-cn", "Chinese (Simplified)"},
    {2057, "en", "en-gb", "English (British)"},
    {2070, "pt", "pt-pt", "Portuguese (Portugal)"},
    {3082, "es", "es", "Spanish"},
}};

} // namespace

QString LanguageVoices::espeakVoice(qint32 lcid)
{
    const auto it = std::find_if(Table.begin(), Table.end(),
                                 [lcid](const Entry& entry) { return entry.lcid == lcid; });
    return it == Table.end() ? QString() : QString::fromLatin1(it->voice);
}

QString LanguageVoices::languageTag(qint32 lcid)
{
    const auto it = std::find_if(Table.begin(), Table.end(),
                                 [lcid](const Entry& entry) { return entry.lcid == lcid; });
    return it == Table.end() ? QString() : QString::fromLatin1(it->tag);
}

QString LanguageVoices::languageName(qint32 lcid)
{
    const auto it = std::find_if(Table.begin(), Table.end(),
                                 [lcid](const Entry& entry) { return entry.lcid == lcid; });
    return it == Table.end() ? QStringLiteral("0x%1").arg(lcid, 4, 16, QLatin1Char('0'))
                             : QString::fromLatin1(it->name);
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
