#!/usr/bin/env bash
# The tree `cmake --install` gives a desktop: every file in place, a valid menu entry and
# AppStream data, and a manual page that renders and documents exactly the options of --help.
set -euo pipefail
build=$1
version=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$tmp/root" cmake --install "$build" --prefix /usr >/dev/null
usr=$tmp/root/usr
for f in bin/ondokanri share/applications/ondokanri.desktop \
         share/icons/hicolor/scalable/apps/ondokanri.svg \
         share/icons/hicolor/48x48/apps/ondokanri.png share/icons/hicolor/256x256/apps/ondokanri.png \
         share/metainfo/ondokanri.metainfo.xml share/man/man1/ondokanri.1.gz \
         share/doc/ondokanri/copyright share/doc/ondokanri/changelog.gz; do
  [ -f "$usr/$f" ] || fail "not installed: $f"
done
for size in 48 256; do
  file "$usr/share/icons/hicolor/${size}x${size}/apps/ondokanri.png" | grep -q "PNG image data, $size x $size" \
    || fail "the ${size}px icon is not a ${size}x${size} PNG"
done

desktop-file-validate "$usr/share/applications/ondokanri.desktop" || fail "desktop-file-validate"
grep -qx 'Exec=ondokanri' "$usr/share/applications/ondokanri.desktop" || fail "Exec is not ondokanri"
grep -qx 'Name=温度管理' "$usr/share/applications/ondokanri.desktop" || fail "Name is not 温度管理"
appstreamcli validate --no-net "$usr/share/metainfo/ondokanri.metainfo.xml" >"$tmp/as.txt" 2>&1 \
  || { cat "$tmp/as.txt"; fail "appstreamcli validate"; }
grep -q "<release version=\"$version\"" "$usr/share/metainfo/ondokanri.metainfo.xml" \
  || fail "AppStream release is not $version"

MANWIDTH=120 man -l "$usr/share/man/man1/ondokanri.1.gz" 2>"$tmp/man.err" | col -b >"$tmp/man.txt"
[ ! -s "$tmp/man.err" ] || { cat "$tmp/man.err"; fail "man -l warns"; }
for section in NAME SYNOPSIS OPTIONS "EXIT STATUS" FILES EXAMPLES; do
  grep -qx "$section" "$tmp/man.txt" || fail "manual page has no $section section"
done
grep -q "ondokanri $version" "$tmp/man.txt" || fail "manual page is not of version $version"

# Options: the first column of --help, against the entries of the manual's OPTIONS section.
"$usr/bin/ondokanri" --help 2>/dev/null | grep -E '^  +-' | sed -E 's/^ +//; s/  .*//' \
  | grep -oE -- '-{1,2}[A-Za-z][A-Za-z-]*' | sort -u >"$tmp/help.opts"
sed -n '/^OPTIONS$/,/^[A-Z]/p' "$tmp/man.txt" | grep -E '^ {7}-' \
  | grep -oE -- '-{1,2}[A-Za-z][A-Za-z-]*' | sort -u >"$tmp/man.opts"
[ "$(wc -l <"$tmp/help.opts")" -ge 10 ] || fail "--help lists too few options: $(cat "$tmp/help.opts")"
if ! diff -u "$tmp/help.opts" "$tmp/man.opts" >"$tmp/opts.diff"; then
  cat "$tmp/opts.diff" >&2
  fail "options of --help (-) and of the manual page (+) differ"
fi
echo "install tree complete; $(wc -l <"$tmp/help.opts") options documented"
