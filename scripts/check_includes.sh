#!/usr/bin/env bash
# Fails when an include runs against the order of the layers: a folder includes its own headers and
# those of the layers below it, never a layer above it or beside it.
#   base <- platform, store/engine <- store <- editor, library, prefs <- browser <- ide <- client
#   store <- cli (the command line: no widgets, so nothing above the store)
# client holds the programs' own mains, so it may include the IDE it starts.
# resources (pictures, layouts and the sample library's tool) sit above store and below the forms;
# tests and benchmarks may include anything.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

declare -A below=(
  [base]=""
  [platform]="base"
  [store/engine]="base"
  [store]="base platform store/engine"
  [resources]="base platform store/engine store"
  [editor]="base platform store/engine store resources"
  [library]="base platform store/engine store resources"
  [prefs]="base platform store/engine store resources"
  [browser]="base platform store/engine store resources editor library prefs"
  [client]="base platform store/engine store resources editor library prefs browser ide"
  [ide]="base platform store/engine store resources editor library prefs browser"
  [cli]="base platform store/engine store"
)

layer() {
  case "$1" in
    store/engine/*) echo store/engine ;;
    */*) echo "${1%%/*}" ;;
    *) echo "" ;;
  esac
}

status=0
while IFS= read -r file; do
  own="$(layer "$file")"
  [[ -v below[$own] ]] || continue
  while IFS=: read -r number included; do
    target="$(layer "$included")"
    [[ -z "$target" || "$target" == "$own" ]] && continue
    if [[ " ${below[$own]} " != *" $target "* ]]; then
      echo "$file:$number: \"$included\" is not below $own" >&2
      status=1
    fi
  done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"' "$file" |
           sed -E 's/^([0-9]+):[^"]*"([^"]+)".*/\1:\2/')
done < <(find "${!below[@]}" -type f \( -name '*.cpp' -o -name '*.h' \) 2>/dev/null | sort -u)
exit $status
