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
cmake -S . -B build -G Ninja
cmake --build build --target keyshelf
cmake --install build --prefix "$prefix"
exec "$prefix/share/keyshelf/keyshelf"
