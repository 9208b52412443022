#!/bin/sh
# Installs the build under an unusual prefix inside DESTDIR, as a distribution package would,
# and checks what a desktop gets: every file in its place, the icon sizes, and the desktop
# entry, AppStream metadata and manual page as their own validators read them.
# Usage: check-install.sh CMAKE BUILD_DIR VERSION
set -eu

cmake=$1 build=$2 version=$3
id=com.quillmark.Cogwright
prefix=/opt/cogwright-check

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dest=$work/dest
share=$dest$prefix/share
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Runs a validator; any message at all (a warning included) fails, and is shown.
validate() {
    what=$1
    shift
    if out=$("$@" 2>&1); then rc=0; else rc=$?; fi
    if [ "$rc" -ne 0 ] || [ -n "$out" ]; then
        fail "$what (status $rc)"
        printf '%s\n' "$out"
    else
        echo "ok: $what"
    fi
}

DESTDIR=$dest "$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || {
    cat "$work/install.log"
    echo "FAIL: cmake --install"
    exit 1
}

# Relative destinations: nothing may land outside the prefix.
outside=$(cd "$dest" && find . -type f ! -path ".$prefix/*")
[ -z "$outside" ] || fail "installed outside the prefix: $outside"

desktop=$share/applications/$id.desktop
metainfo=$share/metainfo/$id.metainfo.xml
svg=$share/icons/hicolor/scalable/apps/$id.svg
for f in "$desktop" "$metainfo" "$share/man/man1/cogwright.1.gz" "$svg" \
         "$share/doc/cogwright/copyright" "$share/doc/cogwright/changelog.gz"; do
    [ -s "$f" ] || fail "missing or empty: ${f#"$dest"}"
done
# The manual page is installed compressed, as Debian wants it; read here as man reads it.
manpage=$work/cogwright.1
gzip -dc "$share/man/man1/cogwright.1.gz" > "$manpage" 2>/dev/null || fail "manual page is not gzip"

# Each PNG is a real PNG of the size its folder names.
for size in 48 64 128 256; do
    png=$share/icons/hicolor/${size}x${size}/apps/$id.png
    if [ ! -s "$png" ]; then
        fail "missing icon ${size}x${size}"
        continue
    fi
    magic=$(od -An -tx1 -N8 "$png" | tr -d ' \n')
    [ "$magic" = 89504e470d0a1a0a ] || fail "${size}x${size} icon is not a PNG"
    # The eight bytes of width and height, split into words on purpose.
    # shellcheck disable=SC2046
    set -- $(od -An -tu1 -j16 -N8 "$png")
    w=$(( ($1 << 24) + ($2 << 16) + ($3 << 8) + $4 ))
    h=$(( ($5 << 24) + ($6 << 16) + ($7 << 8) + $8 ))
    if [ "$w" -eq "$size" ] && [ "$h" -eq "$size" ]; then
        echo "ok: icon ${size}x${size}"
    else
        fail "icon in ${size}x${size} is ${w}x${h}"
    fi
done

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi

validate "desktop-file-validate" desktop-file-validate "$desktop"
# --strict fails on warnings too; only pedantic hints (the upper-case id) are let through.
if out=$(appstreamcli validate --no-net --strict "$metainfo" 2>&1); then
    echo "ok: appstreamcli validate"
else
    fail "appstreamcli validate"
fi
printf '%s\n' "$out"
validate "groff -man -ww" env LC_ALL=C.UTF-8 groff -man -ww -z "$manpage"

# The files agree with each other and with the program.
key() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(key Icon)" = "$id" ] || fail "desktop Icon= is '$(key Icon)'"
[ "$(key Exec)" = "cogwright %f" ] || fail "desktop Exec= is '$(key Exec)'"
grep -q "<id>$id</id>" "$metainfo" || fail "metainfo id is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" \
    || fail "metainfo does not launch $id.desktop"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo release is not $version"
grep -q "^\.TH COGWRIGHT 1 .*\"cogwright $version\"" "$manpage" || fail "manual page is not for $version"
for section in NAME SYNOPSIS DESCRIPTION OPTIONS FILES "EXIT STATUS"; do
    grep -q "^\.SH \"*$section\"*\$" "$manpage" || fail "manual page has no $section"
done

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "all packaging checks passed"
