#!/usr/bin/env bash
# The Debian package `cpack -G DEB` makes: its control fields, its dependencies (computed and
# those loaded at run time), lintian without errors, and the binary it ships runs.
set -euo pipefail
build=$1
version=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$tmp/out" >"$tmp/cpack.log" 2>&1) || { cat "$tmp/cpack.log"; fail "cpack"; }
deb=$tmp/out/ondokanri_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no package $deb"

dpkg-deb -I "$deb" >"$tmp/info.txt" || fail "dpkg-deb -I"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = ondokanri ] || fail "Package is $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version is $(field Version), not $version"
field Maintainer | grep -qE '^[^<]+ <[^@ ]+@[^> ]+>$' || fail "Maintainer is '$(field Maintainer)'"
# Matched on a copy: with pipefail, grep -q leaving early would fail the writer (SIGPIPE).
description=$(field Description)
grep -q '温度管理' <<<"$description" || fail "no Japanese description"
grep -q 'asphalt' <<<"$description" || fail "no English description"
depends=$(field Depends)
for p in libqt6sql6-sqlite libpq5 fonts-ipafont-gothic fonts-ipafont-mincho pxlib1 libxlsxwriter4 \
         qt6-translations-l10n libqt6core6 libqt6widgets6 libqt6printsupport6; do
  echo "$depends" | tr ',' '\n' | sed -E 's/^ +//; s/ .*//' | grep -qx "$p" || fail "Depends lacks $p: $depends"
done

lintian --fail-on error "$deb" >"$tmp/lintian.txt" 2>&1 || { cat "$tmp/lintian.txt"; fail "lintian reports errors"; }

dpkg -x "$deb" "$tmp/root"
readelf -d "$tmp/root/usr/bin/ondokanri" | grep -qE 'RPATH|RUNPATH' && fail "the packaged binary keeps a build path"
out=$("$tmp/root/usr/bin/ondokanri" --version 2>/dev/null) || fail "--version exits $?"
[ "$out" = "ondokanri $version" ] || fail "--version prints '$out'"
echo "package $(basename "$deb"): $depends"
