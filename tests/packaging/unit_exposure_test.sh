#!/usr/bin/env bash
# The exposure systemd rates for tarrow-send.service must stay at or below the limit: a setting
# dropped from the unit's confinement raises it. Skipped (77) where systemd-analyze is missing.
set -euo pipefail
unit=$1
limit=$2

if ! command -v systemd-analyze >/dev/null 2>&1; then
    echo "unit_exposure: skipped: systemd-analyze not found"
    exit 77
fi
if ! systemd-analyze security --help 2>/dev/null | grep -q -- '--offline'; then
    echo "unit_exposure: skipped: this systemd-analyze cannot rate a unit file offline"
    exit 77
fi

report=$(LC_ALL=C.UTF-8 systemd-analyze security --offline=true --no-pager "$unit" 2>&1) || {
    echo "$report" >&2
    echo "unit_exposure: systemd-analyze failed on $unit" >&2
    exit 1
}
score=$(sed -nE 's/.*Overall exposure level for [^:]*: ([0-9]+\.[0-9]+).*/\1/p' <<<"$report")
if [ -z "$score" ]; then
    echo "$report" >&2
    echo "unit_exposure: no overall exposure level in the report" >&2
    exit 1
fi
if awk -v s="$score" -v l="$limit" 'BEGIN { exit !(s > l) }'; then
    grep -F '✗' <<<"$report" >&2 || true
    echo "unit_exposure: $(basename "$unit") is rated $score, above $limit" >&2
    exit 1
fi
echo "unit_exposure: $(basename "$unit") is rated $score (limit $limit)"
