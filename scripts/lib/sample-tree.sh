# SPDX-License-Identifier: MIT
# Sourced by the screenshot scripts: make_sample_tree FOLDER fills FOLDER with
# a sample of duplicate photos, documents, music and archives, some names in
# Chinese, that the screenshots show.
make_sample_tree() {
    local sample=$1
    # file PATH SIZE: a file of SIZE random bytes; copy FROM TO...: exact copies.
    file() { mkdir -p "$(dirname "$sample/$1")"; head -c "$2" /dev/urandom >"$sample/$1"; }
    copy() {
        local from=$1 to
        shift
        for to in "$@"; do mkdir -p "$(dirname "$sample/$to")"; cp "$sample/$from" "$sample/$to"; done
    }
    file "照片/2023/海边日落.jpg" 2400000
    copy "照片/2023/海边日落.jpg" "备份/手机相册/IMG_0412.jpg" "Downloads/sunset.jpg"
    file "照片/2023/family.png" 1800000
    copy "照片/2023/family.png" "备份/手机相册/family.png"
    file "照片/2024/春节.jpg" 950000
    file "文档/年度报告.docx" 480000
    copy "文档/年度报告.docx" "文档/旧版/年度报告(1).docx" "Desktop/年度报告.docx"
    file "文档/预算.xlsx" 120000
    copy "文档/预算.xlsx" "Downloads/预算.xlsx"
    file "文档/说明书.pdf" 3500000
    file "音乐/晴天.mp3" 5200000
    copy "音乐/晴天.mp3" "备份/音乐/晴天.mp3"
    file "音乐/theme.wav" 900000
    file "Downloads/setup-tools.zip" 7800000
    copy "Downloads/setup-tools.zip" "备份/安装包/setup-tools.zip"
    file "Downloads/installer.exe" 2100000
    copy "Downloads/installer.exe" "备份/安装包/installer.exe"
    file "Projects/demo/src/main.cpp" 14000
    copy "Projects/demo/src/main.cpp" "Projects/demo-copy/src/main.cpp"
    file "Projects/demo/README" 2000
    file "笔记/会议记录.txt" 6000
    copy "笔记/会议记录.txt" "Desktop/会议记录.txt"
    file "网页/index.html" 30000
    # A folder copied whole, for the 重复文件夹 page.
    mkdir -p "$sample/备份/照片"
    cp -r "$sample/照片/2023" "$sample/备份/照片/2023"
    # flip PATH OFFSET: changes one byte of a copy, away from the fingerprint's
    # samples, so the fingerprint still groups it and only the content check
    # tells it apart.
    flip() { printf 'X' | dd of="$sample/$1" bs=1 seek="$2" conv=notrunc status=none; }
    file "Downloads/toolchain-1.4.tar.gz" 4600000
    copy "Downloads/toolchain-1.4.tar.gz" "Downloads/toolchain-1.5.tar.gz"
    flip "Downloads/toolchain-1.5.tar.gz" 1000
    file "照片/2024/合影.jpg" 1300000
    copy "照片/2024/合影.jpg" "备份/手机相册/合影.jpg" "Desktop/合影.jpg" "Downloads/合影-编辑.jpg"
    flip "Downloads/合影-编辑.jpg" 70000
}
