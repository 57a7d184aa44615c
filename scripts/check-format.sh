#!/bin/sh
# Fails when a C++ file of the project deviates from the checked-in .clang-format.
# `scripts/check-format.sh --fix` formats them in place instead.
cd "$(dirname "$0")/.." || exit 1
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null)
[ -n "$files" ] || files=$(find src tests bench tools main.cpp -name '*.cpp' -o -name '*.h')
if [ "$1" = "--fix" ]; then
    # shellcheck disable=SC2086
    clang-format -i $files
    exit 0
fi
bad=""
for f in $files; do
    clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || bad="$bad $f"
done
if [ -n "$bad" ]; then
    echo "These files deviate from .clang-format (run scripts/check-format.sh --fix):"
    for f in $bad; do echo "  $f"; done
    exit 1
fi
echo "Formatting: every C++ file follows .clang-format."
