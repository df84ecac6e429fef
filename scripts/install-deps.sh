#!/bin/sh
# Installs every Debian package that building, testing and benchmarking need.
set -e
SUDO=
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
    g++ cmake ninja-build pkg-config \
    libgtest-dev libgmock-dev libbenchmark-dev \
    qt6-base-dev qt6-multimedia-dev zlib1g-dev \
    unifont
