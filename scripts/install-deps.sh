#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Dorvantile need.
# Usage: scripts/install-deps.sh [build|package|test]
#   package also brings what makes and checks the Debian package, test all the tests use.
set -euo pipefail

# Qt 6 Widgets and PrintSupport for the window and the printout; SQLite for the library of
# catalogues; fontconfig finds Arial's
# metric twin in fonts-liberation.
build_packages=(g++ cmake ninja-build libgtest-dev qt6-base-dev libcups2-dev libssl-dev
  libsqlite3-dev fonts-liberation)
# dpkg-shlibdeps (dpkg-dev) and file for the Debian package's dependencies, lintian and
# appstreamcli (appstream) to check it.
package_packages=(dpkg-dev file lintian appstream)
# The package's test, clang-format for the format check, clang and its libFuzzer
# (libclang-rt-14-dev) for the fuzz target, a private print spooler with a PDF queue and
# poppler to read its output, a virtual X server and a window manager for the real window,
# ImageMagick for its screenshot, a session bus with the accessibility bus (at-spi2-core) and
# pyatspi to drive it as a screen reader does, Chromium driven by Selenium for the explorer
# page with npm to install axe-core, which checks the page's accessibility, tree for the
# benchmarks, and Python to read back the data formats.
test_packages=("${package_packages[@]}" clang-format clang libclang-rt-14-dev cups-daemon
               cups-client cups-filters poppler-utils xvfb imagemagick xdotool x11-utils
               openbox dbus-daemon dbus-bin at-spi2-core python3-pyatspi chromium
               chromium-driver python3-selenium npm tree python3)

wanted=("${build_packages[@]}")
case "${1:-build}" in
  package) wanted+=("${package_packages[@]}") ;;
  test) wanted+=("${test_packages[@]}") ;;
esac

missing=()
for package in "${wanted[@]}"; do
  # An npm that came with another Node.js (whose package conflicts with Debian's npm) will do.
  if [[ $package == npm ]] && command -v npm >/dev/null; then
    continue
  fi
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
apt-get install -y -qq "${missing[@]}"
