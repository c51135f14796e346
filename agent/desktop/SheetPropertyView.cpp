#include "agent/desktop/SheetPropertyView.h"

#include "agent/ui/PropertySheet.h"
#include "agent/ui/ServiceSettings.h"
#include "agent/ui/VoiceDirectory.h"
#include "agent/voice/LanguageVoices.h"

namespace clipvoice::agent::desktop {

namespace {
const char* const kEngineVersion = "1.0";
}

SheetPropertyView::SheetPropertyView(ui::ServiceSettings& settings, QString speechEngineStatus,
                                     std::unique_ptr<ui::VoiceDirectory> voices,
                                     ui::UserDictionary* dictionary)
    : m_settings(settings)
    , m_speechEngineStatus(std::move(speechEngineStatus))
    , m_voices(std::move(voices))
    , m_dictionary(dictionary)
{}

void SheetPropertyView::setLanguage(qint32 languageId)
{
    m_language = languageId;
    if (m_sheet)
        m_sheet->setLanguage(languageId);
}

SheetPropertyView::~SheetPropertyView() = default;

void SheetPropertyView::setVisible(bool visible)
{
    if (!visible) {
        if (m_sheet)
            m_sheet->hide();
        if (m_voices)
            m_voices->stopPreview();
        return;
    }
    if (!m_sheet) {
        m_sheet = std::make_unique<ui::PropertySheet>(&m_settings);
        m_sheet->setObjectName(QStringLiteral("PropertySheet"));
        m_sheet->setSpeechEngineStatus(m_speechEngineStatus);
        m_sheet->setVoiceDirectory(m_voices.get());
        m_sheet->setLanguage(m_language);
        // The languages the program speaks, by the tags the dictionary uses.
        QList<ui::DictionaryLanguage> languages;
        for (const qint32 lcid : voice::LanguageVoices::supportedLanguages()) {
            const QString tag = voice::LanguageVoices::languageTag(lcid);
            languages.append({tag, QStringLiteral("%1 (%2)").arg(
                                       voice::LanguageVoices::languageName(lcid), tag)});
        }
        m_sheet->setDictionaryLanguages(languages);
        m_sheet->setDictionary(m_dictionary);
        m_sheet->setEngineInfo(QStringLiteral("ClipVoice Character Engine"),
                               QLatin1String(kEngineVersion));
    }
    m_sheet->show();
    m_sheet->raise();
    m_sheet->activateWindow();
}

} // namespace clipvoice::agent::desktop
