#!/usr/bin/env bash
# Checks that the C++ lines changed since a base commit follow .clang-format (only the changed lines:
# older code is formatted when it is next touched). The base is $1, else the point where this
# branch left main, else (on main itself) the previous commit. Exits non-zero and prints the
# needed changes when a changed line is not formatted.
set -euo pipefail
cd "$(dirname "$0")/.."
base=${1:-}
if [[ -z $base ]]; then
  if git rev-parse -q --verify main >/dev/null && [[ $(git rev-parse HEAD) != $(git rev-parse main) ]]; then
    base=$(git merge-base HEAD main)
  else
    base=$(git rev-parse HEAD~1 2>/dev/null || git hash-object -t tree /dev/null)
  fi
fi
# The house style, without include sorting: the include blocks keep the order the code gives them
# (the unit's own header first), which the style's regrouping would undo.
style="{$(grep -v '^ *#' .clang-format | grep -v '^IncludeBlocks' | paste -sd, -), SortIncludes: false}"
diff=$(git clang-format --binary clang-format --style "$style" --diff --extensions h,cpp "$base" -- \
         common platform proj manager tests || true)
if [[ -z $diff || $diff == *"no modified files to format"* || $diff == *"did not modify any files"* ]]; then
  echo "format: changed lines since ${base:0:12} are formatted"
  exit 0
fi
echo "$diff"
echo "format: changed lines since ${base:0:12} need clang-format (git clang-format $base)"
exit 1
