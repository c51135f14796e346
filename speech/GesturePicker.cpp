#include "speech/GesturePicker.h"

#include "platform/agent/RandomSource.h"

#include <algorithm>
#include <cmath>

namespace clipvoice::speech {

QString gestureForDraw(float r)
{
    const auto count = static_cast<double>(kGestures.size());
    // A generator outside [0, 1) would be a fault of its own; stay in the list anyway.
    const double scaled = r >= 0.0f ? std::floor(static_cast<double>(r) * count) : 0.0;
    const auto position = static_cast<std::size_t>(std::clamp(scaled, 0.0, count - 1.0));
    return QString::fromLatin1(kGestures[position]);
}

void PlayRandomGesture(const platform::agent::CharacterPtr& character,
                       platform::RandomSource& random)
{
    const QString gesture = gestureForDraw(random.next());
    if (!character)
        return;
    (void)character->play(gesture);
}

} // namespace clipvoice::speech
