#pragma once

#include "agent/acs/Character.h"
#include "agent/ui/BalloonStyle.h"

#include <optional>

namespace clipvoice::agent::desktop {

// The balloon style a character file asks for. A font height in the file is
// in pixels (negative: character height); the style takes points at 96 dpi.
ui::BalloonStyle balloonStyleFor(const std::optional<acs::BalloonInfo>& balloon);

} // namespace clipvoice::agent::desktop
