#!/usr/bin/env bash
# Fails when a C++ file of the tree differs from what the project's .clang-format makes of it.
set -euo pipefail
cd "$1"
files=$(find src tests bench -name '*.cpp' -o -name '*.h' | sort)
clang-format --dry-run -Werror $files
