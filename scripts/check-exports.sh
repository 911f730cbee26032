#!/usr/bin/env bash
# check-exports.sh MODULE NAME...: MODULE exports exactly the NAMEs, undecorated,
# and imports no MinGW runtime DLL.
set -euo pipefail
module=$1
shift
dump=$(x86_64-w64-mingw32-objdump -p "$module")
exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | awk '/^[[:space:]]*\[ *[0-9]+\]/ {print $NF}' | sort)
expected=$(printf '%s\n' "$@" | sort)
if [ "$exports" != "$expected" ]; then
    echo "exports of $module:"; echo "$exports"; echo "expected:"; echo "$expected"
    exit 1
fi
imports=$(grep 'DLL Name:' <<<"$dump" | awk '{print tolower($3)}')
if grep -E 'libstdc\+\+|libgcc|libwinpthread' <<<"$imports"; then
    echo "$module imports a MinGW runtime DLL"
    exit 1
fi
echo "$module exports $(echo $exports) and imports: $(echo $imports)"
