#!/usr/bin/env bash
# Writes the manual page velmo(1) to standard output: the options section from the usage text
# that the program itself prints (so the two cannot drift apart), the rest from velmo.1.in.
# Usage: make_man.sh path/to/velmo path/to/velmo.1.in
set -euo pipefail
velmo=$1
template=$2
options=$({ "$velmo" || true; } 2>&1 >/dev/null | awk '
  # troff: a backslash is written \e, a minus sign \-, and a line must not begin with a dot.
  function roff(text) {
    gsub(/\\/, "\\e", text)
    gsub(/-/, "\\-", text)
    if (text ~ /^[.'"'"']/) text = "\\&" text
    return text
  }
  /^OPTIONS:/ { started = 1; next }
  !started || /^[ \t]*$/ { next }
  /^  -/ {
    line = substr($0, 3)
    # The option and its argument end at the first colon followed by blank or tab.
    split_at = match(line, /:[ \t]/)
    head = split_at ? substr(line, 1, split_at - 1) : line
    text = split_at ? substr(line, split_at + 2) : ""
    gsub(/^[ \t]+/, "", text)
    name = head; argument = ""
    if (index(head, " ")) { name = substr(head, 1, index(head, " ") - 1); argument = substr(head, index(head, " ") + 1) }
    print ".TP"
    print "\\fB" roff(name) "\\fR" (argument == "" ? "" : " \\fI" roff(argument) "\\fR")
    print roff(text)
    next
  }
  { line = $0; gsub(/^[ \t]+/, "", line); print roff(line) }
')
while IFS= read -r line; do
  if [[ "$line" == "@OPTIONS@" ]]; then printf '%s\n' "$options"; else printf '%s\n' "$line"; fi
done <"$template"
