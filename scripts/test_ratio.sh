#!/usr/bin/env bash
# Lines of test code against lines of program code (src/ and tools/), C++ sources and headers
# only, blank lines and comment lines left out. Run from anywhere in the tree.
set -euo pipefail
cd "$(dirname "$0")/.."

# Lines that hold code: not blank, not a // line, not inside or on a /* ... */ block.
count() {
    find "$@" -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 cat | awk '
        /^[[:space:]]*\/\*/ { block = 1 }
        block { if (/\*\//) block = 0; next }
        /^[[:space:]]*$/ || /^[[:space:]]*\/\// { next }
        { n++ }
        END { print n + 0 }'
}

tests=$(count tests)
code=$(count src tools)
echo "tests: $tests lines"
echo "code:  $code lines (src/ and tools/)"
awk -v t="$tests" -v c="$code" 'BEGIN { printf "ratio: %.1f%%\n", 100 * t / c }'
