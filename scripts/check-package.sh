#!/usr/bin/env bash
# Checks the Debian package that `make package` left in the checkout (temsetrix_*.deb):
#   lintian                no errors and no warnings (info tags are shown, see README "Package")
#   desktop-file-validate  the desktop entry
#   appstreamcli           the AppStream metadata, alone and with the entry and icons it names
#   update-mime-database   the TDC and GEX file types, and that *.tdc / *.gex map to them
set -euo pipefail
cd "$(dirname "$0")/.."

shopt -s nullglob
debs=(temsetrix_*.deb)
if [ ${#debs[@]} -ne 1 ]; then
  echo "check-package: expected one temsetrix_*.deb in $(pwd), found ${#debs[@]}; run make package" >&2
  exit 1
fi
deb=${debs[0]}
id=org.temsetrix.temsetrix
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dpkg-deb -x "$deb" "$tmp/root"
root=$tmp/root/usr/share

echo "== lintian $deb"
lintian --fail-on error,warning --display-info "$deb"

echo "== desktop-file-validate"
desktop-file-validate "$root/applications/$id.desktop"

echo "== appstreamcli validate"
appstreamcli validate --no-net --pedantic "$root/metainfo/$id.metainfo.xml"
appstreamcli validate-tree --no-net "$tmp/root"

echo "== file types"
mkdir -p "$tmp/mime/packages"
cp /usr/share/mime/packages/freedesktop.org.xml "$root/mime/packages/$id.xml" "$tmp/mime/packages/"
# Any warning about our file is an error here.
if XDG_DATA_DIRS="$tmp" update-mime-database "$tmp/mime" 2>&1 | grep .; then
  echo "check-package: update-mime-database complained about $id.xml" >&2
  exit 1
fi
for pair in 'text/x-tem-tdc:*.tdc' 'text/x-tem-gex:*.gex'; do
  if ! grep -qF ":${pair}" "$tmp/mime/globs2"; then
    echo "check-package: ${pair#*:} is not mapped to ${pair%%:*}" >&2
    exit 1
  fi
done
desktop_types=$(sed -n 's/^MimeType=//p' "$root/applications/$id.desktop")
for type in text/x-tem-tdc text/x-tem-gex; do
  case ";$desktop_types" in
    *";$type;"*) ;;
    *) echo "check-package: the desktop entry does not open $type" >&2; exit 1 ;;
  esac
done
echo "check-package: $deb passed"
