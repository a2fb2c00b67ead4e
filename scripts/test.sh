#!/usr/bin/env bash
# Installs what is missing, builds Keyshelf and runs every test: the normal build's suite, then the vault
# core's suite and the fuzzers in an AddressSanitizer + UndefinedBehaviorSanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

jobs=$(nproc)
cmake -S . -B build -G Ninja
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-sanitize -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKEYSHELF_VAULT_ONLY=ON -DKEYSHELF_FUZZ=ON -DKEYSHELF_SANITIZE=ON -DKEYSHELF_BENCH=OFF
cmake --build build-sanitize -j "$jobs"
ctest --test-dir build-sanitize --output-on-failure -j "$jobs"
