#!/usr/bin/env bash
# The test command: installs what is missing, builds, runs all tests.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BRENVIK_BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh"
BRENVIK_BUILD_DIR="$build" "$root/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
export BRENVIK_NONINTERACTIVE=1
cd "$build"
ctest --output-on-failure --timeout 600 -j"$(nproc)"
