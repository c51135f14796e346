#pragma once

#include "Choreographer.h"

namespace clipvoice::characters {

// Each adds one group of a character's animations, in a fixed order.

void addShowAndHide(Choreographer& c);  // Show, Hide
void addRestAndSpeak(Choreographer& c); // RestPose, Speak
void addGreetings(Choreographer& c);    // Greet, Wave, GetAttention
void addReading(Choreographer& c);      // Read, Write
void addMagic(Choreographer& c);        // DoMagic1, DoMagic2
// Announce, Pleased, Suggest, Surprised, Alert, Sad, Acknowledge, Decline,
// Congratulate
void addMoods(Choreographer& c);
// Think, Explain, Uncertain, Gesture*, Look*, Blink, listening and hearing
void addPoses(Choreographer& c);
void addMoves(Choreographer& c); // MoveLeft, MoveRight, MoveUp, MoveDown
void addIdles(Choreographer& c); // Idle1_1 .. Idle3_1

} // namespace clipvoice::characters
