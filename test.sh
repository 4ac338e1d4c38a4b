#!/usr/bin/env bash
# Sets up and builds Vornalex (see setup.sh), then runs every test headless.
set -euo pipefail
cd "$(dirname "$0")"
./setup.sh
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
ctest --test-dir build --output-on-failure --parallel "$(nproc)" --timeout 300
