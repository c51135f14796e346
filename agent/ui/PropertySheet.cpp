#include "agent/ui/PropertySheet.h"

#include "agent/ui/VoicePicker.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace clipvoice::agent::ui {

namespace {

std::optional<QFont> askForFont(const QFont& current, QWidget* parent)
{
    bool ok = false;
    const QFont font =
        QFontDialog::getFont(&ok, current, parent, QStringLiteral("吹き出しのフォント"));
    return ok ? std::optional<QFont>(font) : std::nullopt;
}

QString describeFont(const ServiceOptions& options)
{
    if (options.balloonFontFamily.isEmpty())
        return QStringLiteral("キャラクタの既定のフォント");
    QString text = options.balloonFontFamily;
    if (options.balloonFontSize > 0)
        text += QStringLiteral(" %1 pt").arg(options.balloonFontSize);
    if (options.balloonFontBold)
        text += QStringLiteral(" 太字");
    if (options.balloonFontItalic)
        text += QStringLiteral(" 斜体");
    return text;
}

} // namespace

PropertySheet::PropertySheet(ServiceSettings* settings, QWidget* parent)
    : QDialog(parent)
    , m_settings(settings)
    , m_chooseFont(askForFont)
{
    setWindowTitle(QStringLiteral("キャラクタのオプション"));
    auto* tabs = new QTabWidget(this);
    m_tabs = tabs;
    tabs->addTab(buildOutputPage(), QStringLiteral("出力"));
    m_readingPage = new ReadingPage;
    m_readingPage->setObjectName(QStringLiteral("readingPage"));
    tabs->addTab(m_readingPage, QStringLiteral("読み方"));
    tabs->addTab(buildAboutPage(), QStringLiteral("情報"));
    connect(m_readingPage, &ReadingPage::changed, this, &PropertySheet::refresh);

    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    m_applyButton = buttons->button(QDialogButtonBox::Apply);
    m_applyButton->setText(QStringLiteral("適用(&A)"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (apply())
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_applyButton, &QPushButton::clicked, this, &PropertySheet::apply);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
    connect(m_settings, &ServiceSettings::changed, this, &PropertySheet::refresh);
    revert();
}

QWidget* PropertySheet::buildOutputPage()
{
    auto* page = new QWidget;
    auto* balloonBox = new QGroupBox(QStringLiteral("吹き出し"), page);
    m_balloon = new QCheckBox(QStringLiteral("吹き出しを表示する(&B)"), balloonBox);
    m_balloon->setObjectName(QStringLiteral("balloonCheck"));
    m_fontName = new QLabel(balloonBox);
    m_fontName->setObjectName(QStringLiteral("fontName"));
    m_fontButton = new QPushButton(QStringLiteral("フォント(&F)..."), balloonBox);
    m_fontButton->setObjectName(QStringLiteral("fontButton"));
    auto* balloonLayout = new QGridLayout(balloonBox);
    balloonLayout->addWidget(m_balloon, 0, 0, 1, 3);
    balloonLayout->addWidget(new QLabel(QStringLiteral("フォント:"), balloonBox), 1, 0);
    balloonLayout->addWidget(m_fontName, 1, 1);
    balloonLayout->addWidget(m_fontButton, 1, 2);
    balloonLayout->setColumnStretch(1, 1);

    auto* speechBox = new QGroupBox(QStringLiteral("音声"), page);
    m_speech = new QCheckBox(QStringLiteral("音声で読み上げる(&S)"), speechBox);
    m_speech->setObjectName(QStringLiteral("speechCheck"));
    m_rate = new QSlider(Qt::Horizontal, speechBox);
    m_rate->setObjectName(QStringLiteral("rateSlider"));
    m_rate->setRange(ServiceOptions::SlowestRate, ServiceOptions::FastestRate);
    m_rate->setTickPosition(QSlider::TicksBelow);
    m_rate->setTickInterval(5);
    m_rate->setPageStep(2);
    m_pitch = new QSlider(Qt::Horizontal, speechBox);
    m_pitch->setObjectName(QStringLiteral("pitchSlider"));
    m_pitch->setRange(ServiceOptions::LowestPitch, ServiceOptions::HighestPitch);
    m_pitch->setTickPosition(QSlider::TicksBelow);
    m_pitch->setTickInterval(5);
    m_pitch->setPageStep(2);
    m_voicePicker = new VoicePicker(speechBox);
    m_voicePicker->setObjectName(QStringLiteral("voicePicker"));
    m_voicePicker->setPreviewSettings(
        [this] { return std::pair<int, int>(m_rate->value(), m_pitch->value()); });
    m_sounds = new QCheckBox(QStringLiteral("効果音を鳴らす(&E)"), speechBox);
    m_sounds->setObjectName(QStringLiteral("soundCheck"));
    m_engineStatus = new QLabel(speechBox);
    m_engineStatus->setObjectName(QStringLiteral("engineStatus"));
    m_engineStatus->setWordWrap(true);
    auto* speechLayout = new QGridLayout(speechBox);
    speechLayout->addWidget(m_speech, 0, 0, 1, 4);
    speechLayout->addWidget(new QLabel(QStringLiteral("読み上げの速さ:"), speechBox), 1, 0);
    speechLayout->addWidget(new QLabel(QStringLiteral("遅い"), speechBox), 1, 1);
    speechLayout->addWidget(m_rate, 1, 2);
    speechLayout->addWidget(new QLabel(QStringLiteral("速い"), speechBox), 1, 3);
    speechLayout->addWidget(new QLabel(QStringLiteral("声の高さ:"), speechBox), 2, 0);
    speechLayout->addWidget(new QLabel(QStringLiteral("低い"), speechBox), 2, 1);
    speechLayout->addWidget(m_pitch, 2, 2);
    speechLayout->addWidget(new QLabel(QStringLiteral("高い"), speechBox), 2, 3);
    speechLayout->addWidget(m_voicePicker, 3, 0, 1, 4);
    speechLayout->addWidget(new QLabel(QStringLiteral("日本語の音声:"), speechBox), 4, 0);
    speechLayout->addWidget(m_engineStatus, 4, 1, 1, 3);
    speechLayout->addWidget(m_sounds, 5, 0, 1, 4);
    speechLayout->setColumnStretch(2, 1);
    setSpeechEngineStatus(QStringLiteral("確認中..."));

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(balloonBox);
    layout->addWidget(speechBox);
    layout->addStretch();

    for (QCheckBox* box : {m_balloon, m_speech, m_sounds})
        connect(box, &QCheckBox::toggled, this, &PropertySheet::refresh);
    connect(m_rate, &QSlider::valueChanged, this, &PropertySheet::refresh);
    connect(m_pitch, &QSlider::valueChanged, this, &PropertySheet::refresh);
    connect(m_voicePicker, &VoicePicker::changed, this, &PropertySheet::refresh);
    connect(m_fontButton, &QPushButton::clicked, this, &PropertySheet::chooseFont);
    return page;
}

QWidget* PropertySheet::buildAboutPage()
{
    auto* page = new QWidget;
    m_engineName = new QLabel(page);
    m_engineName->setObjectName(QStringLiteral("engineName"));
    QFont title = m_engineName->font();
    title.setPointSizeF(title.pointSizeF() * 1.4);
    title.setBold(true);
    m_engineName->setFont(title);
    m_engineVersion = new QLabel(page);
    m_engineVersion->setObjectName(QStringLiteral("engineVersion"));
    auto* about = new QLabel(QStringLiteral("キャラクタを表示し、アニメーションさせ、"
                                            "その声で文章を読み上げます。"),
                             page);
    about->setWordWrap(true);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(m_engineName);
    layout->addWidget(m_engineVersion);
    layout->addSpacing(8);
    layout->addWidget(about);
    layout->addStretch();
    setEngineInfo(QStringLiteral("ClipVoice キャラクタ サービス"), QString());
    return page;
}

void PropertySheet::setSpeechEngineStatus(const QString& status)
{
    m_engineStatus->setText(status);
}

void PropertySheet::setVoiceDirectory(VoiceDirectory* directory)
{
    m_voicePicker->setDirectory(directory);
}

void PropertySheet::setLanguage(qint32 languageId)
{
    m_voicePicker->setLanguage(languageId);
    refresh();
}

void PropertySheet::setEngineInfo(const QString& name, const QString& version)
{
    m_engineName->setText(name);
    m_engineVersion->setText(version.isEmpty() ? QString()
                                               : QStringLiteral("バージョン %1").arg(version));
}

void PropertySheet::setDictionary(UserDictionary* dictionary)
{
    m_readingPage->setDictionary(dictionary);
    refresh();
}

void PropertySheet::setDictionaryLanguages(const QList<DictionaryLanguage>& languages)
{
    m_readingPage->setLanguages(languages);
}

ServiceOptions PropertySheet::pendingOptions() const
{
    ServiceOptions options = m_fontChoice;
    options.balloonEnabled = m_balloon->isChecked();
    options.speechEnabled = m_speech->isChecked();
    options.soundEffectsEnabled = m_sounds->isChecked();
    options.speechRate = m_rate->value();
    options.speechPitch = m_pitch->value();
    m_voicePicker->applyTo(options);
    options.readingRules = m_readingPage->rules();
    return options;
}

bool PropertySheet::apply()
{
    m_settings->setOptions(pendingOptions());
    const bool saved = m_readingPage->saveEntries();
    if (!saved)
        m_tabs->setCurrentWidget(m_readingPage);
    refresh();
    return saved;
}

void PropertySheet::revert()
{
    const ServiceOptions& options = m_settings->options();
    m_fontChoice = options;
    m_balloon->setChecked(options.balloonEnabled);
    m_speech->setChecked(options.speechEnabled);
    m_sounds->setChecked(options.soundEffectsEnabled);
    m_rate->setValue(options.speechRate);
    m_pitch->setValue(options.speechPitch);
    m_voicePicker->show(options);
    m_readingPage->showRules(options.readingRules);
    m_readingPage->revertEntries();
    refresh();
}

void PropertySheet::showEvent(QShowEvent* event)
{
    revert();
    QDialog::showEvent(event);
}

void PropertySheet::chooseFont()
{
    const BalloonStyle style = m_fontChoice.applyTo(BalloonStyle());
    const std::optional<QFont> font = m_chooseFont(style.font(QStringLiteral("あ")), this);
    if (!font)
        return;
    m_fontChoice.balloonFontFamily = font->family();
    m_fontChoice.balloonFontSize =
        std::clamp(font->pointSize(), ServiceOptions::SmallestFont, ServiceOptions::LargestFont);
    m_fontChoice.balloonFontBold = font->bold();
    m_fontChoice.balloonFontItalic = font->italic();
    refresh();
}

void PropertySheet::refresh()
{
    m_fontName->setText(describeFont(m_fontChoice));
    m_fontButton->setEnabled(m_balloon->isChecked());
    m_rate->setEnabled(m_speech->isChecked());
    m_pitch->setEnabled(m_speech->isChecked());
    m_applyButton->setEnabled(pendingOptions() != m_settings->options() ||
                              m_readingPage->entriesChanged());
}

} // namespace clipvoice::agent::ui
