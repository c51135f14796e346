#!/usr/bin/env bash
# Runs the X11 clipboard reader's test on an X server of its own.
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/lib.sh"
e2e_start_xvfb
"$CLIPVOICE_BIN"
