#pragma once

#include "agent/ui/ReadingPage.h"
#include "agent/ui/ServiceSettings.h"
#include "agent/ui/VoiceDirectory.h"

#include <QDialog>
#include <QFont>

#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;
class QTabWidget;

namespace clipvoice::agent::ui {
class UserDictionary;
class VoicePicker;
} // namespace clipvoice::agent::ui

namespace clipvoice::agent::ui {

// The service's own options dialog: the "出力" page (word balloon and its
// font, spoken output with its speed, pitch and voice for the character's
// language, sound effects, which voice reads Japanese), the "読み方" page
// (reading rules and the pronunciation dictionary) and the "情報" page. OK and
// Apply write to ServiceSettings and to the dictionary's file.
class PropertySheet : public QDialog
{
    Q_OBJECT

public:
    // Asks the user for a font; nothing when the user cancels.
    using FontChooser = std::function<std::optional<QFont>(const QFont& current, QWidget* parent)>;

    explicit PropertySheet(ServiceSettings* settings, QWidget* parent = nullptr);

    // The line telling which speech engine reads Japanese.
    void setSpeechEngineStatus(const QString& status);
    // Where the voices come from, and the language whose voice is chosen (the
    // one the character speaks now).
    void setVoiceDirectory(VoiceDirectory* directory);
    void setLanguage(qint32 languageId);
    VoicePicker* voicePicker() const { return m_voicePicker; }
    void setEngineInfo(const QString& name, const QString& version);
    // The pronunciation dictionary edited on the "読み方" page, and the
    // languages its entries may be for.
    void setDictionary(UserDictionary* dictionary);
    void setDictionaryLanguages(const QList<DictionaryLanguage>& languages);
    ReadingPage* readingPage() const { return m_readingPage; }
    // Replaces the font dialog (tests use this).
    void setFontChooser(FontChooser chooser) { m_chooseFont = std::move(chooser); }

    // The options as the controls show them, applied or not.
    ServiceOptions pendingOptions() const;

public slots:
    // Writes the controls' options to the settings and the dictionary's
    // entries to its file; false (the reading page shows why, and keeps the
    // edits) when the dictionary cannot be written.
    bool apply();
    // Shows the settings' options in the controls.
    void revert();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildOutputPage();
    QWidget* buildAboutPage();
    void chooseFont();
    void refresh();

    ServiceSettings* m_settings;
    FontChooser m_chooseFont;
    ServiceOptions m_fontChoice; // only its font fields are used
    QCheckBox* m_balloon = nullptr;
    QLabel* m_fontName = nullptr;
    QPushButton* m_fontButton = nullptr;
    QCheckBox* m_speech = nullptr;
    QSlider* m_rate = nullptr;
    QSlider* m_pitch = nullptr;
    VoicePicker* m_voicePicker = nullptr;
    QCheckBox* m_sounds = nullptr;
    QLabel* m_engineStatus = nullptr;
    QLabel* m_engineName = nullptr;
    QLabel* m_engineVersion = nullptr;
    QPushButton* m_applyButton = nullptr;
    QTabWidget* m_tabs = nullptr;
    ReadingPage* m_readingPage = nullptr;
};

} // namespace clipvoice::agent::ui
