#!/usr/bin/env bash
# cmake --install into a scratch prefix: the programs run from there, and the manual page
# renders without warnings and names every option of the usage text.
# Usage: run.sh build-folder
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
problems=0
for program in velmo velmo-parallel velmo-treebank velmo-eval velmo-draw; do
  [[ -x "$prefix/bin/$program" ]] || { echo "FAIL: bin/$program not installed"; problems=1; }
done
"$prefix/bin/velmo" -version 2>&1 | grep -q '^Build: ' || { echo "FAIL: -version names no build"; problems=1; }
# Each program's page: installed, rendered without warnings, naming every option of the usage
# text as the page writes it (\fB\-name\fR).
usage_of() {
  if [[ $1 == velmo ]]; then { "$prefix/bin/velmo" || true; } 2>&1; else "$prefix/bin/$1" --help; fi
}
for program in velmo velmo-parallel velmo-treebank velmo-eval velmo-draw; do
  page=$prefix/share/man/man1/$program.1
  if [[ ! -f "$page" ]]; then
    echo "FAIL: share/man/man1/$program.1 not installed"
    problems=1
    continue
  fi
  if command -v groff >/dev/null; then
    warnings=$(groff -man -Tutf8 -ww "$page" 2>&1 >/dev/null || true)
    [[ -z "$warnings" ]] || { echo "FAIL: groff warns on $program.1: $warnings"; problems=1; }
  fi
  while read -r option; do
    grep -qF "\\fB${option//-/\\-}\\fR" "$page" || { echo "FAIL: $program.1 lacks $option"; problems=1; }
  done < <(usage_of "$program" | { grep -o '^  -[a-zA-Z0-9-]*\|\[--*[a-zA-Z][a-zA-Z-]*' || true; } |
           tr -d ' [')
done
((problems == 0)) && echo "installed programs and manual pages are complete"
exit "$problems"
