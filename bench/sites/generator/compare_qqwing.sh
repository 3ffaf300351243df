#!/usr/bin/env bash
# Generation rate per level, side by side in one run: `kovalo-sites
# --generate N --level L` against `qqwing --generate N --difficulty D
# --one-line` at its nearest level (easy: simple, medium: easy, hard:
# intermediate, evil: expert). Rates are puzzles per CPU second (user +
# system) of each program, so that other work on a shared machine does not
# count against either.
#
#   bash bench/sites/generator/compare_qqwing.sh [path/to/kovalo-sites]
#
# KOVALO_COUNT (default 1000) and QQWING_COUNT (default 200; "simple" gets a
# tenth of it, since qqwing needs about half a second for each) set how many
# puzzles each program makes per level.
set -euo pipefail

top=$(cd "$(dirname "$0")/../../.." && pwd)
sites=${1:-$top/build/src/app/kovalo-sites}
kovalo_count=${KOVALO_COUNT:-1000}
qqwing_count=${QQWING_COUNT:-200}
levels=(easy medium hard evil)
difficulties=(simple easy intermediate expert)

[[ -x $sites ]] || { echo "no kovalo-sites at $sites (build it, or give its path)" >&2; exit 1; }
command -v qqwing > /dev/null || { echo "qqwing is not installed (apt-get install qqwing)" >&2; exit 1; }

out=$(mktemp)
trap 'rm -f "$out"' EXIT

# cpu_seconds COUNT COMMAND...: runs the command, checks that it printed
# COUNT lines of 81 characters, prints its user + system seconds.
cpu_seconds() {
  local count=$1
  shift
  local TIMEFORMAT='%U %S' times
  times=$( { time "$@" > "$out" 2> /dev/null; } 2>&1 )
  local lines
  lines=$(grep -cE '^[.0-9]{81}$' "$out" || true)
  if [[ $lines != "$count" ]]; then
    echo "$* printed $lines puzzles, not $count" >&2
    exit 1
  fi
  awk -v t="$times" 'BEGIN { split(t, p, " "); printf "%.3f", p[1] + p[2] }'
}

printf '%-7s %8s %9s %14s   %-13s %8s %9s %14s   %7s\n' level count "cpu s" "puzzles/s" \
  qqwing count "cpu s" "puzzles/s" ratio
for i in "${!levels[@]}"; do
  level=${levels[$i]}
  difficulty=${difficulties[$i]}
  n=$qqwing_count
  [[ $difficulty == simple ]] && n=$(( (qqwing_count + 9) / 10 ))
  ks=$(cpu_seconds "$kovalo_count" "$sites" --generate "$kovalo_count" --level "$level" --seed 1)
  qs=$(cpu_seconds "$n" qqwing --generate "$n" --difficulty "$difficulty" --one-line)
  awk -v l="$level" -v kn="$kovalo_count" -v ks="$ks" -v d="$difficulty" -v qn="$n" -v qs="$qs" \
    'BEGIN {
       kr = (ks > 0) ? kn / ks : 0; qr = (qs > 0) ? qn / qs : 0; ratio = (qr > 0) ? kr / qr : 0
       printf "%-7s %8d %9.2f %14.1f   %-13s %8d %9.2f %14.1f   %6.1fx\n", l, kn, ks, kr, d, qn, qs, qr, ratio
     }'
done
