#!/usr/bin/env bash
# Installs, only when missing, every Debian package that the build, the tests,
# the fuzz targets and the benchmarks need. Runs as root on a fresh Debian 12.
set -euo pipefail

packages=(
  # compilers and build tools
  g++ cmake ninja-build ccache pkg-config
  # fuzzing: clang with its libFuzzer and sanitizer runtimes
  clang libclang-rt-14-dev
  # Qt 6: core, gui, widgets, print support, SVG, and the offscreen platform plugin
  qt6-base-dev qt6-svg-dev qt6-qpa-plugins libgl-dev
  # the X keyboard indicators of the status bar
  libx11-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # a template library whose headers are reverse-engineered and generated again
  libcereal-dev
  # fonts the drawing maps the stored faces onto
  fonts-liberation fonts-dejavu-core fontconfig
  # reference implementations, used by the benchmarks only (graphviz: the
  # full-size diagram export is measured against `dot -Tsvg`)
  zlib1g-dev libpng-dev libjpeg-dev graphviz
  # real IDL files for the reverse engineer's tests, and the tag scanner its
  # benchmark is measured against
  omniorb-idl universal-ctags
  # real Java and PHP sources for the reverse engineer's corpus tests
  openjdk-17-source php-doctrine-collections
  # javac, which compiles the Java files generated from them
  openjdk-17-jdk-headless unzip
  # the application's start under a virtual display, and its screenshot
  xvfb x11-apps
  # the PDF reader tools the print tests read pages and footers back with
  poppler-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
