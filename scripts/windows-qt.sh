#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Cross-builds a static Qt for 64-bit Windows (mingw-w64) from Debian's own
# qt6-base source package, of the version the native build uses, and prints
# its install prefix. Debian ships no Qt for mingw-w64.
#
# The result is kept in a machine-level cache folder keyed by the Debian
# version, outside any clone, so that a fresh clone (as CI makes one) reuses
# it: $LANBROOK_QT_CACHE (default /var/cache/lanbrook)/qt6-mingw-<version>.
# It is built only when missing (about 20 minutes on two idle cores); the
# 1.8 GB build folder is deleted once Qt is installed.
#
# Usage: scripts/windows-qt.sh   (progress on stderr, prefix on stdout)
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
source_dir=$PWD
# shellcheck source=lib/debian-source.sh
source scripts/lib/debian-source.sh

install_missing cmake ninja-build mingw-w64 dpkg-dev qt6-base-dev qt6-base-dev-tools
version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
cache=${LANBROOK_QT_CACHE:-/var/cache/lanbrook}
prefix=$cache/qt6-mingw-${version//[:+~]/_}
if [[ -f $prefix/.lanbrook-ready ]]; then
    echo "$prefix"
    exit 0
fi

# The host tools (moc, uic, rcc, ...) come from the system's own Qt.
host_prefix=/usr
host_cmake_dir=$(dirname "$(dpkg -L qt6-base-dev | grep -m1 '/cmake/Qt6/Qt6Config.cmake$')")
host_cmake_dir=$(dirname "$host_cmake_dir")

# Every configure option in one place: the smallest Qt the window program
# and its tests need. Core, Gui, Widgets and Test; the Windows platform
# plugin, and the offscreen one (it needs FreeType, built from Qt's bundled
# copy) for window tests without a display. Third-party libraries are Qt's
# bundled copies, so nothing else needs cross-building.
# - Debian's repacked source lacks the tablet sources: tablet events off,
#   and direct2d with them; DirectWrite 3 without direct2d leaves a font
#   database undefined at link time, so it is off too.
# - OpenGL off needs dynamic GL off, or the platform plugin does not compile.
qt_options=(
    -DBUILD_SHARED_LIBS=OFF -DCMAKE_BUILD_TYPE=Release
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
    -DQT_GENERATE_SBOM=OFF
    -DFEATURE_gui=ON -DFEATURE_widgets=ON -DFEATURE_testlib=ON
    -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_xml=OFF -DFEATURE_dbus=OFF
    -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF
    -DINPUT_opengl=no -DFEATURE_opengl=OFF -DFEATURE_opengl_dynamic=OFF
    -DFEATURE_dynamicgl=OFF -DFEATURE_vulkan=OFF
    -DFEATURE_tabletevent=OFF -DFEATURE_direct2d=OFF -DFEATURE_directwrite3=OFF
    -DFEATURE_freetype=ON -DFEATURE_system_freetype=OFF
    -DFEATURE_harfbuzz=ON -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF
    -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_sql_sqlite=OFF
    -DFEATURE_openssl=OFF -DFEATURE_icu=OFF
)

# collect_licences SOURCE DEST: the licence texts of Qt and of the
# third-party code it bundles, and Debian's copyright file, which a package
# of a program linked with this Qt ships.
collect_licences() {
    local src=$1 dest=$2 file
    mkdir -p "$dest/3rdparty"
    cp "$src"/LICENSES/*.txt "$dest/"
    cp "$src/debian/copyright" "$dest/debian-copyright.txt"
    while IFS= read -r -d '' file; do
        local name=${file#"$src"/src/3rdparty/}
        cp "$file" "$dest/3rdparty/${name//\//-}"
    done < <(find "$src/src/3rdparty" -maxdepth 2 -type f \( -iname '*licen*' -o -iname 'COPYING*' \) -print0)
}

mkdir -p "$cache"
work=$cache/qt6-mingw-work
# A build broken off part way resumes in its folder.
if [[ ! -f $work/.fetched ]]; then
    echo "windows-qt: fetching qt6-base $version" >&2
    debian_source "$work" qt6-base "$version"
    touch "$work/.fetched"
fi
echo "windows-qt: configuring" >&2
logged "$work/configure.log" cmake -G Ninja -S "$work/src" -B "$work/build" \
    -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/toolchain-mingw64.cmake" \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH="$host_prefix" -DQT_HOST_PATH_CMAKE_DIR="$host_cmake_dir" \
    "${qt_options[@]}"
echo "windows-qt: building (about 900 steps)" >&2
logged "$work/build.log" cmake --build "$work/build" -j"$(nproc)"
rm -rf "$prefix"
logged "$work/install.log" cmake --install "$work/build"
collect_licences "$work/src" "$prefix/licenses"
printf '%s\n' "qt6-base $version (Debian source package)" "${qt_options[@]}" \
    >"$prefix/licenses/configure-options.txt"
touch "$prefix/.lanbrook-ready"
rm -rf "$work"
echo "$prefix"
