#!/usr/bin/env bash
# Mutation testing of the core: plants the faults listed in
# scripts/mutants.txt into src/core one at a time, rebuilds build-mutants/
# (Release, no windows) incrementally, runs the test programs of the core and
# of the command line, and reports which faults the suite let through.
#   scripts/mutants.sh               every mutant of the table
#   scripts/mutants.sh --list        print the mutants (and the stale ones); build nothing
#   scripts/mutants.sh --only NAME   only this mutant (may be given more than once)
#   scripts/mutants.sh -j N          parallel build jobs (default 2)
#   scripts/mutants.sh --timeout S   seconds one mutant's tests may take (default 120)
# A mutant is killed when a test program fails, crashes or runs out of time,
# SURVIVED when the whole suite still passes, stale when its text is not
# found exactly once in its file (the code changed under it). The file is
# restored after each mutant, also when the run is interrupted.
# Exit status: 0 whatever the mutants did; 2 for a usage or table error;
# 3 when the unmutated code fails to build or to pass, or src/ could not be
# restored.
set -euo pipefail
cd "$(dirname "$0")/.."

table=scripts/mutants.txt
build_dir=build-mutants
state_dir=$build_dir/mutant-state
jobs=2
timeout_seconds=120
list_only=0
only=()
# Fields of a table line; a text of C++ never holds it with blanks around.
separator=' :: '

die() {
  echo "mutants: $2" >&2
  exit "$1"
}

usage() { sed -n '2,/^set -euo/p' "$0" | sed -e '$d' -e 's/^# \{0,1\}//'; }

positive_number() { [[ $1 =~ ^[1-9][0-9]*$ ]]; }

while [ $# -gt 0 ]; do
  case "$1" in
    --list) list_only=1 ;;
    --only)
      [ $# -ge 2 ] || die 2 "--only needs a mutant's name"
      only+=("$2")
      shift
      ;;
    -j)
      positive_number "${2:-}" || die 2 "-j needs a number of build jobs"
      jobs=$2
      shift
      ;;
    -j*)
      positive_number "${1#-j}" || die 2 "-j needs a number of build jobs"
      jobs=${1#-j}
      ;;
    --timeout)
      positive_number "${2:-}" || die 2 "--timeout needs a number of seconds"
      timeout_seconds=$2
      shift
      ;;
    -h | --help)
      usage
      exit 0
      ;;
    *) die 2 "unknown option $1 (see --help)" ;;
  esac
  shift
done

# ---- The table -------------------------------------------------------------

names=()
files=()
finds=()
replacements=()
declare -A row_of_name=()

read_table() {
  [ -f "$table" ] || die 2 "no table at $table"
  local line number=0 rest fields
  while IFS= read -r line || [ -n "$line" ]; do
    number=$((number + 1))
    [[ $line =~ ^[[:space:]]*(#|$) ]] && continue
    fields=()
    rest=$line
    while [[ $rest == *"$separator"* ]]; do
      fields+=("${rest%%"$separator"*}")
      rest=${rest#*"$separator"}
    done
    fields+=("$rest")
    local where="$table:$number"
    [ ${#fields[@]} -eq 4 ] ||
      die 2 "$where: needs 4 fields (file, find, replacement, name) separated by '$separator', has ${#fields[@]}"
    local file=${fields[0]} find=${fields[1]} replacement=${fields[2]} name=${fields[3]}
    [[ $file == src/core/* ]] || die 2 "$where: $file is not under src/core"
    [ -f "$file" ] || die 2 "$where: no file $file"
    git ls-files --error-unmatch -- "$file" >/dev/null 2>&1 || die 2 "$where: $file is not tracked by git"
    [[ $name =~ ^[a-z0-9][a-z0-9_.-]*$ ]] || die 2 "$where: name '$name' should be lower case words joined by -"
    [ -z "${row_of_name[$name]:-}" ] || die 2 "$where: name $name is used twice"
    [ -n "$find" ] && [ -n "$replacement" ] || die 2 "$where: empty find or replacement (write /* deleted */ for a deletion)"
    [ "$find" != "$replacement" ] || die 2 "$where: the replacement is the text itself"
    row_of_name[$name]=${#names[@]}
    names+=("$name")
    files+=("$file")
    finds+=("$find")
    replacements+=("$replacement")
  done <"$table"
  [ ${#names[@]} -gt 0 ] || die 2 "$table lists no mutant"
}

# How often the exact text $2 occurs in file $1.
occurrences() {
  FIND=$2 perl -0777 -ne '$n = () = /\Q$ENV{FIND}\E/g; print $n + 0' "$1"
}

read_table
selected=()
if [ ${#only[@]} -gt 0 ]; then
  for name in "${only[@]}"; do
    [ -n "${row_of_name[$name]:-}" ] || die 2 "no mutant named $name in $table (see --list)"
    selected+=("${row_of_name[$name]}")
  done
else
  for i in "${!names[@]}"; do selected+=("$i"); done
fi

if [ $list_only -eq 1 ]; then
  stale=0
  for i in "${selected[@]}"; do
    count=$(occurrences "${files[$i]}" "${finds[$i]}")
    mark=""
    if [ "$count" -ne 1 ]; then
      mark="  [stale: found $count times]"
      stale=$((stale + 1))
    fi
    printf '%-38s %s%s\n    %s\n -> %s\n' "${names[$i]}" "${files[$i]}" "$mark" "${finds[$i]}" "${replacements[$i]}"
  done
  echo "${#selected[@]} mutants, $stale stale"
  exit 0
fi

# ---- Planting and restoring ------------------------------------------------

mkdir -p "$state_dir/logs"
exec 9>"$state_dir/lock"
flock -n 9 || die 2 "another mutants.sh run is using $build_dir"

original=$state_dir/original   # the mutated file's own text
original_of=$state_dir/path    # which file that is, while a mutant is planted
mutated=""

restore() {
  [ -n "$mutated" ] || return 0
  cp "$original" "$mutated"
  rm -f "$original_of"
  mutated=""
}

# A run killed outright (SIGKILL, a power cut) leaves its mutant planted; the
# next run puts the file back before anything else.
if [ -f "$original_of" ]; then
  mutated=$(cat "$original_of")
  echo "mutants: restoring $mutated, left mutated by an interrupted run"
  restore
fi

git diff --quiet -- src ||
  die 2 "src/ has changes that are not committed; commit or stash them first, so the run can prove it restored every file"

trap restore EXIT
trap 'echo; echo "mutants: interrupted; the planted file is restored" >&2; exit 130' INT TERM

plant() {  # index
  local i=$1
  cp "${files[$i]}" "$original"
  printf '%s\n' "${files[$i]}" >"$original_of"
  mutated=${files[$i]}
  FIND=${finds[$i]} REPLACEMENT=${replacements[$i]} \
    perl -0777 -pe 's/\Q$ENV{FIND}\E/$ENV{REPLACEMENT}/' "$original" >"${files[$i]}"
  ! cmp -s "$original" "${files[$i]}" || die 3 "planting ${names[$i]} changed nothing in ${files[$i]}"
}

# ---- Building and testing --------------------------------------------------

echo "== configuring $build_dir (Release, no windows)"
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVARENNA_GUI=OFF >"$state_dir/configure.log" 2>&1 ||
  die 3 "configuring $build_dir failed; see $state_dir/configure.log"
mapfile -t programs < <(cmake --build "$build_dir" --target help | grep -oE '^(cli|core[a-z0-9_]*)_tests' | sort -u)
[ ${#programs[@]} -gt 0 ] || die 3 "no test programs of the core or the command line in $build_dir"
# The command line's tests run the program itself.
targets=(varenna-batch "${programs[@]}")

build() {  # log
  cmake --build "$build_dir" --parallel "$jobs" --target "${targets[@]}" >"$1" 2>&1
}

# The tests of the mutated file's own folder first (they fail soonest), then
# the rest: src/core/thumbnail/run/x.cpp starts with core_thumbnail_run_tests.
programs_for() {  # file
  local folder own
  folder=$(dirname "${1#src/}")
  own="${folder//\//_}_tests"
  local program
  for program in "${programs[@]}"; do [ "$program" = "$own" ] && echo "$program"; done
  for program in "${programs[@]}"; do [ "$program" != "$own" ] && echo "$program"; done
}

# Runs the suite within the time limit, stopping at the first program that
# fails. Prints nothing when every program passed, else which one and how.
# Settings tests and the program never see the developer's own settings.
run_suite() {  # file log
  local deadline=$((SECONDS + timeout_seconds)) program left rc
  local home=$PWD/$state_dir/home
  rm -rf "$home"
  mkdir -p "$home/config"
  while IFS= read -r program; do
    left=$((deadline - SECONDS))
    if [ $left -le 0 ]; then
      echo "$program (out of time)"
      return
    fi
    rc=0
    (cd "$build_dir/tests" && HOME=$home XDG_CONFIG_HOME=$home/config \
      timeout --kill-after=10 "$left" "../bin/$program" --gtest_brief=1) >>"$2" 2>&1 || rc=$?
    if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then
      echo "$program (out of time after ${timeout_seconds} s)"
      return
    elif [ $rc -gt 128 ]; then
      echo "$program (crashed, signal $((rc - 128)))"
      return
    elif [ $rc -ne 0 ]; then
      echo "$program (failed)"
      return
    fi
  done < <(programs_for "$1")
}

started=$SECONDS
echo "== building and testing the unmutated code"
build "$state_dir/baseline.log" || die 3 "the unmutated code does not build; see $state_dir/baseline.log"
baseline_start=$SECONDS
failure=$(run_suite src/core "$state_dir/baseline.log")
[ -z "$failure" ] || die 3 "the unmutated suite fails in $failure; see $state_dir/baseline.log"
echo "   suite passes in $((SECONDS - baseline_start)) s; ${#selected[@]} mutants, tests limited to ${timeout_seconds} s each"

killed=()
survived=()
stale=()
unbuilt=()
position=0
for i in "${selected[@]}"; do
  position=$((position + 1))
  name=${names[$i]}
  file=${files[$i]}
  log=$state_dir/logs/$name.log
  counter=$(printf '[%3d/%d]' "$position" "${#selected[@]}")
  rm -f "$log"  # an earlier run's, which would mislead for a stale mutant
  count=$(occurrences "$file" "${finds[$i]}")
  if [ "$count" -ne 1 ]; then
    printf '%s %-9s %-38s %s\n' "$counter" stale "$name" "its text occurs $count times in $file"
    stale+=("$i")
    continue
  fi
  mutant_start=$SECONDS
  plant "$i"
  {
    echo "== $name in $file"
    echo "   ${finds[$i]}"
    echo "-> ${replacements[$i]}"
  } >"$log"
  if ! build "$log.build"; then
    cat "$log.build" >>"$log"
    rm -f "$log.build"
    restore
    reason=$(grep -m1 -E 'error:' "$log" | sed 's/^.*error: //' || true)
    printf '%s %-9s %-38s %s\n' "$counter" no-build "$name" "${reason:-see $log}"
    unbuilt+=("$i")
    continue
  fi
  cat "$log.build" >>"$log"
  rm -f "$log.build"
  failure=$(run_suite "$file" "$log")
  restore
  seconds=$((SECONDS - mutant_start))
  if [ -n "$failure" ]; then
    printf '%s %-9s %-38s by %s, %d s\n' "$counter" killed "$name" "$failure" "$seconds"
    killed+=("$i")
  else
    printf '%s %-9s %-38s %s, %d s\n' "$counter" SURVIVED "$name" "$file" "$seconds"
    survived+=("$i")
  fi
done

# ---- The score -------------------------------------------------------------

restore
trap - EXIT
if ! git diff --quiet -- src; then
  git diff --stat -- src >&2
  die 3 "src/ differs from the last commit after the run"
fi

elapsed=$((SECONDS - started))
echo
counted=$((${#killed[@]} + ${#survived[@]}))
if [ $counted -gt 0 ]; then
  echo "killed ${#killed[@]} of $counted ($(((200 * ${#killed[@]} + counted) / (2 * counted)))%)"
else
  echo "no mutant was tested"
fi
list_mutants() {  # title indices...
  local title=$1
  shift
  [ $# -gt 0 ] || return 0
  echo "$title:"
  local i
  for i in "$@"; do printf '  %-38s %s\n' "${names[$i]}" "${files[$i]}"; done
}
list_mutants "survived" "${survived[@]}"
list_mutants "stale (not counted; update or remove their lines in $table)" "${stale[@]}"
list_mutants "did not build (not counted; see $state_dir/logs)" "${unbuilt[@]}"
echo "took $((elapsed / 60)) min $((elapsed % 60)) s; src/ restored"
