#!/usr/bin/env bash
# The program installed under a read-only staging tree and started by an ordinary user with an
# empty home: the catalogue is copied into the user's data folder once, it is the user's to
# change, later starts keep it, and nothing is written into the install tree.
#   installed_program.sh BUILD_DIR
set -euo pipefail
build=$1
top=$(mktemp -d)
trap 'chmod -R u+w "$top" 2>/dev/null; rm -rf "$top"' EXIT
chmod 755 "$top"
stage=$top/stage
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
chmod -R a-w "$stage"
home=$top/home
mkdir "$home"

# Root may write anywhere: run as nobody, as a user would be.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    chown nobody "$home"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
run() {
    env -i HOME="$home" PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen COGWRIGHT_EXIT_WHEN_SHOWN=1 \
        timeout 60 "${as_user[@]}" "$stage/usr/bin/cogwright" "$@" 2>"$top/stderr"
}
fail() { echo "FAIL: $*"; cat "$top/stderr" 2>/dev/null; exit 1; }
snapshot() { (cd "$stage" && find . -printf '%p %s %T@\n' | sort); }

before=$(snapshot)
[ "$(run)" = shown ] || fail "the installed program did not show its first record"
catalogue=$home/.local/share/cogwright/Parts.mdb
[ -f "$catalogue" ] || fail "no catalogue in the user's data folder"
cmp -s "$catalogue" "$stage/usr/share/cogwright/Parts.mdb" || fail "the copy differs from the shipped catalogue"
# The first record's picture was unpacked in the user's cache and deleted again.
[ -d "$home/.cache/cogwright" ] || fail "no unpack folder in the user's cache"
[ -z "$(find "$home" -name ok.jpg)" ] || fail "an unpack file was left behind"
"${as_user[@]}" sqlite3 "$catalogue" "UPDATE Parts SET PartName = 'Mine' WHERE PartID = 1" ||
    fail "the user cannot change their catalogue"
[ "$(run)" = shown ] || fail "the second start did not show its first record"
[ "$(sqlite3 "$catalogue" "SELECT PartName FROM Parts WHERE PartID = 1")" = Mine ] ||
    fail "the second start replaced the user's catalogue"
[ "$(snapshot)" = "$before" ] || fail "something was written into the install tree"
[ "$(run --version)" = "$("$build/bin/cogwright" --version)" ] || fail "--version differs"
echo "1 passed, 0 failed"
