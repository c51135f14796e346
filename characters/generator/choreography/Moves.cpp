#include "AnimationGroups.h"
#include "PoseFields.h"

namespace clipvoice::characters {

void addMoves(Choreographer& c)
{
    const Pose& r = c.rest();
    // Leans into the direction of travel and bobs until the move ends.
    const struct
    {
        const char16_t* name;
        PoseChange lean;
    } moves[] = {
        {u"MoveLeft", {.tilt = -12, .armL = 40, .armR = 55, .lookX = -1, .tail = 15}},
        {u"MoveRight", {.tilt = 12, .armL = 55, .armR = 40, .lookX = 1, .tail = -15}},
        {u"MoveUp", {.squash = -0.1, .armL = 130, .armR = 130, .lookY = -1}},
        {u"MoveDown", {.squash = 0.06, .armL = 95, .armR = 95, .lookY = 1}},
    };
    for (const auto& move : moves) {
        const Pose lean = with(r, move.lean);
        Track t(move.name, r);
        t.to(lean, 3, 8);
        const int first = t.size();
        t.to(with(lean, {.y = -2}), 2, 10, Easing::Linear);
        t.to(lean, 2, 10, Easing::Linear);
        t.repeatFrom(first, 100);
        t.to(r, 3, 8);
        c.add(t);
    }
}

} // namespace clipvoice::characters
