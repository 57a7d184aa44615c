#!/bin/sh
# Runs every test headless. Services the tests need are started here and stopped afterwards.
set -e
BUILD=${1:-build}
export QT_QPA_PLATFORM=offscreen
cd "$BUILD"
ctest --output-on-failure -j 2
