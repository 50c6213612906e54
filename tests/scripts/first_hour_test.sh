#!/usr/bin/env bash
# Checks of what a newcomer meets first: the install line the package check
# prints or runs, the Makefile's answer to a build tree it cannot write or to
# root in someone else's checkout, the commands in the README and docs, and
# the test scripts run by hand.
#
#   first_hour_test.sh SOURCE_DIR CASE [ARGUMENT...]
#
# CASE is one of the functions named case_* below. A case that needs root ends
# with status 77 (skipped) otherwise; CI runs as root. As root, what an
# ordinary user sees is checked as the user nobody (setpriv), on copies in a
# directory that user can read.
set -euo pipefail

source_dir=${1:-}
case_name=${2:-}
if [ -z "$source_dir" ] || [ -z "$case_name" ]; then
    echo "usage: $0 SOURCE_DIR CASE [ARGUMENT...]" >&2
    exit 2
fi
shift 2

work=$(mktemp -d "${TMPDIR:-/tmp}/ce-first-hour.XXXXXX")
chmod 755 "$work"
cleanup() { rm -rf "$work"; }
trap cleanup EXIT

fail() {
    echo "FAIL ($case_name): $*" >&2
    exit 1
}
skip() {
    echo "SKIP ($case_name): $*"
    exit 77
}
need_root() { [ "$EUID" -eq 0 ] || skip "needs root (CI runs it as root)"; }

# as_user COMMAND...: COMMAND as an ordinary user: this one, or nobody as root.
as_user() {
    if [ "$EUID" -eq 0 ]; then
        /usr/bin/setpriv --reuid=nobody --regid=nogroup --clear-groups --reset-env -- /usr/bin/env PATH="$PATH" "$@"
    else
        "$@"
    fi
}

# A package list whose one package is not there.
absent_list() {
    echo "velquin-absent-package:$work/not-installed" >"$work/list"
    chmod 644 "$work/list"
}

# A copy of the deps script where an ordinary user can read it.
copy_deps() {
    cp "$source_dir/scripts/deps.sh" "$work/deps.sh"
    chmod 755 "$work/deps.sh"
}

# A bin directory holding only COMMAND... (links to the real ones) and the
# fakes written into it afterwards.
bin_with() {
    mkdir -p "$work/bin"
    local command
    for command in "$@"; do ln -sf "$(command -v "$command")" "$work/bin/$command"; done
    chmod 755 "$work/bin"
}

expected_install="apt-get install -y --no-install-recommends velquin-absent-package"

case_packages_line_with_sudo() {
    absent_list
    copy_deps
    bin_with
    printf '#!/bin/sh\nexit 0\n' >"$work/bin/sudo"
    chmod 755 "$work/bin/sudo"
    local status=0
    PATH="$work/bin" as_user /bin/bash "$work/deps.sh" "$work/list" 2>"$work/err" || status=$?
    [ $status = 1 ] || fail "exit status $status, expected 1"
    grep -qxF "Missing packages: velquin-absent-package" "$work/err" || fail "no list of what is missing: $(cat "$work/err")"
    grep -qxF "Install them with:  sudo apt-get update && sudo $expected_install" "$work/err" \
        || fail "not the root path's install: $(cat "$work/err")"
}

case_packages_line_without_sudo() {
    absent_list
    copy_deps
    bin_with
    local status=0
    PATH="$work/bin" as_user /bin/bash "$work/deps.sh" "$work/list" 2>"$work/err" || status=$?
    [ $status = 1 ] || fail "exit status $status, expected 1"
    grep -qxF "Install them as root with:  su -c 'apt-get update && $expected_install'" "$work/err" \
        || fail "no su line where sudo is missing: $(cat "$work/err")"
}

# A fake apt-get: records its arguments, writes a screenful as apt does, and
# fails with apt's message when FAKE_APT_FAIL is set.
fake_apt_get() {
    bin_with mktemp tail sed cat
    cat >"$work/bin/apt-get" <<EOF
#!/bin/bash
echo "\$*" >>"$work/apt-calls"
for i in \$(seq 1 200); do echo "Unpacking package-\$i ..."; done
if [ "\$1" = install ] && [ -n "\${FAKE_APT_FAIL:-}" ]; then
    echo "E: Unable to locate package velquin-absent-package" >&2
    exit 100
fi
exit 0
EOF
    ln -sf "$(command -v seq)" "$work/bin/seq"
    chmod 755 "$work/bin/apt-get"
}

case_packages_installed_as_root_on_one_line() {
    need_root
    absent_list
    fake_apt_get
    local status=0
    TMPDIR=$work PATH="$work/bin" /bin/bash "$source_dir/scripts/deps.sh" "$work/list" 2>"$work/err" </dev/null || status=$?
    [ $status = 0 ] || fail "exit status $status: $(cat "$work/err")"
    [ "$(wc -l <"$work/err")" = 1 ] || fail "more than one line: $(cat "$work/err")"
    grep -qE '^Installing 1 package and what it needs \(log: .*\)\.\.\. done in [0-9]+ s\.$' "$work/err" \
        || fail "not the progress line: $(cat "$work/err")"
    grep -qxF "update" "$work/apt-calls" || fail "no apt-get update: $(cat "$work/apt-calls")"
    grep -q "^${expected_install#apt-get } " "$work/apt-calls" || fail "not the printed install: $(cat "$work/apt-calls")"
    local log
    log=$(sed -n 's/.*(log: \(.*\))\.\.\..*/\1/p' "$work/err")
    [ "$(grep -c '^Unpacking' "$log")" = 400 ] || fail "apt's output is not all in $log"
}

case_failed_install_names_its_log() {
    need_root
    absent_list
    fake_apt_get
    local status=0
    FAKE_APT_FAIL=1 TMPDIR=$work PATH="$work/bin" /bin/bash "$source_dir/scripts/deps.sh" "$work/list" \
        2>"$work/err" </dev/null || status=$?
    [ $status = 1 ] || fail "exit status $status, expected 1"
    grep -qF "E: Unable to locate package velquin-absent-package" "$work/err" || fail "apt's reason is not shown: $(cat "$work/err")"
    local log
    log=$(sed -n 's/^Its whole output is in \(.*\)$/\1/p' "$work/err")
    [ -n "$log" ] && [ -s "$log" ] || fail "the log is not named: $(cat "$work/err")"
    [ "$(wc -l <"$work/err")" -lt 12 ] || fail "apt's output reached the terminal: $(cat "$work/err")"
}

# A copy of the Makefile with its scripts and package lists, a checkout that
# needs nothing installed (these checks run where the tests were built).
copy_checkout() {
    mkdir -p "$work/checkout"
    cp "$source_dir/Makefile" "$work/checkout/"
    cp -r "$source_dir/scripts" "$work/checkout/"
    chmod -R a+rX "$work/checkout"
}

case_unwritable_build_tree_is_named() {
    copy_checkout
    mkdir "$work/checkout/build"
    touch "$work/checkout/build/build.ninja"
    # Root's tree, as a `sudo make` leaves it; as an ordinary user, one
    # whose mode says no.
    [ "$EUID" -eq 0 ] || chmod 555 "$work/checkout/build"
    local status=0
    as_user make -C "$work/checkout" build >"$work/out" 2>"$work/err" || status=$?
    chmod 755 "$work/checkout/build"
    [ $status != 0 ] || fail "make succeeded"
    [ "$(wc -l <"$work/err")" -le 2 ] || fail "more than the one line: $(cat "$work/err")"
    grep -qE "^make: build is not writable by [^ ]+ \(it belongs to [^ ]+\); remove build as its owner" "$work/err" \
        || fail "the tree is not named: $(cat "$work/err")"
    grep -qiE 'ninja|cmake' "$work/out" && fail "the build tool ran: $(cat "$work/out")"
    return 0
}

case_root_builds_nothing_in_someone_elses_checkout() {
    need_root
    copy_checkout
    chown -R nobody "$work/checkout"
    local status=0
    make -C "$work/checkout" run >"$work/out" 2>"$work/err" || status=$?
    [ $status != 0 ] || fail "make succeeded"
    grep -qxF "make: this checkout belongs to nobody: root has installed the packages, and nobody builds it; as nobody, run: make run" \
        "$work/err" || fail "no refusal with what to run: $(cat "$work/err")"
    [ ! -e "$work/checkout/build" ] || fail "root made a build tree"
}

# Prints FILE:LINE: TEXT for each shell command in the code of the Markdown
# files given (fenced and indented blocks, `spans`) that names a registry key
# without quotes, or runs ctest without naming its build tree.
scan_commands() {
    awk '
        FNR == 1 { fenced = 0 }
        /^[[:space:]]*```/ { fenced = !fenced; next }
        {
            n = 0
            if (fenced || /^(    |\t)/) {
                code[++n] = $0
            } else {
                line = $0
                while (match(line, /`[^`]+`/)) {
                    code[++n] = substr(line, RSTART + 1, RLENGTH - 2)
                    line = substr(line, RSTART + RLENGTH)
                }
            }
            for (i = 1; i <= n; ++i) {
                text = code[i]
                sub(/^[[:space:]]*\$ /, "", text)
                if (text ~ /(^|[[:space:]])(ce-reg|build\/bin\/ce-reg) / && text ~ /(^|[[:space:]])HK[A-Za-z_]*\\/)
                    print FILENAME ":" FNR ": unquoted key: " text
                if (text ~ /(^|[[:space:]])ctest( |$)/ && text !~ /--test-dir/)
                    print FILENAME ":" FNR ": ctest without --test-dir: " text
            }
        }' "$@"
}

case_docs_quote_their_keys_and_name_the_build_tree() {
    # The scan itself, on lines it must and must not flag.
    cat >"$work/sample.md" <<'EOF'
To go back: `ce-reg delete HKLM\Time /v TimeZoneInformation /f`.

    build/bin/ce-reg query HKEY_LOCAL_MACHINE\Software /s
    ctest -L xvfb

```
$ ce-reg add "HKLM\Software\Test" /v Count /d 1
$ ce-reg query 'HKLM\Time'
$ ctest --test-dir build -R '^BiasDialog\.'
```
The key `HKLM\Time` holds it.
EOF
    scan_commands "$work/sample.md" >"$work/flagged"
    [ "$(wc -l <"$work/flagged")" = 3 ] || fail "the scan flags other lines than the three bad ones: $(cat "$work/flagged")"

    (cd "$source_dir" && scan_commands README.md docs/*.md) >"$work/flagged"
    [ ! -s "$work/flagged" ] || fail "commands that do not work as written: $(cat "$work/flagged")"
}

case_tmux_script_lists_its_cases() {
    local script=$source_dir/tests/platform/frontends/terminal/tmux_test.sh status=0
    bash "$script" >"$work/out" 2>&1 || status=$?
    [ $status = 2 ] || fail "without arguments: exit status $status, expected 2: $(cat "$work/out")"
    grep -qF "usage: " "$work/out" || fail "no usage: $(cat "$work/out")"
    grep -qxF "  velquin_typed_biases_are_written" "$work/out" || fail "no list of cases: $(cat "$work/out")"
    status=0
    bash "$script" /bin/true no_such_case >"$work/out" 2>&1 || status=$?
    [ $status = 2 ] || fail "an unknown case: exit status $status, expected 2"
    grep -qF 'no case "no_such_case"' "$work/out" || fail "the unknown case is not named: $(cat "$work/out")"
    grep -q "command not found" "$work/out" && fail "bash's own message: $(cat "$work/out")"
    return 0
}

# xvfb_server_that_cannot_start_fails_at_once VELQUIN CLOSE_REQUEST: an Xvfb
# that ends at start-up (here the real one, refusing an option) fails a window
# case at once, with Xvfb's reason, however long the case would wait.
case_xvfb_server_that_cannot_start_fails_at_once() {
    local velquin=$1 close_request=$2 status=0
    mkdir -p "$work/bin"
    printf '#!/bin/sh\nexec %s "$@" -no-such-option-for-the-test\n' "$(command -v Xvfb)" >"$work/bin/Xvfb"
    chmod 755 "$work/bin/Xvfb"
    PATH="$work/bin:$PATH" CE_XVFB_TIMEOUT=600 timeout 100 bash \
        "$source_dir/tests/platform/frontends/window/xvfb_test.sh" "$velquin" "$close_request" \
        window_appears_by_default_titled_velquin >"$work/out" 2>&1 || status=$?
    [ $status != 124 ] || fail "still waiting for the server after 100 s: $(cat "$work/out")"
    [ $status = 1 ] || fail "exit status $status, expected 1: $(cat "$work/out")"
    grep -qF "Xvfb ended with status 1 before it served a display: Unrecognized option: -no-such-option-for-the-test" \
        "$work/out" || fail "Xvfb's reason is not given: $(cat "$work/out")"
}

declare -F "case_$case_name" >/dev/null || { echo "$0: no case \"$case_name\"" >&2; exit 2; }
"case_$case_name" "$@"
echo "ok: $case_name"
