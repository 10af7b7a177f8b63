#!/usr/bin/env bash
# Runs the bash completion of msgkeeper-cli as bash would on TAB and checks what it offers: every
# FORMAT, xml and json among them, and for the files that commands read, Unicode backups, XML
# and JSON Lines by their usual names only.
# Usage: check_completion.sh COMPLETION_SCRIPT
set -u
script=$1
library=/usr/share/bash-completion/bash_completion
if [ ! -r "$library" ]; then
    echo "completion: $library is missing; scripts/setup installs bash-completion"
    exit 1
fi
# shellcheck source=/dev/null
source "$library"
# shellcheck source=/dev/null
source "$script"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
touch a.usms b.xml c.json d.jsonl e.txt f.csv
mkdir sub

# The words offered after a command line whose last word is being completed, one line, sorted.
offered() {
    COMP_WORDS=(msgkeeper-cli "$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="${COMP_WORDS[*]}"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _msgkeeper_cli msgkeeper-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//'
}

formats="csv-ansi csv-utf8 json sms txt-ansi txt-unicode txt-utf8 usms xml"
readable="a.usms b.xml c.json d.jsonl sub"
everything="a.usms b.xml c.json d.jsonl e.txt f.csv sub"
failed=0
expect() { # wanted, words...
    local wanted=$1 got
    shift
    got=$(offered "$@")
    if [ "$got" != "$wanted" ]; then
        echo "completion: 'msgkeeper-cli $*' offers '$got', expected '$wanted'"
        failed=1
    fi
}

expect "$formats" backup ""
expect "json" backup j
expect "xml" --device dev backup x
expect "$formats" convert a.usms ""
expect "$readable" restore ""
expect "$readable" restore --dry-run ""
expect "$readable" inspect ""
expect "$readable" convert ""
expect "$everything" convert a.usms xml ""
expect "$readable" salvage ""
expect "$everything" salvage a.usms ""
expect "d.jsonl" inspect d
expect "merge" me
expect "$readable" merge ""
expect "$readable" merge a.usms b.xml ""

if [ "$failed" -ne 0 ]; then
    exit 1
fi
echo "completion: every format and readable file is offered"
