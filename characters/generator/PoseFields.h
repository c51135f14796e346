#pragma once

#include "Pose.h"

#include <cstddef>
#include <iterator>
#include <optional>
#include <type_traits>
#include <variant>

namespace clipvoice::characters {

// One field of Pose and the same field of PoseChange. Its type is its kind:
// numbers (qreal) blend smoothly between two poses, the discrete fields (Eyes,
// Mouth) switch half way.
template <typename T> struct PoseField
{
    T Pose::*pose;
    std::optional<T> PoseChange::*change;
};

using AnyPoseField = std::variant<PoseField<qreal>, PoseField<Eyes>, PoseField<Mouth>>;

template <typename T>
constexpr AnyPoseField poseField(T Pose::*pose, std::optional<T> PoseChange::*change)
{
    return PoseField<T>{pose, change};
}

// Every field of Pose. mix() and with() go through this table and nothing
// else, so a field missing here would be left out of every animation; the
// checks below refuse to compile until it is listed.
inline constexpr AnyPoseField kPoseFields[] = {
    poseField(&Pose::x, &PoseChange::x),
    poseField(&Pose::y, &PoseChange::y),
    poseField(&Pose::scale, &PoseChange::scale),
    poseField(&Pose::squash, &PoseChange::squash),
    poseField(&Pose::tilt, &PoseChange::tilt),
    poseField(&Pose::armL, &PoseChange::armL),
    poseField(&Pose::armR, &PoseChange::armR),
    poseField(&Pose::bendL, &PoseChange::bendL),
    poseField(&Pose::bendR, &PoseChange::bendR),
    poseField(&Pose::reachL, &PoseChange::reachL),
    poseField(&Pose::reachR, &PoseChange::reachR),
    poseField(&Pose::frontL, &PoseChange::frontL),
    poseField(&Pose::frontR, &PoseChange::frontR),
    poseField(&Pose::lookX, &PoseChange::lookX),
    poseField(&Pose::lookY, &PoseChange::lookY),
    poseField(&Pose::eyeOpen, &PoseChange::eyeOpen),
    poseField(&Pose::eyes, &PoseChange::eyes),
    poseField(&Pose::brow, &PoseChange::brow),
    poseField(&Pose::peek, &PoseChange::peek),
    poseField(&Pose::blush, &PoseChange::blush),
    poseField(&Pose::mouth, &PoseChange::mouth),
    poseField(&Pose::ears, &PoseChange::ears),
    poseField(&Pose::tail, &PoseChange::tail),
    poseField(&Pose::book, &PoseChange::book),
    poseField(&Pose::bookOpen, &PoseChange::bookOpen),
    poseField(&Pose::pageTurn, &PoseChange::pageTurn),
    poseField(&Pose::paper, &PoseChange::paper),
    poseField(&Pose::written, &PoseChange::written),
    poseField(&Pose::pen, &PoseChange::pen),
    poseField(&Pose::wand, &PoseChange::wand),
    poseField(&Pose::horn, &PoseChange::horn),
    poseField(&Pose::bulb, &PoseChange::bulb),
    poseField(&Pose::question, &PoseChange::question),
    poseField(&Pose::exclaim, &PoseChange::exclaim),
    poseField(&Pose::thought, &PoseChange::thought),
    poseField(&Pose::listen, &PoseChange::listen),
    poseField(&Pose::sparkles, &PoseChange::sparkles),
    poseField(&Pose::stars, &PoseChange::stars),
    poseField(&Pose::zzz, &PoseChange::zzz),
    poseField(&Pose::phase, &PoseChange::phase),
};

namespace fieldcheck {

// Converts to any scalar, so that Aggregate{AnyScalar{}, ...} compiles with
// as many values as the aggregate has fields, and no more.
struct AnyScalar
{
    template <typename T>
    requires std::is_scalar_v<T>
    constexpr operator T() const noexcept { return T{}; }
};

template <typename Aggregate, typename... Values> constexpr std::size_t fieldCount()
{
    if constexpr (requires { Aggregate{Values{}..., AnyScalar{}}; })
        return fieldCount<Aggregate, Values..., AnyScalar>();
    else
        return sizeof...(Values);
}

constexpr bool sameField(const AnyPoseField& a, const AnyPoseField& b)
{
    // Visits both, so that no pointer into the table is tested against null:
    // the sanitizer build does not count such a test as a constant expression.
    return std::visit(
        [](const auto& x, const auto& y) {
            if constexpr (std::is_same_v<decltype(x), decltype(y)>)
                return x.pose == y.pose || x.change == y.change;
            else
                return false;
        },
        a, b);
}

constexpr bool eachFieldListedOnce()
{
    for (std::size_t i = 0; i < std::size(kPoseFields); ++i)
        for (std::size_t j = i + 1; j < std::size(kPoseFields); ++j)
            if (sameField(kPoseFields[i], kPoseFields[j]))
                return false;
    return true;
}

} // namespace fieldcheck

static_assert(std::size(kPoseFields) == fieldcheck::fieldCount<Pose>(),
              "kPoseFields must list every field of Pose");
static_assert(fieldcheck::fieldCount<PoseChange>() == fieldcheck::fieldCount<Pose>(),
              "PoseChange must have a field for every field of Pose");
static_assert(fieldcheck::eachFieldListedOnce(), "kPoseFields lists a field twice");

// `base` with the fields `change` names replaced.
Pose with(Pose base, const PoseChange& change);

// The pose a part `t` of the way from `a` to `b`: every number interpolated
// linearly, the discrete fields taken from `a` before half way and from `b`
// from then on.
Pose mix(const Pose& a, const Pose& b, qreal t);

} // namespace clipvoice::characters
