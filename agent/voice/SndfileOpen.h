#pragma once

#include <QString>

#include <sndfile.h>

#include <functional>

// Opening a libsndfile handle from any thread with the reason it failed.
// libsndfile keeps that reason in one variable for the whole process, so two
// opens failing at once on different threads could report each other's.
namespace clipvoice::agent::voice {

// Runs `open` (a call of one of libsndfile's sf_open functions) while no
// other thread opens through here. Returns its handle, or null with
// libsndfile's reason in `error`.
SNDFILE* openSndfile(const std::function<SNDFILE*()>& open, QString* error);

} // namespace clipvoice::agent::voice
