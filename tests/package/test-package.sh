#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch root and makes a movie with
# the exporter from there: the installed layout must find its own media.
set -euo pipefail
build="$1"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

(cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >/dev/null)
deb=$(ls "$scratch"/out/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libavformat libavcodec libswscale libturbojpeg libepoxy0 libegl1 libheif1 libwebp7 \
  libtiff6 liblcms2-2; do
  case "$depends" in
    *"$lib"*) ;;
    *) echo "the package does not depend on $lib: $depends" >&2; exit 1 ;;
  esac
done

case "$(dpkg-deb -f "$deb" Recommends)" in
  *qt6-wayland*) ;;
  *) echo "the package does not recommend qt6-wayland" >&2; exit 1 ;;
esac

root="$scratch/root"
dpkg -x "$deb" "$root"
for f in usr/bin/quillo-photobook usr/bin/quillo-photobook-export \
         usr/lib/quillo-photobook/media/Locales/English.txt \
         usr/lib/quillo-photobook/media/WWW/QuilloPhotoBookManual.html \
         usr/share/applications/quillo-photobook.desktop \
         usr/share/icons/hicolor/scalable/apps/quillo-photobook.svg \
         usr/share/icons/hicolor/48x48/apps/quillo-photobook.png; do
  [ -e "$root/$f" ] || { echo "missing from the package: $f" >&2; exit 1; }
done

# File managers offer "Open With" from the entry: it takes a file and names the types.
entry="$root/usr/share/applications/quillo-photobook.desktop"
desktop-file-validate "$entry"
grep -qx 'Exec=quillo-photobook %f' "$entry" || { echo "the desktop entry takes no file" >&2; exit 1; }
grep -q '^MimeType=.*image/jpeg;' "$entry" || { echo "the desktop entry names no photo types" >&2; exit 1; }
"$root/usr/bin/quillo-photobook" --version | grep -qx "Quillo's Photo Book $(dpkg-deb -f "$deb" Version)" ||
  { echo "the installed viewer does not answer --version" >&2; exit 1; }

# The user guide carries the package's own version, filled in at installation.
version=$(dpkg-deb -f "$deb" Version)
manual="$root/usr/lib/quillo-photobook/media/WWW/QuilloPhotoBookManual.html"
grep -q "version $version</p>" "$manual" || { echo "the user guide does not show version $version" >&2; exit 1; }
if grep -q "@PROJECT_VERSION@" "$manual"; then echo "the user guide kept its placeholder" >&2; exit 1; fi

# The installed folder is not the user's: settings go to the config folder.
export XDG_CONFIG_HOME="$scratch/config"
"$root/usr/bin/quillo-photobook-export" --folder "$root/usr/lib/quillo-photobook/media/photos" \
  --output "$scratch/movie.avi" --width 96 --height 64 --fps 5 --time-page 1 --time-zoom 1 --time-view 1 \
  > "$scratch/log" 2>&1 || { cat "$scratch/log"; exit 1; }
[ -s "$scratch/movie.avi" ] || { echo "no movie written" >&2; exit 1; }
grep -q "Frames stored:" "$scratch/log"
echo "package: $(basename "$deb") installs and exports"
