#!/usr/bin/env bash
# Starts the program on the demonstration configuration.
set -euo pipefail
build=${1:-build}
exec "$build/src/cli/temsetrix-cli" show "$(dirname "$0")/../data/DemoConfig.TDC"
