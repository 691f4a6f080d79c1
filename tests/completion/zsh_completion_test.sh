#!/usr/bin/env bash
# The zsh completion of sarnith: zsh reads it without a syntax error, it
# offers the options the bash completion offers, and its statement
# completion, run in a real zsh with the completion builtins replaced by
# stand-ins that print what would be offered, gives the words of LQL, the
# output names and parameters of the program and the gateway names of the
# root directory in use.
#
# usage: zsh_completion_test.sh <sarnith> <mklogdb> <source folder>
set -uo pipefail
sarnith=$1
mklogdb=$2
source_dir=$3
completion=$source_dir/completion/_sarnith
source "$source_dir/tests/common/checks.sh"
make_scratch

check_ok "zsh reads the completion" zsh -n "$completion"

cat >"$scratch/other.txt" <<'EOF'
gateway Core 10.0.0.1
gateway 42 10.0.0.2
gateway to 10.0.0.3
EOF
"$mklogdb" build "$scratch/other.txt" "$scratch/other" || exit 1
export XDG_CONFIG_HOME=$scratch/config
"$sarnith" -s "$source_dir/examples/logdb" 2>/dev/null || exit 1

# The stand-ins: compadd prints the matches it would add (the ignored
# prefix, the word, the suffix), compset -P moves the matched prefix,
# _arguments prints its specifications.
cat >"$scratch/driver.zsh" <<'EOF'
_arguments() { [[ $MODE == options ]] && print -rl -- "$@" }
compset() {
  [[ $1 == -P ]] || return 1
  local part=${(M)PREFIX##$~2}
  [[ -n $part ]] || return 1
  IPREFIX+=$part
  PREFIX=${PREFIX#$part}
}
compadd() {
  local suffix= matching=1 word
  local -a candidates
  while (( $# )); do
    case $1 in
      (-S) suffix=$2; shift 2 ;;
      (-a) candidates+=(${(P)2}); shift 2 ;;
      (-U) matching=0; shift ;;
      (--) shift; candidates+=("$@"); break ;;
      (*) shift ;;
    esac
  done
  for word in $candidates; do
    (( matching )) && [[ $word != ${PREFIX}* ]] && continue
    print -r -- "$IPREFIX$word$suffix"
  done
}
_wanted() { shift 3; "$@" }
# Read like zsh's autoloading does, the file ends by calling _sarnith.
source $COMPLETION
[[ $MODE == options ]] && return
typeset -A compstate
words=($SARNITH "$@")
CURRENT=$#words
IPREFIX=
PREFIX=${words[-1]}
if [[ $PREFIX == [\"\']* ]]; then
  compstate[quote]=${PREFIX[1]}
  PREFIX=${PREFIX[2,-1]}
fi
_sarnith_statement
EOF

# complete WORD...: what zsh offers for the last word, one to a line.
complete_words() {
    MODE=statement SARNITH=$sarnith COMPLETION=$completion zsh -f "$scratch/driver.zsh" "$@"
}

zsh_options=$(MODE=options SARNITH=$sarnith COMPLETION=$completion zsh -f "$scratch/driver.zsh" |
    sed -n 's/^\(([^)]*)\)\{0,1\}\(-[-a-z]*\)\[.*/\2/p' | sort)
source "$source_dir/completion/sarnith.bash"
check "the options of the bash completion" "$(printf '%s\n' "${_sarnith_options[@]}" | sort)" "$zsh_options"

check "the statement starts with its quote" '"select ' "$(complete_words se)"
check "output names from the program" "$(printf '%s\n' srcip srcport srcusername | sed 's/.*/select &, /')" \
    "$(complete_words '"select src' | sed 's/ $/, /')"
check "gateways of the stored default" "$(printf 'select time from %s \n' gw-east gw-west gw-dmz)" \
    "$(complete_words '"select time from gw')"
check "gateways of -r, quoted where they must be" \
    "$(printf '%s\n' 'select time from Core ' "select time from '42' " "select time from 'to' ")" \
    "$(complete_words -r "$scratch/other" '"select time from ' | head -3)"
check "time statement words" "$(printf 'select time from all last full %s \n' day days)" \
    "$(complete_words '"select time from all last full d')"
check "and, or after a condition" "$(printf 'select time from all where syn = 1 %s \n' and or)" \
    "$(complete_words '"select time from all where syn = 1 ')"
check "parameters after where" "$(printf 'select time from all where (%s \n' icmpsrcip icmpsrcport)" \
    "$(complete_words '"select time from all where (icmps')"
check "nothing inside an IN list" "" "$(complete_words '"select time from all where destport in (80, ')"

finish
