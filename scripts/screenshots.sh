#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Takes the README's screenshots of the real window program: makes a sample
# tree with duplicate photos, documents, music and archives (some names in
# Chinese), maps it as drive C: with the profile inside it, and runs the
# screenshot tool under Xvfb with a CJK font. The images land in docs/. The
# clean-up's copies go to a trash inside the work folder, removed with it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target lanbrook-screenshots

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sample="$work/sample"

# shellcheck source=lib/sample-tree.sh
source scripts/lib/sample-tree.sh
make_sample_tree "$sample"
mkdir -p "$sample/profile"

mkdir -m 700 "$work/runtime"
mkdir -p docs
export LANBROOK_DRIVES="C:=$sample" USERPROFILE="$sample/profile" XDG_RUNTIME_DIR="$work/runtime"
export XDG_DATA_HOME="$work/data"
export LANG=C.UTF-8 QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1600x1000x24" \
    build/bin/lanbrook-screenshots docs 'C:\照片\2023\海边日落.jpg' 'C:\备份\安装包' move
