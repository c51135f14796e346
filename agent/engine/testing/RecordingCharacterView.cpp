#include "agent/engine/testing/RecordingCharacterView.h"

namespace clipvoice::agent::engine::testing {

void RecordingCharacterView::showFrame(const QImage& frame)
{
    QString key = frame.text(QStringLiteral("frame"));
    if (key.isEmpty())
        key = QStringLiteral("%1x%2").arg(frame.width()).arg(frame.height());
    m_log->add(QStringLiteral("frame ") + key);
}

void RecordingCharacterView::setVisible(bool visible)
{
    m_log->add(visible ? QStringLiteral("view shown") : QStringLiteral("view hidden"));
}

void RecordingCharacterView::setCommands(const QList<CommandEntry>& commands)
{
    QStringList names;
    for (const CommandEntry& command : commands)
        names.append(command.name);
    m_log->add(QStringLiteral("commands ") + names.join(u','));
}

} // namespace clipvoice::agent::engine::testing
