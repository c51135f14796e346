"""Waits until the PulseAudio monitor source plays something audible.

Usage: listen_for_sound.py SOURCE OUTPUT TIMEOUT
Records SOURCE (for example clipvoice_sink.monitor) with parec, and as soon as
a block holds a sample louder than the threshold writes the wall-clock time
(seconds since the epoch) and the peak to OUTPUT and exits 0; exits 1 when
nothing audible came within TIMEOUT seconds. A file READY beside OUTPUT says
the recording has started.
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
        samples = array.array("h", data[: len(data) // 2 * 2])
        peak = max((abs(s) for s in samples), default=0)
        if peak > THRESHOLD:
            with open(output, "w", encoding="utf-8") as f:
                f.write(f"{time.time():.3f} {peak}\n")
            sys.exit(0)
    sys.exit(1)
finally:
    parec.kill()
