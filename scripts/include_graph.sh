#!/usr/bin/env bash
# Prints which folder includes which (one line per folder: the folders its files
# include) and fails when a layer includes one above it. The layers, top to bottom:
# app (entry) > ui (window) > model (catalogue, settings) > hw (ports, registers).
# No layer includes sim/, tests/ or toolchain/; those may include any layer (toolchain/
# is also force-included into every layer, which no #include line shows).
# Usage: scripts/include_graph.sh [source root]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

edges=$(grep -rHn --include='*.h' --include='*.cpp' --include='*.rc' -E '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[a-z_]+/' \
          app ui model hw sim tests bench toolchain 2>/dev/null |
        sed -E 's|^(([a-z_]+)/[^:]*):([0-9]+):[^"]*"([a-z_]+)/[^"]*".*|\2 \4 \1:\3|')

# The graph, without a folder's includes of itself.
awk '$1 != $2 { print $1, $2 }' <<<"$edges" | sort -u |
  awk '{ to[$1] = to[$1] " " $2 } END { for (f in to) print f " ->" to[f] }' | sort

awk '
  BEGIN { rank["hw"] = 0; rank["model"] = 1; rank["ui"] = 2; rank["app"] = 3 }
  ($1 in rank) && (!($2 in rank) || rank[$2] > rank[$1]) {
    print "upward include: " $3 " (" $1 " includes " $2 ")"; bad = 1
  }
  END { exit bad }' <<<"$edges" >&2 || { echo "include_graph: the layers must only point down" >&2; exit 1; }
echo "layers point down: app > ui > model > hw"
