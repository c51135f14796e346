#include "agent/ui/VoicePicker.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

namespace clipvoice::agent::ui {

VoicePicker::VoicePicker(QWidget* parent)
    : QWidget(parent)
{
    m_languageName = new QLabel(this);
    m_languageName->setObjectName(QStringLiteral("voiceLanguage"));
    m_voices = new QComboBox(this);
    m_voices->setObjectName(QStringLiteral("voiceCombo"));
    m_voices->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_voices->setMinimumContentsLength(24);
    m_previewButton = new QPushButton(QStringLiteral("試聴(&P)"), this);
    m_previewButton->setObjectName(QStringLiteral("previewButton"));
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("voiceNote"));
    m_note->setWordWrap(true);
    m_note->hide();

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("言語:"), this), 0, 0);
    layout->addWidget(m_languageName, 0, 1, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("音声の種類:"), this), 1, 0);
    layout->addWidget(m_voices, 1, 1);
    layout->addWidget(m_previewButton, 1, 2);
    layout->addWidget(m_note, 2, 0, 1, 3);
    layout->setColumnStretch(1, 1);

    connect(m_voices, &QComboBox::activated, this, [this] {
        m_touched = true;
        m_note->hide();
        emit changed();
    });
    connect(m_previewButton, &QPushButton::clicked, this, &VoicePicker::preview);
    fill();
}

void VoicePicker::setDirectory(VoiceDirectory* directory)
{
    m_directory = directory;
    fill();
}

void VoicePicker::setLanguage(qint32 languageId)
{
    if (languageId == m_language)
        return;
    m_language = languageId;
    m_touched = false;
    fill();
}

void VoicePicker::setPreviewSettings(std::function<std::pair<int, int>()> ratePitch)
{
    m_ratePitch = std::move(ratePitch);
}

void VoicePicker::show(const ServiceOptions& options)
{
    m_stored = options.voices;
    m_touched = false;
    fill();
}

void VoicePicker::fill()
{
    const QSignalBlocker quiet(m_voices);
    m_voices->clear();
    m_note->hide();
    const bool usable = m_directory != nullptr && m_language > 0;
    m_languageName->setText(usable ? m_directory->languageName(m_language) : QString());
    const QList<VoiceOption> voices =
        usable ? m_directory->voices(m_language) : QList<VoiceOption>();
    for (qsizetype i = 0; i < voices.size(); ++i) {
        const QString label =
            i == 0 ? voices.at(i).label + QStringLiteral("（標準）") : voices.at(i).label;
        m_voices->addItem(label, voices.at(i).key);
    }
    m_voices->setEnabled(voices.size() > 1);
    m_previewButton->setEnabled(!voices.isEmpty());
    if (voices.isEmpty()) {
        m_voices->addItem(usable ? QStringLiteral("（この言語を読み上げる音声がありません）")
                                 : QStringLiteral("（言語がまだ決まっていません）"));
        return;
    }
    const QString chosen = m_stored.value(m_language);
    const int row = chosen.isEmpty() ? 0 : m_voices->findData(chosen);
    m_voices->setCurrentIndex(std::max(row, 0));
    QStringList notes;
    if (!chosen.isEmpty() && row < 0)
        notes << QStringLiteral("選んだ音声「%1」はインストールされていないため、"
                                "「%2」で読み上げます。")
                     .arg(chosen, voices.first().label);
    const QString gender = m_directory->genderNote(m_language);
    if (!gender.isEmpty())
        notes << gender;
    if (!notes.isEmpty()) {
        m_note->setText(notes.join(QLatin1Char('\n')));
        m_note->show();
    }
}

QString VoicePicker::selectedKey() const
{
    return m_voices->currentData().toString();
}

QString VoicePicker::note() const
{
    return m_note->isHidden() ? QString() : m_note->text();
}

void VoicePicker::applyTo(ServiceOptions& options) const
{
    if (!m_touched || m_language <= 0)
        return;
    // The default is not stored: a more natural voice installed later then
    // becomes the default.
    if (m_voices->currentIndex() <= 0)
        options.voices.remove(m_language);
    else
        options.voices.insert(m_language, selectedKey());
}

void VoicePicker::preview()
{
    if (m_directory == nullptr || m_language <= 0)
        return;
    const auto [rate, pitch] = m_ratePitch ? m_ratePitch() : std::pair<int, int>(0, 0);
    m_directory->preview(m_language, selectedKey(), rate, pitch);
}

} // namespace clipvoice::agent::ui
