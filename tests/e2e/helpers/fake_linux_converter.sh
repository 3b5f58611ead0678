#!/bin/sh
# Test stand-in for the Linux converter that xdoc2txt.exe runs under Wine.
#
#   xdoc2txt -f SOURCE
#
# Records its call in SOURCE.args: "encoding=" and $XDOC2TXT_ENCODING (or
# "unset"), then one "arg=" line per argument. Then reads directive lines at
# the start of SOURCE, each a whole line:
#   exit N        exit with status N (default 0)
#   stdout TEXT   print TEXT on standard output
#   stderr TEXT   print TEXT on standard error
# and copies SOURCE to SOURCE less its last four characters plus ".txt".
{
    printf 'encoding=%s\n' "${XDOC2TXT_ENCODING-unset}"
    printf 'arg=%s\n' "$@"
} >>"$2.args"
status=0
while IFS= read -r line; do
    case $line in
        "exit "*) status=${line#exit } ;;
        "stdout "*) printf '%s\n' "${line#stdout }" ;;
        "stderr "*) printf '%s\n' "${line#stderr }" >&2 ;;
        *) break ;;
    esac
done <"$2"
cp -- "$2" "${2%????}.txt"
exit "$status"
