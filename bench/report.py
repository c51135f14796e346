#!/usr/bin/env python3
"""Gathers the benchmark results into one table with the goals, prints it and
writes it as JSON.

    report.py RESULTS-DIR

RESULTS-DIR holds the Google Benchmark outputs (catalogue.json,
program-open.json, program-bigframe.json, program-queue.json,
program-long-line.json, program-formats.json, acs15.json, sounds.json,
balloon.json, latency.json), desktop.json from
bench/desktop_measures.sh and selection.json from bench/selection_idle.sh;
the table goes
to RESULTS-DIR/results.json."""

import json
import os
import sys


def load(path):
    try:
        with open(path, encoding="utf-8") as f:
            return json.load(f)
    except (OSError, ValueError) as error:
        print(f"warning: {path}: {error}", file=sys.stderr)
        return {}


def benchmarks(data):
    """Benchmark name -> entry, in milliseconds."""
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
    found = {}
    for entry in data.get("benchmarks", []):
        if entry.get("run_type") == "aggregate":
            continue
        entry = dict(entry)
        entry["ms"] = entry["real_time"] * scale[entry.get("time_unit", "ns")]
        found[entry["run_name"]] = entry
    return found


def find(entries, prefix):
    for name, entry in entries.items():
        if name.startswith(prefix):
            return entry
    return None


def main():
    folder = sys.argv[1]
    entries = {}
    for name in ("catalogue.json", "program-open.json", "program-bigframe.json",
                 "program-queue.json", "program-long-line.json", "program-formats.json",
                 "acs15.json", "sounds.json", "balloon.json", "latency.json"):
        entries.update(benchmarks(load(os.path.join(folder, name))))
    desktop = load(os.path.join(folder, "desktop.json"))
    selection = load(os.path.join(folder, "selection.json"))
    rows = []

    def row(measure, value, unit, goal=None, met=None, note=""):
        rows.append({"measure": measure, "value": value, "unit": unit,
                     "goal": goal, "met": met, "note": note})

    if desktop:
        program, bare = desktop["startup_program_ms"], desktop["startup_bare_window_ms"]
        ratio = program / bare if bare else None
        row("start-up to window shown", program, "ms", note=f"bare Qt window with web pane: {bare:.0f} ms")
        row("start-up, ratio to the bare window", ratio, "x", "<= 1.5", ratio is not None and ratio <= 1.5)
    for count in (10, 1000, 10000):
        e = find(entries, f"catalogueBuild/{count}")
        if e:
            row(f"catalogue of {count} character files", e["ms"], "ms")
    e = find(entries, "characterOpenAndFirstFrame")
    if e:
        row("large character: open and first frame shown", e["ms"], "ms",
            note=f"{e.get('file_MB', 0):.1f} MB file")
        stall = e.get("longest_stall_ms")
        row("  longest stall of the window's thread", stall, "ms", "< 50", stall is not None and stall < 50)
    current = find(entries, "formatOpenAndFirstFrame/current")
    older = find(entries, "formatOpenAndFirstFrame/older")
    if current and older:
        row("older (1.5) character, 100 animations of 250 x 250: open and first frame shown",
            older["ms"], "ms", note=f"the same character as a 2.0 file: {current['ms']:.1f} ms")
        ratio = older["ms"] / current["ms"] if current["ms"] else None
        row("  time, ratio to the 2.0 file", ratio, "x", "<= 2", ratio is not None and ratio <= 2)
        stall = older.get("longest_stall_ms")
        row("  longest stall of the window's thread", stall, "ms", "< 50",
            stall is not None and stall < 50)
    worst = find(entries, "BM_WorstFirstFrame15")
    if worst:
        row("older character: slowest first frame of one animation (decoding its stream)",
            worst.get("worst_ms"), "ms", "< 50",
            worst.get("worst_ms") is not None and worst["worst_ms"] < 50)
    alone = find(entries, "decodeEverySound")
    library = find(entries, "libraryDecodesEverySound")
    if library:
        row("a character's 100 MS ADPCM sounds of 1 s: all decoded", library["ms"], "ms", "< 50",
            library["ms"] < 50,
            f"the decoder alone, one after another: {alone['ms']:.1f} ms" if alone else "")
        stall = library.get("longest_stall_ms")
        row("  longest stall of the window's thread", stall, "ms", "< 50",
            stall is not None and stall < 50)
        row("  peak memory over the process before", library.get("peak_MB"), "MB",
            note=f"kept for playing (48 kHz): {library.get('kept_MB', 0):.1f} MB")
    normal = find(entries, "bigFrameOpenAndFirstFrame/normal")
    shared = find(entries, "bigFrameOpenAndFirstFrame/sharedImage")
    if normal and shared:
        row("1,000 entries sharing one 4096 x 4096 image: open and first frame", shared["ms"], "ms",
            note=f"normal 1024 x 1024 character: {normal['ms']:.1f} ms")
        ratio = shared["ms"] / normal["ms"] if normal["ms"] else None
        row("  time, ratio to the normal character", ratio, "x", "<= 2",
            ratio is not None and ratio <= 2)
        peak, normal_peak = shared.get("peak_MB"), normal.get("peak_MB")
        row("  peak memory over the process before", peak, "MB",
            note=f"normal: {normal_peak or 0:.1f} MB; whole process: "
                 f"{shared.get('peak_total_MB', 0):.0f} MB, normal {normal.get('peak_total_MB', 0):.0f} MB")
        ratio = peak / normal_peak if peak is not None and normal_peak else None
        row("  peak memory, ratio to the normal character", ratio, "x", "<= 2",
            ratio is not None and ratio <= 2)
    for name, program in entries.items():
        if not name.startswith("fromClipboardTick/"):
            continue
        engine = name.split("/")[1]
        bare = find(entries, f"bareEngine/{engine}/")
        voice = program.get("label", engine)
        if bare:
            over = program["ms"] - bare["ms"]
            row(f"clipboard tick to first audio, {voice}", program["ms"], "ms",
                "< +20 ms", over < 20, f"bare engine {bare['ms']:.1f} ms, {over:+.1f} ms over it")
        rtf = find(entries, f"realTimeFactor/{engine}/")
        if rtf and rtf.get("rtf") is not None:
            row(f"  real-time factor, {voice}", rtf["rtf"], "",
                note=f"{rtf['rtf']:.4f}: {rtf.get('audio_s', 0):.1f} s of speech made in "
                     f"{rtf['ms']:.0f} ms")
    quality = load(os.path.join(folder, "voice-quality.json"))
    if quality and "voices" in quality:
        for v in quality["voices"]:
            row(f"word error rate of a speech recogniser, {v['voice']}",
                v["word_error_rate_percent"], "%",
                note=f"{v['words']} words in {quality['sentences']} sentences; lower is more natural")
    elif quality:
        row("word error rate of the English voices", None, "", note=quality.get("skipped", ""))
    e = find(entries, "queueLargeClipboardText")
    if e:
        row("10 MB, 200,000-line copy taken and queued", e["ms"], "ms", "< 1000", e["ms"] < 1000)
        peak = e.get("peak_per_text")
        row("  peak memory, times the text's size", peak, "x", "< 5", peak is not None and peak < 5,
            f"{e.get('peak_MB', 0):.1f} MB for {e.get('text_MB', 0):.1f} MB of text")
        stall = e.get("longest_stall_ms")
        row("  longest stall of the window's thread", stall, "ms", "< 50", stall is not None and stall < 50)
    e = find(entries, "speakLongLineWithBalloon")
    if e:
        stall = e.get("longest_stall_ms")
        row("1 MB line without spaces spoken with the balloon on: longest stall of the window's thread",
            stall, "ms", "< 50", stall is not None and stall < 50,
            f"busiest turn of its event loop {e.get('longest_busy_ms', 0):.1f} ms of CPU; "
            f"first words in the balloon after {e['ms']:.0f} ms")
    for kind, label in (("WithoutSpaces", "without spaces"), ("WithSpaces", "with spaces")):
        for count in (10000, 40000, 1000000):
            e = find(entries, f"wrap{kind}/{count}")
            if e:
                row(f"balloon word wrap, {count:,} characters {label}", e["ms"], "ms",
                    note=f"{e.get('lines', 0):.0f} lines")
    e = find(entries, "balloonRevealsLongLine")
    if e:
        row("balloon with a 1 MB line: longest reveal of a 600-character piece",
            e.get("longest_reveal_ms"), "ms",
            note=f"shown in {e.get('show_ms', 0):.1f} ms, jump to the end {e.get('jump_to_end_ms', 0):.1f} ms")
    if desktop:
        cpu = desktop["idle_cpu_percent"]
        row(f"idle CPU over {desktop['idle_seconds']:.0f} s (watching, character idling)", cpu,
            "% of a core", "< 0.5", cpu < 0.5,
            f"web pane helpers: {desktop['idle_web_helpers_cpu_percent']:.2f} %")
        row("idle wake-ups", desktop["idle_wakeups_per_s"], "per s",
            note=f"web pane helpers: {desktop['idle_web_helpers_wakeups_per_s']:.1f} per s")
        if "x11_copy_MB" in desktop:
            peak = desktop["x11_copy_peak_MB"] / desktop["x11_copy_MB"]
            row("10 MB copy over the X clipboard: peak memory", peak, "x", "< 5", peak < 5,
                f"{desktop['x11_copy_peak_MB']:.1f} MB, real program under Xvfb")
            stall = desktop["x11_copy_longest_stall_ms"]
            row("  longest stall of the window's thread", stall, "ms", "< 50", stall < 50,
                "from the program's stall log (CLIPVOICE_STALL_LOG)")
        if "long_line_longest_stall_ms" in desktop:
            stall = desktop["long_line_longest_stall_ms"]
            row("1 MB line without spaces copied and spoken with the balloon on: longest stall",
                stall, "ms", "< 50", stall < 50,
                "real program under Xvfb, from its stall log (0: never over 20 ms)")
        row("instructions per clipboard tick (callgrind)", desktop["instructions_per_tick"], "")
        row("resident memory with a character loaded", desktop["rss_with_character_MB"], "MB")
    if selection:
        seconds = selection["selection_idle_seconds"]
        off = selection["idle_cpu_percent_selection_off"]
        for key, label, owner in (
                ("on", "200 characters", "selection_owner_cpu_percent_on"),
                ("on_60k", "60,000 characters", "selection_owner_cpu_percent_on_60k")):
            cpu = selection[f"idle_cpu_percent_selection_{key}"]
            row(f"idle CPU over {seconds:.0f} s watching a selection of {label}", cpu,
                "% of a core", "< 0.5", cpu < 0.5,
                f"option off: {off:.2f} %; wake-ups {selection[f'idle_wakeups_per_s_selection_{key}']:.1f}"
                f" per s (off: {selection['idle_wakeups_per_s_selection_off']:.1f}); "
                f"the selection's owner: {selection[owner]:.2f} %")

    width = max(len(r["measure"]) for r in rows) if rows else 10
    print(f"{'measure':<{width}}  {'value':>10}  {'unit':<11} {'goal':<8} {'met':<4} note")
    for r in rows:
        value = r["value"]
        shown = "n/a" if value is None else (f"{value:.0f}" if isinstance(value, int) else f"{value:.2f}")
        met = "" if r["met"] is None else ("yes" if r["met"] else "NO")
        print(f"{r['measure']:<{width}}  {shown:>10}  {r['unit']:<11} {r['goal'] or '':<8} {met:<4} {r['note']}")
    with open(os.path.join(folder, "results.json"), "w", encoding="utf-8") as f:
        json.dump({"rows": rows, "desktop": desktop, "selection": selection}, f, indent=2)
    print(f"\nwritten to {os.path.join(folder, 'results.json')}")
    return 0 if all(r["met"] is not False for r in rows) else 1


if __name__ == "__main__":
    sys.exit(main())
