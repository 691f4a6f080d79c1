#!/usr/bin/env bash
# cmake --install: the files land under the prefix, below DESTDIR when it is
# set, where the system looks for them (programs, manual pages, bash and zsh
# completions, the example database), and nothing else is installed; the
# installed program runs a query on the installed example database, man
# finds its page through the prefix, and bash-completion loads the
# completion of a user's ~/.local.
#
# usage: install_test.sh <cmake> <build folder> <source folder>
set -uo pipefail
cmake=$1
build_dir=$2
source_dir=$3
source "$source_dir/tests/common/checks.sh"
source "$source_dir/tests/install/layout.sh"
make_scratch

DESTDIR=$scratch/dest "$cmake" --install "$build_dir" --prefix /usr/local >/dev/null || exit 1
check "DESTDIR and the prefix" "$expected_files" "$(installed_files "$scratch/dest/usr/local")"
check "nothing outside the prefix" "usr" "$(ls "$scratch/dest")"

home=$scratch/home
prefix=$home/.local
"$cmake" --install "$build_dir" --prefix "$prefix" >/dev/null || exit 1
check "the prefix ~/.local" "$expected_files" "$(installed_files "$prefix")"
check_ok "the example database as shipped" diff -r "$source_dir/examples/logdb" "$prefix/share/doc/sarnith/examples/logdb"

check "the installed program runs a query on the installed example database" \
    "time=08:10:15 vantgard=gw-east icmptype=ECHO_REQUEST" \
    "$(cd "$prefix/share/doc/sarnith" && TZ=UTC "$prefix/bin/sarnith" -r examples/logdb \
        "select time, vantgard, icmptype from gw-east times 2006-06-20 to 2006-06-20 12:00 where icmptype = 8")"
check "man finds the installed page" "SARNITH(1)" \
    "$(MANPATH=$prefix/share/man MANWIDTH=80 man sarnith 2>&1 | head -1 | awk '{print $1}')"
check "man renders the installed mklogdb page" "MKLOGDB(1)" \
    "$(MANWIDTH=80 man -l "$prefix/share/man/man1/mklogdb.1.gz" 2>&1 | head -1 | awk '{print $1}')"

loader=/usr/share/bash-completion/bash_completion
if [[ -r $loader ]]; then
    loaded=$(env -u XDG_DATA_HOME HOME=$home XDG_DATA_DIRS=$scratch/none bash -c "source $loader; __load_completion sarnith; complete -p sarnith")
    check "bash-completion loads the completion from ~/.local" "complete -F _sarnith sarnith" "$loaded"
fi

finish
