#!/usr/bin/env bash
# The CPU a resting viewer uses: any build of the program, started on the sample
# photos in a folder of its own, left alone for a second after loading, then its
# processor time (all threads) over ten seconds, as a share of one core.
#   xvfb-run -a -s "-screen 0 1280x1024x24" bench/rest-cpu.sh build/QuilloPhotoBook
#   xvfb-run -a tests/wayland/with-weston.sh headless bench/rest-cpu.sh build/QuilloPhotoBook
set -euo pipefail
program=$(realpath "$1")
media=$(dirname "$program")/media
folder=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null; rm -rf "$folder"' EXIT
cp "$program" "$folder/QuilloPhotoBook"
ln -s "$(realpath "$media")" "$folder/media"
"$folder/QuilloPhotoBook" > "$folder/output.txt" 2>&1 &
pid=$!
sleep 7 # started, photos loaded, a second of rest
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
before=$(ticks)
start=$(date +%s.%N)
sleep 10
after=$(ticks)
end=$(date +%s.%N)
awk -v t="$((after - before))" -v hz="$(getconf CLK_TCK)" -v s="$start" -v e="$end" -v p="${QT_QPA_PLATFORM:-default}" \
  'BEGIN { printf "%s: %.1f %% of a core at rest\n", p, 100 * t / hz / (e - s) }'
