# Shared Wine set-up for tools/test.sh and tools/demo.sh (sourced, not run).
# Everything runs in a private prefix inside the build tree, in Japanese
# (ANSI code page 932), with an Xvfb display of its own when none is set.

export LANG=ja_JP.UTF-8 LC_ALL= WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

kelpex_started_xvfb=""

kelpex_wine_up() {   # $1 = prefix folder
    export WINEPREFIX="$1"
    if [ -z "${DISPLAY:-}" ]; then
        # Streams started together search displays of their own, so that
        # two never take the same free one.
        local n first=${KELPEX_DISPLAY_FIRST:-91}
        for n in $(seq "$first" $((first + 24))); do
            [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
            Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
            kelpex_started_xvfb=$!
            export DISPLAY=":$n"
            break
        done
        local i
        for i in $(seq 1 100); do [ -e "/tmp/.X11-unix/X${DISPLAY#:}" ] && break; sleep 0.1; done
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        wineboot -i </dev/null >/dev/null 2>&1
        wineserver -w
    fi
    # The title bar's buttons are drawn with the Marlett symbol font
    # (Debian's fonts-wine); a prefix only finds it in its own Fonts folder.
    if [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
        cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    fi
    # Windows live in one virtual desktop: without a window manager each new
    # top-level window otherwise waits about 2 s for one to answer, and the
    # desktop also draws title bars for screenshots. The setting must be in
    # place before anything creates the desktop, so a fresh prefix gets it
    # and then waits for its server to exit (which saves the registry).
    if ! grep -q '"Desktop"="Default"' "$WINEPREFIX/user.reg" 2>/dev/null; then
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f </dev/null >/dev/null 2>&1
        wineserver -w
    fi
    # Wine's server and services inherit the output of the program that
    # starts them; starting them here, detached, keeps CTest from waiting
    # on them. The desktop's process likewise. A server already running for
    # the prefix (a demo left open) serves as well: -p then exits with 2.
    wineserver -p </dev/null >/dev/null 2>&1 || true
    wine cmd /c exit 0 </dev/null >/dev/null 2>&1
    wine explorer.exe /desktop=Default,1280x1024 </dev/null >/dev/null 2>&1 &
    sleep 2
}

kelpex_wine_check() {   # both architectures must really run
    local out32 out64
    out64=$(wine cmd /c echo kelpex64 </dev/null 2>/dev/null | tr -d '\r')
    out32=$(wine 'C:\windows\syswow64\cmd.exe' /c echo kelpex32 </dev/null 2>/dev/null | tr -d '\r')
    [ "$out64" = kelpex64 ] || { echo "Wine cannot run 64-bit programs" >&2; return 1; }
    [ "$out32" = kelpex32 ] || { echo "Wine cannot run 32-bit programs (is wine32:i386 installed?)" >&2; return 1; }
}

kelpex_wine_down() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$kelpex_started_xvfb" ]; then
        kill "$kelpex_started_xvfb" 2>/dev/null || true
        wait "$kelpex_started_xvfb" 2>/dev/null || true
        kelpex_started_xvfb=""
    fi
}

# Test drives, as letters of the prefix (root only; tests that need one skip
# when it is missing):
#   T:  an ordinary folder
#   R:  a read-only bind mount holding readonly.txt (access denied even as root)
#   S:  a 64 KB tmpfs (a full disk)
#   U:  a 3 MB tmpfs (room for the free-space check, not for the data)
#   F:  a FAT32 volume, through fusefat (which holds files of up to 2 GiB)
#   Q:  never mapped
# and C:\kelpex-mounted, a folder of C: that is a 2 MB tmpfs: another volume
# mounted into a folder, as Windows mounts one.
kelpex_drives_up() {   # $1 = folder for the drives
    local base=$1 dd=$WINEPREFIX/dosdevices
    mkdir -p "$base/t" "$base/rsrc" "$base/r" "$base/s" "$base/u"
    rm -f "$dd/q:" "$dd/t:" "$dd/r:" "$dd/s:" "$dd/u:"
    ln -s "$base/t" "$dd/t:"
    [ "$(id -u)" = 0 ] || return 0
    if ! mountpoint -q "$base/r"; then
        echo "read-only" > "$base/rsrc/readonly.txt"
        mount --bind "$base/rsrc" "$base/r" && mount -o remount,bind,ro "$base/r" || true
    fi
    mountpoint -q "$base/r" && ln -s "$base/r" "$dd/r:"
    if ! mountpoint -q "$base/s"; then
        mount -t tmpfs -o size=64k tmpfs "$base/s" || true
    fi
    mountpoint -q "$base/s" && ln -s "$base/s" "$dd/s:"
    if ! mountpoint -q "$base/u"; then
        mount -t tmpfs -o size=3m tmpfs "$base/u" || true
    fi
    mountpoint -q "$base/u" && ln -s "$base/u" "$dd/u:"
    local mounted=$WINEPREFIX/drive_c/kelpex-mounted
    mkdir -p "$mounted"
    mountpoint -q "$mounted" || mount -t tmpfs -o size=2m tmpfs "$mounted" || true
    rm -f "$dd/f:"
    # A fusefat whose process has gone leaves a dead mount behind.
    if ! mountpoint -q "$base/f" && grep -q " $base/f " /proc/mounts; then
        fusermount -uz "$base/f" 2>/dev/null || umount -l "$base/f" 2>/dev/null || true
    fi
    if ! mountpoint -q "$base/f" && command -v mkfs.vfat >/dev/null && command -v fusefat >/dev/null; then
        mkdir -p "$base/f"
        rm -f "$base/fat32.img"
        truncate -s 3G "$base/fat32.img"   # sparse: only what is written takes room
        mkfs.vfat -F 32 "$base/fat32.img" >/dev/null 2>&1 && fusefat -o rw+ "$base/fat32.img" "$base/f" >/dev/null 2>&1 || true
    fi
    mountpoint -q "$base/f" && ln -s "$base/f" "$dd/f:"
    return 0
}

kelpex_drives_down() {   # $1 = folder for the drives
    local base=$1 m
    rm -f "$WINEPREFIX/dosdevices/r:" "$WINEPREFIX/dosdevices/s:" "$WINEPREFIX/dosdevices/u:" "$WINEPREFIX/dosdevices/f:"
    for m in "$base/r" "$base/s" "$base/u" "$WINEPREFIX/drive_c/kelpex-mounted"; do
        mountpoint -q "$m" 2>/dev/null && umount "$m" 2>/dev/null
    done
    mountpoint -q "$base/f" 2>/dev/null && { fusermount -u "$base/f" 2>/dev/null || umount "$base/f" 2>/dev/null; }
    rm -f "$base/fat32.img"
    return 0
}
