#pragma once

#include "agent/ui/ServiceSettings.h"
#include "agent/ui/VoiceDirectory.h"

#include <QWidget>

#include <functional>

class QComboBox;
class QLabel;
class QPushButton;

namespace clipvoice::agent::ui {

// The property sheet's choice of voice for the language the character
// speaks: the installed voices, the most natural (the default) first, a
// preview, and a note when the voice chosen earlier is not installed any more.
class VoicePicker : public QWidget
{
    Q_OBJECT

public:
    explicit VoicePicker(QWidget* parent = nullptr);

    // Without a directory (or a language) the picker shows that there is
    // nothing to choose.
    void setDirectory(VoiceDirectory* directory);
    void setLanguage(qint32 languageId);
    qint32 language() const { return m_language; }
    // The rate and pitch a preview uses: the sheet's, applied or not.
    void setPreviewSettings(std::function<std::pair<int, int>()> ratePitch);

    // Shows the choices of `options`.
    void show(const ServiceOptions& options);
    // Writes the shown choice into `options`. A choice the user did not touch
    // stays as it was, even when its voice is missing now: it speaks again
    // once the voice is installed again.
    void applyTo(ServiceOptions& options) const;

    QString selectedKey() const;
    QString note() const;

signals:
    void changed();

private:
    void fill();
    void preview();

    VoiceDirectory* m_directory = nullptr;
    qint32 m_language = 0;
    QMap<qint32, QString> m_stored; // the choices as last shown
    bool m_touched = false;         // the user picked a voice since
    std::function<std::pair<int, int>()> m_ratePitch;
    QLabel* m_languageName = nullptr;
    QComboBox* m_voices = nullptr;
    QPushButton* m_previewButton = nullptr;
    QLabel* m_note = nullptr;
};

} // namespace clipvoice::agent::ui
