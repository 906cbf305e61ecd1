#!/usr/bin/env bash
# Builds what the package holds (the package preset: no tests, no benchmarks)
# in build-package/, installs it into a staging folder as the package does and
# checks what a desktop reads from it: both programs, the desktop entry and the
# AppStream metadata (no error or warning from their validators), the polkit
# action, the icons,
# both manual pages (no groff warning) and the licence notices where the
# program looks for them. Then builds the .deb and has lintian check it for
# errors.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh package
build=$PWD/build-package
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "check-package: $*" >&2
  exit 1
}

DESTDIR="$work/stage" cmake --install "$build" --prefix /usr >/dev/null
usr=$work/stage/usr
for f in bin/raumfuchs bin/raumfuchs-scan share/applications/raumfuchs.desktop \
  share/man/man1/raumfuchs.1.gz share/man/man1/raumfuchs-scan.1.gz \
  share/icons/hicolor/scalable/apps/raumfuchs.svg share/doc/raumfuchs/copyright \
  share/doc/raumfuchs/changelog.gz; do
  [ -s "$usr/$f" ] || fail "$f fehlt"
done
# The program looks for its licence notices at ../share/raumfuchs beside bin/.
[ -s "$usr/bin/../share/raumfuchs/Lizenzen.txt" ] || fail "Lizenzen.txt fehlt"
"$usr/bin/raumfuchs-scan" --version | grep -q '^raumfuchs-scan [0-9]' || fail "raumfuchs-scan läuft nicht"
for size in 16 22 24 32 48 64 128 256 512; do
  file "$usr/share/icons/hicolor/${size}x$size/apps/raumfuchs.png" |
    grep -q "PNG image data, $size x $size" || fail "Symbol ${size}x$size fehlt"
done

# The polkit action for pkexec: valid, asking for the administrator (kept a
# while), in German, and naming the installed raumfuchs-scan.
policy=$(echo "$usr"/share/polkit-1/actions/*.scan.policy)
[ -s "$policy" ] || fail "polkit-Aktion fehlt"
xmllint --noout "$policy" 2>/dev/null || python3 -c "import sys,xml.dom.minidom as m; m.parse(sys.argv[1])" "$policy" ||
  fail "polkit-Aktion ist kein XML"
grep -q '<allow_active>auth_admin_keep</allow_active>' "$policy" || fail "polkit-Aktion ohne auth_admin_keep"
grep -q '<message xml:lang="de">' "$policy" || fail "polkit-Aktion ohne deutsche Meldung"
grep -q '>/usr/bin/raumfuchs-scan</annotate>' "$policy" || fail "polkit-Aktion nennt raumfuchs-scan nicht"

entry=$usr/share/applications/raumfuchs.desktop
report=$(desktop-file-validate "$entry" 2>&1) || fail "$report"
[ -z "$report" ] || fail "$report"
metainfo=$(echo "$usr"/share/metainfo/*.metainfo.xml)
appstreamcli validate --no-net "$metainfo" || fail "AppStream-Daten ungültig"
# Each screenshot's address ends in a file of docs/screenshots.
grep -o '<image>[^<]*</image>' "$metainfo" | grep -o 'docs/screenshots/[^<]*' |
  while read -r shot; do [ -f "$shot" ] || fail "$shot fehlt"; done

for page in raumfuchs raumfuchs-scan; do
  warnings=$(MANWIDTH=80 man --warnings -l "$usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page.1: $warnings"
done

(cd "$build" && cpack -G DEB -B "$work/deb" >/dev/null)
deb=$(echo "$work"/deb/raumfuchs_*.deb)
[ -f "$deb" ] || fail "kein .deb gebaut"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "Depends ohne Qt: $(dpkg-deb -f "$deb" Depends)"
lintian --fail-on error "$deb" 2>/dev/null || fail "lintian meldet Fehler"
echo "check-package: $(basename "$deb") und die Installation in Ordnung"
