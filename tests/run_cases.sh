#!/usr/bin/env bash
# Runs every end-to-end case below a folder. A case is a folder holding:
#   cmd      the arguments of velmo, one line, shell-quoted, may hold <(...) (run inside a scratch copy of the case
#            folder, beside a copy of tests/fixtures reachable as ../fixtures)
#   stdin    optional standard input
#   out, err expected standard output and standard error (a missing file means: empty)
#   status   expected exit status (missing: 0); a run is stopped after 120 s (status 124)
#   files/   optional: files the run must leave behind, compared byte for byte
#   program  optional: the program to run instead of velmo, from velmo's folder (velmo-eval)
#   memory   optional: a limit of the run's virtual memory in KiB (ulimit -v); left out when
#            VELMO_SANITIZED is set, since the sanitizers reserve far more address space
#   filter   optional sed script applied to the expected and the actual streams before they are
#            compared (for lines that differ from build to build)
# Usage: run_cases.sh path/to/velmo cases-folder [name-filter]
set -u
velmo=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
root=$(cd "$2" && pwd)
filter=${3:-}
fixtures=$(cd "$root/../fixtures" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
passed=0; failed=0
while IFS= read -r cmdfile; do
  dir=$(dirname "$cmdfile")
  name=${dir#"$root"/}
  [[ -n "$filter" && "$name" != *$filter* ]] && continue
  work="$scratch/run"
  rm -rf "$work" "$scratch/fixtures"
  cp -r "$fixtures" "$scratch/fixtures"
  cp -r "$dir" "$work"
  rm -rf "$work/files" "$work/out" "$work/err" "$work/status"
  stdin=/dev/null; [[ -f "$dir/stdin" ]] && stdin="$dir/stdin"
  # eval on the exec itself, so that a process substitution in cmd (a pipe) is still open in velmo.
  program=$velmo
  [[ -f "$dir/program" ]] && program=$(dirname "$velmo")/$(cat "$dir/program")
  limit=unlimited
  [[ -f "$dir/memory" && -z "${VELMO_SANITIZED:-}" ]] && limit=$(cat "$dir/memory")
  (cd "$work" && ulimit -v "$limit" && eval "exec timeout 120 \"\$program\" $(cat "$dir/cmd")") <"$stdin" >"$scratch/out" 2>"$scratch/err"
  status=$?
  want_status=0; [[ -f "$dir/status" ]] && want_status=$(cat "$dir/status")
  problems=()
  [[ "$status" == "$want_status" ]] || problems+=("exit status $status, expected $want_status")
  for stream in out err; do
    want="$dir/$stream"; [[ -f "$want" ]] || want=/dev/null
    if [[ -f "$dir/filter" ]]; then
      sed -f "$dir/filter" "$want" >"$scratch/want"; want="$scratch/want"
      sed -i -f "$dir/filter" "$scratch/$stream"
    fi
    cmp -s "$want" "$scratch/$stream" || problems+=("std$stream differs:
$(diff "$want" "$scratch/$stream" | head -20)")
  done
  if [[ -d "$dir/files" ]]; then
    while IFS= read -r f; do
      rel=${f#"$dir/files/"}
      cmp -s "$f" "$work/$rel" || problems+=("file $rel differs:
$(diff "$f" "$work/$rel" 2>&1 | head -20)")
    done < <(find "$dir/files" -type f | sort)
  fi
  if ((${#problems[@]} == 0)); then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL $name"
    printf '  %s\n' "${problems[@]}"
  fi
done < <(find "$root" -name cmd -type f | sort)
echo "$passed passed, $failed failed"
((failed == 0 && passed > 0))
