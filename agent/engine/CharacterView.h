#pragma once

#include <QImage>
#include <QList>
#include <QString>

namespace clipvoice::agent::engine {

// A command of a character's pop-up menu, as the program added it.
struct CommandEntry
{
    QString name;
    QString caption;
    bool enabled = true;
    bool visible = true; // listed in the menu

    bool operator==(const CommandEntry&) const = default;
};

// The window a character appears in. The engine calls it on the thread the
// engine runs on; none of these calls may call back into the engine.
class CharacterView
{
public:
    virtual ~CharacterView() = default;

    // The image to show from now on: premultiplied ARGB at the character's size;
    // transparent pixels are not part of the character. May be null (show nothing).
    virtual void showFrame(const QImage& frame) = 0;
    virtual void setVisible(bool visible) = 0;
    // The commands of the pop-up menu, every time they change. Choosing one is
    // reported through EngineAgentService::chooseCommand().
    virtual void setCommands(const QList<CommandEntry>& commands) = 0;
};

} // namespace clipvoice::agent::engine
