#!/usr/bin/env bash
# Takes the pictures of the real kelpex.exe on the demo series, driven from
# outside as a user would (tools/screen-driver/ScreenDriver.cpp), in a Wine prefix of
# their own at each DPI asked for:
#   tools/screenshot.sh            96 DPI, into docs/ (the README's pictures)
#   tools/screenshot.sh 144 192    into build/shots-DPI/, to check the layout
# Each run: the main window before a Run, the Yes/No question, the progress
# dialog, the outcome, the question about a file in use, and the longest texts (a long Japanese destination on
# a missing drive, a long question). At 96 DPI, also the tool under code
# page 1252, started from C:\users\José\Downloads\, with a Hangul
# destination: the main window and the outcome; a /passive Run (only its
# progress dialog); and the offer to go on as administrator
# (tools/screen-driver/OfferDemo.cpp); and the main window under a dark
# scheme.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
arch=i686
build=$root/build
if [ "$(id -u)" = 0 ]; then bash .ci/install-deps; fi
cmake -S . -B "$build/$arch" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DKELPEX_WINEPREFIX="$build/wine" >/dev/null
cmake --build "$build/$arch" -j"$(nproc)" --target kelpex screen_driver offer_demo >/dev/null
demo=$build/shots-demo
[ -f "$demo/kelpex.qcf" ] || tools/make-demo.sh "$build/$arch/app/kelpex.exe" "$demo" >/dev/null
cp "$build/$arch/app/kelpex.exe" "$demo/kelpex.exe"
driver=$build/$arch/tools/screen_driver.exe

# The driver reads its arguments in UTF-16: they reach it whole.
sj() { printf '%s' "$1"; }
drive() { wine "$driver" "$@" </dev/null | tr -d '\r'; }
# A control's number, read from the header the templates and the code share
# (the system's button numbers as windows.h gives them).
control_id() {
    local value
    value=$(sed -n "s/^#define $1 \([A-Z0-9]*\).*/\1/p" "$root"/res/*Ids.h)
    case $value in IDOK) echo 1 ;; IDCANCEL) echo 2 ;; IDYES) echo 6 ;; IDNO) echo 7 ;; *) echo "${value:?no control $1}" ;; esac
}
caption=$(sj "サンプルアプリ インストール")
question=$(sj "フォルダ作成の確認")
progress=$(sj "解凍中...")
# The window at x y w h (virtual desktop coordinates) plus a margin.
shot() {   # NAME X Y W H
    local name=$1 x=$2 y=$3 w=$4 h=$5 m=6
    import -window root -crop $((w + 2 * m))x$((h + 2 * m))+$((x - m))+$((y - m)) +repage "$out/$name.png"
    echo "screenshot: $out/$name.png"
}

unset DISPLAY
. tools/wine-env.sh
trap kelpex_wine_down EXIT
for dpi in "${@:-96}"; do
    if [ "$dpi" = 96 ] && [ $# -eq 0 ]; then out=$root/docs; else out=$build/shots-$dpi; fi
    mkdir -p "$out"
    prefix=$build/wine-shots-$dpi
    kelpex_wine_up "$prefix"
    if ! grep -q "\"LogPixels\"=dword:$(printf '%08x' "$dpi")" "$prefix/user.reg" 2>/dev/null; then
        wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f </dev/null >/dev/null 2>&1
        wineserver -k; wineserver -w
        kelpex_wine_up "$prefix"
    fi
    rm -rf "$prefix/drive_c/Program Files (x86)/KelpSoft" "$prefix/drive_c/Games"
    wine "$demo/kelpex.exe" </dev/null >/dev/null 2>&1 &
    # The 32-bit program's own program files folder: shown in dark red.
    drive type "$caption" $(control_id IDC_MAIN_DESTINATION_EDIT) 'C:\Program Files (x86)' >/dev/null
    drive tick "$caption" $(control_id IDC_MAIN_MAKER_BOX)
    drive tick "$caption" $(control_id IDC_MAIN_APP_BOX)
    shot main-window $(drive wait "$caption")
    drive click "$caption" $(control_id IDC_MAIN_RUN)
    shot question $(drive wait "$question")
    drive click "$question" $(control_id IDC_MESSAGE_YES)
    geometry=$(drive wait "$progress")
    shot progress $geometry
    drive gone "$progress"
    shot outcome $(drive wait "$caption")
    # Again into the same folder, a file held by another program: the
    # question, answered スキップ.
    inuse=$(sj "使用中のファイル")
    wine "$driver" hold "$(sj 'C:\Program Files (x86)\KelpSoft\サンプルアプリ\docs\readme1.txt')" 60000 </dev/null >/dev/null 2>&1 &
    hold_pid=$!
    sleep 1
    drive click "$caption" $(control_id IDC_MAIN_RUN)
    shot in-use $(drive wait "$inuse")
    drive click "$inuse" $(control_id IDC_MESSAGE_NO)
    drive gone "$progress"
    kill "$hold_pid" 2>/dev/null || true
    wait "$hold_pid" 2>/dev/null || true
    # The longest texts: a long Japanese destination, refused on a missing drive.
    long='Q:\日本語のとても長いフォルダ名【旧】データ\サンプルアプリ ダウンロード版 特典付き\セーブデータ保存用フォルダ'
    drive type "$caption" $(control_id IDC_MAIN_DESTINATION_EDIT) "$(sj "$long")"
    drive click "$caption" $(control_id IDC_MAIN_RUN)
    sleep 1
    shot long-error $(drive wait "$caption")
    drive type "$caption" $(control_id IDC_MAIN_DESTINATION_EDIT) "$(sj 'C:\Games\日本語のとても長いフォルダ名【旧】データ\サンプルアプリ ダウンロード版 特典付き\セーブデータ保存用フォルダ')"
    drive click "$caption" $(control_id IDC_MAIN_RUN)
    shot long-question $(drive wait "$question")
    drive click "$question" $(control_id IDC_MESSAGE_NO)
    drive click "$caption" $(control_id IDC_MAIN_EXIT)
    drive gone "$caption"
    if [ "$dpi" = 96 ]; then
        # A Western Windows, the tool in a folder Shift_JIS cannot name, a
        # destination in Hangul.
        western="$prefix/drive_c/users/José/Downloads/sample"
        rm -rf "$western" "$prefix/drive_c/게임"
        mkdir -p "$western"
        cp "$demo"/* "$western/"
        LANG=en_US.UTF-8 wine 'C:\users\José\Downloads\sample\kelpex.exe' </dev/null >/dev/null 2>&1 &
        drive type "$caption" $(control_id IDC_MAIN_DESTINATION_EDIT) 'C:\게임\샘플' >/dev/null
        drive tick "$caption" $(control_id IDC_MAIN_MAKER_BOX)
        shot main-window-1252 $(drive wait "$caption")
        drive click "$caption" $(control_id IDC_MAIN_RUN)
        drive wait "$question" >/dev/null
        drive click "$question" $(control_id IDC_MESSAGE_YES)
        drive gone "$progress"
        shot outcome-1252 $(drive wait "$caption")
        drive click "$caption" $(control_id IDC_MAIN_EXIT)
        drive gone "$caption"
        # /passive: the progress dialog alone on the desktop, no main window.
        rm -rf "$prefix/drive_c/Games/Passive"
        wine "$demo/kelpex.exe" /passive '/dest=C:\Games\Passive\' /maker </dev/null >/dev/null 2>&1 &
        passive_pid=$!
        read -r x y w h < <(drive wait "$progress")
        shot passive $((x - 160)) $((y - 100)) $((w + 320)) $((h + 200))
        wait "$passive_pid"
        offer=$(sj "管理者の権限の確認")
        wine "$build/$arch/tools/offer_demo.exe" "$(echo "Z:$demo" | tr / '\\')" </dev/null >/dev/null 2>&1 &
        demo_pid=$!
        shot administrator-offer $(drive wait "$offer")
        drive click "$offer" $(control_id IDC_MESSAGE_NO)
        wait "$demo_pid"
        # A dark scheme the user set (window black, text white, faces dark
        # grey): every marked colour still readable on it.
        wineserver -k; wineserver -w
        colours=(Window '0 0 0' WindowText '255 255 255' ButtonFace '48 48 48' ButtonText '255 255 255'
                 GrayText '160 160 160')
        for ((i = 0; i < ${#colours[@]}; i += 2)); do
            wine reg add 'HKCU\Control Panel\Colors' /v "${colours[i]}" /d "${colours[i + 1]}" /f </dev/null >/dev/null 2>&1
        done
        wineserver -w
        kelpex_wine_up "$prefix"
        wine "$demo/kelpex.exe" </dev/null >/dev/null 2>&1 &
        drive type "$caption" $(control_id IDC_MAIN_DESTINATION_EDIT) 'C:\Program Files (x86)' >/dev/null
        drive tick "$caption" $(control_id IDC_MAIN_MAKER_BOX)
        drive tick "$caption" $(control_id IDC_MAIN_APP_BOX)
        shot main-window-dark $(drive wait "$caption")
        drive click "$caption" $(control_id IDC_MAIN_EXIT)
        drive gone "$caption"
        # The prefix keeps the default scheme for the next run.
        wineserver -k; wineserver -w
        wine reg delete 'HKCU\Control Panel\Colors' /f </dev/null >/dev/null 2>&1 || true
        wineserver -w
    fi
    kelpex_wine_down
done
