// What the main window does when the user acts: the five hot spots, the
// option boxes, the clipboard timer, the tree, the tray icon, the character's
// menu, dragging and closing.

#include "app/Form1.h"

#include "app/AppLogging.h"
#include "app/HotSpotLabel.h"
#include "app/SelectionSetting.h"
#include "app/UiTexts.h"
#include "catalogue/CatalogueTree.h"
#include "platform/Autostart.h"
#include "platform/Clipboard.h"
#include "platform/Dialogs.h"
#include "platform/SettingsStore.h"
#include "platform/TrayIcon.h"
#include "platform/WebPane.h"
#include "speech/ClipboardWatcher.h"
#include "speech/SelectionWatcher.h"
#include "speech/SpeakPipeline.h"
#include "speech/SpeechLanguages.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTimer>
#include <QWindow>

namespace clipvoice::app {

int Form1::checkValue(const QCheckBox* box)
{
    switch (box->checkState()) {
    case Qt::Unchecked:
        return 0;
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    }
    return 0;
}

void Form1::SpeakText(const QString& text)
{
    speech::SpeakContext context;
    context.character = m_loaded.CurrentCharacter;
    context.gestureOption = checkValue(Check2);
    if (ImageCombo1->currentIndex() >= 0)
        context.selectedLanguage = ImageCombo1->currentIndex() + 1;
    context.random = m_services.random;
    context.lastRequest = &LastRequest;
    m_speakFeed.speak(text, context);
}

void Form1::LoadCharacter(const QString& key)
{
    // A root or a placeholder loads nothing and leaves the speech alone.
    if (!catalogue::isCharacterKey(key))
        return;
    // Lines of a long text not yet handed to the old character go with it.
    m_speakFeed.cancel();
    catalogue::LoadCharacter(key, *m_services.agent, m_loaded, *m_services.random);
    if (m_loaded.isLoaded)
        (void)m_loaded.CurrentCharacter->addCommand(saveSpeechCommandName(),
                                                    texts::saveSpeechCaption());
}

void Form1::onNodeClick(QTreeWidgetItem* node)
{
    LoadCharacter(catalogue::CatalogueTree::keyOf(node));
}

void Form1::onAgentCommand(const platform::agent::AgentUserInput& input)
{
    if (input.name == saveSpeechCommandName())
        saveTextBoxSpeech();
    else
        catalogue::answerCommand(input, *m_services.agent);
}

void Form1::saveTextBoxSpeech()
{
    const platform::agent::CharacterPtr character = m_loaded.CurrentCharacter;
    if (!m_loaded.isLoaded || !character)
        return;
    // The text as it is when the command is chosen.
    const QString text = Text1->toPlainText();
    if (text.trimmed().isEmpty()) {
        m_services.dialogs->information(texts::saveSpeechTitle(), texts::nothingToSave());
        return;
    }
    const std::optional<platform::SaveTarget> target =
        m_services.dialogs->saveAudioFile(texts::saveSpeechTitle(), m_saveFolder);
    if (!target)
        return;
    m_saveFolder = QFileInfo(target->path).absolutePath();
    // The service shows the save's progress and any failure of its own; only
    // a save that could not start is reported here.
    const auto notStarted = [this](const QString& reason) {
        qCWarning(lcApp).noquote() << "speech was not saved:" << reason;
        m_services.dialogs->error(texts::saveSpeechTitle(),
                                  texts::saveNotStarted() + QStringLiteral("\n\n") + reason);
    };
    // In the language speaking would use now: the one chosen in the picker.
    // Speech in another language than the one chosen would be no use.
    if (ImageCombo1->currentIndex() >= 0) {
        if (const std::optional<qint32> lcid =
                speech::LanguageIdForIndex(ImageCombo1->currentIndex() + 1)) {
            const platform::agent::AgentStatus language = character->setLanguageId(*lcid);
            if (!language.ok()) {
                notStarted(language.error());
                return;
            }
        }
    }
    const platform::agent::AgentResult<platform::agent::RequestPtr> save =
        character->saveSpeech(text, target->path);
    if (!save.ok())
        notStarted(save.error());
}

void Form1::hideToTray()
{
    // Without a notification area there would be no way back to a hidden
    // window, so it is minimised instead.
    if (m_services.tray != nullptr && m_services.tray->isAvailable())
        setVisible(false);
    else
        showMinimized();
}

void Form1::quit()
{
    if (m_services.tray != nullptr)
        m_services.tray->remove();
    close();
}

void Form1::speakTextBox()
{
    // The text box separates lines with a line feed; speech splits at CR LF,
    // the line break of typed text.
    QString text = Text1->toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    SpeakText(text);
}

void Form1::stopSpeaking()
{
    // Lines of a long text not yet handed over are dropped with the rest.
    m_speakFeed.cancel();
    // Each step may fail (no character loaded); the next one runs all the same.
    if (const platform::agent::CharacterPtr& character = m_loaded.CurrentCharacter) {
        (void)character->stop();
        (void)character->think(QStringLiteral("oops!"));
    }
}

void Form1::clearTextBox()
{
    Text1->setPlainText(QString());
}

void Form1::showOrHideBrowserPane()
{
    WebBrowser1->widget()->setVisible(checkValue(Check3) == 1);
}

void Form1::switchClipboardWatching()
{
    if (checkValue(Check1) == 1)
        Timer1->start();
    else
        Timer1->stop();
    updateSelectionWatching();
}

bool Form1::isWatchingSelection() const
{
    return m_selection != nullptr && m_selection->isWatching();
}

void Form1::updateSelectionWatching()
{
    // The selection is watched with the clipboard, when the user asked for it
    // and the desktop has one.
    if (m_selection != nullptr)
        m_selection->setWatching(m_started && m_readSelection && Timer1->isActive() &&
                                 m_services.clipboard->supportsSelection());
}

void Form1::readClipboard()
{
    // While no character is loaded the clipboard is left alone. A large text
    // may take the clipboard a while to hand over; ticks meanwhile are skipped.
    if (!m_loaded.isLoaded || m_readingClipboard)
        return;
    m_readingClipboard = true;
    m_services.clipboard->readText(
        [this, alive = QPointer<Form1>(this)](const platform::ClipboardRead& read) {
            if (!alive)
                return;
            m_readingClipboard = false;
            // Watching switched off while the text was read: the clipboard
            // is left alone, as it is for every tick after.
            if (!Timer1->isActive())
                return;
            // A text just spoken as the selection and then copied is taken
            // from the clipboard but not spoken a second time.
            speech::takeClipboardText(
                *m_services.clipboard, m_loaded.isLoaded, read, [this](const QString& taken) {
                    if (m_selection == nullptr || !m_selection->takeCopied(taken))
                        SpeakText(taken);
                });
        });
}

void Form1::restoreFromTray()
{
    // While start-up is still under way, or its failure is being reported,
    // there is no window to bring back.
    if (!m_started)
        return;
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    setVisible(true);
    raise();
    activateWindow();
}

void Form1::showStartAtLogin()
{
    // Read at every opening: the user may have removed the entry by hand.
    if (m_startAtLoginOption >= 0)
        m_services.tray->setMenuOptionChecked(m_startAtLoginOption,
                                              m_services.autostart->isEnabled());
}

void Form1::switchStartAtLogin(int option, bool on)
{
    if (option != m_startAtLoginOption)
        return;
    if (const std::optional<QString> error = m_services.autostart->setEnabled(on)) {
        qCWarning(lcApp).noquote() << "start at login was not switched:" << *error;
        m_services.dialogs->error(texts::applicationTitle(), texts::startAtLoginNotChanged() +
                                                                 QStringLiteral("\n\n") + *error);
    }
    // The check mark shows what is so, whether or not the change was made.
    showStartAtLogin();
}

void Form1::showReadSelection()
{
    if (m_readSelectionOption >= 0)
        m_services.tray->setMenuOptionChecked(m_readSelectionOption, m_readSelection);
}

void Form1::switchReadSelection(int option, bool on)
{
    if (option != m_readSelectionOption)
        return;
    m_readSelection = on;
    updateSelectionWatching();
    // The choice holds for this run even when it cannot be kept for the next.
    if (!saveReadsSelection(*m_services.settings, on)) {
        const QString error = m_services.settings->error();
        qCWarning(lcApp).noquote() << "the choice to speak selected text was not stored:" << error;
        m_services.dialogs->error(texts::applicationTitle(),
                                  texts::readSelectionNotStored() + QStringLiteral("\n\n") + error);
    }
    showReadSelection();
}

void Form1::closeEvent(QCloseEvent* event)
{
    saveLanguageOnClose();
    event->accept();
    QCoreApplication::quit();
}

void Form1::mousePressEvent(QMouseEvent* event)
{
    // Where the window system does not let programs place windows (Wayland),
    // it moves the window itself.
    if (event->button() == Qt::LeftButton && windowHandle() != nullptr &&
        QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        windowHandle()->startSystemMove();
        return;
    }
    m_drag.press(event->button() == Qt::LeftButton, event->position().toPoint());
}

void Form1::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint topLeft = m_drag.move(pos(), event->position().toPoint());
    if (topLeft != pos())
        move(topLeft);
}

void Form1::mouseReleaseEvent(QMouseEvent*)
{
    m_drag.release();
}

} // namespace clipvoice::app
