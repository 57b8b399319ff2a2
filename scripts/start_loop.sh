#!/usr/bin/env bash
# Starts the program to its first window again and again from a sanitizer build, on the
# start-up benchmark's data, to catch a start that aborts once in many. Every tenth start is
# also killed half-way first, as a crash would leave the data. Not part of the tests: the
# build and the starts take long.
#   scripts/start_loop.sh [address|thread|plain] [STARTS] [DAYS]   (default: address 500 1000)
# "plain" uses the usual build folder (BUILD, default build/) as it is configured.
# A failed start's output is kept as start-loop-KIND-N.log in the checkout.
set -euo pipefail
kind=${1:-address}
starts=${2:-500}
days=${3:-1000}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build-$kind}
flags=
case $kind in
  plain) build=${BUILD:-$root/build} ;;
  address) flags="-fsanitize=address,undefined -fno-omit-frame-pointer" ;;
  # Qt itself is not built for it: races inside Qt may be reported that are not ours.
  thread) flags="-fsanitize=thread" ;;
  *) echo "usage: $0 [address|thread|plain] [STARTS] [DAYS]" >&2; exit 2 ;;
esac
if [ -n "$flags" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
fi
cmake --build "$build" --target start_app -j2

work=$(mktemp -d "${TMPDIR:-/tmp}/startloop.XXXXXX")
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/xdg XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
python3 "$root/bench/make_report_data.py" "$XDG_DATA_HOME/kozeran/data" --days "$days" --readings 24
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
sleep 1
export DISPLAY=$display QT_QPA_PLATFORM=xcb
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

failed=0
for i in $(seq 1 "$starts"); do
  if ((i % 10 == 0)); then
    "$build/bench/start_app" >/dev/null 2>&1 &
    killed=$!
    sleep "0.$((RANDOM % 5))"
    kill -9 "$killed" 2>/dev/null || true
    wait "$killed" 2>/dev/null || true
  fi
  if ! timeout 60 "$build/bench/start_app" >"$work/log" 2>&1; then
    failed=$((failed + 1))
    cp "$work/log" "$root/start-loop-$kind-$i.log"
    echo "start $i failed: $(head -c 300 "$work/log")"
  fi
done
echo "$kind: $starts starts, $failed failed"
[ "$failed" -eq 0 ]
