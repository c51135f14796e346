"""Waits until the PulseAudio monitor source plays something audible.

Usage: listen_for_sound.py SOURCE OUTPUT TIMEOUT [TRACE LINE]
Records SOURCE (for example clipvoice_sink.monitor) with parec, and as soon as
a block holds a sample louder than the threshold writes the wall-clock time
(seconds since the epoch) and the peak to OUTPUT and exits 0; exits 1 when
nothing audible came within TIMEOUT seconds. A file OUTPUT.ready says the
recording has started. With TRACE and LINE, the time the line first appeared
in the trace file is written as a third figure (0 when it never did).
"""
import array
import subprocess
import sys
import time

source, output, timeout = sys.argv[1], sys.argv[2], float(sys.argv[3])
THRESHOLD = 1500  # of 32767: well above the silence of a null sink
BLOCK = 960  # 10 ms at 48 kHz, mono, 16-bit

parec = subprocess.Popen(
    ["parec", "-d", source, "--format=s16le", "--rate=48000", "--channels=1",
     "--latency-msec=10", "--raw"],
    stdout=subprocess.PIPE)
trace, line = (sys.argv[4], sys.argv[5]) if len(sys.argv) > 5 else (None, None)
traced_at = 0.0


def look_at_trace():
    global traced_at
    if trace and not traced_at:
        try:
            with open(trace, encoding="utf-8", errors="replace") as f:
                if any(l.rstrip("\n") == line for l in f):
                    traced_at = time.time()
        except OSError:
            pass


deadline = time.time() + timeout
ready = False
try:
    while time.time() < deadline:
        data = parec.stdout.read(BLOCK * 2)
        if not data:
            break
        if not ready:
            open(output + ".ready", "w").close()
            ready = True
        look_at_trace()
        samples = array.array("h", data[: len(data) // 2 * 2])
        peak = max((abs(s) for s in samples), default=0)
        if peak > THRESHOLD:
            heard_at = time.time()
            look_at_trace()
            with open(output, "w", encoding="utf-8") as f:
                f.write(f"{heard_at:.3f} {peak} {traced_at:.3f}\n")
            sys.exit(0)
    sys.exit(1)
finally:
    parec.kill()
