#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds, and runs the analysis.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

# The window program needs a display; without one the console runner does the
# same analysis and prints its summary.
if [[ -x build/bin/lanbrook && ( -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ) ]]; then
    exec build/bin/lanbrook "$@"
fi
if [[ -x build/bin/lanbrook-scan ]]; then
    exec build/bin/lanbrook-scan "$@"
fi
echo "run: the analysis program is not built yet" >&2
exit 1
