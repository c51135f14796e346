"""Prints the median pitch (Hz) of the speech in part of a 16-bit mono WAV file.

Usage: voice_pitch.py FILE START-BYTE [END-BYTE]
The bytes count from the start of the samples. The pitch of each 40 ms frame
loud enough to be speech is found by autocorrelation between 70 and 400 Hz;
the median of those is printed, or 0 when no frame was voiced.
"""
import array
import statistics
import sys
import wave

path, start = sys.argv[1], int(sys.argv[2])
end = int(sys.argv[3]) if len(sys.argv) > 3 else None
with wave.open(path, "rb") as w:
    rate = w.getframerate()
    data = w.readframes(w.getnframes())
samples = array.array("h", data[start:end] if end else data[start:])
step = max(1, rate // 8000)  # about 8 kHz is enough for a voice's pitch
x = samples[::step]
rate //= step
frame = rate * 40 // 1000
low, high = rate // 400, rate // 70
pitches = []
for begin in range(0, len(x) - frame - high, frame):
    part = x[begin:begin + frame + high]
    energy = sum(v * v for v in part[:frame])
    if energy < frame * 800 * 800:
        continue
    best, best_lag = 0.0, 0
    for lag in range(low, high + 1):
        c = sum(part[i] * part[i + lag] for i in range(frame))
        if c > best:
            best, best_lag = c, lag
    if best_lag and best > 0.4 * energy:
        pitches.append(rate / best_lag)
print(f"{statistics.median(pitches):.1f}" if pitches else "0")
