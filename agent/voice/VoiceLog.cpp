#include "agent/voice/VoiceLog.h"

namespace clipvoice::agent::voice {

Q_LOGGING_CATEGORY(lcVoice, "clipvoice.voice")

} // namespace clipvoice::agent::voice
