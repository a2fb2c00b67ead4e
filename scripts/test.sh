#!/usr/bin/env bash
# Installs what is missing, builds Keyshelf and runs every test: the normal build's suite, the skinned
# build in real windows, then the whole suite and the fuzzers in an AddressSanitizer +
# UndefinedBehaviorSanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh test

jobs=$(nproc)
# Every build below treats a warning as an error: gcc and clang each warn of things the other lets pass.
# The three gcc builds share most of their objects: the skinned and the banner-less builds take what the
# normal build compiled from ccache, whose store lives in the build folder.
# The sanitizer build caches its own objects there too, so that running the command again is quick; the
# window tests' precompiled header is cached when its definitions and dates are left out of the match.
export CCACHE_DIR="$PWD/build/ccache" CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1 CCACHE_SLOPPINESS=pch_defines,time_macros
cached=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build -G Ninja -DKEYSHELF_TESTS=ON -DKEYSHELF_BENCH=ON -DKEYSHELF_WERROR=ON "${cached[@]}"
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

# A build with skinning on, whose banner address is a local test server: its windows in real use.
cmake -S . -B build-skin -G Ninja -DKEYSHELF_SKIN=ON -DKEYSHELF_BENCH=OFF -DKEYSHELF_WERROR=ON "${cached[@]}" \
    -DKEYSHELF_BANNER_URL=http://127.0.0.1:18473/adserver.asp
cmake --build build-skin -j "$jobs" --target keyshelf
bash tests/e2e/appearance_test.sh build-skin/keyshelf build/tests/banner_server build/screenshots skinned 18473
# Its windows in a dark colour scheme and in the light palette.
bash tests/e2e/dark_palette_test.sh build-skin/keyshelf build/tests/make_vault build/screenshots skinned
# The same band against hostile servers: nothing they try may act for the user or hold up the window.
bash tests/e2e/banner_attack_test.sh build-skin/keyshelf build/tests/banner_server build/tests/make_vault \
    build/screenshots 18473
# The program's memory with the band's page showing against banner=0, one run of each: figures to read
# (target at most 1.2x), which fail nothing; only a program that does not start or show its page does.
bash bench/banner_memory_bench.sh build-skin/keyshelf build/tests/banner_server build/tests/make_vault 18473 1

# A build without the banner makes no request and starts nothing.
cmake -S . -B build-nobanner -G Ninja -DKEYSHELF_BANNER=OFF -DKEYSHELF_BENCH=OFF -DKEYSHELF_WERROR=ON \
    "${cached[@]}"
cmake --build build-nobanner -j "$jobs" --target keyshelf make_vault
bash tests/e2e/no_banner_test.sh build-nobanner/keyshelf build-nobanner/tests/make_vault build/screenshots

# The whole suite again, built with clang under AddressSanitizer and UndefinedBehaviorSanitizer, with the
# fuzzers replaying their corpora and running briefly.
cmake -S . -B build-sanitize -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKEYSHELF_VAULT_ONLY=OFF -DKEYSHELF_FUZZ=ON -DKEYSHELF_SANITIZE=ON -DKEYSHELF_BENCH=OFF -DKEYSHELF_WERROR=ON \
    "${cached[@]}"
cmake --build build-sanitize -j "$jobs"
# Not again here: the install and set-up scripts, which run no sanitized code of their own, the colour
# checks of the screenshots, whose windows the other real-window tests drive under the sanitizers, and the
# check that the main window keeps its native window, a question of the window system alone; nor the sealed
# vault in real windows, whose code the vault, session, kill and keyshelf-cli tests run here sanitized.
ctest --test-dir build-sanitize --output-on-failure -j "$jobs" \
    -E '^(dark_palette_e2e|install_e2e|run_command_e2e|setup_without_sudo|main_window_kept_e2e|sealed_e2e)$'
