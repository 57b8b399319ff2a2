#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on its default data folder.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2 --target ondokanri
exec build/src/app/ondokanri "$@"
