#pragma once

#include <QLoggingCategory>

// Log category of the character file reader.
namespace clipvoice::agent::acs {

Q_DECLARE_LOGGING_CATEGORY(lcAcs)

} // namespace clipvoice::agent::acs
