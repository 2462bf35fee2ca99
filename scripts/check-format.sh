#!/usr/bin/env bash
# Fails when a C++ file the repository holds is not formatted as .clang-format
# says; prints the places. Mend with: git ls-files '*.cpp' '*.h' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "$0")/.."
if ! git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror; then
  echo "Formatting differs from .clang-format (see above)." >&2
  exit 1
fi
