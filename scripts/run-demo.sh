#!/usr/bin/env bash
# The run command: installs what is missing, builds, generates the demo site
# in demo-site/ and starts brenvik on it. Without a display it runs the
# command-line companion instead.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BRENVIK_BUILD_DIR:-$root/build}"
site="${BRENVIK_DEMO_SITE:-$root/demo-site}"
"$root/scripts/install-deps.sh"
BRENVIK_BUILD_DIR="$build" "$root/scripts/build.sh"
"$root/scripts/make-demo-site.sh" "$site" "$build"
ini="/ini=$site/brenvik.ini"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${CI:-}" ]; then
  echo "Uruchamiam brenvik na $site (ikona w zasobniku systemowym)"
  exec "$build/app/brenvik" "$ini"
fi
echo "Brak ekranu: uruchamiam brenvik-cli na $site"
"$build/app/brenvik-cli" "$ini" check
"$build/app/brenvik-cli" "$ini" tables
"$build/app/brenvik-cli" "$ini" send --yes
"$build/app/brenvik-cli" "$ini" receive
data="$site/ksef-data"
echo
echo "Gdzie trafiły pliki (folder danych KSeF: $data):"
for sub in Export Sent Import Received Errors; do
  count=$(find "$data/$sub" -type f -name '*.xml' ! -name '*.upo.xml' 2>/dev/null | wc -l)
  echo "  $sub: $count plików FA(3)"
  find "$data/$sub" -type f -name '*.xml' ! -name '*.upo.xml' 2>/dev/null | sort | sed "s|^$data/|    |"
done
echo "Dziennik łącznika: $data/Logs"
