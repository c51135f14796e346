#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>

class QMenu;
class QWidget;

namespace clipvoice::agent::ui {

// A command the program put on the character's menu.
struct MenuCommand
{
    QString name;    // reported back when chosen
    QString caption; // shown; '&' marks the access key
    bool enabled = true;
    bool visible = true;
};

// The character's pop-up menu: the program's commands in the order given, a
// separator, then the service's own entries to hide the character and to open
// its options.
class CharacterMenu : public QObject
{
    Q_OBJECT

public:
    explicit CharacterMenu(QObject* parent = nullptr);

    void setCommands(const QList<MenuCommand>& commands);
    QList<MenuCommand> commands() const { return m_commands; }

    // Fills `menu` (after clearing it); its actions report through this
    // object's signals.
    void populate(QMenu* menu);
    // Builds the menu and pops it up at `globalPos`; it deletes itself once closed.
    QMenu* popup(QPoint globalPos, QWidget* parent = nullptr);

    static QString hideCaption();
    static QString optionsCaption();

signals:
    void commandChosen(const QString& name);
    void hideChosen();
    void optionsChosen();

private:
    QList<MenuCommand> m_commands;
};

} // namespace clipvoice::agent::ui
