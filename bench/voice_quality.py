#!/usr/bin/env python3
"""How natural each English voice sounds, measured rather than guessed.

Every installed voice for English (US and British) reads the sentences in
bench/voice_quality/sentences.txt (written for this benchmark); Debian's
speech recogniser (pocketsphinx with its US English model) writes down what
it hears, and the word error rate against the sentences is the figure: the
lower, the more like a human reader. It orders the voices in
agent/voice/VoiceRanking.h.

Usage: voice_quality.py BUILD-DIR OUT.json
Needs pocketsphinx_continuous (Debian: pocketsphinx, pocketsphinx-en-us).
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def words(text):
    return re.sub(r"[^a-z' ]", " ", text.lower()).split()


def edit_distance(reference, heard):
    previous = list(range(len(heard) + 1))
    for i, word in enumerate(reference, 1):
        current = [i]
        for j, other in enumerate(heard, 1):
            current.append(min(previous[j] + 1, current[j - 1] + 1,
                               previous[j - 1] + (word != other)))
        previous = current
    return previous[-1]


def recognise(wav):
    result = subprocess.run(
        ["pocketsphinx_continuous", "-infile", wav, "-logfn", os.devnull],
        capture_output=True, text=True, timeout=300, check=False)
    return result.stdout.strip()


def main():
    build, out = sys.argv[1], sys.argv[2]
    if shutil.which("pocketsphinx_continuous") is None:
        json.dump({"skipped": "pocketsphinx is not installed"}, open(out, "w"))
        print("voice_quality: skipped, pocketsphinx is not installed", file=sys.stderr)
        return 0
    tool = os.path.join(build, "bench", "voice_to_wav")
    sentences = [line.strip() for line in open(os.path.join(HERE, "voice_quality", "sentences.txt"))
                 if line.strip()]
    results = []
    with tempfile.TemporaryDirectory() as work:
        for lcid in (1033, 2057):
            listed = subprocess.run([tool, "--list", str(lcid)], capture_output=True, text=True,
                                    check=True).stdout.splitlines()
            for key in listed:
                if any(r["voice"] == key for r in results):
                    continue
                errors = total = 0
                for n, sentence in enumerate(sentences):
                    wav = os.path.join(work, f"{n}.wav")
                    said = subprocess.run([tool, key, str(lcid), sentence, wav],
                                          capture_output=True, text=True, check=False)
                    reference = words(sentence)
                    total += len(reference)
                    if said.returncode != 0:
                        errors += len(reference)
                        continue
                    errors += edit_distance(reference, words(recognise(wav)))
                results.append({"voice": key, "language": lcid,
                                "word_error_rate_percent": round(100.0 * errors / total, 1),
                                "words": total})
                print(f"voice_quality: {key}: {results[-1]['word_error_rate_percent']} % "
                      f"of {total} words", file=sys.stderr)
    results.sort(key=lambda r: r["word_error_rate_percent"])
    json.dump({"sentences": len(sentences), "voices": results}, open(out, "w"), indent=1)
    return 0


if __name__ == "__main__":
    sys.exit(main())
