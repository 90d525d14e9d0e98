#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program with its ready
# Data/ directory beside the executable.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: run the program under a virtual one:" >&2
    echo "    xvfb-run -a build/bin/morvane" >&2
    echo "(tools/screenshots.sh saves pictures of it; build/bin/morvane-check" >&2
    echo " build/bin/Data/Sample.txt checks a file without any window.)" >&2
    exit 1
fi
exec build/bin/morvane "$@"
