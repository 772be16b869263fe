#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Dorvantile need.
# Usage: scripts/install-deps.sh [build|test]   (test also brings what the tests use)
set -euo pipefail

build_packages=(g++ cmake ninja-build libgtest-dev)
test_packages=()

wanted=("${build_packages[@]}")
if [[ "${1:-build}" == test ]]; then
  wanted+=("${test_packages[@]}")
fi

missing=()
for package in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if ((${#missing[@]} == 0)); then
  exit 0
fi
if [[ $(id -u) -ne 0 ]]; then
  echo "Dorvantile needs these Debian packages: ${missing[*]}" >&2
  echo "Install them as root:  apt-get install ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
