#!/usr/bin/env bash
# Rewrites the README's performance figures (between its two "bench" marker lines) from a JSON file
# of scripts/bench.sh, by default bench-output/latest.json.   bench-readme.sh [FILE]
# Only figures measured at a commit, from a tree without changes, go in: the table names that commit.
set -euo pipefail
cd "$(dirname "$0")/.."
python3 - "${1:-bench-output/latest.json}" README.md <<'PY'
import json, sys

figures_file, readme_file = sys.argv[1], sys.argv[2]
with open(figures_file, encoding="utf-8") as f:
    run = json.load(f)
m = run["machine"]
if run["commit"] == "unknown" or run["commit"].endswith("+changes"):
    sys.exit(f"bench-readme: {figures_file} was measured at {run['commit']}, not at a commit from a clean "
             "tree; run `scripts/bench.sh --readme` on one")

def number(v):
    return f"{v:,.0f}" if abs(v) >= 100 else f"{v:g}"

lines = [
    f"Measured {run['date']} at commit `{run['commit']}` on {m['cpu']} ({m['cores']} cores, {m['memory']}), "
    f"{m['wine']}, load average {m['load_average']} at the end of the run "
    f"(from `{figures_file}`; `scripts/bench-readme.sh` rewrites this table).",
    "",
    "| figure | value | floor |",
    "|---|---:|---:|",
]
for fig in run["figures"]:
    floor = "" if fig["floor"] is None else f"{number(fig['floor'])} {fig['unit']}"
    lines.append(f"| {fig['name']} | {number(fig['value'])} {fig['unit']} | {floor} |")

with open(readme_file, encoding="utf-8") as f:
    text = f.read()
begin, end = "<!-- bench figures begin -->", "<!-- bench figures end -->"
head, rest = text.split(begin, 1)
_, tail = rest.split(end, 1)
with open(readme_file, "w", encoding="utf-8") as f:
    f.write(head + begin + "\n" + "\n".join(lines) + "\n" + end + tail)
PY
