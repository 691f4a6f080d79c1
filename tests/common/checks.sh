# Helpers of the shell tests (sourced by bash): checks that compare and
# count, a scratch folder removed at exit, and the closing count line.
#
# A check prints nothing when it holds and the difference when it does not;
# finish prints "N passed, N failed" and fails when any check failed.

checks_passed=0
checks_failed=0

# check NAME EXPECTED ACTUAL
check() {
    if [[ $2 == "$3" ]]; then
        ((checks_passed += 1))
    else
        ((checks_failed += 1))
        printf 'FAIL: %s\n--- expected\n%s\n--- actual\n%s\n---\n' "$1" "$2" "$3"
    fi
}

# check_ok NAME COMMAND...: the command succeeds.
check_ok() {
    local name=$1
    shift
    if "$@"; then
        ((checks_passed += 1))
    else
        ((checks_failed += 1))
        printf 'FAIL: %s (failed: %s)\n' "$name" "$*"
    fi
}

# A scratch folder for the test, in $scratch, removed when the test ends.
make_scratch() {
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/sarnith-test.XXXXXX")
    trap 'rm -rf "$scratch"' EXIT
}

finish() {
    printf '%d passed, %d failed\n' "$checks_passed" "$checks_failed"
    ((checks_failed == 0))
}
