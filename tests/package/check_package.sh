#!/usr/bin/env bash
# The Debian package made from a build folder: it holds exactly what the
# install rules name, its dependencies are computed, its desktop entry and
# AppStream data are valid, and its programs run from a scratch root.
# Usage: check_package.sh BUILD_FOLDER
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" \
  -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip >/dev/null)
deb=$(ls "$work"/out/tavtools_*.deb)

# Every file the install rules name is in the package, and nothing else.
cmake --install "$build" --prefix "$work/installed/usr" >/dev/null
(cd "$work/installed" && find . -type f -o -type l | sort) >"$work/named"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort >"$work/packaged"
if ! diff -u "$work/named" "$work/packaged"; then
  echo "the package differs from what the install rules name" >&2
  exit 1
fi
if grep -q -e CMakeFiles -e '\.o$' -e '/test_' "$work/packaged"; then
  echo "build files in the package" >&2
  exit 1
fi

depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6core6 libqt6widgets6 libjpeg62-turbo libgif7 qt6-translations-l10n; do
  if [[ $depends != *"$needed"* ]]; then
    echo "Depends lacks $needed: $depends" >&2
    exit 1
  fi
done

dpkg -x "$deb" "$work/root"
root="$work/root/usr"
# Valid, and without hints: a hint is a menu that places the program badly.
hints=$(desktop-file-validate "$root/share/applications/tavtools.desktop")
if [ -n "$hints" ]; then echo "$hints"; exit 1; fi
appstreamcli validate --no-net "$root/share/metainfo/org.tavtools.TavTools.metainfo.xml" >/dev/null
gzip -t "$root/share/man/man1/tavtools-cli.1.gz" "$root/share/man/man1/tavtools.1.gz"

[ "$("$root/bin/tavtools-cli" --version)" = "tavtools-cli 1.0" ]
[ "$(QT_QPA_PLATFORM=offscreen "$root/bin/tavtools" --version)" = "tavtools 1.0" ]
# A real command, and the one that starts the picture program from its folder.
printf 'un\r\ndeux mots\r\n' >"$work/text.txt"
[ "$("$root/bin/tavtools-cli" grep mots "$work/text.txt")" = "$work/text.txt[2]deux mots" ]
mkdir "$work/panels"
# A picture of one red pixel (BMP, 24 bits).
printf 'BM\x3a\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x18\0\0\0\0\0\x04\0\0\0\x13\x0b\0\0\x13\x0b\0\0\0\0\0\0\0\0\0\0\0\0\xff\0' >"$work/red.bmp"
QT_QPA_PLATFORM=offscreen "$root/bin/tavtools-cli" thumbnails "$work/panels" "$work/red.bmp" |
  grep -q $'red.bmp\t1x1\t.*\tok'
[ -n "$(ls "$work/panels")" ]
echo "package checked: $(basename "$deb")"
