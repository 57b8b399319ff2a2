# Shared by the side-by-side benchmarks: paths, a throwaway work folder, data making.
# BUILD (default: build/ of the checkout), PEERS (default: ../shared/peers beside the checkout), RUNS (rounds).
set -euo pipefail
bench=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$bench")
build=${BUILD:-$root/build}
peers=${PEERS:-$(cd "$root/.." && pwd)/shared/peers}
runs=${RUNS:-7}
app=$build/src/app/ondokanri
alt="python3 $peers/alt.py"

[ -x "$app" ] || { echo "build first: $app is missing" >&2; exit 1; }
[ -f "$peers/alt.py" ] || { echo "peers not found in $peers (set PEERS)" >&2; exit 1; }
for tool in sqlite3 gnuplot Rscript; do
  command -v "$tool" >/dev/null || { echo "$tool missing: run scripts/setup.sh" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/ondobench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/xdg XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

# make_data DIR [make_report_data.py options]: our data folder and, beside it, DIR/peer.db with the
# one table the peers read.
make_data() {
  local dir=$1; shift
  python3 "$bench/make_report_data.py" "$dir" "$@"
  sqlite3 "$dir/peer.db" "attach '$dir/kozeran.sqlite' as o; create table Reading as select KanriID, substr(Hiduke,1,10) as Hiduke, LNO, Sokuten, Ondo from o.OndoLine4;"
}

# pages FILE: the page count of a PDF.
pages() { pdfinfo "$1" | awk '/^Pages:/ {print $2}'; }
