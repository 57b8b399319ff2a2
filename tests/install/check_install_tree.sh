#!/usr/bin/env bash
# The tree `cmake --install` gives a desktop: every file in place, a valid menu entry and
# AppStream data, and manual pages in English and Japanese that render and document exactly the
# options of --help and every form of --form; the command line answers in Japanese.
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
         share/man/ja/man1/ondokanri.1.gz \
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

# The options of --help: its lines "  -h, --help  …" (descriptions and wrapped lines are
# indented further), without the values "<…>".
help() { "$usr/bin/ondokanri" --help 2>/dev/null; }
options() { grep -oE -- '(^|[ ,])-{1,2}[A-Za-z][A-Za-z-]*' | sed -E 's/^[ ,]//' | sort -u; }
help | grep -E '^  -' | sed -E 's/<[^>]*>//g' | options >"$tmp/help.opts"
[ "$(wc -l <"$tmp/help.opts")" -ge 10 ] || fail "--help lists too few options: $(cat "$tmp/help.opts")"
forms=$(help | sed -nE 's/^  --form <([^>]*)>.*/\1/p')
[ -n "$forms" ] || fail "--help shows no forms for --form"

# check_page FILE SECTIONS HEADING: the page renders without a warning, is of this version, has
# its sections, under HEADING an entry for every option of --help and no other, and --form
# with every form of --help.
check_page() {
  local page=$1 sections=$2 heading=$3 name=${1#"$usr"/}
  MANWIDTH=80 man -l "$page" 2>"$tmp/man.err" | col -bx >"$tmp/man.txt"
  [ ! -s "$tmp/man.err" ] || { cat "$tmp/man.err"; fail "man -l warns on $name"; }
  while IFS= read -r section; do
    grep -qx "$section" "$tmp/man.txt" || fail "$name has no section $section"
  done <<<"$sections"
  grep -q "ondokanri $version" "$tmp/man.txt" || fail "$name is not of version $version"
  sed -n "/^$heading\$/,/^[^ ]/p" "$tmp/man.txt" | grep -E '^ {7}-' | options >"$tmp/man.opts"
  if ! diff -u "$tmp/help.opts" "$tmp/man.opts" >"$tmp/opts.diff"; then
    cat "$tmp/opts.diff" >&2
    fail "options of --help (-) and of $name (+) differ"
  fi
  grep -qxF "       --form $forms" "$tmp/man.txt" || fail "$name does not give --form as $forms"
}
check_page "$usr/share/man/man1/ondokanri.1.gz" "$(printf '%s\n' NAME SYNOPSIS DESCRIPTION OPTIONS \
  'EXIT STATUS' FILES EXAMPLES)" OPTIONS
check_page "$usr/share/man/ja/man1/ondokanri.1.gz" "$(printf '%s\n' 名前 書式 説明 オプション \
  終了ステータス ファイル 例)" オプション
grep -q 'ondokanri - アスファルト合材の温度管理' "$tmp/man.txt" || fail "the Japanese page is not named in Japanese"

# A refused argument is told in Japanese under an English locale: Qt's own text comes translated.
mkdir -m 700 "$tmp/run"
status=0
XDG_RUNTIME_DIR=$tmp/run "$usr/bin/ondokanri" --no-such-option >/dev/null 2>"$tmp/err.txt" || status=$?
[ "$status" -eq 2 ] || fail "an unknown option exits $status"
if sed 's/no-such-option//' "$tmp/err.txt" | grep -qE '[A-Za-z]{2,}'; then
  fail "an unknown option is refused in English: $(cat "$tmp/err.txt")"
fi
echo "install tree complete; $(wc -l <"$tmp/help.opts") options documented in English and Japanese"
