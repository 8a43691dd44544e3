#!/usr/bin/env bash
# Installs what is missing, builds, registers the console if it is not registered yet,
# and starts it against the embedded simulated controller.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target vantel

vantel=build/default/src/vantel
version=$(sed -n 's/^project(Vantel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
config=${XDG_CONFIG_HOME:-$HOME/.config}
store=${VANTEL_REGISTRY:-$config/vantel/registry.db}
registered=""
if [ -f "$store" ]; then
  registered=$(sqlite3 "$store" "SELECT data FROM reg_value WHERE key='Plexa.Vantel' AND name=''" 2>/dev/null || true)
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: run it under a desktop session, or with: xvfb-run -a scripts/run.sh" >&2
  exit 1
fi

if [ "$registered" != "$version" ]; then
  echo "registering Vantel $version"
  "$vantel" /RegServer
fi
exec "$vantel" "$@"
