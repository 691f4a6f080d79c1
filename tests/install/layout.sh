# What an installation of Sarnith holds below its prefix, for the install
# and package tests (sourced by bash).

# The files that an installation holds, relative to the prefix, the files of
# the example database counted as one.
expected_files="bin/mklogdb
bin/sarnith
share/bash-completion/completions/sarnith
share/doc/sarnith/examples/logdb.txt
share/doc/sarnith/examples/logdb/...
share/man/man1/mklogdb.1.gz
share/man/man1/sarnith.1.gz
share/zsh/vendor-completions/_sarnith"

# installed_files PREFIX: the files below PREFIX, as expected_files counts them.
installed_files() {
    (cd "$1" && find . -type f | sed 's|^\./||; s|\(share/doc/sarnith/examples/logdb\)/.*|\1/...|' | sort -u)
}
