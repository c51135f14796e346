#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

#include "agent/reading/LineReading.h"
#include "agent/voice/LineStream.h"
#include "agent/voice/VoiceCatalog.h"

// Synthesises a whole line into a LineStream: rewrites it as it is to be read,
// cuts it into pieces the engine
// takes, converts the audio to OutputSampleRate and moves each piece's timing
// to its place in the line. Falls back to espeak-ng for a piece the first
// engine fails on.
namespace clipvoice::agent::voice {

struct LineRequest
{
    QString text;
    qint32 language = 0;
    int speed = 50;
    int pitch = 50;
    // The voice chosen for the language (VoiceInfo::key()); empty for none.
    QString voice;
    // How the line is to be read (reading rules and pronunciation dictionary);
    // null to say it as it is written. Word timings still point into `text`.
    std::shared_ptr<const reading::LineReading> reading;
};

class LineSynthesis
{
public:
    // Runs on the calling thread until the line is done or `cancel` is set.
    static void run(const VoiceCatalog& catalog, const LineRequest& request, LineStream& stream,
                    const std::atomic_bool& cancel);

    // Posts run() to the synthesis thread.
    static void start(std::shared_ptr<const VoiceCatalog> catalog, LineRequest request,
                      std::shared_ptr<LineStream> stream, CancelFlag cancel);
};

} // namespace clipvoice::agent::voice
