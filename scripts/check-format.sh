#!/usr/bin/env bash
# Fails, naming the files, when a C or C++ file of the tree differs from what the
# repository's .clang-format makes of it. scripts/check-format.sh --fix rewrites them.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
    clang-format -i "${files[@]}"
    exit 0
fi
differing=()
for f in "${files[@]}"; do
    clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || differing+=("$f")
done
if [ ${#differing[@]} -gt 0 ]; then
    echo "check-format.sh: these files differ from .clang-format (scripts/check-format.sh --fix):" >&2
    printf '  %s\n' "${differing[@]}" >&2
    exit 1
fi
echo "check-format.sh: $(echo ${#files[@]}) files follow .clang-format"
