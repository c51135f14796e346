#pragma once

#include "platform/agent/AgentCallFormat.h"
#include "platform/agent/AgentService.h"

#include <QHash>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace clipvoice::platform::agent {

// A command as added to a character's menu, with the omitted parts filled in.
struct HeadlessCommandEntry
{
    QString name;
    QString caption;
    std::optional<QString> voice;
    bool enabled = true;
    bool visible = true;
};

// What a loaded character of the headless service looks like from outside.
struct HeadlessCharacterState
{
    QString file;          // the file it was loaded from, after resolving
    bool visible = false;  // set by Show and Hide
    qint32 languageId = 0; // 0 until LanguageID is set
    QList<HeadlessCommandEntry> commands;
    // Show, Hide, Play, Speak, Think and SaveSpeech in the order performed
    QList<AgentCall> requests;
};

// The character service without window or sound. Every request is performed at
// once, in the order issued, and reports Done; Show and Hide change the visible
// state; Play, Speak, Think and SaveSpeech always succeed (SaveSpeech writes
// no file).
//
// Characters.Load looks a relative file name up in the character folder and
// takes an absolute path as it is; the file must be a readable regular file
// starting with the character-file signature C3 AB CD AB, or with the
// compound-file signature of older (1.5) character files.
class HeadlessAgentService final : public AgentService
{
public:
    explicit HeadlessAgentService(QString characterFolder = {}, QObject* parent = nullptr);
    ~HeadlessAgentService() override;

    AgentCharacters& characters() override;
    AgentStatus setPropertySheetVisible(bool visible) override;

    QString characterFolder() const;
    void setCharacterFolder(const QString& folder);
    // With the check off any file name loads, whether or not the file exists
    // (for test doubles and demonstrations). On by default.
    void setCharacterFileCheck(bool enabled);

    // The status every request of this service reports, those handed out
    // before included: Done by default, as requests are performed at once.
    // Doubles set another to model a character still busy with its requests.
    void setRequestStatus(RequestStatus status);

    // The path Characters.Load would open for the file name.
    QString resolve(const QString& file) const;
    // Fails with a message naming the file and what is wrong with it.
    static AgentStatus checkCharacterFile(const QString& path);

    // Raises the Command event as if the user had chosen the command from the
    // character's menu; fails when no character is loaded under the id or it has
    // no enabled command of that name.
    AgentStatus chooseCommand(const QString& characterId, const QString& name);

    // The character loaded under the id, if any.
    std::optional<HeadlessCharacterState> character(const QString& characterId) const;
    bool propertySheetVisible() const { return m_propertySheetVisible; }

private:
    class Characters;

    std::unique_ptr<Characters> m_characters;
    bool m_propertySheetVisible = false;
};

} // namespace clipvoice::platform::agent
