#!/usr/bin/env bash
# The manual page and the shell completion of sorvane-cli against the
# program itself: every command and every option its help shows must be in
# the manual page and offered by completion, so that neither falls behind
# when the program grows.
#
# Usage: cli_docs_test.sh SORVANE-CLI MANUAL-PAGE COMPLETION-SCRIPT
set -uo pipefail

cli=$1
page=$2
completion=$3
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# The manual page as a reader sees it, and without formatter complaints.
warnings=$(groff -man -ww -z "$page" 2>&1)
[ -z "$warnings" ] || fail "groff warns about $page: $warnings"
# Plain ASCII, wide lines, no hyphenation: each option whole on its line.
text=$(groff -man -Tascii -rLL=200n -rHY=0 -P-cbou "$page")

commands=$("$cli" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p')
[ -n "$commands" ] || fail "no commands in sorvane-cli --help"

# Completion runs as bash runs it for a user.
source /usr/share/bash-completion/bash_completion
source "$completion"
PATH=$(dirname "$cli"):$PATH
complete_line() {
    COMP_LINE=$1
    COMP_POINT=${#COMP_LINE}
    read -ra COMP_WORDS <<<"$COMP_LINE"
    [[ $COMP_LINE == *' ' ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    # compopt only works inside a real completion; here it merely complains.
    _sorvane_cli sorvane-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" 2>/dev/null
    printf '%s\n' "${COMPREPLY[@]}" | sed 's/=$//'
}

# A command's subsection of the rendered page: from its heading to the next.
section_of() {
    awk -v command="$1" '
        /^   [^ ]/ || /^[^ ]/ { inside = ($1 == command && /^   [^ ]/) }
        inside' <<<"$text"
}

offered=$(complete_line "sorvane-cli ")
for command in $commands; do
    section=$(section_of "$command")
    [ -n "$section" ] || fail "the manual page has no section for '$command'"
    grep -qx -- "$command" <<<"$offered" || fail "completion does not offer the command '$command'"
    options=$("$cli" "$command" --help | grep -oE -- '(^|[ ,[])--[a-z][a-z-]+' | grep -oE -- '--[a-z-]+' | sort -u)
    completed=$(complete_line "sorvane-cli $command --")
    for option in $options; do
        # Every command's --help is described once, for all of them.
        [ "$option" = --help ] && continue
        grep -qE -- "(^|[^a-z-])$option([^a-z-]|$)" <<<"$section" || fail "the manual page lacks '$command $option'"
        grep -qx -- "$option" <<<"$completed" || fail "completion does not offer '$command $option'"
    done
done

# Values completion knows without asking the program.
[ "$(complete_line "sorvane-cli make-")" = make-iso ] || fail "'make-' does not complete to make-iso"
grep -qx 'dvd+rw' <<<"$(complete_line "sorvane-cli vdrive insert dvd")" ||
    fail "the disc kinds are not offered after 'vdrive insert'"
grep -qx 'finalized' <<<"$(complete_line "sorvane-cli vdrive insert cd-r --state ")" ||
    fail "the states are not offered after --state"
for command in extract verify; do
    [ "$(complete_line "sorvane-cli $command --session ")" = last ] || fail "'last' is not offered for $command --session"
done

if [ "$failures" -ne 0 ]; then
    echo "$failures failed"
    exit 1
fi
echo "manual page and completion cover $(wc -w <<<"$commands") commands"
