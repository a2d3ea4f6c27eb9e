#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the Windows package, dist/lanbrook-<version>-windows-x64.zip, from the
# build of scripts/test-windows-ui.sh (run first, or run here when missing):
#   lanbrook.exe, lanbrook-scan.exe   static: they need only Windows' own DLLs
#   LICENSES/                         Qt's licence texts (LGPL-3.0 and the GPL
#                                     it builds on), those of the third-party
#                                     code Qt bundles, Debian's copyright file
#                                     of the Qt source, Qt's configure options
#   relink/                           the program's object files and libraries
#                                     and its link step: Qt is linked
#                                     statically, so the LGPL lets users link
#                                     the program against a Qt of their own
#   说明.txt                           how to run it, how to relink it
#
# Usage: scripts/package-windows.sh [build folder, default build-win-ui]
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
source_dir=$PWD
build=$(realpath -m "${1:-build-win-ui}")
# shellcheck source=lib/debian-source.sh
source scripts/lib/debian-source.sh
install_missing zip
qt=$(bash scripts/windows-qt.sh)
if [[ ! -f $build/bin/lanbrook.exe || ! -f $build/build.ninja ]]; then
    bash scripts/test-windows-ui.sh "$build"
fi
cmake --build "$build" --target lanbrook lanbrook-scan >/dev/null

version=$(sed -nE 's/^project\(lanbrook VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
name=lanbrook-$version-windows-x64
stage=$build/package/$name
rm -rf "$build/package"
mkdir -p "$stage/relink" "$stage/LICENSES" dist

scan=$(find "$build" -name lanbrook-scan.exe -not -path "$build/package/*" | head -n1)
x86_64-w64-mingw32-strip -o "$stage/lanbrook.exe" "$build/bin/lanbrook.exe"
x86_64-w64-mingw32-strip -o "$stage/lanbrook-scan.exe" "$scan"

# Nothing but Windows' own DLLs may be imported: the package holds no others.
# (shcore.dll, Qt's DPI calls, is part of every Windows that Qt 6 supports.)
for exe in "$stage"/*.exe; do
    x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\tDLL Name: //p' | while read -r dll; do
        case ${dll,,} in
            api-ms-win-* | advapi32.dll | comctl32.dll | comdlg32.dll | dwmapi.dll | dwrite.dll | \
                gdi32.dll | imm32.dll | kernel32.dll | msvcrt.dll | netapi32.dll | ole32.dll | \
                oleaut32.dll | shell32.dll | shlwapi.dll | user32.dll | userenv.dll | \
                uxtheme.dll | version.dll | winmm.dll | ws2_32.dll | wtsapi32.dll | \
                d3d9.dll | d3d11.dll | dxgi.dll | setupapi.dll | authz.dll | mpr.dll | shcore.dll) ;;
            *)
                echo "package-windows: $(basename "$exe") needs $dll, which Windows lacks" >&2
                exit 1
                ;;
        esac
    done
done

cp -r "$qt/licenses/." "$stage/LICENSES/"

# The link step of lanbrook.exe as CMake wrote it, with the build's files
# copied into relink/ and Qt's prefix left to the user.
link=$(ninja -C "$build" -t commands bin/lanbrook.exe | tail -n1)
python3 - "$link" "$build" "$qt" "$stage/relink" <<'PY'
import os, shlex, shutil, sys
link, build, qt, out = sys.argv[1:]
# ": && g++ ... && :" around the command on POSIX hosts.
words = [w for w in shlex.split(link) if w not in (":", "&&")]
os.makedirs(os.path.join(out, "obj"), exist_ok=True)
args = []
for w in words:
    if w.startswith(build + "/") and os.path.isfile(w):
        rel = os.path.relpath(w, build).replace("/", "_")
        shutil.copy(w, os.path.join(out, "obj", rel))
        args.append("obj/" + rel)
    elif w.startswith(build + "/"):
        args.append("lanbrook.exe")  # the output
    elif qt in w:
        args.append(w.replace(qt, "${QT_PREFIX}"))
    else:
        args.append(w)
args[0] = "${CXX:-" + os.path.basename(args[0]) + "}"
quoted = " ".join(a if "${" in a else shlex.quote(a) for a in args)
with open(os.path.join(out, "relink.sh"), "w") as f:
    f.write("#!/bin/sh\n"
            "# Links lanbrook.exe again from the object files in obj/ against the\n"
            "# static Qt 6 for mingw-w64 at QT_PREFIX (see ../LICENSES/configure-options.txt\n"
            "# for how the shipped one was configured).\n"
            "set -e\ncd \"$(dirname \"$0\")\"\n"
            ": \"${QT_PREFIX:?set QT_PREFIX to your Qt 6 for mingw-w64}\"\n"
            + quoted + "\n")
os.chmod(os.path.join(out, "relink.sh"), 0o755)
PY

cat >"$stage/说明.txt" <<'TXT'
Lanbrook：重复文件查找程序（64 位 Windows）

运行：双击 lanbrook.exe 打开窗口程序；控制台程序 lanbrook-scan.exe 在命令提示符中运行
（lanbrook-scan --help 列出其选项）。程序无需安装，也不需要其他 DLL。
数据库保存在用户目录的 FileInfoData 文件夹中。

Running: double-click lanbrook.exe for the window program; run lanbrook-scan.exe
from a command prompt (lanbrook-scan --help lists its options). Nothing to
install, no other DLLs needed.

Qt: lanbrook.exe links Qt 6 statically, under the GNU LGPL version 3
(LICENSES/LGPL-3.0-only.txt, which builds on LICENSES/GPL-3.0-only.txt). Qt's
source is Debian's qt6-base source package named in
LICENSES/configure-options.txt, configured with the options listed there.
To run the program with a Qt of your own, build that Qt as a static library
for mingw-w64 and link the program again from relink/:
    QT_PREFIX=/path/to/your/qt sh relink/relink.sh
(CXX names the compiler, x86_64-w64-mingw32-g++-posix by default.)
TXT

rm -f "dist/$name.zip"
(cd "$build/package" && zip -qr9 "$source_dir/dist/$name.zip" "$name")
echo "dist/$name.zip"
