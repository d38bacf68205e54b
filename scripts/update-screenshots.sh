#!/usr/bin/env bash
# Renews the pictures in docs/images from a headless sample run: the install
# dialog, the folder chooser as Wine shows it, and the progress window during
# the copy of a medium with some thousands of files.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
env -u DISPLAY VELQUOR_SAMPLE_FILES=4000 scripts/run-sample.sh >/dev/null
mkdir -p docs/images
for name in install-dialog folder-chooser progress-window; do
    # The desktop is black: trimming leaves the windows.
    convert "build/screenshots/$name.png" -trim +repage "docs/images/$name.png"
    echo "docs/images/$name.png"
done
