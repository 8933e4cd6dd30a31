#!/usr/bin/env bash
# Starts the program. It opens a window, so run it from a desktop session.
set -euo pipefail
build=${1:-build}
exec "$build/src/gui/temsetrix"
