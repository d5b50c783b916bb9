#!/usr/bin/env bash
# The manual pages say what the programs do: every command `tarn --help` lists and every long option
# its `tarn COMMAND --help` lists is in tarn(1), and both pages render without a warning.
#
#   manpage.sh TARN_PROGRAM MAN_DIR
set -u
tarn="$1"; pages="$2"
failures=0; passes=0
pass() { passes=$((passes + 1)); }
fail() { echo "FAIL: $1"; failures=$((failures + 1)); }

export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen
commands=$("$tarn" --help | sed -n '/^Commands:/,/^$/p' | awk 'NR > 1 && /^  [a-z]/ { print $1 }' | sort -u)
[ -n "$commands" ] || fail "tarn --help lists no commands"
page=$(sed 's/\\-/-/g' "$pages/tarn.1")
for command in $commands; do
    grep -q "^\.B $command\b\|^\.B $command \\\\fI" <<<"$page" && pass || fail "tarn(1) has no entry for $command"
    for option in $("$tarn" "$command" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
        grep -q -- "$option\b" <<<"$page" && pass || fail "tarn(1) does not name $command's option $option"
    done
done
for name in tarn tarntool; do
    warnings=$(man --warnings -E UTF-8 -l "$pages/$name.1" 2>&1 >/dev/null)
    [ -z "$warnings" ] && pass || fail "$name.1 renders with warnings: $warnings"
done
echo "$passes passed, $failures failed"
[ $failures -eq 0 ]
