#!/usr/bin/env bash
# The program installed under a read-only staging tree and started with an empty home, by an
# ordinary user and by root (who may write anywhere): the catalogue is copied into the user's
# data folder once, with the umask's permissions, it is the user's to change, later starts keep
# it, and nothing is written into the install tree. Then a portable copy in a read-only folder
# opens the catalogue beside it.
#   installed_program.sh BUILD_DIR
set -euo pipefail
build=$1
top=$(mktemp -d)
trap 'chmod -R u+w "$top" 2>/dev/null; rm -rf "$top"' EXIT
chmod 755 "$top"
stage=$top/stage
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
chmod -R a-w "$stage"

fail() { echo "FAIL ($row): $*"; cat "$top/stderr" 2>/dev/null; exit 1; }
# WHO is root, or user: nobody when this runs as root, oneself otherwise.
user=()
[ "$(id -u)" -ne 0 ] || user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
as() { if [ "$1" = user ]; then shift && "${user[@]}" "$@"; else shift && "$@"; fi; }
home_of() { mkdir "$top/$1" && { [ "$2" = root ] || [ -z "${user[*]}" ] || chown nobody "$top/$1"; }; }
# run WHO UMASK HOME PROGRAM [ARGS...]; a failed start shows a message box, hence the time limit.
run() {
    local who=$1 mask=$2 home=$3
    shift 3
    (umask "$mask" && as "$who" env -i HOME="$home" PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen \
        COGWRIGHT_EXIT_WHEN_SHOWN=1 timeout 20 "$@" 2>"$top/stderr") || true
}
snapshot() { (cd "$1" && find . -printf '%p %s %T@ %m\n' | sort); }
passed=0

# Each row: who starts the installed program, the umask, the mode of the catalogue's copy.
while read -r who mask mode; do
    row="installed, $who, umask $mask"
    [ "$who" = user ] || [ "$(id -u)" -eq 0 ] || continue
    home_of "home-$who" "$who"
    home=$top/home-$who
    before=$(snapshot "$stage")
    [ "$(run "$who" "$mask" "$home" "$stage/usr/bin/cogwright")" = shown ] ||
        fail "the installed program did not show its first record"
    catalogue=$home/.local/share/cogwright/Parts.mdb
    [ -f "$catalogue" ] || fail "no catalogue in the user's data folder"
    cmp -s "$catalogue" "$stage/usr/share/cogwright/Parts.mdb" || fail "the copy differs from the shipped catalogue"
    [ "$(stat -c %a "$catalogue")" = "$mode" ] || fail "the copy's mode is $(stat -c %a "$catalogue"), not $mode"
    # The first record's picture was unpacked in the user's cache and deleted again.
    [ -d "$home/.cache/cogwright" ] || fail "no unpack folder in the user's cache"
    [ -z "$(find "$home" -name ok.jpg)" ] || fail "an unpack file was left behind"
    as "$who" sqlite3 "$catalogue" "UPDATE Parts SET PartName = 'Mine' WHERE PartID = 1" ||
        fail "the user cannot change their catalogue"
    [ "$(run "$who" "$mask" "$home" "$stage/usr/bin/cogwright")" = shown ] ||
        fail "the second start did not show its first record"
    [ "$(sqlite3 "$catalogue" "SELECT PartName FROM Parts WHERE PartID = 1")" = Mine ] ||
        fail "the second start replaced the user's catalogue"
    [ "$(snapshot "$stage")" = "$before" ] || fail "something was written into the install tree"
    [ "$(run "$who" "$mask" "$home" "$stage/usr/bin/cogwright" --version)" = "$("$build/bin/cogwright" --version)" ] ||
        fail "--version differs"
    passed=$((passed + 1))
done <<'ROWS'
user 027 640
root 002 664
ROWS

# A portable copy on a read-only folder: its own catalogue, nothing copied into the home.
row="portable copy, read-only folder"
portable=$top/portable
mkdir "$portable"
cp "$build/bin/cogwright" "$build/bin/logo.jpg" "$build/template/Parts.mdb" "$portable/"
chmod -R a-w "$portable"
home_of home-portable user
home=$top/home-portable
before=$(snapshot "$portable")
[ "$(run user 022 "$home" "$portable/cogwright")" = shown ] ||
    fail "the portable copy did not show the catalogue beside it"
[ ! -e "$home/.local/share/cogwright" ] || fail "a catalogue was made in the user's data folder"
[ "$(snapshot "$portable")" = "$before" ] || fail "something was written into the portable copy"
passed=$((passed + 1))
echo "$passed passed, 0 failed"
