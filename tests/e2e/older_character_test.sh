#!/usr/bin/env bash
# Characters in the older (1.5) format, in the running program: two such files
# in the character folder (bubble converted, and a copy whose "Greet" stream is
# damaged) appear in the tree. The first loads, greets and speaks a copied line
# with its mouth moving (the character window's pixels change with the mouth
# shapes while it speaks). The damaged one loads too: its greeting is skipped,
# the log says why, and it still speaks.
source "$(dirname "$0")/lib.sh"
FIXTURE="${2:?usage: $0 PATH-TO-clipvoice PATH-TO-acs15-fixture}"

e2e_start_xvfb
export CLIPVOICE_AUDIO_FILE="$E2E_DIR/audio.wav"
mkdir -p "$XDG_CONFIG_HOME/clipvoice"
printf '[q7a]\nlang=2\n' >"$(e2e_settings_file)" # English (US)

shipped="$(dirname "$CLIPVOICE_BIN")/../share/clipvoice/characters"
[ -f "$shipped/bubble.acs" ] || e2e_fail "no shipped bubble.acs next to the program: $shipped"
chars="$XDG_DATA_HOME/clipvoice/msagent/chars"
mkdir -p "$chars"
"$FIXTURE" convert "$shipped/bubble.acs" "$chars/classic.acs" || e2e_fail "the fixture was not written"
"$FIXTURE" convert "$shipped/bubble.acs" "$chars/damaged.acs" --minor 30 --damage Greet \
    || e2e_fail "the damaged fixture was not written"
head -c 8 "$chars/classic.acs" | od -An -tx1 | grep -q 'd0 cf 11 e0 a1 b1 1a e1' \
    || e2e_fail "the fixture is not a compound file"

e2e_new_trace first
e2e_start_program first
pid=$E2E_LAST_PID
e2e_wait_for 60 e2e_has_main_window "$pid" || e2e_fail "the main window did not appear"
win=$(e2e_main_window_of "$pid")

# Rows 4 and 5 of the tree: classic, then damaged.
e2e_click "$win" 92 104
e2e_wait_for 30 e2e_traced 'Characters.Load("clipvoice", "classic.acs") -> ok' \
    || e2e_fail "the older character did not load: $(grep -F 'Characters.Load' "$E2E_TRACE" || true)"
e2e_wait_for 20 e2e_traced_like '^request [0-9]+ started: Play "Greet"$' || e2e_fail "it did not greet"
e2e_wait_for 20 e2e_window_sized 128 128 >/dev/null || e2e_fail "no character window appeared"
character=$(e2e_window_sized 128 128)
greet=$(grep -E '^request [0-9]+ started: Play "Greet"$' "$E2E_TRACE" | head -n1 | awk '{print $2}')
e2e_wait_for 20 e2e_traced "request $greet finished: done" || e2e_fail "the greeting did not finish"
e2e_click "$win" 294 110 # gestures off: the copy is spoken at once

line="The older character reads this line aloud, and its mouth moves with every word it says."
printf '%s' "$line" | xclip -selection clipboard -i
e2e_wait_for 20 e2e_traced_like '^request [0-9]+ started: Speak ' || e2e_fail "the copy was not spoken"
# Pictures of the character window while it speaks: the mouth shapes make
# several different pictures. Without mouths a held frame gives one.
shots="$E2E_DIR/shots"
mkdir -p "$shots"
for ((i = 0; i < 30; ++i)); do
    e2e_traced_like '^speech ended: ' && break
    import -window "$character" "$shots/$i.png" 2>/dev/null || true
done
distinct=$(for f in "$shots"/*.png; do convert "$f" rgba:- 2>/dev/null | md5sum; done | sort -u | wc -l)
e2e_wait_for 60 e2e_traced_like '^speech ended: ' || e2e_fail "the speech did not end"
ended=$(grep -E '^speech ended: ' "$E2E_TRACE" | tail -n1)
mouths=$(sed -E 's/.*, ([0-9]+) mouth changes$/\1/' <<<"$ended")
[ "$mouths" -ge 5 ] || e2e_fail "the voice gave few mouth shapes ($ended)"
[ "$distinct" -ge 4 ] || e2e_fail "the character looked the same while speaking ($distinct different pictures)"
e2e_log "classic: $ended; $distinct different pictures while speaking"

# The damaged copy: it loads, the greeting is skipped, the log names the
# animation, and it still speaks.
e2e_click "$win" 92 120
e2e_wait_for 30 e2e_traced 'Characters.Load("clipvoice", "damaged.acs") -> ok' \
    || e2e_fail "the damaged character did not load: $(grep -F 'Characters.Load' "$E2E_TRACE" || true)"
damage_logged() { grep -q 'damaged.acs.*Greet' "$E2E_DIR/first.log"; }
e2e_wait_for 20 damage_logged || e2e_fail "the damaged animation was not logged"
line2="A damaged animation does not stop the rest."
printf '%s' "$line2" | xclip -selection clipboard -i
e2e_wait_for 30 e2e_traced_like "^request [0-9]+ started: Speak \"$line2\"" || e2e_fail "the damaged character did not speak"
e2e_wait_for 60 eval "[ \$(grep -cE '^speech ended: ' \"\$E2E_TRACE\") -ge 2 ]" || e2e_fail "its speech did not end"
kill -0 "$pid" || e2e_fail "the program quit"
e2e_log "damaged: $(grep -F 'Greet' "$E2E_DIR/first.log" | head -n1)"
e2e_log "PASS"
