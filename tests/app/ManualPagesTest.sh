#!/usr/bin/env bash
# The manual page and the bash completion of lumenreel-render against its --help: every option
# the program lists is in both, and neither names an option the program no longer has.
#   ManualPagesTest.sh LUMENREEL_RENDER MANUAL_PAGE COMPLETION
set -euo pipefail
tool=$1
page=$2
completion=$3

# The long options of the help ("  -v, --verbose", "  --audio <FILE>"), and the short ones.
help=$(XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)} "$tool" --help)
mapfile -t options < <(sed -nE 's/^  (-[A-Za-z], )?--([a-z0-9-]+).*/\2/p' <<<"$help")
mapfile -t shorts < <(sed -nE 's/^  -([A-Za-z]), --.*/\1/p' <<<"$help")
if [ ${#options[@]} -lt 10 ]; then
    echo "the help of $tool lists only ${#options[@]} options" >&2
    exit 1
fi

failures=0
fail() {
    echo "$1" >&2
    failures=$((failures + 1))
}
for name in "${options[@]}"; do
    # In the page's source every hyphen is written \-.
    roff="\\\\-\\\\-${name//-/\\\\-}"
    grep -qE -- "${roff}([^a-z0-9\\\\]|\\\\[^-]|$)" "$page" ||
        fail "--$name is missing from the manual page $page"
    grep -qE -- "(^|[[:space:]'])--${name}([[:space:]'=]|$)" "$completion" ||
        fail "--$name is missing from the completion $completion"
done
for letter in "${shorts[@]}"; do
    grep -qE -- "^\.BR \\\\-${letter} " "$page" || fail "-$letter is missing from the manual page"
done

# The video formats that --format lists ("   hap-alpha: HAP with alpha ...").
mapfile -t formats < <(sed -nE 's/^ {20,}([a-z0-9-]+): .*/\1/p' <<<"$help")
[ ${#formats[@]} -gt 0 ] || fail "no formats found in the help of --format"
for format in "${formats[@]}"; do
    grep -qE -- "^\.B ${format//-/\\\\-}\$" "$page" ||
        fail "format $format is missing from the manual page"
    grep -A2 -- "--format)" "$completion" | grep -qE "[' ]${format}[' ]" ||
        fail "format $format is missing from the completion"
done

# The other way round: what the page and the completion offer exists.
known=" ${options[*]} "
while read -r name; do
    [[ $known == *" $name "* ]] || fail "the manual page names --$name, which $tool does not know"
done < <(grep -oE '\\-\\-[a-z0-9]+(\\-[a-z0-9]+)*' "$page" | sed 's/\\-/-/g; s/^--//' | sort -u)
while read -r name; do
    [[ $known == *" $name "* ]] || fail "the completion offers --$name, which $tool does not know"
done < <(grep -oE -- "(^|[[:space:]'])--[a-z0-9-]+" "$completion" | sed -E 's/^.*--//' | sort -u)

if [ $failures -gt 0 ]; then
    exit 1
fi
echo "${#options[@]} options of $tool are in its manual page and its completion"
