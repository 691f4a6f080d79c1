#!/usr/bin/env bash
# The manual pages as a reader gets them: groff finds nothing to warn about,
# man renders every section a reference needs, every name the program lists
# with --parameters and --outputtypes has its entry, and the options the
# page documents are the program's (those of its usage text) and the ones
# the shell completions offer.
#
# usage: manual_test.sh <sarnith> <folder of the made pages> <source folder>
set -uo pipefail
sarnith=$1
pages=$2
source_dir=$3
source "$source_dir/tests/common/checks.sh"

for page in sarnith mklogdb; do
    check "groff has no warning for $page(1)" "" "$(groff -man -ww -z "$pages/$page.1" 2>&1)"
done

manual=$(MANWIDTH=80 man -l "$pages/sarnith.1" 2>&1)
check "man renders sarnith(1)" "SARNITH(1)" "$(head -1 <<<"$manual" | awk '{print $1}')"
for section in NAME SYNOPSIS DESCRIPTION OPTIONS STATEMENTS "SEARCH PARAMETERS" "OUTPUT FIELDS" "OUTPUT TYPES" \
    OUTPUT "NAME TABLES" EXAMPLES "EXIT STATUS" ENVIRONMENT FILES "SEE ALSO"; do
    check "sarnith(1) has the section $section" "$section" "$(grep -x -m1 "$section" <<<"$manual")"
done
check "man renders mklogdb(1)" "MKLOGDB(1)" "$(MANWIDTH=80 man -l "$pages/mklogdb.1" 2>&1 | head -1 | awk '{print $1}')"

# The names that stand at the head of the entries of a section (an entry
# starts at the indent of 7 and may name several, separated by commas).
entry_names() {
    sed -n "/^$1\$/,/^[A-Z]/p" <<<"$manual" | sed -n 's/^       \([a-z][a-z0-9]*\(, [a-z][a-z0-9]*\)*\)\( .*\)\{0,1\}$/\1/p' |
        tr ',' '\n' | tr -d ' ' | sort -u
}
listed() {
    "$sarnith" "$1" | tail -n +2 | tr -s ' ' '\n' | sed '/^$/d' | sort
}
check "every search parameter has its entry" "" \
    "$(comm -23 <(listed --parameters) <(entry_names "SEARCH PARAMETERS"))"
check "every output field and type has its entry" "" \
    "$(comm -23 <(listed --outputtypes) <(sort -u <(entry_names "OUTPUT FIELDS") <(entry_names "OUTPUT TYPES")))"

# The examples as a reader copies them: each command shown, run from the top
# of the sources, writes what is shown below it. (A block of several
# commands is for reading only.)
run_example() {
    [[ -n $command ]] || return
    if ((commands == 1)); then
        check "the example $command_name" "$shown" \
            "$(cd "$source_dir" && PATH=$(dirname "$sarnith"):$PATH bash -c "$command" 2>&1)"
    fi
    command= shown= commands=0
}
command= shown= commands=0 continued=0
while IFS= read -r line; do
    line=${line#       }
    if ((continued)); then
        command+=$'\n'$line
    elif [[ $line == '$ '* ]]; then
        [[ -z $command ]] && command=${line#'$ '} command_name=${line:2:60}
        ((commands += 1))
    elif [[ -z $line ]]; then
        run_example
    elif [[ -n $command ]]; then
        shown+=${shown:+$'\n'}$line
    fi
    [[ $line == *' \' ]] && continued=1 || continued=0
done < <(sed -n '/^EXAMPLES$/,/^EXIT STATUS$/p' <<<"$manual" | sed '$d')
run_example

# The options: those of the usage text, of the page and of the bash
# completion (the zsh completion's test compares its options with the bash
# completion's).
usage_options=$("$sarnith" --help | sed -n 's/^  \(-[a-z]\)  \(--[a-z]*\).*/\1\n\2/p' | sort)
page_options=$(sed -n '/^OPTIONS$/,/^[A-Z]/p' <<<"$manual" | grep '^       -' | grep -oE -- '(^| )--?[a-z]+' | tr -d ' ' | sort)
source "$source_dir/completion/sarnith.bash"
bash_options=$(printf '%s\n' "${_sarnith_options[@]}" | sort)
check "the usage text's options are in the page" "" "$(comm -23 <(echo "$usage_options") <(echo "$page_options"))"
check "the bash completion offers the page's options" "$page_options" "$bash_options"

# The reserved words the page lists from the program's table, which the
# completion quotes when a gateway is named by one.
page_reserved=$(grep -A3 'these reserved words:' <<<"$manual" | tr '\n' ' ' | sed 's/.*reserved words: *//; s/\..*//; s/ and /, /' |
    tr ',' '\n' | tr -d ' ' | sort)
check "the bash completion knows the reserved words" "$page_reserved" "$(printf '%s\n' "${_sarnith_reserved[@]}" | sort)"

finish
