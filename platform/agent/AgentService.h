#pragma once

#include "platform/agent/AgentResult.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace clipvoice::platform::agent {

// The state of a request the service performs for a character.
enum class RequestStatus
{
    Pending,     // queued, not started
    InProgress,  // being performed
    Done,        // completed
    Interrupted, // dropped by Stop, or by the character's unload
    Failed,      // could not be performed (for example an unknown animation)
};

// A queued request of a character. The program releases these at once, except
// the request of its most recent speech.
class AgentRequest
{
public:
    virtual ~AgentRequest() = default;
    virtual RequestStatus status() const = 0;
};

using RequestPtr = std::shared_ptr<AgentRequest>;

// A command added to a character's pop-up menu.
class AgentCommand
{
public:
    virtual ~AgentCommand() = default;
    virtual QString name() const = 0;
    virtual QString caption() const = 0;
};

using CommandPtr = std::shared_ptr<AgentCommand>;

// A loaded character. Show, Hide, Play, Speak and Think return at once; the
// service performs one character's requests in the order issued, so a Hide
// issued after a Speak takes effect when the speech has ended. Every call on a
// character that has been unloaded fails.
class AgentCharacter
{
public:
    virtual ~AgentCharacter() = default;

    // Commands.Add. Voice, enabled and visible may be omitted: the command is
    // then not spoken, enabled, and listed in the pop-up menu.
    virtual AgentResult<CommandPtr> addCommand(const QString& name, const QString& caption,
                                               const std::optional<QString>& voice = std::nullopt,
                                               std::optional<bool> enabled = std::nullopt,
                                               std::optional<bool> visible = std::nullopt) = 0;

    // Fast omitted plays the character's showing or hiding animation.
    virtual AgentResult<RequestPtr> show(std::optional<bool> fast = std::nullopt) = 0;
    virtual AgentResult<RequestPtr> hide(std::optional<bool> fast = std::nullopt) = 0;

    // True while the character is on screen.
    virtual AgentResult<bool> visible() const = 0;

    virtual AgentResult<RequestPtr> play(const QString& animation) = 0;
    virtual AgentResult<RequestPtr> speak(const QString& text,
                                          const std::optional<QString>& url = std::nullopt) = 0;
    // Shows the text in a thought balloon, without speech.
    virtual AgentResult<RequestPtr> think(const QString& text) = 0;

    // Says the text into a sound file at `path` (WAV or Ogg Vorbis, by its
    // extension) with the character's language and voice, line by line as
    // speech would, without playing it. The save runs beside the character's
    // other requests; it shows its own progress and failure, and its request
    // ends Done once the file is complete, Interrupted when the user (or
    // Stop with this request) cancelled it, Failed when it could not be made.
    // An existing file at `path` is replaced only by a complete one.
    virtual AgentResult<RequestPtr> saveSpeech(const QString& text, const QString& path) = 0;

    // Stops the given request, or with none every request of the character:
    // the one being performed and all queued ones.
    virtual AgentStatus stop(const RequestPtr& request = nullptr) = 0;

    // The language of later speech, as a Windows language identifier.
    virtual AgentStatus setLanguageId(qint32 languageId) = 0;
};

using CharacterPtr = std::shared_ptr<AgentCharacter>;

// The collection of loaded characters, each under an id of the program's choice.
class AgentCharacters
{
public:
    virtual ~AgentCharacters() = default;

    // Unloads the character under the id; the call fails when none is loaded.
    virtual AgentStatus unload(const QString& characterId) = 0;
    // Loads a character file under the id; a bare file name is looked up in the
    // character folder. The character is loaded when the call returns.
    virtual AgentResult<RequestPtr> load(const QString& characterId, const QString& file) = 0;
    virtual AgentResult<CharacterPtr> item(const QString& characterId) = 0;
};

// What the user chose from a character's pop-up menu.
struct AgentUserInput
{
    QString name;        // the chosen command's name
    QString characterId; // the character whose menu it was
};

// The character service as the program sees it.
class AgentService : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual AgentCharacters& characters() = 0;

    // Opens (true) or closes the service's property sheet.
    virtual AgentStatus setPropertySheetVisible(bool visible) = 0;

signals:
    // The user chose a command the program added to a character's menu.
    void command(const clipvoice::platform::agent::AgentUserInput& input);
};

} // namespace clipvoice::platform::agent
