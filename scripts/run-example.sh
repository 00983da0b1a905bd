#!/usr/bin/env bash
# Builds the library and vintrax-update, then updates the clones of the example
# scene: the report goes to the terminal, the result to build/example/robot_arms.obj.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target vintrax vintrax-update
mkdir -p build/example
build/default/bin/vintrax-update examples/robot_arms.obj -o build/example/robot_arms.obj
echo "Updated scene written to build/example/robot_arms.obj"
