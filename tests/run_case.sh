#!/usr/bin/env bash
# Runs one end-to-end case: tarnwick with the case's arguments in a scratch folder holding the
# case's input files, then compares console, standard output, exit status and written files
# with the expected ones. The elapsed-time line is the only text masked.
#
# A case folder holds: args (one argument a line), in/ (input files, optional), status,
# stderr, stdout (optional, else empty), out/ (files the run must write, optional), ulimit
# (optional: arguments of the shell's ulimit for the run, a file size limit say), and stdout_to
# or stderr_to (optional: a file, /dev/full say, that receives the stream instead of the case's
# capture, which then expects it empty; "closed" starts the program with the stream closed).
# With UPDATE=1 the run's results are written into the case instead (check them by hand).
set -u
exe=$1
case_dir=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/work"
[ -d "$case_dir/in" ] && cp -R "$case_dir/in/." "$scratch/work/"

args=()
if [ -f "$case_dir/args" ]; then
  while IFS= read -r line || [ -n "$line" ]; do args+=("$line"); done < "$case_dir/args"
fi

limits=()
[ -f "$case_dir/ulimit" ] && read -r -a limits <"$case_dir/ulimit"

stdout_to=$scratch/stdout stderr_to=$scratch/stderr
[ -f "$case_dir/stdout_to" ] && { read -r stdout_to <"$case_dir/stdout_to"; : >"$scratch/stdout"; }
[ -f "$case_dir/stderr_to" ] && { read -r stderr_to <"$case_dir/stderr_to"; : >"$scratch/stderr"; }

out_redirect='>"$stdout_to"' err_redirect='2>"$stderr_to"'
[ "$stdout_to" = closed ] && out_redirect='>&-'
[ "$stderr_to" = closed ] && err_redirect='2>&-'

(cd "$scratch/work" && { [ ${#limits[@]} -eq 0 ] || ulimit "${limits[@]}"; } &&
  eval '"$exe" "${args[@]}"' "$out_redirect" "$err_redirect")
echo $? >"$scratch/status"
sed -E -i 's/^Elapsed time: [0-9]+\.[0-9]{3} Sec$/Elapsed time: <masked> Sec/' "$scratch/stderr"

# The files the run wrote: everything in the work folder that is not an input left unchanged.
written=()
while IFS= read -r -d '' f; do
  rel=${f#"$scratch/work/"}
  if [ -f "$case_dir/in/$rel" ] && cmp -s "$f" "$case_dir/in/$rel"; then continue; fi
  written+=("$rel")
done < <(find "$scratch/work" -type f -print0 | sort -z)

if [ "${UPDATE:-0}" = 1 ]; then
  cp "$scratch/stderr" "$case_dir/stderr"
  cp "$scratch/status" "$case_dir/status"
  if [ -s "$scratch/stdout" ]; then cp "$scratch/stdout" "$case_dir/stdout"; else rm -f "$case_dir/stdout"; fi
  rm -rf "$case_dir/out"
  for rel in "${written[@]}"; do
    mkdir -p "$(dirname "$case_dir/out/$rel")"
    cp "$scratch/work/$rel" "$case_dir/out/$rel"
  done
  echo "updated $case_dir"
  exit 0
fi

failed=0
if ! diff -u "$case_dir/status" "$scratch/status"; then echo "exit status differs"; failed=1; fi
if ! diff -u "$case_dir/stderr" "$scratch/stderr"; then echo "console differs"; failed=1; fi
expected_stdout=/dev/null
[ -f "$case_dir/stdout" ] && expected_stdout="$case_dir/stdout"
if ! diff -u "$expected_stdout" "$scratch/stdout"; then echo "standard output differs"; failed=1; fi

expected_files=()
if [ -d "$case_dir/out" ]; then
  while IFS= read -r -d '' f; do expected_files+=("${f#"$case_dir/out/"}"); done \
    < <(find "$case_dir/out" -type f -print0 | sort -z)
fi
if [ "${written[*]-}" != "${expected_files[*]-}" ]; then
  echo "files written: ${written[*]-<none>}; expected: ${expected_files[*]-<none>}"
  failed=1
fi
for rel in "${expected_files[@]}"; do
  if [ -f "$scratch/work/$rel" ] && ! cmp -s "$case_dir/out/$rel" "$scratch/work/$rel"; then
    echo "written file $rel differs:"
    diff -u "$case_dir/out/$rel" "$scratch/work/$rel" | head -40
    failed=1
  fi
done
exit $failed
