#!/usr/bin/env bash
# Samples small faults in the code and checks that the tests notice them.
#
#   scripts/mutation-sample.sh [OPTIONS] [N] [PATH[:FROM-TO] ...]
#
# Applies N small mutations (default 20), one at a time, to lines of the given
# files or folders (default: the lines of src/ changed in the last 20 commits):
#   cmp      flip a comparison            a < b   ->  a >= b     (== <-> != too)
#   bound    move a bound by one          a < b   ->  a <= b,    n - 1  ->  n
#   operand  drop an operand of && or ||  a && b  ->  a          (or b)
#   logic    swap && and ||, true and false, std::min and std::max
#   stmt     drop a statement             x += y;  ->  (nothing)
# For each, it rebuilds what the touched folder's tests need and runs the
# tests of that folder's ctest label (tests are labelled by subsystem:
# src/operators/... -> label "operators"), then takes the mutation back, and
# says whether the tests failed (killed) or passed (survived). The survivors
# are printed with their diff at the end. A mutation that does not compile is
# not counted; the next one in the sample takes its place.
#
# The work is done on a copy of the source tree in build-mutation/ (kept
# between runs, so builds are incremental): the working tree and build/ are
# never touched, whatever happens to the run (Ctrl+C included).
#
# Options:
#   --seed S       which sample (default 1): the same seed, paths and code give
#                  the same mutations in the same order
#   --label REGEX  run the tests whose ctest label matches REGEX instead of the
#                  touched folder's
#   --commits K    default paths: the lines changed in the last K commits (20)
#   --list         print the sampled mutations with their diffs; build nothing
#   --timeout SEC  per test (default 300): a test that hangs counts as failing
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work="$root/build-mutation"
copy="$work/source"
build="$work/build"

count=20 seed=1 label_override="" commits=20 list_only=0 test_timeout=300
paths=()
while (($#)); do
  case "$1" in
    --seed) seed=${2:?--seed needs a value}; shift 2 ;;
    --label) label_override=${2:?--label needs a value}; shift 2 ;;
    --commits) commits=${2:?--commits needs a value}; shift 2 ;;
    --timeout) test_timeout=${2:?--timeout needs a value}; shift 2 ;;
    --list) list_only=1; shift ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    -*) echo "mutation-sample: unknown option '$1'" >&2; exit 2 ;;
    *)
      if [[ ${#paths[@]} -eq 0 && "$1" =~ ^[0-9]+$ && ! -e "$root/$1" ]]; then count=$1; else paths+=("$1"); fi
      shift ;;
  esac
done
[[ "$seed" =~ ^[0-9]+$ && "$commits" =~ ^[0-9]+$ && "$test_timeout" =~ ^[0-9]+$ ]] ||
  { echo "mutation-sample: --seed, --commits and --timeout take whole numbers" >&2; exit 2; }
(( count > 0 )) || { echo "mutation-sample: N must be at least 1" >&2; exit 2; }

# The tests of windows need a display: the whole run goes under one private Xvfb.
if [[ $list_only == 0 && -z "${STRANDS_MUTATION_DISPLAY:-}" ]]; then
  STRANDS_MUTATION_DISPLAY=1 exec "$root/scripts/with-xvfb.sh" "$0" --seed "$seed" --commits "$commits" \
    --timeout "$test_timeout" ${label_override:+--label "$label_override"} "$count" ${paths[@]+"${paths[@]}"}
fi

cd "$root"
mkdir -p "$work"

# --- Candidate lines: "file<TAB>line" -----------------------------------------------
candidates="$work/candidate-lines"
: >"$candidates"
add_file_lines() {  # file [from to]
  local file=$1 from=${2:-1} to=${3:-999999999}
  [[ "$file" =~ ^src/.*\.(cpp|h)$ && -f "$file" ]] || return 0
  awk -v f="$file" -v a="$from" -v b="$to" 'NR >= a && NR <= b { print f "\t" NR }' "$file" >>"$candidates"
}
if ((${#paths[@]})); then
  for arg in "${paths[@]}"; do
    path=${arg%%:*} range=""
    [[ "$arg" == *:* ]] && range=${arg#*:}
    path=${path#./}
    [[ "$path" == "$root"/* ]] && path=${path#"$root"/}
    if [[ -d "$path" ]]; then
      while IFS= read -r file; do add_file_lines "$file"; done < <(find "$path" -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
    elif [[ -f "$path" ]]; then
      if [[ "$range" =~ ^([0-9]+)-([0-9]+)$ ]]; then add_file_lines "$path" "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}"
      elif [[ "$range" =~ ^([0-9]+)$ ]]; then add_file_lines "$path" "$range" "$range"
      else add_file_lines "$path"; fi
    else
      echo "mutation-sample: no such file or folder: $path" >&2; exit 2
    fi
  done
else
  base=$(git rev-list --max-count=1 --skip="$commits" HEAD 2>/dev/null || true)
  [[ -n "$base" ]] || base=$(git rev-list --max-parents=0 HEAD | tail -1)
  # New-side line numbers of every added or changed line, per file.
  git diff -U0 "$base" -- 'src/*.cpp' 'src/*.h' | awk '
    /^\+\+\+ b\// { file = substr($0, 7); next }
    /^@@/ { split($3, a, ","); start = substr(a[1], 2); n = (a[2] == "" ? 1 : a[2]);
            for (i = 0; i < n; i++) print file "\t" start + i }' >>"$candidates"
fi
[[ -s "$candidates" ]] || { echo "mutation-sample: no lines of src/ to mutate" >&2; exit 2; }

# --- The mutations of those lines, in the seed's order -----------------------------
# Each line of $work/mutants: key<TAB>file<TAB>line<TAB>kind<TAB>new text of the line.
mutants="$work/mutants"
perl -e '
use strict; use warnings;
my ($seed, $candidates) = @ARGV;
my %lines;
open my $c, "<", $candidates or die "$candidates: $!";
while (<$c>) { chomp; my ($f, $n) = split /\t/; $lines{$f}{$n} = 1; }
close $c;

# 32-bit FNV-1a: the order of the sample depends on the seed and the mutation only.
sub fnv { my $h = 2166136261; for my $ch (unpack("C*", $_[0])) { $h = (($h ^ $ch) * 16777619) % 4294967296; } $h }

# The code part of a line: string and character literals and comments blanked
# (same length), so that positions found in it hold for the line itself.
sub code_of {
    my ($s) = @_;
    $s =~ s{("(?:[^"\\]|\\.)*"|\x27(?:[^\x27\\]|\\.)*\x27)}{" " x length($1)}ge;
    $s =~ s{//.*$}{" " x length($&)}e;
    return $s;
}

# Whether the "=" at $k is an assignment (not part of ==, !=, <=, >=, += and the like).
sub lone_assign {
    my ($code, $k) = @_;
    return substr($code, $k, 1) eq "=" && ($k == 0 || substr($code, $k - 1, 1) !~ /[=!<>+\-*\/%&|^]/) &&
           substr($code, $k + 1, 1) ne "=";
}
# End of the operand that starts at $i (exclusive), scanning right; undef when it runs past the line.
sub operand_end {
    my ($code, $i) = @_;
    my $depth = 0;
    for (my $k = $i; $k < length $code; $k++) {
        my $ch = substr($code, $k, 1);
        if ($ch eq "(" || $ch eq "[" || $ch eq "{") { $depth++; next; }
        if ($ch eq ")" || $ch eq "]" || $ch eq "}") { return $k if $depth == 0; $depth--; next; }
        next if $depth > 0;
        next if $ch eq ":" && (substr($code, $k + 1, 1) eq ":" || $k > 0 && substr($code, $k - 1, 1) eq ":");
        return $k if $ch eq ";" || $ch eq "," || $ch eq "?" || $ch eq ":" || lone_assign($code, $k);
        my $two = substr($code, $k, 2);
        return $k if $two eq "&&" || $two eq "||";
    }
    return undef;
}
# Start of the operand that ends at $i (exclusive), scanning left; undef when it runs past the line.
sub operand_start {
    my ($code, $i) = @_;
    my $depth = 0;
    for (my $k = $i - 1; $k >= 0; $k--) {
        my $ch = substr($code, $k, 1);
        if ($ch eq ")" || $ch eq "]" || $ch eq "}") { $depth++; next; }
        if ($ch eq "(" || $ch eq "[" || $ch eq "{") { return $k + 1 if $depth == 0; $depth--; next; }
        next if $depth > 0;
        next if $ch eq ":" && (substr($code, $k + 1, 1) eq ":" || $k > 0 && substr($code, $k - 1, 1) eq ":");
        return $k + 1 if $ch eq ";" || $ch eq "," || $ch eq "?" || $ch eq ":" || lone_assign($code, $k);
        my $two = $k > 0 ? substr($code, $k - 1, 2) : "";
        return $k + 1 if $two eq "&&" || $two eq "||";
        return $k + 1 if substr($code, 0, $k + 1) =~ /\breturn\s$/;
    }
    return undef;
}

my @out;
for my $file (sort keys %lines) {
    open my $in, "<", $file or die "$file: $!";
    my @text = <$in>;
    close $in;
    my $in_block_comment = 0;
    for my $n (sort { $a <=> $b } keys %{ $lines{$file} }) {
        next if $n > @text;
        my $line = $text[$n - 1];
        chomp(my $body = $line);
        my $code = code_of($body);
        next if $code =~ /^\s*(#|\*|\/\*)/ || $code =~ /^\s*$/;
        next if $code =~ /\bstatic_assert\b|\bconstexpr\b.*=|^\s*(using|namespace|template)\b/;
        my @found;  # [kind, from, length, replacement]
        my %swap = ("<" => ">=", ">" => "<=", "<=" => ">", ">=" => "<", "==" => "!=", "!=" => "==");
        my %shift = ("<" => "<=", "<=" => "<", ">" => ">=", ">=" => ">");
        while ($code =~ / (<=|>=|==|!=|<|>) /g) {
            my ($op, $at) = ($1, $-[1]);
            push @found, ["cmp", $at, length $op, $swap{$op}];
            push @found, ["bound", $at, length $op, $shift{$op}] if exists $shift{$op};
        }
        while ($code =~ / ([-+]) 1\b(?!\.)/g) { push @found, ["bound", $-[0], 4, ""]; }
        while ($code =~ / (&&|\|\|) /g) {
            my ($op, $at) = ($1, $-[1]);
            push @found, ["logic", $at, 2, $op eq "&&" ? "||" : "&&"];
            my $end = operand_end($code, $at + 3);
            $end-- while defined $end && $end > $at + 3 && substr($code, $end - 1, 1) eq " ";
            push @found, ["operand", $at - 1, $end - $at + 1, ""] if defined $end && $end > $at + 3;
            my $start = operand_start($code, $at - 1);
            if (defined $start) {
                $start++ while substr($code, $start, 1) eq " ";
                push @found, ["operand", $start, $at + 3 - $start, ""] if $start < $at - 1;
            }
        }
        while ($code =~ /\b(true|false)\b/g) { push @found, ["logic", $-[1], length $1, $1 eq "true" ? "false" : "true"]; }
        while ($code =~ /\bstd::(min|max)\b/g) { push @found, ["logic", $-[1], 3, $1 eq "min" ? "max" : "min"]; }
        # A whole statement on one line: an expression or a call, not a declaration
        # (dropping one would not compile) nor a return (its value is the result).
        if ($code =~ /^\s*[A-Za-z_*(+-][^;{}]*;\s*$/ && $code !~ /^\s*(return|case|default|else|do)\b/ &&
            $code !~ /^\s*(const\s+)?[A-Za-z_:<>,]+[*&]?\s+[*&]?[A-Za-z_]\w*\s*(=|;|\(|\{|\[)/ &&
            ($code =~ tr/(//) == ($code =~ tr/)//)) {
            my ($lead) = $code =~ /^(\s*)/;
            push @found, ["stmt", length $lead, length($body) - length($lead), ""];
        }
        my %seen;
        for my $m (@found) {
            my ($kind, $from, $len, $with) = @$m;
            my $new = substr($body, 0, $from) . $with . substr($body, $from + $len);
            next if $new eq $body || $seen{$new}++;
            my $key = sprintf "%010u", fnv("$seed|$file|$n|$kind|$from|$new");
            push @out, join("\t", $key, $file, $n, $kind, $new);
        }
    }
}
print "$_\n" for sort @out;
' "$seed" "$candidates" >"$mutants"
available=$(wc -l <"$mutants")
(( available > 0 )) || { echo "mutation-sample: the chosen lines hold nothing to mutate" >&2; exit 2; }
echo "mutation-sample: $available possible mutations on $(cut -f1 "$candidates" | sort -u | wc -l) files; sampling $count (seed $seed)"

# Shows a mutation as a unified diff of its line.
show_diff() {  # file line newtext unmutated-copy-of-file
  printf -- '--- a/%s\n+++ b/%s\n@@ -%s +%s @@\n-%s\n+%s\n' "$1" "$1" "$2" "$2" "$(sed -n "${2}p" "$4")" "$3"
}

if [[ $list_only == 1 ]]; then
  head -n "$count" "$mutants" | while IFS=$'\t' read -r _ file line kind text; do
    echo "== $kind $file:$line"
    show_diff "$file" "$line" "$text" "$root/$file"
  done
  exit 0
fi

# --- The copy of the tree and its build ---------------------------------------------
export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-$(command -v ccache || true)}
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$root")}
mkdir -p "$copy"
# Files whose content differs are copied (with a fresh time, so they are
# rebuilt); identical ones keep theirs, so the build stays incremental.
while IFS= read -r -d '' file; do
  [[ -f "$file" ]] || continue
  if ! cmp -s "$file" "$copy/$file"; then
    mkdir -p "$copy/$(dirname "$file")"
    cp "$file" "$copy/$file"
  fi
done < <(git ls-files -z --cached --others --exclude-standard)

# The file being mutated is kept as it was in $work/unmutated (the working
# tree may change while the run goes on) and put back from there.
mutated_file=""
restore() {
  if [[ -n "$mutated_file" ]]; then
    cp "$work/unmutated" "$copy/$mutated_file"
    touch "$copy/$mutated_file"  # newer than anything built from the mutation
    mutated_file=""
  fi
}
trap restore EXIT
trap 'restore; echo; echo "mutation-sample: interrupted; the copy is restored" >&2; exit 130' INT TERM

if [[ ! -f "$build/CMakeCache.txt" ]]; then
  cmake -S "$copy" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTRANDS_BUILD_TESTS=ON \
        -DSTRANDS_BUILD_BENCH=OFF >"$work/configure.log" 2>&1 ||
    { cat "$work/configure.log"; echo "mutation-sample: configure failed" >&2; exit 1; }
fi
jobs=$(nproc 2>/dev/null || echo 2)

# The label of a source file's folder, and what must be built to run its tests.
label_of() { local rest=${1#src/}; echo "${rest%%/*}"; }
targets_of() {
  local folder=$1 targets=()
  [[ -n "$(ls "$copy/tests/$folder"/*.cpp 2>/dev/null)" ]] && targets+=("${folder}_tests")
  [[ -n "$(ls "$copy/tests/$folder"/*.sh 2>/dev/null)" || "$folder" == app ]] && targets+=(strands)
  echo "${targets[@]}"
}
build_for() {  # folder -> 0 when built
  local targets
  # Tests chosen by --label may live in any folder: build them all, or a
  # stale test binary from an earlier run would judge the mutation.
  if [[ -n "$label_override" ]]; then
    cmake --build "$build" -j "$jobs" >"$work/build.log" 2>&1 </dev/null
    return
  fi
  targets=$(targets_of "$1")
  [[ -n "$targets" ]] || return 0
  # shellcheck disable=SC2086
  cmake --build "$build" -j "$jobs" --target $targets >"$work/build.log" 2>&1 </dev/null
}
run_tests() {  # regex -> ctest status
  ctest --test-dir "$build" -L "$1" --timeout "$test_timeout" -j "$jobs" --no-tests=error \
        >"$work/test.log" 2>&1 </dev/null
}

declare -A baseline_ok=()
killed=0 survived=0 tried=0 skipped=0
survivors="$work/survivors"
: >"$survivors"
started=$(date +%s)
while IFS=$'\t' read -r _ file line kind text; do
  (( tried < count )) || break
  folder=$(label_of "$file")
  regex=${label_override:-"^${folder}\$"}
  if [[ -z "${baseline_ok[$regex]:-}" ]]; then
    # The tests must pass on the unchanged code, or every mutation would look killed.
    if ! build_for "$folder"; then tail -30 "$work/build.log"; echo "mutation-sample: the unchanged code does not build" >&2; exit 1; fi
    if ! run_tests "$regex"; then
      tail -30 "$work/test.log"
      echo "mutation-sample: the tests labelled $regex fail on the unchanged code" >&2
      exit 1
    fi
    baseline_ok[$regex]=1
  fi
  cp "$copy/$file" "$work/unmutated"
  mutated_file=$file
  perl -e 'my ($f, $n, $t) = @ARGV; open my $i, "<", $f or die; my @l = <$i>; close $i;
           $l[$n - 1] = "$t\n"; open my $o, ">", $f or die; print $o @l; close $o;' "$copy/$file" "$line" "$text"
  t0=$(date +%s)
  if ! build_for "$folder"; then
    restore
    skipped=$((skipped + 1))
    continue
  fi
  tried=$((tried + 1))
  if run_tests "$regex"; then
    verdict=SURVIVED
    survived=$((survived + 1))
    { echo "== $kind $file:$line (tests: $regex)"; show_diff "$file" "$line" "$text" "$work/unmutated"; } >>"$survivors"
  else
    verdict=killed
    killed=$((killed + 1))
  fi
  restore
  printf '[%d/%d] %-8s %-7s %s:%s  (%ss)\n' "$tried" "$count" "$verdict" "$kind" "$file" "$line" $(( $(date +%s) - t0 ))
done <"$mutants"

echo
echo "mutation-sample: $killed killed, $survived survived of $tried mutations ($skipped did not compile;" \
     "seed $seed; $(( $(date +%s) - started ))s)"
(( tried < count )) && echo "mutation-sample: only $tried of the $count asked for could be made on these lines"
if [[ -s "$survivors" ]]; then
  echo
  echo "Survivors (no test failed):"
  cat "$survivors"
fi
exit 0
