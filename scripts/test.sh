#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, checks the formatting, builds with warnings as
# errors and runs every test; then builds again with AddressSanitizer and
# UndefinedBehaviorSanitizer in a second folder and runs every test there,
# and with ThreadSanitizer in a third, where the tests of the code that runs
# on threads of its own (the scan's walker, the content check queue) run.
# The Debian package and the Windows installer are made and tested too.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== format check"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

echo "== build and test"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLANBROOK_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs" --timeout 600

echo "== Debian package: lintian, its files, a scratch root and apt install"
bash scripts/test-package-deb.sh build

echo "== sanitizer build and test"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DLANBROOK_WERROR=ON -DLANBROOK_SANITIZE=ON \
    -DLANBROOK_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 600

echo "== ThreadSanitizer build; the tests of code with threads of its own"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLANBROOK_WERROR=ON \
    -DLANBROOK_SANITIZE=thread -DLANBROOK_BUILD_UI=OFF -DLANBROOK_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan -j"$jobs" --target engine_scan_tests engine_lookahead_tests check_queue_tests
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
ctest --test-dir build-tsan --output-on-failure -j"$jobs" --timeout 900 -L threads
ctest --test-dir build-tsan --output-on-failure -j"$jobs" --timeout 900 -R '^ContentCheckQueue'
unset TSAN_OPTIONS

echo "== fuzz targets, bounded time"
bash scripts/fuzz.sh

echo "== Windows: cross-build with mingw-w64, tests under Wine"
bash scripts/test-windows.sh build-win

echo "== Windows: the window program against Qt cross-built from Debian's source, its tests under Wine"
bash scripts/test-windows-ui.sh build-win-ui

echo "== Windows installer (NSIS): install, start, uninstall under Wine"
bash scripts/test-windows-installer.sh build-win-ui
