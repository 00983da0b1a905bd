#!/usr/bin/env bash
# Builds and runs every test: the native build, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the 32-bit Windows DLL
# under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
for preset in default asan mingw-i686; do
  echo "=== ${preset}: configure and build"
  cmake --preset "${preset}" >/dev/null
  cmake --build --preset "${preset}" -j "${jobs}"
done

status=0
for preset in default asan mingw-i686; do
  echo "=== ${preset}: tests"
  ctest --preset "${preset}" -j "${jobs}" || status=1
done
exit "${status}"
