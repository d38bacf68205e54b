#!/usr/bin/env bash
# Renews the pictures in docs/images from a headless sample run: the install
# dialog, and the folder chooser as Wine shows it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
env -u DISPLAY scripts/run-sample.sh >/dev/null
mkdir -p docs/images
for name in install-dialog folder-chooser; do
    # The desktop is black: trimming leaves the windows.
    convert "build/screenshots/$name.png" -trim +repage "docs/images/$name.png"
    echo "docs/images/$name.png"
done
