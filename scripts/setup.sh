#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages the build, the tests and the screenshots need,
# only those that are missing. Safe to run again.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    libsqlite3-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev libgl-dev
    libglib2.0-dev shared-mime-info
    libxxhash-dev nlohmann-json3-dev
    dbus-daemon
    clang-format
    xvfb xauth fonts-wqy-microhei
    help2man appstream desktop-file-utils dpkg-dev fakeroot lintian nsis
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    sudo_cmd=()
    [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -q
    "${sudo_cmd[@]}" apt-get install -y -q "${missing[@]}"
fi
