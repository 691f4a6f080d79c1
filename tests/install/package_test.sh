#!/usr/bin/env bash
# The Debian package, as `cpack -G DEB` builds it from the build folder: its
# name, its version (the project's, and the one the program shows), its
# maintainer, description and dependencies (found by dpkg-shlibdeps), and
# its files, unpacked into a scratch root with dpkg -x, where the programs
# run: the version, a query on the example database, and mklogdb.
#
# usage: package_test.sh <cpack> <build folder> <source folder> <project version>
set -uo pipefail
cpack=$1
build_dir=$2
source_dir=$3
version=$4
source "$source_dir/tests/common/checks.sh"
source "$source_dir/tests/install/layout.sh"
make_scratch

"$cpack" -G DEB -B "$scratch/package" --config "$build_dir/CPackConfig.cmake" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; exit 1; }
package=$scratch/package/sarnith_${version}_$(dpkg --print-architecture).deb
check_ok "the package file" test -f "$package"

field() { dpkg-deb -f "$package" "$1"; }
check "name" "sarnith" "$(field Package)"
check "version" "$version" "$(field Version)"
check_ok "maintainer" test -n "$(field Maintainer)"
check "description" "search the log database of a fleet of firewall gateways" "$(field Description | head -1)"
check "dependencies found by dpkg-shlibdeps" "libc6 zlib1g" \
    "$(field Depends | tr ',' '\n' | sed 's/^ *\([^ ]*\).*/\1/' | grep -x -e libc6 -e zlib1g | sort | xargs)"

root=$scratch/root
dpkg -x "$package" "$root" || exit 1
check "the files, under /usr" "$expected_files" "$(installed_files "$root/usr")"

check "the packaged program's version" "Sarnith $version" "$("$root/usr/bin/sarnith" -v | head -1 | awk '{print $1, $2}')"
check "the packaged program runs a query on the example database" \
    "time=07:58:41 username=alice authevent=login srcip=192.168.1.101
time=08:30:00 username=bob authevent=login srcip=192.168.1.102
time=11:58:03 username=bob authevent=logout srcip=192.168.1.102" \
    "$(TZ=UTC "$root/usr/bin/sarnith" -r "$source_dir/examples/logdb" \
        "select time, username, authevent, srcip from gw-east times 2006-06-20 to 2006-06-20 12:00 where category = 'USERAUTH'")"
"$root/usr/bin/mklogdb" generate --gateways 2 --days 1 --entries 3 "$scratch/generated" || exit 1
check "the packaged mklogdb writes a database the program reads" "6" \
    "$("$root/usr/bin/sarnith" -r "$scratch/generated" "select id from all" | wc -l)"

finish
