#!/usr/bin/env bash
# check-include-edges.sh <source root> <graph file>
#
# Fails when a source file includes a header of an area its own area may not use. Graph
# lines: "<area> <used area or folder>..." (written by cmake/SolvutilIncludeEdges.cmake).
# A file belongs to the longest declared area containing it; an include is resolved
# against the including file's folder first, then the root; headers found in neither
# (system and generated headers) are not checked.
set -euo pipefail
root="$(cd "$1" && pwd)"
graph="$2"

declare -A uses=()
areas=()
while read -r area deps; do
    [[ -z "$area" ]] && continue
    areas+=("$area")
    uses["$area"]="$deps"
done < "$graph"

area_of() {  # sets REPLY to the area of path $1 (empty if none)
    local a
    REPLY=""
    for a in "${areas[@]}"; do
        if [[ "$1" == "$a"/* && ${#a} -gt ${#REPLY} ]]; then REPLY="$a"; fi
    done
}

may_use() {  # may area $1 include from area $2?
    local d
    [[ "$1" == "$2" ]] && return 0
    for d in ${uses["$1"]}; do
        if [[ "$2" == "$d" || "$2" == "$d"/* ]]; then return 0; fi
    done
    return 1
}

include_re='s/^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([^>"]+)[>"].*/\1/p'
failures=0
while IFS= read -r -d '' file; do
    rel="${file#"$root"/}"
    area_of "$rel"
    from="$REPLY"
    dir="${file%/*}"
    while IFS= read -r inc; do
        if [[ -f "$dir/$inc" ]]; then
            target="$(realpath -m --relative-to="$root" "$dir/$inc")"
        elif [[ -f "$root/$inc" ]]; then
            target="$inc"
        else
            continue
        fi
        area_of "$target"
        to="$REPLY"
        if [[ -z "$from" || -z "$to" ]]; then
            echo "$rel includes $target: ${from:-$rel} or ${to:-$target} is in no declared area"
            failures=$((failures + 1))
        elif ! may_use "$from" "$to"; then
            echo "$rel includes $target, but $from may not use $to"
            failures=$((failures + 1))
        fi
    done < <(sed -nE "$include_re" "$file")
done < <(find "$root" \( -name build -o -name '.*' \) -prune -o -type f \
              \( -name '*.cpp' -o -name '*.hpp' -o -name '*.c' -o -name '*.h' \) -print0)

if ((failures > 0)); then
    echo "include edges: $failures include(s) outside the declared graph"
    exit 1
fi
echo "include edges: every include follows the declared graph"
