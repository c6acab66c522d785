#!/usr/bin/env bash
# Cross-checks KOVRAL's balances against ledger-cli and hledger on the same
# ledger, then times KOVRAL's rebalance against "ledger bal" and "hledger bal
# -M".  Run by hand:
#
#   bench/compare.sh [FOLDER]
#
# Without FOLDER a ledger is generated (YEARS x TXNS transactions, seed 1).
# The folder is copied first; the copy is what KOVRAL opens and rebalances.
# Environment: KOVRAL_BUILD_DIR (default build/), RUNS (default 3), YEARS
# (default 10), TXNS (transactions a year, default 25000).
# Installs ledger and hledger with apt-get when they are missing.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${KOVRAL_BUILD_DIR:-$top/build}
runs=${RUNS:-3}
years=${YEARS:-10}
txns=${TXNS:-25000}
for tool in kovral-gen kovral-export kovral-bench; do
  [ -x "$build/$tool" ] || { echo "missing $build/$tool: build first (scripts/build.sh)" >&2; exit 1; }
done
if ! command -v ledger >/dev/null || ! command -v hledger >/dev/null; then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq ledger hledger >/dev/null
fi

work=$(mktemp -d /tmp/kovral-compare-XXXXXX)
trap 'rm -rf "$work"' EXIT
if [ $# -ge 1 ]; then
  mkdir -p "$work/DATA" && cp -p "$1"/* "$work/DATA/"
else
  echo "generating $years years x $txns transactions ..."
  "$build/kovral-gen" --quiet --folder "$work/DATA" --years "$years" --txns-per-year "$txns" \
    --cptys 200 --ctgys 40 --group-depth 3 --seed 1
fi
data="$work/DATA"
journal="$work/ledger.journal"
"$build/kovral-export" "$data" --out "$journal" --balances "$work/kovral.tsv"

# Balances at the end of the balance period (the peers' -e date is exclusive).
balat=$(sed -n 's/^BalAt=//p' "$data/KOVRALDB.INI" | tr -d '\r')
end=$(date -d "${balat:0:4}-${balat:4:2}-${balat:6:2} + 1 day" +%Y-%m-%d)
ledger -f "$journal" bal --flat --no-total -e "$end" \
  -F '%(account)\t%(quantity(scrub(display_total)))\n' >"$work/ledger.tsv"
hledger -f "$journal" bal --flat -e "$end" -O csv |
  awk -F'","' 'NR > 1 { gsub(/^"|"$/, "", $1); gsub(/"$/, "", $2); print $1 "\t" $2 }' >"$work/hledger.tsv"

check() { # $1 peer name, $2 its balances
  awk -F'\t' -v peer="$1" '
    FNR == NR { peer_bal[$1] = $2 + 0; next }
    { n++; want = $2 + 0; got = ($1 in peer_bal) ? peer_bal[$1] : 0
      if (sprintf("%.2f", want) != sprintf("%.2f", got)) { bad++; if (bad <= 5) printf "  %s: KOVRAL %.2f, %s %.2f\n", $1, want, peer, got } }
    END { printf "%s: %d accounts compared, %d differ\n", peer, n, bad; exit bad > 0 }' "$2" "$work/kovral.tsv"
}
status=0
check ledger "$work/ledger.tsv" || status=1
check hledger "$work/hledger.tsv" || status=1

# Timing, alternating the three programs run by run.
now() { date +%s%N; }
kproc=() kreb=() lproc=() hproc=()
for ((i = 0; i < runs; i++)); do
  t0=$(now)
  out=$("$build/kovral-bench" "$data" --only rebalance --runs 1 --in-place)
  t1=$(now)
  kproc+=($(((t1 - t0) / 1000000)))
  kreb+=($(awk '$1 == "rebalance" { printf "%d", $2 }' <<<"$out"))
  t0=$(now); ledger -f "$journal" bal >/dev/null; t1=$(now)
  lproc+=($(((t1 - t0) / 1000000)))
  t0=$(now); hledger -f "$journal" bal -M >/dev/null; t1=$(now)
  hproc+=($(((t1 - t0) / 1000000)))
done
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
mk=$(median "${kreb[@]}") mkp=$(median "${kproc[@]}") ml=$(median "${lproc[@]}") mh=$(median "${hproc[@]}")
echo "$(grep -c '^[0-9]' "$journal") journal entries; medians of $runs alternating runs:"
echo "kovral_rebalance $mk ms (in the program, database open)"
echo "kovral_process $mkp ms (start, open, rebalance, close)"
echo "ledger_bal $ml ms"
echo "hledger_bal_M $mh ms"
awk -v k="$mk" -v kp="$mkp" -v l="$ml" -v h="$mh" 'BEGIN {
  printf "ratio ledger_bal / kovral_rebalance %.1f\n", l / (k > 0 ? k : 1)
  printf "ratio hledger_bal_M / kovral_rebalance %.1f\n", h / (k > 0 ? k : 1)
  printf "ratio ledger_bal / kovral_process %.1f\n", l / (kp > 0 ? kp : 1)
  printf "ratio hledger_bal_M / kovral_process %.1f\n", h / (kp > 0 ? kp : 1) }'
exit $status
