#!/usr/bin/env bash
# The linters, which must be clean on the whole tree: clang-format-14 on the C++ (its style is
# in .clang-format), clang-tidy on src/ (its checks are in .clang-tidy), flake8 on the Python
# (.flake8) and shellcheck on the shell scripts.
# Usage: scripts/lint.sh BUILD_DIR, a folder configured by scripts/build.sh, whose
# compile_commands.json tells clang-tidy how each file is compiled.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: scripts/lint.sh BUILD_DIR}" && pwd)
cd "$root"
status=0
echo "lint: shellcheck"
git ls-files -z -- '*.sh' .ci/run | xargs -0 shellcheck || status=1
echo "lint: flake8"
git ls-files -z -- '*.py' | xargs -0 flake8 || status=1
echo "lint: clang-format"
# The version is pinned: another clang-format lays the same style out a little differently.
git ls-files -z -- {src,tests,tools,fuzz,bench}/'*.'{cpp,h,hpp,cc} |
    xargs -0 -r clang-format-14 --dry-run --Werror || status=1
echo "lint: clang-tidy"
# Quiet unless something is found; run-clang-tidy fails when any file has a finding.
if ! run-clang-tidy -quiet -p "$build" "$root/src/.*\.cpp" >"$build/clang-tidy.log" 2>&1; then
    # Without its colours, each finding with the lines that show it.
    sed 's/\x1b\[[0-9;]*m//g' "$build/clang-tidy.log" | grep -E '(warning|error): ' -A3 ||
        tail -n 30 "$build/clang-tidy.log"
    status=1
fi
[ "$status" -eq 0 ] && echo "lint: clean"
exit "$status"
