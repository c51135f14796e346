#include "Choreography.h"

#include <QtMath>

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

namespace clipvoice::characters {

Track::Track(QString name, const Pose& start)
    : m_pose(start)
{
    m_plan.name = std::move(name);
}

Track& Track::to(const Pose& target, int steps, int duration, bool linear)
{
    const Pose from = m_pose;
    for (int i = 1; i <= steps; ++i) {
        qreal t = qreal(i) / qreal(steps);
        if (!linear)
            t = t * t * (3 - 2 * t);
        FramePlan f;
        f.pose = mix(from, target, t);
        f.duration = duration;
        m_plan.frames.append(f);
    }
    m_pose = target;
    return *this;
}

Track& Track::hold(int duration)
{
    FramePlan f;
    f.pose = m_pose;
    f.duration = duration;
    m_plan.frames.append(f);
    return *this;
}

Track& Track::sound(const QString& name)
{
    if (!m_plan.frames.isEmpty())
        m_plan.frames.last().sound = name;
    return *this;
}

Track& Track::loop(int first, int last, int probability, int exit)
{
    m_plan.transition = QStringLiteral("exitBranching");
    m_plan.frames[last].branches.append({first, probability});
    for (int i = 0; i < exit && i < size(); ++i)
        m_plan.frames[i].exitFrame = exit;
    return *this;
}

Track& Track::exitToEnd()
{
    m_plan.transition = QStringLiteral("exitBranching");
    for (int i = 0; i + 1 < size(); ++i)
        m_plan.frames[i].exitFrame = size() - 1;
    return *this;
}

namespace {

// Points an arm from its shoulder at `target` and stretches or shortens it a
// little so that the hand lands there.
void pointArm(Pose& p, const FigureLayout& l, int side, QPointF target)
{
    const QPointF d = target - (side < 0 ? l.shoulderL : l.shoulderR);
    const qreal angle = qRadiansToDegrees(std::atan2(side * d.x(), d.y()));
    const qreal length = std::clamp(std::hypot(d.x(), d.y()) / l.armLength, 0.5, 1.3);
    (side < 0 ? p.armL : p.armR) = angle;
    (side < 0 ? p.reachL : p.reachR) = length;
}

Pose with(Pose p, const std::function<void(Pose&)>& change)
{
    change(p);
    return p;
}

// Collects a character's animations, and adds a return animation to those
// that end away from the rest pose.
class Collection
{
public:
    explicit Collection(const Figure& figure)
        : m_figure(figure)
        , m_rest(figure.restPose())
    {}

    const Pose& rest() const { return m_rest; }
    const FigureLayout& layout() const { return m_figure.layout(); }

    void add(Track& t) { m_list.append(t.plan()); }
    // An animation that ends away from the rest pose, and its return.
    void addWithReturn(Track& t)
    {
        const QString back = t.plan().name + QStringLiteral("Return");
        t.plan().transition = QStringLiteral("return");
        t.plan().returnAnimation = back;
        Track r(back, t.pose());
        r.to(m_rest, 4, 8);
        m_list.append(t.plan());
        m_list.append(r.plan());
    }
    QList<AnimationPlan> take() { return std::move(m_list); }

private:
    const Figure& m_figure;
    Pose m_rest;
    QList<AnimationPlan> m_list;
};

void showAndHide(Collection& b)
{
    const Pose& r = b.rest();
    Track show(QStringLiteral("Show"), with(r, [](Pose& p) {
                   p.scale = 0.3;
                   p.squash = 0.1;
               }));
    show.hold(5).sound(QStringLiteral("pop"));
    show.to(with(r,
                 [](Pose& p) {
                     p.scale = 0.55;
                     p.squash = -0.1;
                 }),
            1, 5);
    show.to(with(r,
                 [](Pose& p) {
                     p.scale = 1.06;
                     p.squash = -0.12;
                     p.y = -3;
                 }),
            1, 6);
    show.to(with(r, [](Pose& p) { p.squash = 0.12; }), 1, 6);
    show.to(with(r,
                 [](Pose& p) {
                     p.squash = -0.05;
                     p.eyes = Eyes::Happy;
                 }),
            1, 6);
    show.to(with(r,
                 [](Pose& p) {
                     p.squash = 0.02;
                     p.eyes = Eyes::Happy;
                 }),
            1, 6);
    show.to(r, 2, 7).hold(10);
    b.add(show);

    Track hide(QStringLiteral("Hide"), r);
    hide.to(with(r,
                 [](Pose& p) {
                     p.squash = 0.14;
                     p.eyeOpen = 0.1;
                 }),
            2, 7);
    hide.to(with(r,
                 [](Pose& p) {
                     p.squash = -0.2;
                     p.y = -6;
                     p.eyes = Eyes::Happy;
                 }),
            2, 6)
        .sound(QStringLiteral("whoosh"));
    hide.to(with(r,
                 [](Pose& p) {
                     p.scale = 0.65;
                     p.tilt = 25;
                     p.y = -10;
                     p.eyes = Eyes::Happy;
                 }),
            1, 6);
    hide.to(with(r,
                 [](Pose& p) {
                     p.scale = 0.32;
                     p.tilt = 60;
                     p.y = -14;
                 }),
            1, 6);
    hide.to(with(r, [](Pose& p) { p.scale = 0; }), 1, 6);
    b.add(hide);
}

void restAndSpeak(Collection& b)
{
    const Pose& r = b.rest();
    Track rest(QStringLiteral("RestPose"), r);
    rest.hold(10);
    rest.plan().frames.last().mouths = true;
    b.add(rest);

    // The engine plays this before speaking and speaks on its held last frame,
    // so it is short: a quick perk up, then the rest pose, mouths on every frame.
    Track speak(QStringLiteral("Speak"), r);
    speak.to(with(r,
                  [](Pose& p) {
                      p.y = -2.5;
                      p.squash = -0.05;
                      p.brow = 0.3;
                  }),
             2, 7);
    speak.to(r, 2, 7);
    for (FramePlan& f : speak.plan().frames)
        f.mouths = true;
    b.add(speak);
}

void greetings(Collection& b)
{
    const Pose& r = b.rest();
    const Pose waveUp = with(r, [](Pose& p) {
        p.armR = 150;
        p.bendR = 20;
        p.eyes = Eyes::Happy;
        p.mouth = Mouth::Smile;
        p.tilt = -3;
    });
    Track greet(QStringLiteral("Greet"), r);
    greet.to(with(r,
                  [](Pose& p) {
                      p.squash = 0.1;
                      p.y = 2;
                      p.eyes = Eyes::Happy;
                      p.mouth = Mouth::Smile;
                      p.blush = 0.6;
                      p.armL = 5;
                      p.armR = 5;
                  }),
             3, 8);
    greet.hold(20);
    greet.to(waveUp, 3, 8);
    for (int i = 0; i < 3; ++i) {
        greet.to(with(waveUp,
                      [](Pose& p) {
                          p.armR = 128;
                          p.bendR = -25;
                      }),
                 2, 7);
        greet.to(waveUp, 2, 7);
    }
    greet.to(r, 4, 8);
    b.add(greet);

    const Pose waving = with(r, [](Pose& p) {
        p.armR = 155;
        p.bendR = 15;
        p.mouth = Mouth::Smile;
        p.brow = 0.4;
    });
    Track wave(QStringLiteral("Wave"), r);
    wave.to(waving, 3, 8);
    for (int i = 0; i < 3; ++i) {
        wave.to(with(waving,
                     [](Pose& p) {
                         p.armR = 125;
                         p.bendR = -25;
                         p.tilt = 2;
                     }),
                2, 7);
        wave.to(waving, 2, 7);
    }
    wave.to(r, 3, 8);
    b.add(wave);

    Track attention(QStringLiteral("GetAttention"), r);
    const Pose up = with(r, [](Pose& p) {
        p.armL = 160;
        p.armR = 160;
        p.eyes = Eyes::Wide;
        p.brow = 1;
        p.mouth = Mouth::Smile;
        p.y = -4;
        p.squash = -0.08;
    });
    attention.to(up, 3, 7);
    for (int i = 0; i < 2; ++i) {
        attention.to(with(up,
                          [](Pose& p) {
                              p.armL = 135;
                              p.armR = 175;
                              p.y = 0;
                              p.squash = 0.05;
                              p.bendL = 20;
                          }),
                     2, 7);
        attention.to(with(up,
                          [](Pose& p) {
                              p.armL = 175;
                              p.armR = 135;
                              p.bendR = 20;
                          }),
                     2, 7);
    }
    attention.to(r, 4, 8);
    b.add(attention);
}

void reading(Collection& b)
{
    const Pose& r = b.rest();
    const FigureLayout& l = b.layout();
    const Pose holding = with(r, [&l](Pose& p) {
        p.book = 1;
        p.frontL = 1;
        p.frontR = 1;
        pointArm(p, l, -1, l.holdCentre + QPointF(-19, 4));
        pointArm(p, l, 1, l.holdCentre + QPointF(19, 4));
        p.lookY = 0.7;
        p.peek = 0.8;
    });
    Track read(QStringLiteral("Read"), r);
    read.to(with(holding, [](Pose& p) { p.book = 0.7; }), 3, 9);
    read.to(with(holding,
                 [](Pose& p) {
                     p.bookOpen = 1;
                     p.lookX = -0.5;
                 }),
            2, 9)
        .sound(QStringLiteral("page"));
    const Pose open = read.pose();
    const int loopStart = read.size();
    read.to(with(open, [](Pose& p) { p.lookX = 0.5; }), 4, 12, true);
    read.to(with(open,
                 [](Pose& p) {
                     p.lookX = -0.5;
                     p.lookY = 0.85;
                 }),
            2, 10);
    read.to(with(open,
                 [](Pose& p) {
                     p.lookX = 0.5;
                     p.lookY = 0.85;
                 }),
            4, 12, true);
    read.to(with(open,
                 [](Pose& p) {
                     p.pageTurn = 0.33;
                     p.lookX = 0.3;
                 }),
            1, 8)
        .sound(QStringLiteral("page"));
    read.to(with(open, [](Pose& p) { p.pageTurn = 0.66; }), 1, 8);
    read.to(with(open,
                 [](Pose& p) {
                     p.pageTurn = 0.99;
                     p.lookX = -0.5;
                 }),
            1, 8);
    const int loopEnd = read.size() - 1;
    read.to(with(holding, [](Pose& p) { p.bookOpen = 0; }), 2, 9);
    const int exit = loopEnd + 1;
    read.to(with(r, [](Pose& p) { p.book = 0; }), 3, 9);
    read.loop(loopStart, loopEnd, 60, exit);
    b.add(read);

    // Writing: a sheet of paper in one hand, a pencil in the other.
    const Pose writing = with(r, [&l](Pose& p) {
        p.paper = 1;
        p.pen = 1;
        p.frontL = 1;
        p.frontR = 1;
        pointArm(p, l, -1, l.holdCentre + QPointF(-16, 8));
        pointArm(p, l, 1, l.holdCentre + QPointF(4, -6));
        p.lookY = 0.8;
        p.lookX = -0.2;
        p.peek = 0.8;
    });
    Track write(QStringLiteral("Write"), r);
    write.to(writing, 3, 9);
    const int writeStart = write.size();
    for (int i = 1; i <= 8; ++i) {
        const qreal u = qreal(i) / 8.0;
        write.to(with(writing,
                      [&l, u, i](Pose& p) {
                          p.written = u;
                          const qreal line = std::floor(u * 4 - 0.01);
                          const qreal across = u * 4 - line;
                          pointArm(p, l, 1,
                                   l.holdCentre + QPointF(-4 + 14 * across,
                                                          -4 + 5 * line + (i % 2 == 0 ? 1.5 : 0)));
                          p.lookX = -0.4 + 0.8 * across;
                      }),
                 1, 10, true);
        if (i == 1)
            write.sound(QStringLiteral("scribble"));
    }
    const int writeEnd = write.size() - 1;
    write.to(r, 4, 9);
    write.loop(writeStart, writeEnd, 60, writeEnd + 1);
    b.add(write);
}

void magic(Collection& b)
{
    const Pose& r = b.rest();
    const Pose holding = with(r, [](Pose& p) {
        p.wand = 1;
        p.armR = 60;
        p.brow = 0.5;
        p.tail = -30; // the cat's tail out of the wand's way
    });
    Track one(QStringLiteral("DoMagic1"), r);
    one.to(holding, 3, 8);
    one.to(with(holding,
                [](Pose& p) {
                    p.armR = 165;
                    p.bendR = 10;
                    p.mouth = Mouth::Smile;
                    p.squash = -0.06;
                    p.sparkles = 1;
                    p.phase = 0.5;
                    p.eyes = Eyes::Happy;
                }),
           3, 8);
    one.sound(QStringLiteral("chime"));
    for (int i = 0; i < 2; ++i) {
        const qreal ph = one.pose().phase;
        one.to(with(one.pose(),
                    [ph](Pose& p) {
                        p.armR = 140;
                        p.phase = ph + 0.5;
                    }),
               2, 7);
        one.to(with(one.pose(),
                    [ph](Pose& p) {
                        p.armR = 168;
                        p.phase = ph + 1.0;
                    }),
               2, 7);
    }
    one.to(with(one.pose(),
                [](Pose& p) {
                    p.phase += 0.5;
                    p.sparkles = 0;
                }),
           2, 8);
    // The wand vanishes while still raised, so it never sweeps past the edge.
    one.to(with(one.pose(), [](Pose& p) { p.wand = 0; }), 2, 8);
    one.to(r, 4, 8);
    b.add(one);

    Track two(QStringLiteral("DoMagic2"), r);
    two.to(with(holding,
                [](Pose& p) {
                    p.armR = 150;
                    p.bendR = 10;
                }),
           3, 8);
    two.to(with(holding,
                [](Pose& p) {
                    p.armR = 132;
                    p.bendR = -10;
                    p.tilt = 6;
                    p.squash = 0.06;
                    p.mouth = Mouth::Oh;
                    p.sparkles = 1;
                    p.stars = 0.6;
                    p.eyes = Eyes::Wide;
                }),
           2, 6);
    two.sound(QStringLiteral("chime"));
    for (int i = 1; i <= 6; ++i)
        two.to(with(two.pose(),
                    [i](Pose& p) {
                        p.phase = 0.25 * i;
                        p.stars = 1;
                        p.armR = i % 2 == 0 ? 132 : 142;
                        p.squash = 0;
                        p.tilt = 0;
                        p.mouth = Mouth::Smile;
                        p.eyes = Eyes::Happy;
                        p.blush = 0.5;
                    }),
               1, 8, true);
    two.to(with(two.pose(),
                [](Pose& p) {
                    p.phase = 1.75;
                    p.wand = 0;
                    p.sparkles = 0;
                    p.stars = 0;
                }),
           2, 8);
    two.to(r, 4, 8);
    b.add(two);
}

void moods(Collection& b)
{
    const Pose& r = b.rest();
    Track announce(QStringLiteral("Announce"), r);
    const FigureLayout& l = b.layout();
    const Pose horn = with(r, [&l](Pose& p) {
        p.horn = 1;
        p.frontR = 1;
        p.squash = -0.08;
        p.brow = 1;
        p.mouth = Mouth::Narrow;
        pointArm(p, l, 1, l.mouthCentre + QPointF(13, 3));
        p.bendR = 30;
        p.eyes = Eyes::Happy;
    });
    announce.to(with(r,
                     [](Pose& p) {
                         p.squash = 0.1;
                         p.armR = 40;
                     }),
                2, 8);
    announce.to(horn, 3, 8);
    announce.sound(QStringLiteral("fanfare"));
    for (int i = 1; i <= 4; ++i)
        announce.to(with(horn,
                         [i](Pose& p) {
                             p.stars = 1;
                             p.phase = 0.25 * i;
                             p.squash = i % 2 == 0 ? -0.1 : -0.04;
                         }),
                    1, 9, true);
    announce.to(with(horn,
                     [](Pose& p) {
                         p.stars = 0;
                         p.phase = 1.25;
                     }),
                2, 8);
    announce.to(r, 4, 8);
    b.add(announce);

    Track pleased(QStringLiteral("Pleased"), r);
    const Pose happy = with(r, [](Pose& p) {
        p.eyes = Eyes::Happy;
        p.mouth = Mouth::Smile;
        p.blush = 1;
        p.stars = 1;
        p.armL = 40;
        p.armR = 40;
    });
    pleased.to(happy, 3, 8);
    const qreal hops[][2] = {{-6, -0.1}, {0, 0.1}, {-5, -0.08}, {0, 0.06}};
    for (int i = 0; i < 4; ++i) {
        const qreal dy = hops[i][0];
        const qreal sq = hops[i][1];
        pleased.to(with(happy,
                        [dy, sq, i](Pose& p) {
                            p.y = dy;
                            p.squash = sq;
                            p.phase = 0.25 * (i + 1);
                            p.armL = dy < 0 ? 70 : 40;
                            p.armR = p.armL;
                        }),
                   2, 7);
    }
    pleased.to(with(happy, [](Pose& p) { p.phase = 1.25; }), 1, 12).hold(10);
    pleased.to(r, 3, 8);
    b.add(pleased);

    Track suggest(QStringLiteral("Suggest"), r);
    const Pose idea = with(r, [](Pose& p) {
        p.bulb = 1;
        p.eyes = Eyes::Wide;
        p.brow = 1;
        p.mouth = Mouth::Smile;
        p.armR = 150;
        p.bendR = -30;
        p.peek = -0.6;
    });
    suggest
        .to(with(idea,
                 [](Pose& p) {
                     p.bulb = 0.5;
                     p.squash = 0.06;
                 }),
            2, 7)
        .sound(QStringLiteral("pop"));
    suggest.to(idea, 2, 7);
    suggest.hold(30);
    suggest.to(with(idea,
                    [](Pose& p) {
                        p.y = -3;
                        p.squash = -0.06;
                    }),
               2, 7);
    suggest.to(idea, 2, 7);
    suggest.to(r, 4, 8);
    b.add(suggest);

    Track surprised(QStringLiteral("Surprised"), r);
    const Pose shock = with(r, [](Pose& p) {
        p.y = -8;
        p.squash = -0.15;
        p.eyes = Eyes::Wide;
        p.brow = 1;
        p.peek = -1;
        p.mouth = Mouth::Oh;
        p.exclaim = 1;
        p.armL = 80;
        p.armR = 80;
        p.ears = 1;
    });
    surprised.to(with(r,
                      [](Pose& p) {
                          p.squash = 0.12;
                          p.eyeOpen = 0.5;
                      }),
                 1, 6);
    surprised.to(shock, 2, 6).sound(QStringLiteral("boing"));
    surprised.to(with(shock,
                      [](Pose& p) {
                          p.y = 0;
                          p.squash = 0.08;
                      }),
                 2, 6);
    surprised.to(with(shock,
                      [](Pose& p) {
                          p.y = 0;
                          p.squash = 0;
                      }),
                 1, 6);
    surprised.hold(30);
    surprised.to(r, 4, 8);
    b.add(surprised);

    Track alert(QStringLiteral("Alert"), r);
    alert.to(with(r,
                  [](Pose& p) {
                      p.exclaim = 1;
                      p.eyes = Eyes::Wide;
                      p.brow = 1;
                      p.squash = -0.1;
                      p.peek = -1;
                      p.ears = 1;
                  }),
             2, 6);
    alert.hold(30);
    alert.to(r, 3, 8);
    b.add(alert);

    Track sad(QStringLiteral("Sad"), r);
    sad.to(with(r,
                [](Pose& p) {
                    p.brow = -1;
                    p.mouth = Mouth::Frown;
                    p.y = 3;
                    p.squash = 0.06;
                    p.lookY = 0.8;
                    p.armL = 6;
                    p.armR = 6;
                    p.peek = 0.5;
                    p.tail = -20;
                    p.ears = -1;
                }),
           4, 10);
    sad.hold(40);
    sad.to(r, 4, 10);
    b.add(sad);

    Track nod(QStringLiteral("Acknowledge"), r);
    for (int i = 0; i < 2; ++i) {
        nod.to(with(r,
                    [](Pose& p) {
                        p.y = 3;
                        p.squash = 0.08;
                        p.lookY = 0.5;
                        p.eyes = Eyes::Happy;
                        p.mouth = Mouth::Smile;
                    }),
               2, 7);
        nod.to(with(r, [](Pose& p) { p.mouth = Mouth::Smile; }), 2, 7);
    }
    nod.to(r, 1, 8);
    b.add(nod);

    Track decline(QStringLiteral("Decline"), r);
    for (int i = 0; i < 2; ++i) {
        decline.to(with(r,
                        [](Pose& p) {
                            p.tilt = -7;
                            p.lookX = -0.8;
                            p.brow = -0.5;
                            p.mouth = Mouth::Frown;
                        }),
                   2, 7);
        decline.to(with(r,
                        [](Pose& p) {
                            p.tilt = 7;
                            p.lookX = 0.8;
                            p.brow = -0.5;
                            p.mouth = Mouth::Frown;
                        }),
                   2, 7);
    }
    decline.to(r, 3, 8);
    b.add(decline);

    Track congratulate(QStringLiteral("Congratulate"), r);
    const Pose cheer = with(r, [](Pose& p) {
        p.armL = 165;
        p.armR = 165;
        p.eyes = Eyes::Happy;
        p.mouth = Mouth::Smile;
        p.stars = 1;
        p.blush = 0.7;
        p.y = -5;
        p.squash = -0.1;
    });
    congratulate.to(cheer, 3, 7).sound(QStringLiteral("chime"));
    for (int i = 1; i <= 4; ++i)
        congratulate.to(with(cheer,
                             [i](Pose& p) {
                                 p.phase = 0.25 * i;
                                 p.y = i % 2 == 0 ? -5 : 0;
                                 p.squash = i % 2 == 0 ? -0.1 : 0.06;
                                 p.armL = i % 2 == 0 ? 165 : 140;
                                 p.armR = p.armL;
                             }),
                        2, 7);
    congratulate.to(r, 4, 8);
    b.add(congratulate);
}

void poses(Collection& b)
{
    const Pose& r = b.rest();
    const FigureLayout& l = b.layout();

    Track think(QStringLiteral("Think"), r);
    think.to(with(r,
                  [&l](Pose& p) {
                      p.lookX = 0.6;
                      p.lookY = -0.8;
                      p.brow = -0.3;
                      p.frontR = 1;
                      p.tilt = 4;
                      pointArm(p, l, 1, l.mouthCentre + QPointF(16, 7));
                      p.bendR = 35;
                  }),
             4, 9);
    for (int i = 1; i <= 3; ++i)
        think.to(with(think.pose(), [i](Pose& p) { p.thought = qreal(i) / 3.0; }), 1, 12);
    think.hold(40);
    b.addWithReturn(think);

    Track explain(QStringLiteral("Explain"), r);
    const Pose open = with(r, [](Pose& p) {
        p.armL = 80;
        p.armR = 80;
        p.bendL = 20;
        p.bendR = 20;
        p.brow = 0.6;
        p.mouth = Mouth::Medium;
    });
    explain.to(open, 3, 8);
    explain.to(with(open,
                    [](Pose& p) {
                        p.armL = 98;
                        p.armR = 62;
                        p.tilt = -3;
                    }),
               2, 8);
    explain.to(with(open,
                    [](Pose& p) {
                        p.armL = 62;
                        p.armR = 98;
                        p.tilt = 3;
                    }),
               3, 8);
    explain.to(open, 2, 8);
    explain.hold(20);
    b.addWithReturn(explain);

    Track uncertain(QStringLiteral("Uncertain"), r);
    uncertain.to(with(r,
                      [](Pose& p) {
                          p.tilt = -6;
                          p.lookX = -0.5;
                          p.lookY = -0.4;
                          p.brow = -1;
                          p.mouth = Mouth::Wavy;
                          p.question = 1;
                          p.armL = 72;
                          p.armR = 72;
                          p.bendL = -45;
                          p.bendR = -45;
                          p.ears = -1;
                      }),
                 4, 8);
    uncertain.hold(30);
    b.addWithReturn(uncertain);

    // Gestures are named from the character's point of view: GestureLeft
    // points to its left, which is the right side of the screen.
    Track left(QStringLiteral("GestureLeft"), r);
    left.to(with(r,
                 [](Pose& p) {
                     p.armR = 96;
                     p.tail = -30;
                     p.bendR = -8;
                     p.tilt = 5;
                     p.lookX = 1;
                     p.brow = 0.5;
                     p.mouth = Mouth::Smile;
                 }),
            4, 8);
    left.hold(20);
    b.addWithReturn(left);

    Track right(QStringLiteral("GestureRight"), r);
    right.to(with(r,
                  [](Pose& p) {
                      p.armL = 96;
                      p.bendL = -8;
                      p.tilt = -5;
                      p.lookX = -1;
                      p.brow = 0.5;
                      p.mouth = Mouth::Smile;
                  }),
             4, 8);
    right.hold(20);
    b.addWithReturn(right);

    Track upward(QStringLiteral("GestureUp"), r);
    upward.to(with(r,
                   [](Pose& p) {
                       p.armR = 145;
                       p.tail = -30;
                       p.bendR = -15;
                       p.lookY = -1;
                       p.lookX = 0.3;
                       p.squash = -0.05;
                       p.tilt = -4;
                       p.brow = 0.6;
                   }),
              4, 8);
    upward.hold(20);
    b.addWithReturn(upward);

    Track down(QStringLiteral("GestureDown"), r);
    down.to(with(r,
                 [](Pose& p) {
                     p.armR = 42;
                     p.tail = -30;
                     p.bendR = -15;
                     p.lookY = 1;
                     p.lookX = 0.5;
                     p.tilt = 4;
                     p.squash = 0.04;
                 }),
            4, 8);
    down.hold(20);
    b.addWithReturn(down);

    const struct
    {
        const char16_t* name;
        qreal x;
        qreal y;
    } looks[] = {
        {u"LookLeft", 1, 0}, {u"LookRight", -1, 0}, {u"LookUp", 0, -1}, {u"LookDown", 0, 1}};
    for (const auto& look : looks) {
        Track t(QString::fromUtf16(look.name), r);
        const qreal lx = look.x;
        const qreal ly = look.y;
        t.to(with(r,
                  [lx, ly](Pose& p) {
                      p.lookX = lx;
                      p.lookY = ly;
                      p.tilt = lx * 3;
                  }),
             3, 8);
        t.hold(30);
        t.to(r, 3, 8);
        b.add(t);
    }

    Track blink(QStringLiteral("Blink"), r);
    blink.to(with(r, [](Pose& p) { p.eyeOpen = 0; }), 1, 6);
    blink.to(r, 1, 6);
    b.add(blink);

    const Pose listening = with(r, [](Pose& p) {
        p.listen = 1;
        p.brow = 0.5;
        p.lookX = 0.3;
        p.tilt = 4;
        p.ears = 1;
    });
    Track start(QStringLiteral("StartListening"), r);
    start.to(listening, 3, 8);
    start.plan().transition = QStringLiteral("return");
    start.plan().returnAnimation = QStringLiteral("StopListening");
    b.add(start);
    Track stop(QStringLiteral("StopListening"), listening);
    stop.to(r, 3, 8);
    b.add(stop);

    Track hearing(QStringLiteral("Hearing_1"), r);
    hearing.to(with(listening, [](Pose& p) { p.listen = 0.4; }), 3, 8);
    const int hearStart = hearing.size();
    hearing.to(listening, 2, 10, true);
    hearing.to(with(listening,
                    [](Pose& p) {
                        p.listen = 0.4;
                        p.tilt = 2;
                    }),
               2, 10, true);
    const int hearEnd = hearing.size() - 1;
    hearing.to(r, 3, 8);
    hearing.loop(hearStart, hearEnd, 100, hearEnd + 1);
    b.add(hearing);
}

void moves(Collection& b)
{
    const Pose& r = b.rest();
    const struct
    {
        const char16_t* name;
        std::function<void(Pose&)> lean;
    } list[] = {
        {u"MoveLeft",
         [](Pose& p) {
             p.tilt = -12;
             p.lookX = -1;
             p.armL = 40;
             p.armR = 55;
             p.tail = 15;
         }},
        {u"MoveRight",
         [](Pose& p) {
             p.tilt = 12;
             p.lookX = 1;
             p.armL = 55;
             p.armR = 40;
             p.tail = -15;
         }},
        {u"MoveUp",
         [](Pose& p) {
             p.squash = -0.1;
             p.lookY = -1;
             p.armL = 130;
             p.armR = 130;
         }},
        {u"MoveDown",
         [](Pose& p) {
             p.squash = 0.06;
             p.lookY = 1;
             p.armL = 95;
             p.armR = 95;
         }},
    };
    for (const auto& m : list) {
        Track t(QString::fromUtf16(m.name), r);
        const Pose lean = with(r, m.lean);
        t.to(lean, 3, 8);
        const int first = t.size();
        t.to(with(lean, [](Pose& p) { p.y = -2; }), 2, 10, true);
        t.to(lean, 2, 10, true);
        const int last = t.size() - 1;
        t.to(r, 3, 8);
        t.loop(first, last, 100, last + 1);
        b.add(t);
    }
}

void idles(Collection& b)
{
    const Pose& r = b.rest();
    const FigureLayout& l = b.layout();

    Track look(QStringLiteral("Idle1_1"), r);
    look.to(with(r, [](Pose& p) { p.eyeOpen = 0; }), 1, 6);
    look.to(r, 1, 6).hold(80);
    look.to(with(r, [](Pose& p) { p.lookX = -0.8; }), 3, 10).hold(60);
    look.to(with(r,
                 [](Pose& p) {
                     p.lookX = 0.8;
                     p.tail = 10;
                 }),
            4, 10)
        .hold(60);
    look.to(r, 3, 10);
    look.exitToEnd();
    b.add(look);

    Track sway(QStringLiteral("Idle1_2"), r);
    for (int i = 0; i < 2; ++i) {
        sway.to(with(r,
                     [](Pose& p) {
                         p.tilt = -4;
                         p.lookX = -0.3;
                         p.ears = 0.6;
                     }),
                4, 10);
        sway.to(with(r,
                     [](Pose& p) {
                         p.tilt = 4;
                         p.lookX = 0.3;
                         p.tail = 12;
                     }),
                4, 10);
    }
    sway.to(r, 3, 10);
    sway.to(with(r, [](Pose& p) { p.eyeOpen = 0; }), 1, 6);
    sway.to(r, 1, 6);
    sway.exitToEnd();
    b.add(sway);

    // Adjusting the sunglasses (the bubble) or washing the face (the cat).
    Track tidy(QStringLiteral("Idle1_3"), r);
    const Pose handUp = with(r, [&l](Pose& p) {
        p.frontR = 1;
        pointArm(p, l, 1, l.mouthCentre + QPointF(23, -13));
        p.peek = 0.45;
        p.lookY = -0.3;
        p.eyes = Eyes::Happy;
        p.ears = 1;
    });
    tidy.to(handUp, 3, 9);
    for (int i = 0; i < 3; ++i) {
        tidy.to(with(handUp,
                     [i](Pose& p) {
                         p.armR += 8;
                         p.peek = 0.3 - 0.1 * i;
                         p.tail = 12;
                     }),
                2, 8);
        tidy.to(with(handUp, [i](Pose& p) { p.peek = 0.2 - 0.1 * i; }), 2, 8);
    }
    tidy.to(with(handUp, [](Pose& p) { p.peek = 0; }), 1, 8);
    tidy.to(r, 3, 9);
    tidy.exitToEnd();
    b.add(tidy);

    Track yawn(QStringLiteral("Idle2_1"), r);
    yawn.to(with(r,
                 [](Pose& p) {
                     p.armL = 150;
                     p.armR = 150;
                     p.squash = -0.12;
                     p.y = -2;
                     p.eyeOpen = 0;
                     p.mouth = Mouth::Wide4;
                     p.brow = -0.4;
                     p.ears = 1;
                 }),
            4, 10);
    yawn.hold(40);
    yawn.to(with(r,
                 [](Pose& p) {
                     p.eyeOpen = 0.6;
                     p.squash = 0.04;
                 }),
            4, 10);
    yawn.to(r, 2, 10);
    yawn.exitToEnd();
    b.add(yawn);

    Track hum(QStringLiteral("Idle2_2"), r);
    for (int i = 0; i < 3; ++i) {
        hum.to(with(r,
                    [](Pose& p) {
                        p.tilt = -6;
                        p.eyes = Eyes::Happy;
                        p.armL = 45;
                        p.armR = 12;
                        p.tail = 15;
                        p.y = -1;
                    }),
               4, 10);
        hum.to(with(r,
                    [](Pose& p) {
                        p.tilt = 6;
                        p.eyes = Eyes::Happy;
                        p.armL = 12;
                        p.armR = 45;
                        p.tail = -10;
                        p.y = -1;
                    }),
               4, 10);
    }
    hum.to(r, 3, 10);
    hum.exitToEnd();
    b.add(hum);

    // Falling asleep; snoozes until stopped, then wakes with a start.
    Track sleep(QStringLiteral("Idle3_1"), r);
    sleep.to(with(r,
                  [](Pose& p) {
                      p.eyeOpen = 0.5;
                      p.brow = -0.2;
                      p.peek = 0.7;
                      p.y = 2;
                      p.squash = 0.04;
                  }),
             4, 12);
    const Pose asleep = with(r, [](Pose& p) {
        p.eyeOpen = 0;
        p.peek = 1;
        p.y = 3;
        p.squash = 0.05;
        p.tilt = 5;
        p.armL = 8;
        p.armR = 8;
        p.mouth = Mouth::Sleepy;
        p.zzz = 1;
        p.ears = -0.6;
        p.tail = -10;
    });
    sleep.to(with(asleep, [](Pose& p) { p.zzz = 0.3; }), 3, 12);
    const int sleepStart = sleep.size();
    for (int i = 1; i <= 8; ++i) {
        const qreal breath = std::sin(2 * M_PI * i / 8.0);
        sleep.to(with(asleep,
                      [i, breath](Pose& p) {
                          p.phase = qreal(i) / 8.0;
                          p.squash = 0.05 + 0.03 * breath;
                          p.y = 3 - breath;
                          if (i == 8)
                              p.phase = 0;
                      }),
                 1, 12, true);
    }
    const int sleepEnd = sleep.size() - 1;
    sleep.to(with(r,
                  [](Pose& p) {
                      p.eyes = Eyes::Wide;
                      p.y = -5;
                      p.squash = -0.1;
                      p.brow = 1;
                      p.peek = -0.5;
                      p.ears = 1;
                      p.mouth = Mouth::Oh;
                  }),
             2, 7);
    sleep.to(r, 3, 8);
    sleep.loop(sleepStart, sleepEnd, 100, sleepEnd + 1);
    b.add(sleep);
}

} // namespace

QList<AnimationPlan> standardAnimations(const Figure& figure)
{
    Collection b(figure);
    showAndHide(b);
    restAndSpeak(b);
    greetings(b);
    reading(b);
    magic(b);
    moods(b);
    poses(b);
    moves(b);
    idles(b);
    return b.take();
}

QMap<QString, QStringList> standardStates()
{
    const auto list = [](std::initializer_list<const char16_t*> names) {
        QStringList out;
        for (const char16_t* n : names)
            out.append(QString::fromUtf16(n));
        return out;
    };
    return {
        {QStringLiteral("Showing"), list({u"Show"})},
        {QStringLiteral("Hiding"), list({u"Hide"})},
        {QStringLiteral("Speaking"), list({u"Speak"})},
        {QStringLiteral("IdlingLevel1"), list({u"Idle1_1", u"Idle1_2", u"Idle1_3"})},
        {QStringLiteral("IdlingLevel2"), list({u"Idle2_1", u"Idle2_2"})},
        {QStringLiteral("IdlingLevel3"), list({u"Idle3_1"})},
        {QStringLiteral("GesturingLeft"), list({u"GestureLeft"})},
        {QStringLiteral("GesturingRight"), list({u"GestureRight"})},
        {QStringLiteral("GesturingUp"), list({u"GestureUp"})},
        {QStringLiteral("GesturingDown"), list({u"GestureDown"})},
        {QStringLiteral("Listening"), list({u"StartListening"})},
        {QStringLiteral("Hearing"), list({u"Hearing_1"})},
        {QStringLiteral("MovingLeft"), list({u"MoveLeft"})},
        {QStringLiteral("MovingRight"), list({u"MoveRight"})},
        {QStringLiteral("MovingUp"), list({u"MoveUp"})},
        {QStringLiteral("MovingDown"), list({u"MoveDown"})},
    };
}

} // namespace clipvoice::characters
