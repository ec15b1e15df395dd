#!/usr/bin/env bash
# The desktop entry, its icon and the AppStream data, as desktop menus and
# software centres will read them: each valid to its own tool, and naming
# one another (and the program's version) consistently.
#
# Usage: desktop_files_test.sh PACKAGING-FOLDER PROJECT-VERSION
set -uo pipefail

folder=$1
version=$2
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

entry=$folder/sorvane.desktop
desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
grep -qE '^MimeType=(.*;)?application/x-cd-image;' "$entry" || fail "$entry does not open ISO images"
grep -qE '^Exec=sorvane %[fFuU]$' "$entry" || fail "$entry does not hand the opened file to sorvane"
icon=$(sed -n 's/^Icon=//p' "$entry")
[ -s "$folder/$icon.svg" ] || fail "the icon $icon.svg named by $entry is missing"

for metainfo in "$folder"/*.metainfo.xml; do
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects $metainfo"
    grep -q "<launchable type=\"desktop-id\">$(basename "$entry")</launchable>" "$metainfo" ||
        fail "$metainfo does not launch $(basename "$entry")"
    newest=$(grep -o '<release version="[^"]*"' "$metainfo" | head -n 1 | cut -d'"' -f2)
    [ "$newest" = "$version" ] || fail "$metainfo's newest release is '$newest', the program's version $version"
done

if [ "$failures" -ne 0 ]; then
    echo "$failures failed"
    exit 1
fi
echo "desktop entry, icon and AppStream data agree"
