#!/usr/bin/env bash
# Builds the saver and runs it on a bundled sample panorama.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
skyweave_install_packages
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
echo "The saver program is not built yet."
