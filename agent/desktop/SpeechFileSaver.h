#pragma once

#include "agent/engine/SpeechFileOutput.h"
#include "agent/voice/LineSynthesis.h"
#include "agent/voice/SpeechFileWriter.h"
#include "agent/voice/VoiceCatalog.h"

#include <QMap>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

namespace clipvoice::agent::ui {
class SaveProgressDialog;
}

namespace clipvoice::agent::desktop {

// A character's saves to sound files: each runs on a thread of its own with a
// progress dialog the user can cancel (shown only when the save takes a
// while), and a failure is shown in a message box that blocks no window.
class SpeechFileSaver final : public engine::SpeechFileOutput
{
public:
    // The request the character's voice would make for a line now.
    using RequestFor = std::function<voice::LineRequest(const QString& line, qint32 languageId)>;
    using Trace = std::function<void(const QString& line)>;

    SpeechFileSaver(std::shared_ptr<const voice::VoiceCatalog> catalog, RequestFor requestFor,
                    Trace trace = {});
    ~SpeechFileSaver() override;

    quint64 save(const QString& text, qint32 languageId, const QString& path,
                 Finished finished) override;
    void cancel(quint64 save) override;

    // The progress dialog of a save under way, or null.
    ui::SaveProgressDialog* dialog(quint64 save) const;

    // What the user is told when a save fails.
    static QString failureText(const voice::SpeechFileWriter::Result& result, const QString& path);

private:
    struct Running
    {
        voice::SpeechFileJob* job = nullptr;
        QPointer<ui::SaveProgressDialog> dialog;
        Finished finished;
    };

    void ended(quint64 save, const voice::SpeechFileWriter::Result& result);
    static void release(Running& running);

    std::shared_ptr<const voice::VoiceCatalog> m_catalog;
    RequestFor m_requestFor;
    Trace m_trace;
    QObject m_connections;
    QMap<quint64, Running> m_running;
    quint64 m_lastSave = 0;
};

} // namespace clipvoice::agent::desktop
