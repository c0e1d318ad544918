#!/usr/bin/env bash
# A one-off check, not a test: `tavtools-cli thumbnails` on 200 mixed
# pictures (JPEG, BMP, GIF made by Pillow; metafiles with text kept in the
# tests) run ROUNDS times; every run must end normally and make every panel.
# Usage: bash bench/thumbnail_stress.sh [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-20}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 - "$work/in" <<'PY'
import os, sys
from PIL import Image
out = sys.argv[1]
os.makedirs(out)
for i in range(40):
    w, h = 300 + 37 * i, 200 + 23 * i
    im = Image.merge("RGB", (Image.linear_gradient("L").resize((w, h)),
                             Image.radial_gradient("L").resize((w, h)),
                             Image.effect_noise((w, h), 40 + i)))
    im.save(f"{out}/p{i:02d}.jpg", progressive=bool(i % 2))
    im.save(f"{out}/p{i:02d}.bmp")
    im.quantize(64).save(f"{out}/p{i:02d}.gif")
PY
for i in $(seq -w 0 36); do
  cp tests/viewers/pictures/unicode_text.emf "$work/in/t$i.emf"
  cp tests/viewers/pictures/cp1252_text.wmf "$work/in/c$i.wmf"
  [ "$i" -lt 14 ] && cp tests/viewers/pictures/symbol_text.wmf "$work/in/s$i.wmf"
done
count=$(ls "$work/in" | wc -l)
echo "== thumbnails of $count pictures, $rounds runs"
failed=0
for r in $(seq 1 "$rounds"); do
  rm -rf "$work/out"
  set +e
  ./build/src/tavtools-cli thumbnails "$work/out" "$work"/in/* > "$work/log" 2>&1
  code=$?
  set -e
  made=$(ls "$work/out" 2>/dev/null | wc -l)
  echo "run $r: exit $code, $made panels"
  if [ "$code" -ne 0 ] || [ "$made" -ne "$count" ]; then failed=$((failed + 1)); fi
done
echo "runs that failed or aborted: $failed of $rounds"
