#include "agent/desktop/CatalogVoiceDirectory.h"

#include "agent/desktop/SpeakerSpeechOutput.h"
#include "agent/voice/LanguageVoices.h"
#include "agent/voice/Speaker.h"
#include "agent/voice/VoiceCatalog.h"

namespace clipvoice::agent::desktop {

CatalogVoiceDirectory::CatalogVoiceDirectory(std::shared_ptr<const voice::VoiceCatalog> catalog)
    : m_catalog(std::move(catalog))
{}

CatalogVoiceDirectory::~CatalogVoiceDirectory() = default;

QString CatalogVoiceDirectory::languageName(qint32 languageId) const
{
    return voice::LanguageVoices::languageName(languageId);
}

QList<ui::VoiceOption> CatalogVoiceDirectory::voices(qint32 languageId) const
{
    QList<ui::VoiceOption> options;
    for (const voice::VoiceInfo& info : m_catalog->voicesFor(languageId)) {
        QString label = info.label.isEmpty() ? info.key() : info.label;
        if (info.gender == voice::VoiceGender::Female)
            label += QStringLiteral("・女性");
        else if (info.gender == voice::VoiceGender::Male)
            label += QStringLiteral("・男性");
        options.append({info.key(), label});
    }
    return options;
}

QString CatalogVoiceDirectory::genderNote(qint32 languageId) const
{
    const voice::VoiceSelection selection = m_catalog->select(languageId);
    if (!selection.engine)
        return {};
    bool female = false;
    bool male = false;
    for (const voice::VoiceInfo& info : m_catalog->voicesFor(languageId)) {
        if (info.engine != selection.voice.engine)
            continue;
        female = female || info.gender == voice::VoiceGender::Female;
        male = male || info.gender == voice::VoiceGender::Male;
    }
    if (female == male)
        return {};
    return female ? QStringLiteral("%1 のこの言語の声は女性だけです。男性のキャラクタも"
                                   "女性の声で話します。")
                        .arg(selection.voice.engine)
                  : QStringLiteral("%1 のこの言語の声は男性だけです。女性のキャラクタも"
                                   "男性の声で話します。")
                        .arg(selection.voice.engine);
}

QString CatalogVoiceDirectory::sampleText(qint32 languageId)
{
    switch (languageId) {
    case voice::LanguageVoices::Japanese:
        return QStringLiteral("こんにちは。この声で読み上げます。");
    case 1031:
        return QStringLiteral("Guten Tag. Mit dieser Stimme lese ich vor.");
    case 1036:
        return QStringLiteral("Bonjour. Je lis avec cette voix.");
    case 3082:
        return QStringLiteral("Hola. Leo con esta voz.");
    case 1040:
        return QStringLiteral("Buongiorno. Leggo con questa voce.");
    case 1049:
        return QStringLiteral("Здравствуйте. Я читаю этим голосом.");
    case 1045:
        return QStringLiteral("Dzień dobry. Czytam tym głosem.");
    case 1046:
    case 2070:
        return QStringLiteral("Olá. Eu leio com esta voz.");
    default:
        return QStringLiteral("Hello. This is the voice I read with.");
    }
}

void CatalogVoiceDirectory::preview(qint32 languageId, const QString& key, int rate, int pitch)
{
    if (!m_speaker)
        m_speaker = std::make_unique<voice::Speaker>(m_catalog, voice::AudioOutput::create());
    m_speaker->stop();
    m_speaker->setSpeed(SpeakerSpeechOutput::speedForRate(rate));
    m_speaker->setPitch(SpeakerSpeechOutput::pitchForSetting(pitch));
    m_speaker->setVoiceChoice(languageId, key);
    (void)m_speaker->speak(sampleText(languageId), languageId);
}

void CatalogVoiceDirectory::stopPreview()
{
    if (m_speaker)
        m_speaker->stop();
}

} // namespace clipvoice::agent::desktop
