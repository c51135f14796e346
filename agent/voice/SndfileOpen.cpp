#include "agent/voice/SndfileOpen.h"

#include <mutex>

namespace clipvoice::agent::voice {

SNDFILE* openSndfile(const std::function<SNDFILE*()>& open, QString* error)
{
    static std::mutex openMutex;
    const std::lock_guard lock(openMutex);
    SNDFILE* file = open();
    if (!file && error)
        *error = QString::fromLocal8Bit(sf_strerror(nullptr));
    return file;
}

} // namespace clipvoice::agent::voice
