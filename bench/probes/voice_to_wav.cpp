// Says a line with one voice into a 16 kHz WAV file, the form a speech
// recogniser takes, through the same path as the program (the line is cut
// into pieces, each spoken by the chosen voice). Used by
// bench/voice_quality.py.
//
//   voice_to_wav --list LCID             the voices for a language, one key a line
//   voice_to_wav KEY LCID TEXT OUT.wav   KEY as in --list ("RHVoice/Slt")

#include "agent/voice/LineStream.h"
#include "agent/voice/LineSynthesis.h"
#include "agent/voice/PcmAudio.h"
#include "agent/voice/VoiceCatalog.h"

#include <QCoreApplication>
#include <QFile>

#include <atomic>
#include <cstdio>

using namespace clipvoice::agent::voice;

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    const auto catalog = VoiceCatalog::system();
    if (args.size() == 3 && args.at(1) == QLatin1String("--list")) {
        for (const VoiceInfo& voice : catalog->voicesFor(args.at(2).toInt()))
            std::printf("%s\n", qUtf8Printable(voice.key()));
        return 0;
    }
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: voice_to_wav --list LCID | KEY LCID TEXT OUT.wav\n");
        return 2;
    }
    const qint32 lcid = args.at(2).toInt();
    const VoiceSelection selection = catalog->select(lcid, args.at(1));
    if (selection.engine == nullptr || selection.fellBack) {
        std::fprintf(stderr, "voice_to_wav: no voice %s for %d\n", qUtf8Printable(args.at(1)),
                     lcid);
        return 1;
    }
    LineStream stream;
    std::atomic_bool cancel = false;
    LineRequest request;
    request.text = args.at(3);
    request.language = lcid;
    request.voice = args.at(1);
    // The whole line is made before it is written: room for a minute of speech.
    QByteArray audio;
    LineSynthesis::run(*catalog, request, stream, cancel);
    for (;;) {
        LineStream::Update update = stream.take(qsizetype(1) << 30);
        audio.append(update.audio);
        if (update.finished) {
            if (!update.ok) {
                std::fprintf(stderr, "voice_to_wav: %s\n", qUtf8Printable(update.error));
                return 1;
            }
            break;
        }
    }
    constexpr int RecogniserRate = 16000;
    Resampler resampler(OutputSampleRate, RecogniserRate);
    const QByteArray pcm = resampler.process(audio);
    QFile out(args.at(4));
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(WavCodec::header(pcm.size(), RecogniserRate) + pcm) < 0) {
        std::fprintf(stderr, "voice_to_wav: cannot write %s\n", qUtf8Printable(args.at(4)));
        return 1;
    }
    return 0;
}
