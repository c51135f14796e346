#pragma once

#include "agent/ui/VoiceDirectory.h"

#include <memory>

namespace clipvoice::agent::voice {
class Speaker;
class VoiceCatalog;
} // namespace clipvoice::agent::voice

namespace clipvoice::agent::desktop {

// The voice layer's catalogue as the property sheet sees it. Previews are
// spoken by a speaker of their own, so they never mix with a character's
// speech queue.
class CatalogVoiceDirectory final : public ui::VoiceDirectory
{
public:
    explicit CatalogVoiceDirectory(std::shared_ptr<const voice::VoiceCatalog> catalog);
    ~CatalogVoiceDirectory() override;

    QString languageName(qint32 languageId) const override;
    QList<ui::VoiceOption> voices(qint32 languageId) const override;
    QString genderNote(qint32 languageId) const override;
    void preview(qint32 languageId, const QString& key, int rate, int pitch) override;
    void stopPreview() override;

    // The sentence a preview says in a language.
    static QString sampleText(qint32 languageId);

private:
    std::shared_ptr<const voice::VoiceCatalog> m_catalog;
    std::unique_ptr<voice::Speaker> m_speaker; // made at the first preview
};

} // namespace clipvoice::agent::desktop
