#!/usr/bin/env bash
# The Debian package made from the build: its name, version, dependencies found by
# dpkg-shlibdeps, its contents, and lintian's errors (none allowed).
#   debian_package.sh BUILD_DIR VERSION
set -euo pipefail
build=$1 version=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; fail "cpack"; }
deb=$(ls "$out"/cogwright_"$version"_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "no cogwright_${version}_ARCH.deb"
[ "$(dpkg-deb -f "$deb" Package)" = cogwright ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version"
[ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no maintainer"
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libqt6printsupport6 libsqlite3-0 fonts-liberation libpq5; do
    grep -q "$d" <<<"$depends" || fail "Depends lacks $d: $depends"
done
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/cogwright ./usr/lib/cogwright/libcogwright_browser.so ./usr/share/cogwright/Parts.mdb \
         ./usr/share/cogwright/logo.jpg ./usr/share/cogwright/maker/index.html \
         ./usr/share/applications/com.quillmark.Cogwright.desktop ./usr/share/man/man1/cogwright.1.gz \
         ./usr/share/doc/cogwright/copyright ./usr/share/metainfo/com.quillmark.Cogwright.metainfo.xml; do
    grep -qx "$f" <<<"$contents" || fail "the package lacks $f"
done
if command -v lintian >/dev/null; then
    lintian --fail-on error "$deb" 2>&1 | grep -v 'root privileges' || true
    lintian --fail-on error "$deb" >/dev/null 2>&1 || fail "lintian reports errors"
fi
echo "1 passed, 0 failed"
