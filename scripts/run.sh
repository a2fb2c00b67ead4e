#!/usr/bin/env bash
# Installs what is missing, builds Keyshelf, installs it for this user in ~/.local and starts the
# installed program. Its vault, data.enc, lives beside it in ~/.local/share/keyshelf, where no build
# step touches it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh run
prefix="$HOME/.local"
# Earlier versions ran Keyshelf from build/, so their vault is there.
./scripts/old_vault.sh "$PWD/build/data.enc" "$prefix/share/keyshelf"
# The program alone: the test suites and benchmarks need what only the test command installs.
cmake -S . -B build -G Ninja -DKEYSHELF_TESTS=OFF -DKEYSHELF_BENCH=OFF
cmake --build build --target keyshelf
cmake --install build --prefix "$prefix"
exec "$prefix/share/keyshelf/keyshelf"
