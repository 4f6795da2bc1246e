# Shared by the e2e scripts: a fresh device root, failure reports, waiting.
set -euo pipefail

ROOT=$(mktemp -d)
export CHIMELY_ROOT=$ROOT
export CHIMELY_VIDEO=headless CHIMELY_AUDIO=null

fail() { echo "FAIL: $*" >&2; exit 1; }

# Process ids of wake-up services serving this root.
wakers_of_root() {
    local dir comm
    for dir in /proc/[0-9]*; do
        { read -r comm < "$dir/comm"; } 2>/dev/null || continue
        [ "$comm" = chimely-waker ] || continue
        { tr '\0' '\n' < "$dir/environ"; } 2>/dev/null | grep -qxF "CHIMELY_ROOT=$ROOT" && echo "${dir#/proc/}"
    done
    return 0
}

# A bound in these scripts is what a quiet machine needs at most. It only catches what never
# comes, so it is stretched by this factor for a machine loaded by the rest of the suite and
# other work; what comes in time ends the wait at once.
patience=4

# wait_until SECONDS COMMAND...: polls every 0.1 s; false when SECONDS (stretched) run out.
wait_until() {
    local tries=$(( $1 * 10 * patience )); shift
    while ! "$@"; do
        tries=$(( tries - 1 ))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
}

# lint_case WHAT COMMAND...: one case of a lint; counts it in `cases` and, when the command
# fails, in `failures`, naming WHAT with the first lines of the command's output.
lint_case() {
    local what=$1 rc=0
    shift
    cases=$((cases + 1))
    "$@" > "$ROOT/out" 2>&1 || rc=$?
    if [ "$rc" != 0 ]; then
        failures=$((failures + 1))
        echo "FAILED: $what (exit $rc):" >&2
        sed 's/^/    /' "$ROOT/out" | head -20 >&2
    fi
}

no_waker() { [ -z "$(wakers_of_root)" ]; }
has_waker() { [ -n "$(wakers_of_root)" ]; }

# Removing the root withdraws its registrations, so its service ends by itself.
cleanup() {
    rm -rf "$ROOT"
    if ! wait_until 5 no_waker; then
        echo "FAIL: wake-up service still running for $ROOT" >&2
        for pid in $(wakers_of_root); do kill "$pid"; done
        exit 1
    fi
}
trap cleanup EXIT
