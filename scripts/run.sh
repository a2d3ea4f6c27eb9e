#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds, and runs the analysis.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

if [[ -x build/engine/lanbrook-scan ]]; then
    exec build/engine/lanbrook-scan "$@"
fi
echo "run: the analysis program is not built yet"
