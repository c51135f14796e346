#pragma once

#include <QtGlobal>

namespace clipvoice::characters {

// Facial expressions drawn for the mouth. The first seven are the mouth shapes
// a speaking character shows (their numbers are the overlay shape numbers).
enum class Mouth : int
{
    Closed = 0,
    Wide1 = 1,
    Wide2 = 2,
    Wide3 = 3,
    Wide4 = 4,
    Medium = 5,
    Narrow = 6,
    Smile = 7,  // open, happy
    Frown = 8,  // sad
    Oh = 9,     // surprised
    Wavy = 10,  // unsure
    Sleepy = 11 // a small open mouth, breathing
};

inline constexpr int SpeakingMouthCount = 7;

enum class Eyes : int
{
    Normal = 0,
    Happy = 1, // closed upward arcs
    Wide = 2
};

// Everything that changes from one drawing of a character to the next. Figures
// read the fields they have (a cloud cat has ears, the bubble has sunglasses)
// and ignore the others. Lengths are in pixels of the 128-pixel canvas, angles
// in degrees. Animations are made by interpolating between poses.
struct Pose
{
    // Whole body: offset, uniform scale, squash (> 0 wider and lower, < 0
    // taller and thinner) and tilt about the base (clockwise positive).
    qreal x = 0;
    qreal y = 0;
    qreal scale = 1;
    qreal squash = 0;
    qreal tilt = 0;

    // Arms: 0 hangs down, 90 points straight out to the side, 180 straight up;
    // negative angles swing the hand in front of the body. Bend curves the arm.
    // "Front" draws the hand over the body and what it holds.
    qreal armL = 20;
    qreal armR = 20;
    qreal bendL = 0;
    qreal bendR = 0;
    qreal reachL = 1; // arm length as a part of the full length
    qreal reachR = 1;
    qreal frontL = 0;
    qreal frontR = 0;

    // Face.
    qreal lookX = 0; // -1 screen left .. 1 screen right
    qreal lookY = 0; // -1 up .. 1 down
    qreal eyeOpen = 1;
    Eyes eyes = Eyes::Normal;
    qreal brow = 0;  // -1 worried, 0 relaxed, 1 raised
    qreal peek = 0;  // the bubble's sunglasses slide down (1) or jump up (-1)
    qreal blush = 0; // 0..1
    Mouth mouth = Mouth::Closed;

    // Cloud cat only: ear twitch and tail swing.
    qreal ears = 0;
    qreal tail = 0;

    // Props, each 0 (absent) .. 1 (fully shown).
    qreal book = 0;
    qreal bookOpen = 0;
    qreal pageTurn = 0; // 0..1 a page sweeps from right to left
    qreal paper = 0;
    qreal written = 0; // how much of the paper's lines are written
    qreal pen = 0;
    qreal wand = 0;
    qreal horn = 0;
    qreal bulb = 0;
    qreal question = 0;
    qreal exclaim = 0;
    qreal thought = 0; // small thought dots
    qreal listen = 0;  // sound arcs by the head
    qreal sparkles = 0;
    qreal stars = 0; // happy stars around the head
    qreal zzz = 0;
    qreal phase = 0; // drives sparkles, stars, zzz and scribbles (0..1 a cycle)
};

// Linear interpolation of every number; the discrete fields switch half way.
inline Pose mix(const Pose& a, const Pose& b, qreal t)
{
    const auto m = [t](qreal u, qreal v) { return u + (v - u) * t; };
    Pose p = t < 0.5 ? a : b;
    p.x = m(a.x, b.x);
    p.y = m(a.y, b.y);
    p.scale = m(a.scale, b.scale);
    p.squash = m(a.squash, b.squash);
    p.tilt = m(a.tilt, b.tilt);
    p.armL = m(a.armL, b.armL);
    p.armR = m(a.armR, b.armR);
    p.bendL = m(a.bendL, b.bendL);
    p.bendR = m(a.bendR, b.bendR);
    p.reachL = m(a.reachL, b.reachL);
    p.reachR = m(a.reachR, b.reachR);
    p.frontL = m(a.frontL, b.frontL);
    p.frontR = m(a.frontR, b.frontR);
    p.lookX = m(a.lookX, b.lookX);
    p.lookY = m(a.lookY, b.lookY);
    p.eyeOpen = m(a.eyeOpen, b.eyeOpen);
    p.brow = m(a.brow, b.brow);
    p.peek = m(a.peek, b.peek);
    p.blush = m(a.blush, b.blush);
    p.ears = m(a.ears, b.ears);
    p.tail = m(a.tail, b.tail);
    p.book = m(a.book, b.book);
    p.bookOpen = m(a.bookOpen, b.bookOpen);
    p.pageTurn = m(a.pageTurn, b.pageTurn);
    p.paper = m(a.paper, b.paper);
    p.written = m(a.written, b.written);
    p.pen = m(a.pen, b.pen);
    p.wand = m(a.wand, b.wand);
    p.horn = m(a.horn, b.horn);
    p.bulb = m(a.bulb, b.bulb);
    p.question = m(a.question, b.question);
    p.exclaim = m(a.exclaim, b.exclaim);
    p.thought = m(a.thought, b.thought);
    p.listen = m(a.listen, b.listen);
    p.sparkles = m(a.sparkles, b.sparkles);
    p.stars = m(a.stars, b.stars);
    p.zzz = m(a.zzz, b.zzz);
    p.phase = m(a.phase, b.phase);
    return p;
}

} // namespace clipvoice::characters
