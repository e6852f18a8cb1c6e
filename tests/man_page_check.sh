#!/usr/bin/env bash
# Checks the manual page, docs/tarnwick.1, against the program and the README.
#   names: every switch and option the program's --help prints is the tag of an entry of the
#          page's OPTIONS; every exit status the README's "Exit status" lists is the tag of an
#          entry of its EXIT STATUS; its title names the version --version gives.
#   reads: groff and man read it without a warning (skipped where they are missing).
# Arguments: the check, the source folder and, for names, the built program.
set -u
check=$1
source_dir=$2
program=${3:-}
page=$source_dir/docs/tarnwick.1
fail() { echo "$*"; exit 1; }
[ -f "$page" ] || fail "no manual page at $page"

if [ "$check" = reads ]; then
  command -v groff >/dev/null || { echo "skipped: no groff on this machine (Debian: groff-base)"; exit 77; }
  command -v man >/dev/null || { echo "skipped: no man on this machine (Debian: man-db)"; exit 77; }
  warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
  [ -z "$warnings" ] || fail "groff warns: $warnings"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man warns: $warnings"
  exit 0
fi

# The tag of each entry of a section (the text line after each .TP), as it reads: macro,
# quotes, font changes and the escapes of a minus and a backslash taken away.
tags() {
  awk -v section="$1" '
    /^\.SH/ { on = (substr($0, 5) == section || substr($0, 5) == "\"" section "\""); next }
    on && /^\.TP/ { take = 1; next }
    on && take { print; take = 0 }' "$page" |
    sed -E 's/^\.[A-Z]+ //; s/\\f[BIRP]//g; s/\\c//g; s/\\-/-/g; s/"//g'
}

# Each option as the usage text shows it, up to its value: "-F" of "-Fn", "-U" of "-Un1[,n2]",
# "--router" of "--router=path", and "--" itself.
usage=$("$program" --help) || fail "tarnwick --help failed"
options=$(printf '%s\n' "$usage" | grep -oE '(^|[[:space:]|])(--[a-z-]*|-[A-Za-z?])' | sed -E 's/^[[:space:]|]//' | sort -u)
[ -n "$options" ] || fail "no options found in the output of --help"
for wanted in -B -R -- --router; do
  printf '%s\n' "$options" | grep -qxF -- "$wanted" || fail "--help lists no $wanted: the options are not read as they are printed"
done
option_tags=$(tags OPTIONS)
[ -n "$option_tags" ] || fail "the manual page has no OPTIONS entries"
missing=()
while IFS= read -r option; do
  # The tag names the option alone, or followed by a blank, a comma or "=".
  printf '%s\n' "$option_tags" | grep -qE -- "(^|[ ,])$(printf '%s' "$option" | sed 's/[?]/[?]/g')([ ,=]|\$)" ||
    missing+=("$option")
done <<<"$options"
[ ${#missing[@]} -eq 0 ] || fail "the manual page's OPTIONS lack: ${missing[*]}"

# The README's exit statuses: the codes of its table, and each status its text names.
readme_section=$(awk '/^## Exit status/ { on = 1; next } on && /^## / { exit } on' "$source_dir/README.md")
codes=$( { printf '%s\n' "$readme_section" | grep -oE '^\| [0-9][0-9, ]* \|' | grep -oE '[0-9]+'
           printf '%s\n' "$readme_section" | grep -oE 'Status [0-9]+' | grep -oE '[0-9]+'; } | sort -un)
[ "$(printf '%s\n' "$codes" | wc -l)" -gt 10 ] || fail "too few exit statuses read from the README's Exit status: $codes"
status_tags=$(tags "EXIT STATUS" | tr ',' '\n' | tr -d ' ')
missing=()
for code in $codes; do
  printf '%s\n' "$status_tags" | grep -qx "$code" || missing+=("$code")
done
[ ${#missing[@]} -eq 0 ] || fail "the manual page's EXIT STATUS lacks: ${missing[*]}"

# The title's version is the program's.
version=$("$program" --version) || fail "tarnwick --version failed"
grep -qE "^\.TH TARNWICK 1 \"[^\"]*\" \"$version\"" "$page" || fail "the manual page's title does not name \"$version\""
exit 0
