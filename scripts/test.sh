#!/usr/bin/env bash
# Builds Dorvantile and runs every test: the format check, the whole suite, then the core
# tests once more under AddressSanitizer and UndefinedBehaviorSanitizer, the tests of the
# threads under ThreadSanitizer, and a minute of libFuzzer on the JSON catalogue reader.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test

git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORVANTILE_WERROR=ON
cmake --build build
ctest --test-dir build --output-on-failure

cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDORVANTILE_SANITIZE=address \
  -DDORVANTILE_WERROR=ON
cmake --build build-sanitize --target dorvantile_tests dorvantile-cli catalogue_reader_replay
ctest --test-dir build-sanitize -L core --output-on-failure

cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDORVANTILE_SANITIZE=thread \
  -DDORVANTILE_WERROR=ON
cmake --build build-tsan --target dorvantile_tests dorvantile-cli
ctest --test-dir build-tsan -L threads --output-on-failure

# libFuzzer is clang's: the fuzz build is the core and its target alone. What it finds is
# left in build-fuzz/ (crash-*, leak-*, ...) and fails the script.
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDORVANTILE_FUZZ=ON -DDORVANTILE_WERROR=ON
cmake --build build-fuzz --target catalogue_reader_fuzz
mkdir -p build-fuzz/corpus
build-fuzz/tests/fuzz/catalogue_reader_fuzz -max_total_time=60 -artifact_prefix=build-fuzz/ \
  build-fuzz/corpus tests/fuzz/corpus
