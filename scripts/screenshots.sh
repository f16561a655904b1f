#!/usr/bin/env bash
# Takes the screenshots that the documents and the README show, into docs/images, from the
# build folder given as the first argument (make screenshots passes it): the cover, "Settings
# (1)", "Zelmar Mode Settings (2)" and the Data page with readings. The window is grabbed on
# Qt's offscreen platform, so no display is needed.
set -euo pipefail
build="${1:-build}"
images="$(cd "$(dirname "$0")/.." && pwd)/docs/images"
mkdir -p "$images"
export QT_QPA_PLATFORM=offscreen
shoot() { # program args... file
  "$@"
  echo "screenshots.sh: wrote ${*: -1}"
}
shoot "$build/tests/pages/pageshots" 0 "$images/cover.png"
shoot "$build/tests/pages/pageshots" 1 "$images/settings.png"
shoot "$build/tests/pages/pageshots" 2 "$images/zelmar.png"
shoot "$build/tests/datapage/datapageshots" data "$images/data.png"
