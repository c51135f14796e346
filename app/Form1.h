#pragma once

#include "app/ImageList.h"
#include "app/WindowDrag.h"
#include "catalogue/CharacterLoading.h"
#include "platform/PlatformServices.h"
#include "platform/agent/AgentService.h"
#include "speech/SpeakFeed.h"

#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace clipvoice::catalogue {
class CatalogueTree;
}

namespace clipvoice::platform {
class WebPane;
}

namespace clipvoice::agent::timing {
class Scheduler;
}

namespace clipvoice::speech {
class SelectionWatcher;
}

namespace clipvoice::app {

class HotSpotLabel;
class LanguageKeeper;

// How start-up ended when it did not fail.
enum class StartupOutcome
{
    Started,           // the window may be shown
    RefusedSecondCopy, // another copy runs; this one must end at once
};

// The main window: a skinned, borderless window that holds every control and
// all the program's state. Controls carry their names as object names, so they
// can be found by name (Timer1, Check1, TreeView1, ...).
class Form1 final : public QWidget
{
    Q_OBJECT

public:
    // The selection is watched on `scheduler`'s clock, which must outlive the
    // window; without one the window keeps Qt timers of its own.
    explicit Form1(const platform::PlatformServices& services,
                   agent::timing::Scheduler* scheduler = nullptr, QWidget* parent = nullptr);
    ~Form1() override;

    // The start-up sequence, run once before the window is first shown. Throws
    // StartupError when a step fails.
    StartupOutcome load();

    // How long a window started in the tray waits for a notification area
    // before it is shown after all (one may appear late at login).
    static constexpr qint64 kTrayWaitMs = 10000;

    // After load(), instead of show(): the window stays hidden, in the tray,
    // until the icon is pressed. Without a notification area it is shown
    // once kTrayWaitMs pass with none appearing, on the scheduler's clock;
    // the scheduler must outlive the window.
    void startInTray(agent::timing::Scheduler& scheduler);

    const ImageList& imageList1() const { return m_imageList1; }
    const ImageList& imageList2() const { return m_imageList2; }

    // The loaded character; empty until the first successful load.
    const platform::agent::CharacterPtr& currentCharacter() const
    {
        return m_loaded.CurrentCharacter;
    }
    bool isCharacterLoaded() const { return m_loaded.isLoaded; }
    // Whether the primary selection is being watched now.
    bool isWatchingSelection() const;
    const platform::agent::RequestPtr& lastRequest() const { return LastRequest; }
    const WindowDrag& drag() const { return m_drag; }

    // Procedures of the window, also reached through its controls.
    void SpeakText(const QString& text);
    void LoadCharacter(const QString& key);

    // The command added to each loaded character's pop-up menu that saves
    // what the text box holds, spoken, to a sound file.
    static QString saveSpeechCommandName() { return QStringLiteral("SaveSpeech"); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Construction (Form1.cpp).
    void createControls();
    void placeControls();
    void applyTabOrder();
    void connectControls();
    QWidget* control(const char* name) const;

    // Start-up steps, in the order load() runs them (Form1Startup.cpp).
    bool claimSingleInstance();
    void addTrayIcon();
    void buildCatalogueTree();
    void fillLanguagePicker();
    void restoreLanguage();
    void restoreSelectionOption();
    void navigateHomePage();
    // The end of startInTray()'s wait (Form1Startup.cpp).
    void showUnlessTrayAppeared();

    // Commands and events (Form1Commands.cpp).
    void hideToTray();
    void quit();
    void speakTextBox();
    void stopSpeaking();
    void clearTextBox();
    void showOrHideBrowserPane();
    void switchClipboardWatching();
    void readClipboard();
    void restoreFromTray();
    void showStartAtLogin();
    void switchStartAtLogin(int option, bool on);
    void showReadSelection();
    void switchReadSelection(int option, bool on);
    void updateSelectionWatching();
    void onNodeClick(QTreeWidgetItem* node);
    void onAgentCommand(const platform::agent::AgentUserInput& input);
    void saveTextBoxSpeech();
    static int checkValue(const QCheckBox* box);

    // Ending (Form1Ending.cpp). At an end the user cannot watch (log-out, a
    // signal, a lost display) a failed save is only logged; when the window
    // closes it is shown.
    void connectSessionEvents();
    void endOnRequest();
    void saveLanguageOnClose();

    platform::PlatformServices m_services;
    QPixmap m_background;
    ImageList m_imageList1;
    ImageList m_imageList2;
    std::unique_ptr<catalogue::CatalogueTree> m_catalogue;

    catalogue::LoadedCharacter m_loaded;
    platform::agent::RequestPtr LastRequest;
    speech::SpeakFeed m_speakFeed;   // after LastRequest, which its jobs write to
    bool m_readingClipboard = false; // a tick's read is under way
    bool m_started = false;          // start-up has completed
    std::shared_ptr<LanguageKeeper> m_language;
    WindowDrag m_drag;
    int m_startAtLoginOption = -1;  // the tray menu's option, once added
    int m_readSelectionOption = -1; // the tray menu's option, once added
    bool m_readSelection = false;   // the user's choice, whether or not it can be done
    std::unique_ptr<agent::timing::Scheduler> m_ownScheduler; // when none was given
    std::unique_ptr<speech::SelectionWatcher> m_selection;    // after the scheduler it uses
    agent::timing::Scheduler* m_trayWaitScheduler = nullptr;
    quint64 m_trayWait = 0; // the scheduled end of the wait for a tray
    QString m_saveFolder;   // where speech was last saved to; empty at first

    QComboBox* ImageCombo1 = nullptr;
    QCheckBox* Check3 = nullptr;
    QCheckBox* Check2 = nullptr;
    QCheckBox* Check1 = nullptr;
    QLabel* Picture1 = nullptr;
    HotSpotLabel* Label5 = nullptr;
    HotSpotLabel* Label4 = nullptr;
    HotSpotLabel* Label3 = nullptr;
    QPlainTextEdit* Text1 = nullptr;
    platform::WebPane* WebBrowser1 = nullptr;
    QTreeWidget* TreeView1 = nullptr;
    QListWidget* File1 = nullptr;
    QTimer* Timer1 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label6 = nullptr;
    HotSpotLabel* Label2 = nullptr;
    HotSpotLabel* Label1 = nullptr;
};

} // namespace clipvoice::app
