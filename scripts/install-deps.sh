#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, and
# only those that are missing. Works as root, or as another user through sudo.
set -euo pipefail

PACKAGES=(
    cmake ninja-build g++ pkg-config git
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev libcups2-dev libjpeg62-turbo-dev libicu-dev
    fonts-liberation2 xvfb xauth
    libsqlite3-dev libssl-dev coreutils libedit-dev poppler-utils
)

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing missing packages: ${missing[*]}"
SUDO=()
if [ "$(id -u)" -ne 0 ]; then
    SUDO=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -q
"${SUDO[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
