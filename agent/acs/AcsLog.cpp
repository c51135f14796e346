#include "AcsLog.h"

namespace clipvoice::agent::acs {

Q_LOGGING_CATEGORY(lcAcs, "clipvoice.acs")

} // namespace clipvoice::agent::acs
