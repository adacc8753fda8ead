#!/usr/bin/env bash
# Turns the figures the benchmark parts recorded (bench-figures.sh) into one JSON document on
# standard output, with the machine and the commit they came from.   bench-json.sh FIGURES-FILE
set -euo pipefail
cd "$(dirname "$0")/.."
json_string() { printf '"%s"' "$(printf '%s' "$1" | sed -e 's/\\/\\\\/g' -e 's/"/\\"/g' | tr -d '\r\n\t')"; }

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
cores=$(nproc)
memory=$(awk '/^MemTotal:/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)
load=$(cut -d' ' -f1-3 /proc/loadavg)
commit=$(git rev-parse --short HEAD 2>/dev/null || echo unknown)
[ -z "$(git status --porcelain 2>/dev/null)" ] || commit="$commit+changes"

printf '{\n  "date": %s,\n' "$(json_string "$(date -u +%Y-%m-%dT%H:%M:%SZ)")"
printf '  "machine": {"host": %s, "cpu": %s, "cores": %s, "memory": %s, "load_average": %s, "wine": %s},\n' \
    "$(json_string "$(hostname)")" "$(json_string "$cpu")" "$cores" "$(json_string "$memory")" \
    "$(json_string "$load")" "$(json_string "$(wine --version 2>/dev/null || echo none)")"
printf '  "commit": %s,\n  "figures": [' "$(json_string "$commit")"
separator=""
# A tab is white space to `read`, which would merge two tabs around an empty floor and move the
# sample count into the floor's place; the unit separator is not.
while IFS= read -r line; do
    IFS=$'\x1f' read -r name value unit floor samples <<<"${line//$'\t'/$'\x1f'}"
    [ -n "$name" ] || continue
    printf '%s\n    {"name": %s, "value": %s, "unit": %s, "floor": %s, "samples": %s}' "$separator" \
        "$(json_string "$name")" "${value:-null}" "$(json_string "$unit")" "${floor:-null}" "${samples:-null}"
    separator=","
done <"${1:?figures file}"
printf '\n  ]\n}\n'
