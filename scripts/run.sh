#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program with its ready
# Data/ directory beside the executable.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
if [ -x build/bin/morvane ]; then
    exec build/bin/morvane "$@"
fi
# Until the desktop window exists, the program is the command-line checker
# run on the bundled sample registration file.
exec build/bin/morvane-check build/bin/Data/Sample.txt "$@"
