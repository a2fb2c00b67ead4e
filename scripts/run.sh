#!/usr/bin/env bash
# Installs what is missing, builds Keyshelf and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build -G Ninja
cmake --build build --target keyshelf
exec ./build/keyshelf
