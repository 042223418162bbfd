#!/usr/bin/env bash
# Runs the browser tests of the manager's web interface: installs playwright-core from the
# package lock when missing (npm ci; no browser download: the system's /usr/bin/chromium is used),
# then the Python tests, which start brivak3 ($BRIVAK3) and brivakmanager ($BRIVAKMANAGER).
# Screenshots go to $BRIVAK_BUILD_DIR/screenshots/web-*.png.
set -euo pipefail
cd "$(dirname "$0")"

: "${BRIVAK3:?path of brivak3}" "${BRIVAKMANAGER:?path of brivakmanager}"
chromium="${BRIVAK_CHROMIUM:-/usr/bin/chromium}"
for tool in node npm python3; do
  command -v "$tool" >/dev/null || { echo "run-web-tests: $tool is not installed (scripts/setup.sh)" >&2; exit 1; }
done
[ -x "$chromium" ] || { echo "run-web-tests: $chromium is not installed (scripts/setup.sh)" >&2; exit 1; }

# One install at a time, and again only when the lock file changed since the last one.
(
  flock -w 300 9
  stamp=node_modules/.package-lock.json
  if [ ! -f node_modules/playwright-core/package.json ] || [ package-lock.json -nt "$stamp" ]; then
    PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error
  fi
) 9>"${TMPDIR:-/tmp}/brivak-web-npm.lock"

export PYTHONDONTWRITEBYTECODE=1
exec python3 -m unittest -v test_web
