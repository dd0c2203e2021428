#!/usr/bin/env bash
# Checks that every C++ file of the project is formatted as .clang-format says; lists those that
# are not and fails. With --fix, reformats them all in place instead.
#   scripts/check_format.sh [--fix]
set -euo pipefail
cd "$(dirname "$0")/.."
clang_format="${CLANG_FORMAT:-clang-format}"
mapfile -t files < <(git ls-files -- '*.cpp' '*.h' '*.hpp' '*.cc')

if [ "${1:-}" = "--fix" ]; then
    "$clang_format" -i --style=file "${files[@]}"
    exit 0
fi

unformatted=()
for file in "${files[@]}"; do
    "$clang_format" --style=file --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done
if [ ${#unformatted[@]} -gt 0 ]; then
    printf 'not formatted: %s\n' "${unformatted[@]}" >&2
    echo "check_format: ${#unformatted[@]} of ${#files[@]} files differ; scripts/check_format.sh --fix formats them" >&2
    exit 1
fi
echo "check_format: ${#files[@]} files formatted"
