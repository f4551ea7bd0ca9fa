#!/usr/bin/env bash
# The settings table, by hand (as root: it mounts a small tmpfs as the
# config folder): for 0, 4 KB and 8 KB free, what one saved setting leaves
# of the settings file and what the user is told, then and at the next start.
#     tests/safety/settings_table.sh <build folder> ours|qt [tmpfs|ext4] [groups]
# "ours": the program's store; "qt": Qt's native format, as the program
# saved its settings before they had a format of their own. The config
# folder is a 256 KB tmpfs, or a loop-mounted 4 MB ext4 (no reserved blocks).
# The store holds the program's keys and 30 groups of tool keys (about
# 20 KB), or as many groups as given (12: about 10 KB, less than the 16 KB
# that Qt's file device keeps before it writes).
set -u
build=$1
kind=$2
fs=${3:-tmpfs}
groups=${4:-30}
probe=$build/tests/safety/settingsprobe
for free in 0 4096 8192; do
    home=$(mktemp -d /tmp/settings-table-XXXXXX)
    mkdir -p "$home/.config" "$home/.local/share" "$home/Documents" "$home/.runtime"
    chmod 700 "$home/.runtime"
    if [ "$fs" = ext4 ]; then
        dd if=/dev/zero of="$home/fs.img" bs=1M count=4 2>/dev/null
        mkfs.ext4 -q -F -m 0 "$home/fs.img" && mount -o loop "$home/fs.img" "$home/.config" || exit 1
    else
        mount -t tmpfs -o size=256k tmpfs "$home/.config" || exit 1
    fi
    export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share \
        XDG_CACHE_HOME=$home/.cache XDG_RUNTIME_DIR=$home/.runtime QT_QPA_PLATFORM=offscreen \
        KORVEL_PROBE_URL=off
    "$probe" init "$groups" >/dev/null
    file="$home/.config/Brisolan Technologies/Korvel Tarvendel.conf"
    cp "$file" "$home/old.conf"
    avail=$(df -B1 --output=avail "$home/.config" | tail -1)
    head -c $((avail - free)) /dev/zero >"$home/.config/filler" 2>/dev/null
    # The filler's own blocks of metadata may take a little more.
    left=$(df -B1 --output=avail "$home/.config" | tail -1)
    if [ "$left" -lt "$free" ]; then
        truncate -s -$((free - left)) "$home/.config/filler"
    fi
    sync -f "$home/.config/filler"
    left=$(df -B1 --output=avail "$home/.config" | tail -1)
    told=$("$probe" save "$kind" | tr '\n' ' ')
    if [ ! -e "$file" ]; then after="gone"
    elif cmp -s "$file" "$home/old.conf"; then after="old, byte-identical ($(stat -c %s "$file") bytes)"
    else after="$(stat -c %s "$file") bytes of $(stat -c %s "$home/old.conf"), changed"; fi
    others=$(cd "$home/.config/Brisolan Technologies" && ls -A | grep -v '^Korvel Tarvendel.conf$' | tr '\n' ' ')
    rm -f "$home/.config/filler"
    cp -a "$home/.config/Brisolan Technologies" "$home/saved"
    start=$("$probe" start "$kind" | tr '\n' ' ')
    if [ "$kind" = qt ]; then
        # The same file met by this tree's start.
        rm -rf "$home/.config/Brisolan Technologies" && cp -a "$home/saved" "$home/.config/Brisolan Technologies"
        start="$start | this tree's start: $("$probe" start ours | tr '\n' ' ')"
    fi
    echo "$kind on $fs, $left bytes free: file afterwards: $after; beside it: ${others:-nothing}"
    echo "    at the save: ${told:-nothing said}"
    echo "    next start: $start"
    umount "$home/.config"
    rm -rf "$home"
done
