#!/usr/bin/env bash
# Builds the Debian package from a configured build folder, checks what it
# declares and holds, runs lintian and AppStream's composer on it, installs it
# into a staging folder and starts the installed program headless.
set -euo pipefail
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

(cd "$build" && cpack -G DEB -B "$stage/out" >/dev/null)
deb=$(ls "$stage"/out/quindal_*.deb)
ls "$stage"/out/quindal-dbgsym_*.ddeb >/dev/null || { echo "FAIL: no -dbgsym package"; exit 1; }

depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libqt6gui6 libqt6core6 libjpeg62-turbo libseccomp2 fonts-ipafont-gothic; do
  grep -q "$needed" <<<"$depends" || { echo "FAIL: does not depend on $needed"; exit 1; }
done
# Built against Qt's private headers: bound to that Qt's private ABI.
abi=$(dpkg-query -W -f='${Provides}\n' 'libqt6core6*' 2>/dev/null | grep -oE 'qt6-base-(private-)?abi \(= [^)]+\)' | head -1 || true)
[[ -n "$abi" ]] && grep -qF "$abi" <<<"$depends" ||
  { echo "FAIL: does not depend on the Qt private ABI it was built against (${abi:-none found})"; exit 1; }

listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
expected=(./usr/{bin/quindal,lib/quindal/quindal,lib/quindal/quindal-reader,share/man/man1/quindal.1.gz}
  ./usr/share/{applications/org.quindal.Quindal.desktop,metainfo/org.quindal.Quindal.metainfo.xml}
  ./usr/share/doc/quindal/{copyright,changelog.gz}
  ./usr/share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256,512x512}/apps/org.quindal.Quindal.png)
for picture in "$(dirname "$0")"/../../pictures/*.jpg; do
  expected+=("./usr/lib/quindal/$(basename "$picture")")
done
for file in "${expected[@]}"; do
  grep -qx -- "$file" <<<"$listing" || { echo "FAIL: $file is not in the package"; exit 1; }
done

# Debian's checks: not a single error, warning or remark on the package.
tags=$(lintian --pedantic --display-info "$deb" | grep -E '^[EWIP]:' || true)
[[ -z "$tags" ]] || { echo "FAIL: lintian says"; echo "$tags"; exit 1; }
echo "lintian: clean"

dpkg-deb -x "$deb" "$stage/root"
grep -q 'release version="1.34.0014"' "$stage/root/usr/share/metainfo/org.quindal.Quindal.metainfo.xml" ||
  { echo "FAIL: the metainfo does not carry the version 1.34.0014"; exit 1; }
[[ -x "$stage/root/usr/lib/quindal/quindal" ]] || { echo "FAIL: program not executable"; exit 1; }
[[ "$(readlink "$stage/root/usr/bin/quindal")" == ../lib/quindal/quindal ]] ||
  { echo "FAIL: usr/bin/quindal does not lead to the program"; exit 1; }

# A software centre lists it: AppStream's composer finds the component with
# its icon in a listable size.
appstreamcli compose --no-net --result-root="$stage/catalog" --origin=quindal "$stage/root" >/dev/null
zcat "$stage"/catalog/usr/share/swcatalog/xml/quindal.xml.gz | grep -q '<icon type="cached" width="64"' ||
  { echo "FAIL: appstreamcli compose did not take the component with its icon"; exit 1; }
echo "appstreamcli compose: accepted"

# Started through its link, the program must still be running after two
# seconds (timeout's 124), not have failed.
set +e
QT_QPA_PLATFORM=offscreen timeout 2 "$stage/root/usr/bin/quindal"
status=$?
set -e
[[ $status -eq 124 ]] || { echo "FAIL: the installed program exited with $status"; exit 1; }
echo "the installed program starts"

# Reproducible, as Debian checks every package: packed again a second later
# under another umask, time zone and locale, both packages are the same
# bytes; and the program records no build path (the debug information would
# then differ from one build folder to another, and its build ID with it).
sleep 1.1
(cd "$build" && umask 077 && TZ=Asia/Tokyo LC_ALL=C LANG=ja_JP.UTF-8 \
  cpack -G DEB -B "$stage/again" >/dev/null)
for package in "$stage"/out/*.deb "$stage"/out/*.ddeb; do
  cmp "$package" "$stage/again/$(basename "$package")" ||
    { echo "FAIL: $(basename "$package") is not the same when packed again"; exit 1; }
done
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
for path in "$source_dir" "$(cd "$build" && pwd)"; do
  if grep -qaF "$path" "$build/bin/quindal"; then
    echo "FAIL: the program records the build path $path"; exit 1
  fi
done
echo "packed twice: the same bytes, and no build path in the program"
echo "1 passed, 0 failed"
