#!/usr/bin/env bash
# Starts the program: the window when it is built, otherwise the command line on the demonstration file.
set -euo pipefail
build=${1:-build}
if [ -x "$build/src/gui/temsetrix" ]; then
  exec "$build/src/gui/temsetrix"
fi
exec "$build/src/cli/temsetrix-cli" show "$(dirname "$0")/../data/DemoConfig.TDC"
