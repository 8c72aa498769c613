#!/usr/bin/env bash
# Makes the Debian package from a finished build, unpacks it into a scratch root and checks what
# a user gets: exactly the files meant to be installed, dependencies computed from the binaries,
# a valid menu entry and software-centre entry, manual pages that render and match
# brumel-batch --help, the icon the repository's drawing program makes, a brumel-batch that runs,
# and no lintian errors. Skips, saying why, where a tool it needs is missing.
# Usage: tests/package_test.sh BUILD_FOLDER
set -euo pipefail
BUILD="$(cd "${1:?usage: package_test.sh BUILD_FOLDER}" && pwd)"
ID=example.brumel.Brumel

missing=()
for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli lintian man file \
  convert; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
if [[ ${#missing[@]} -ne 0 ]]; then
  echo "package test skipped: ${missing[*]} not installed"
  exit 0
fi

SCRATCH="$(mktemp -d)"
trap 'rm -rf "$SCRATCH"' EXIT
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

rm -f "$BUILD"/package/*.deb
(cd "$BUILD" && cpack -G DEB -B "$BUILD/package" >"$SCRATCH/cpack.log") ||
  { cat "$SCRATCH/cpack.log"; exit 1; }
DEB="$(echo "$BUILD"/package/*.deb)"
echo "package: $DEB"
dpkg -x "$DEB" "$SCRATCH/root"
INSTALLED="$SCRATCH/root/usr"

# Nothing more and nothing less than the programs and what describes them.
expected="./usr/bin/brumel
./usr/bin/brumel-batch
./usr/share/applications/$ID.desktop
./usr/share/doc/brumel/changelog.gz
./usr/share/doc/brumel/copyright
./usr/share/icons/hicolor/32x32/apps/$ID.png
./usr/share/icons/hicolor/scalable/apps/$ID.svg
./usr/share/man/man1/brumel-batch.1.gz
./usr/share/man/man1/brumel.1.gz
./usr/share/metainfo/$ID.metainfo.xml"
actual="$(dpkg-deb -c "$DEB" | awk '$1 !~ /^d/ {print $6}' | sort)"
[[ "$actual" == "$expected" ]] || fail "the package holds:"$'\n'"$actual"

depends="$(dpkg-deb -f "$DEB" Depends)"
[[ "$depends" == *libqt6widgets6* && "$depends" == *libpng16* && "$depends" == *libjpeg* ]] ||
  fail "dependencies not computed from the binaries: $depends"

desktop-file-validate "$INSTALLED/share/applications/$ID.desktop" ||
  fail "desktop-file-validate"
appstreamcli validate --no-net "$INSTALLED/share/metainfo/$ID.metainfo.xml" ||
  fail "appstreamcli validate"

# One version everywhere: the package, the program, the software centre's latest release.
version="$("$INSTALLED/bin/brumel-batch" --version)" || fail "installed brumel-batch --version"
package_version="$(dpkg-deb -f "$DEB" Version)"
release="$(grep -o -m1 '<release version="[^"]*"' "$INSTALLED/share/metainfo/$ID.metainfo.xml")"
[[ "$version" == "brumel-batch $package_version" && "$release" == *"\"$package_version\"" ]] ||
  fail "versions differ: $version, package $package_version, metainfo $release"

for page in brumel brumel-batch; do
  file="$INSTALLED/share/man/man1/$page.1.gz"
  warnings="$(LC_ALL=C MANWIDTH=80 man --warnings -l "$file" 2>&1 >"$SCRATCH/$page.txt")" ||
    fail "man -l $page"
  [[ -z "$warnings" ]] || fail "man $page: $warnings"
  grep -q "^NAME" "$SCRATCH/$page.txt" || fail "man -l does not render $page"
done
for option in $("$INSTALLED/bin/brumel-batch" --help | grep -o -- '--[a-z-]*' | sort -u); do
  grep -q -- "$option" "$SCRATCH/brumel-batch.txt" || fail "man brumel-batch lacks $option"
done

icon="$INSTALLED/share/icons/hicolor/32x32/apps/$ID.png"
file "$icon" | grep -q "32 x 32, 4-bit colormap" || fail "not a 32 x 32 icon in 16 colours: $(file "$icon")"
"$BUILD/make_icon" "$SCRATCH/icon.svg" "$SCRATCH/icon.png"
cmp "$SCRATCH/icon.svg" "$INSTALLED/share/icons/hicolor/scalable/apps/$ID.svg" ||
  fail "the SVG icon is not what tools/make_icon.cpp draws"
cmp <(convert "$SCRATCH/icon.png" rgba:-) <(convert "$icon" rgba:-) ||
  fail "the 32 x 32 icon is not what tools/make_icon.cpp draws"

# Warnings are shown for a person to judge; only errors fail.
lintian --fail-on error "$DEB" | tee "$SCRATCH/lintian.txt" || fail "lintian reports errors"
# A file manager hands the picture it opens to the command of the desktop entry.
if grep -q desktop-mime-but-no-exec-code "$SCRATCH/lintian.txt"; then
  fail "the desktop entry names picture types but its Exec takes no file"
fi

[[ $failures -eq 0 ]] || { echo "package test: $failures failed"; exit 1; }
echo "package test passed"
