#!/usr/bin/env bash
# Checks a built Debian package as a user would meet it: unpacked into a
# throw-away root, its programs run from there, with nothing of the build
# tree in reach, and the package and its desktop files judged by Debian's
# own tools.
#
# Usage: packaging/check_package.sh PACKAGE.deb BUILD-FOLDER
set -euo pipefail

deb=$(realpath "$1")
build=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

echo "== $deb"
dpkg-deb --field "$deb" Package Version Depends

dpkg-deb -x "$deb" "$root"

# Nothing installed may point back into the build tree.
if grep -rlF "$build" "$root"; then
    fail "installed files name the build folder $build"
fi
for program in "$root"/usr/bin/*; do
    for folder in $(readelf -d "$program" | sed -n 's/.*R\(UN\)\{0,1\}PATH.*\[\(.*\)\]/\2/p' | tr ':' ' '); do
        [[ $folder == '$ORIGIN'/* ]] || fail "$(basename "$program") searches libraries in $folder, not relative to itself"
    done
done

# The programs run from the throw-away root: only the dynamic loader's
# usual folders and what the package itself holds are there for them.
unset SORVANE_ASPI_LIBRARY
export SORVANE_VDRIVE_HOME=$work/vdrive
cli=$root/usr/bin/sorvane-cli

"$cli" --help >"$work/help.txt" || fail "sorvane-cli --help"
grep -q '^  make-iso ' "$work/help.txt" || fail "sorvane-cli --help lists no make-iso"

# With no optical drive here, the emulated recorder must come from the
# package's own library folder.
if ls /dev/sr[0-9]* >/dev/null 2>&1; then
    echo "(an optical drive is present: the emulated recorder is not checked)"
else
    "$cli" devices >"$work/devices.txt" || fail "sorvane-cli devices"
    grep -q 'VIRTUAL' "$work/devices.txt" || fail "sorvane-cli devices found no emulated recorder: $(cat "$work/devices.txt")"
fi

# An image made by the installed program, read back by an independent reader.
mkdir -p "$work/source/Folder with a long name/inner"
printf 'hello from the package check\n' >"$work/source/Folder with a long name/inner/greeting.txt"
head -c 300000 /dev/urandom >"$work/source/random.bin"
"$cli" make-iso -o "$work/check.iso" --volume-id PKGCHECK \
    "$work/source/Folder with a long name" "$work/source/random.bin" >/dev/null || fail "sorvane-cli make-iso"
if [ -s "$work/check.iso" ]; then
    mkdir "$work/readback"
    xorriso -osirrox on -indev "$work/check.iso" -extract / "$work/readback" >/dev/null 2>&1 ||
        fail "xorriso could not read the image back"
    diff -r "$work/source" "$work/readback" || fail "the image does not hold the files given"
fi

# The wizard, when the package has it: its help file where the program
# looks for it, and the program itself starting from the installed paths.
wizard=$root/usr/bin/sorvane
help=$root/usr/share/sorvane/Sorvane.chm
if [ -e "$wizard" ] && [ ! -e "$help" ]; then
    fail "the package has the wizard but not its help file /usr/share/sorvane/Sorvane.chm"
fi
if [ -e "$help" ] && [ "$(head -c 4 "$help")" != ITSF ]; then
    fail "/usr/share/sorvane/Sorvane.chm is not a compiled help file"
fi
if [ -x "$wizard" ]; then
    version=$(dpkg-deb --field "$deb" Version)
    upstream=${version%-*}
    # --version ends before any window opens; the time limit keeps a
    # program that opened one anyway from holding the check up.
    if said=$(QT_QPA_PLATFORM=offscreen timeout 30 "$wizard" --version 2>&1); then
        grep -qF "$upstream" <<<"$said" || fail "sorvane --version says '$said', not version $upstream"
    else
        fail "sorvane --version failed with status $?: $said"
    fi
    # With no option it opens its window on the emulated recorder and stays
    # up until it is ended (a temporary folder of its own keeps it from
    # finding a wizard already open).
    status=0
    TMPDIR=$work QT_QPA_PLATFORM=offscreen timeout 5 "$wizard" >"$work/wizard.txt" 2>&1 || status=$?
    [ "$status" -eq 124 ] || fail "sorvane ended at start (status $status): $(cat "$work/wizard.txt")"
else
    echo "(the package has no wizard: its start is not checked)"
fi

# The desktop entry, its icon and the AppStream data, when the package has them.
for entry in "$root"/usr/share/applications/*.desktop; do
    [ -e "$entry" ] || continue
    desktop-file-validate "$entry" || fail "desktop-file-validate $(basename "$entry")"
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [ -e "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no icon $icon.svg for $(basename "$entry")"
    program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    [ -x "$root/usr/bin/$program" ] || fail "$(basename "$entry") starts $program, which the package lacks"
done
for metainfo in "$root"/usr/share/metainfo/*.xml; do
    [ -e "$metainfo" ] || continue
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate $(basename "$metainfo")"
done

# Debian's own judgement: errors fail, warnings are shown.
lintian --fail-on error --suppress-tags initial-upload-closes-no-bugs "$deb" || fail "lintian reports errors"

if [ "$failures" -ne 0 ]; then
    echo "package check: $failures failed" >&2
    exit 1
fi
echo "package check: all passed"
