#pragma once

#include <QLoggingCategory>

// Log category of the voice layer: which engines were found, and why one
// was left out.
namespace clipvoice::agent::voice {

Q_DECLARE_LOGGING_CATEGORY(lcVoice)

} // namespace clipvoice::agent::voice
