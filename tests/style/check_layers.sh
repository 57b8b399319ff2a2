#!/usr/bin/env bash
# Fails when a library links one of a higher layer, or when a library whose name does not end
# in _ui (app, the composition root, aside) reaches Qt Widgets or Qt PrintSupport, directly or
# through what it links. The graph file lists the layers lowest first: "lib:dep;dep;...".
# With the source folder: fails too when a string literal outside the store (src/store) and the
# engine with its schema (src/storage) names one of our tables.
set -euo pipefail
graph=$1
sources=${2:-}
declare -A rank deps
i=0
while IFS=: read -r lib links; do
  rank[$lib]=$i; deps[$lib]=$links; i=$((i + 1))
done <"$graph"
fail=0
closure() { # every library a library reaches
  local lib=$1 d
  IFS=';' read -ra direct <<<"${deps[$lib]:-}"
  for d in "${direct[@]}"; do
    [ -n "$d" ] || continue
    echo "$d"
    [ -n "${rank[$d]:-}" ] && closure "$d"
  done
}
for lib in "${!rank[@]}"; do
  IFS=';' read -ra direct <<<"${deps[$lib]}"
  for d in "${direct[@]}"; do
    if [ -n "${rank[$d]:-}" ] && [ "${rank[$d]}" -ge "${rank[$lib]}" ]; then
      echo "$lib links $d, which is not below it"; fail=1
    fi
  done
  case $lib in *_ui | app) continue ;; esac
  if closure "$lib" | grep -qE '^Qt6::(Widgets|PrintSupport)$'; then
    echo "$lib reaches Qt Widgets or PrintSupport but is not a _ui library"; fail=1
  fi
done
if [ -n "$sources" ]; then
  tables='OndoKanri4|OndoHead4|OndoLine4|OndoRireki|OndoFuin|OndoBunpu|OndoBunpuLine|OndoKubun|Koji1|GozaiDef|SIMEI'
  # Comments and includes may name a table, a message the old program's file (OndoLine4.DB);
  # a literal in code may not name a table.
  literal="\"[^\"]*\\b($tables)\\b(?!\\.DB)[^\"]*\""
  stray=$(cd "$sources" && find src -name '*.cpp' -o -name '*.h' | grep -vE '^src/(store|storage)/' |
    sort | xargs grep -nHiP "$literal" |
    grep -vE '^[^:]+:[0-9]+:[[:space:]]*(#include|//)' | sed -E 's#[[:space:]]//.*$##' |
    grep -iP "$literal" || true)
  if [ -n "$stray" ]; then
    echo "a table named outside the store:"; echo "$stray"; fail=1
  fi
fi
[ $fail -eq 0 ] && echo "layers: ${#rank[@]} libraries, every link downwards"
exit $fail
