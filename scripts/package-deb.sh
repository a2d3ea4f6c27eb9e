#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the Debian package dist/lanbrook_<version>_amd64.deb from a native
# build folder (default build, the one scripts/test.sh builds; configured and
# built here when missing) with CPack's DEB generator: every install rule of
# the project under /usr, programs stripped, library dependencies computed by
# dpkg-shlibdeps. Then lintian checks it; a tag that is neither overridden
# in packaging/lintian-overrides (each with its reason) nor of the classes
# "pedantic" or "experimental" fails the script. Prints the package's path.
#
# Usage: scripts/package-deb.sh [build folder, default build]
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
build=$(realpath -m "${1:-build}")
# shellcheck source=lib/debian-source.sh
source scripts/lib/debian-source.sh
install_missing cmake dpkg-dev fakeroot help2man lintian

if [[ ! -f $build/CMakeCache.txt ]]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLANBROOK_BUILD_BENCH=OFF >/dev/null
fi
# CPack installs the whole project, which builds what is not built yet.
cmake --build "$build" -j"$(nproc)" >/dev/null
grep -q '^Qt6_DIR:PATH=/' "$build/CMakeCache.txt" ||
    { echo "package-deb: $build has no window program (Qt 6 not found)" >&2; exit 1; }

rm -rf "$build/package"
(cd "$build" && cpack -G DEB --config CPackConfig.cmake >"$build/cpack.log" 2>&1) ||
    { tail -n 40 "$build/cpack.log" >&2; exit 1; }
deb=$(find "$build/package" -maxdepth 1 -name 'lanbrook_*.deb' -print -quit)
[[ -f $deb ]] || { echo "package-deb: CPack made no package" >&2; exit 1; }
mkdir -p dist
cp "$deb" dist/
deb=dist/$(basename "$deb")

# Overrides live beside the sources, not in the package: lintian reads them
# from the file named here.
lintian_log=$build/lintian.log
lintian --info --display-level '>=info' --suppress-tags-from-file packaging/lintian-overrides \
    "$deb" >"$lintian_log" 2>&1 || true
if grep -E '^[EWI]: ' "$lintian_log" >&2; then
    echo "package-deb: lintian reports the tags above (log: $lintian_log)" >&2
    exit 1
fi
echo "$deb"
