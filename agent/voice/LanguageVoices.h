#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

// Which espeak-ng voice speaks each Windows language identifier (LCID), and
// the language's name.
namespace clipvoice::agent::voice {

class LanguageVoices
{
public:
    static constexpr qint32 Japanese = 1041;

    // The espeak-ng voice name for `lcid`, or an empty string when none is known.
    static QString espeakVoice(qint32 lcid);

    // The language's tag in lower case ("ja", "en-us", "zh-tw"), as the
    // pronunciation dictionary names languages; empty when none is known.
    static QString languageTag(qint32 lcid);

    // The language's English name ("English (US)"), or its identifier in hex.
    static QString languageName(qint32 lcid);

    // Every language identifier with a voice, in ascending order.
    static QList<qint32> supportedLanguages();
};

} // namespace clipvoice::agent::voice
