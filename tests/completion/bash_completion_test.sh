#!/usr/bin/env bash
# The bash completion of sarnith, driven in a real bash as bash itself drives
# it: COMP_WORDS and COMP_CWORD set, the function called with the command,
# the word up to the cursor (without an opening quote) and the word before,
# and COMPREPLY read back.
#
# usage: bash_completion_test.sh <sarnith> <mklogdb> <source folder>
set -uo pipefail
sarnith=$1
mklogdb=$2
source_dir=$3
source "$source_dir/tests/common/checks.sh"
source "$source_dir/completion/sarnith.bash"
make_scratch

# A second database whose gateway names need care: a number, a keyword and
# mixed case; the fourth gateway lies beyond NRFIREWALLS.
cat >"$scratch/other.txt" <<'EOF'
gateway Edge-1 10.0.0.1
gateway 123 10.0.0.2
gateway ip 10.0.0.3
gateway hidden 10.0.0.4
config NRFIREWALLS=3
EOF
"$mklogdb" build "$scratch/other.txt" "$scratch/other" || exit 1
mkdir -p "$scratch/files/sub"
touch "$scratch/files/a.lql"

# The stored default root directory is the example database.
export XDG_CONFIG_HOME=$scratch/config
"$sarnith" -s "$source_dir/examples/logdb" 2>/dev/null || exit 1

# Stand-in for the builtin that only works inside a completion.
compopt() { :; }

# complete WORD...: the candidates for the last word, cursor at its end,
# one to a line; COMP_TYPE from $comp_type (9: insert, 63: list).
complete_words() {
    COMP_WORDS=("$sarnith" "$@")
    COMP_CWORD=$#
    COMP_LINE="${COMP_WORDS[*]}"
    COMP_POINT=${#COMP_LINE}
    COMP_TYPE=${comp_type:-9}
    local word=${COMP_WORDS[COMP_CWORD]}
    [[ $word == [\"\']* ]] && word=${word:1}
    COMPREPLY=()
    _sarnith "$sarnith" "$word" "${COMP_WORDS[COMP_CWORD - 1]}"
    ((${#COMPREPLY[@]} > 0)) && printf '%s\n' "${COMPREPLY[@]}"
}

lines() { printf '%s\n' "$@"; }

# ---- options and their values

check "every option, short and long" "$(printf '%s \n' "${_sarnith_options[@]}")" "$(complete_words -)"
check "long option by its start" "--userootdir " "$(complete_words --u)"
check "delimiters, quoted for the shell" "$(lines "';' " "',' " "'#' " "'\\t' ")" "$(complete_words -d '')"
check "delimiters inside an opened quote" "$(lines '; ' ', ' '# ' '\t ')" "$(complete_words -d "'")"
check "ending delimiter after -a" "$(lines "';' " "',' " "'#' " "'\\t' ")" "$(complete_words -d ';' -a '')"
check "address formats" "$(lines 's ' 'f ' 'i ')" "$(complete_words -i '')"
check "thread counts" "$(lines '1 ' '2 ' '4 ' '8 ')" "$(complete_words --threads '')"
check "priorities" "$(lines 'low ' 'normal ' 'high ')" "$(complete_words -p '')"
check "an option in any letter case" "normal " "$(complete_words --PRIORITY no)"
check "files for -f" "$(lines "$scratch/files/a.lql" "$scratch/files/sub")" "$(complete_words -f "$scratch/files/" | sort)"
check "folders only for -r" "$scratch/files/sub" "$(complete_words -r "$scratch/files/")"
check "folders only for --setrootdir" "$scratch/files/sub" "$(complete_words --setrootdir "$scratch/files/")"

# ---- the statement

check "the statement starts with its quote" '"select ' "$(complete_words -r "$scratch/other" se)"
check "an empty word starts the statement" '"select ' "$(complete_words '')"
check "output names from the program" "$(lines 'select srcip ' 'select srcport ' 'select srcusername ')" \
    "$(complete_words '"select src')"
check "a list shows the words alone" "$(lines 'tcpdatalen ' 'tcpflags ' 'tcphdrlen ' 'tcpstd ' 'tcptotlen ')" \
    "$(comp_type=63 complete_words '"select srcip, tcp')"
check "from after the outputs" "select time, srcip from " "$(complete_words '"select time, srcip fr' | head -1)"
check "gateways of the stored default" \
    "$(lines 'select srcip from gw-east ' 'select srcip from gw-west ' 'select srcip from gw-dmz ')" \
    "$(complete_words '"select srcip from gw-')"
check "gateways of -r, which comes first" \
    "$(lines "select srcip from Edge-1 " "select srcip from '123' " "select srcip from 'ip' ")" \
    "$(complete_words -R "$scratch/other" '"select srcip from ' | head -3)"
check "gateways of -r after the statement" "select srcip from Edge-1 " \
    "$(complete_words --userootdir "$scratch/other" '"select srcip from e' | head -1)"
check "a gateway beyond NRFIREWALLS is not offered" "" \
    "$(complete_words -r "$scratch/other" '"select srcip from h')"
check "a name to quote, typed without its quote" "select srcip from '123' " \
    "$(complete_words -r "$scratch/other" '"select srcip from 1' | head -1)"
check "a name to quote in a single-quoted statement" "select srcip from '\\''123'\\'' " \
    "$(complete_words -r "$scratch/other" "'select srcip from 1" | head -1)"
check "time statement words" "$(lines 'select srcip from gw-east last days ' 'select srcip from gw-east last hours ' \
    'select srcip from gw-east last full ')" "$(complete_words '"select srcip from gw-east last ')"
check "after full" "$(lines 'select srcip from all last full day ' 'select srcip from all last full days ')" \
    "$(complete_words '"select srcip from all last full d')"
check "parameters after where" "$(lines 'select srcip from all where destiface ' 'select srcip from all where destip ')" \
    "$(complete_words '"select srcip from all where desti')"
check "and, or after a condition" "$(lines 'select srcip from all where ack = 1 and ' 'select srcip from all where ack = 1 or ')" \
    "$(complete_words '"select srcip from all where ack = 1 ')"
check "parameters after a parenthesis" "select srcip from all where not (srcport " \
    "$(complete_words '"select srcip from all where not (srcp' | head -1)"
check "nothing inside an IN list" "" "$(complete_words '"select srcip from all where srcip in (10.0.0.1, 1')"
check "nothing inside a quoted value" "" "$(complete_words "\"select srcip from all where rule = 'drop a")"
check "a single match is offered twice, so the quote stays open" \
    "$(lines 'select srcip from gw-dmz ' 'select srcip from gw-dmz  ')" "$(complete_words '"select srcip from gw-d')"

finish
