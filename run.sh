#!/usr/bin/env bash
# Installs what is missing, builds, and starts Kelvane with the given arguments:
#   ./run.sh                 the window
#   ./run.sh --scan ...      one headless scan (see ./run.sh --help)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/scripts/setup.sh" normal >&2
exec "$here/build/app/kelvane" "$@"
