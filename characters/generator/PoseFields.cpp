#include "PoseFields.h"

namespace clipvoice::characters {

Pose with(Pose base, const PoseChange& change)
{
    for (const AnyPoseField& any : kPoseFields)
        std::visit(
            [&](const auto& field) {
                if (const auto& value = change.*field.change)
                    base.*field.pose = *value;
            },
            any);
    return base;
}

Pose mix(const Pose& a, const Pose& b, qreal t)
{
    Pose p;
    for (const AnyPoseField& any : kPoseFields)
        std::visit(
            [&](const auto& field) {
                const auto from = a.*field.pose;
                const auto to = b.*field.pose;
                if constexpr (std::is_floating_point_v<decltype(from)>)
                    p.*field.pose = from + (to - from) * t;
                else
                    p.*field.pose = t < 0.5 ? from : to;
            },
            any);
    return p;
}

} // namespace clipvoice::characters
