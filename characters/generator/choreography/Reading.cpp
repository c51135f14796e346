#include "AnimationGroups.h"
#include "PoseFields.h"

#include <cmath>

namespace clipvoice::characters {

void addReading(Choreographer& c)
{
    const Pose& r = c.rest();
    const FigureLayout& l = c.layout();

    // Opens a book held in both hands, reads along and turns pages.
    const Pose holding =
        c.handsAt(with(r, {.frontL = 1, .frontR = 1, .lookY = 0.7, .peek = 0.8, .book = 1}),
                  {.left = l.holdCentre + QPointF(-19, 4), .right = l.holdCentre + QPointF(19, 4)});
    Track read(u"Read", r);
    read.to(with(holding, {.book = 0.7}), 3, 9);
    read.to(with(holding, {.lookX = -0.5, .bookOpen = 1}), 2, 9).sound(u"page");
    const Pose open = read.pose();
    const int readFirst = read.size();
    read.to(with(open, {.lookX = 0.5}), 4, 12, Easing::Linear);
    read.to(with(open, {.lookX = -0.5, .lookY = 0.85}), 2, 10);
    read.to(with(open, {.lookX = 0.5, .lookY = 0.85}), 4, 12, Easing::Linear);
    read.to(with(open, {.lookX = 0.3, .pageTurn = 0.33}), 1, 8).sound(u"page");
    read.to(with(open, {.pageTurn = 0.66}), 1, 8);
    read.to(with(open, {.lookX = -0.5, .pageTurn = 0.99}), 1, 8);
    read.repeatFrom(readFirst, 60);
    read.to(with(holding, {.bookOpen = 0}), 2, 9);
    read.to(with(r, {.book = 0}), 3, 9);
    c.add(read);

    // Writing: a sheet of paper in one hand, a pencil in the other that runs
    // along four lines.
    const Pose writing =
        c.handsAt(with(r, {.frontL = 1,
                           .frontR = 1,
                           .lookX = -0.2,
                           .lookY = 0.8,
                           .peek = 0.8,
                           .paper = 1,
                           .pen = 1}),
                  {.left = l.holdCentre + QPointF(-16, 8), .right = l.holdCentre + QPointF(4, -6)});
    Track write(u"Write", r);
    write.to(writing, 3, 9);
    const int writeFirst = write.size();
    for (int i = 1; i <= 8; ++i) {
        const qreal u = qreal(i) / 8.0;
        const qreal line = std::floor(u * 4 - 0.01);
        const qreal across = u * 4 - line;
        const QPointF pencil(-4 + 14 * across, -4 + 5 * line + (i % 2 == 0 ? 1.5 : 0));
        write.to(c.handsAt(with(writing, {.lookX = -0.4 + 0.8 * across, .written = u}),
                           {.right = l.holdCentre + pencil}),
                 1, 10, Easing::Linear);
        if (i == 1)
            write.sound(u"scribble");
    }
    write.repeatFrom(writeFirst, 60);
    write.to(r, 4, 9);
    c.add(write);
}

} // namespace clipvoice::characters
