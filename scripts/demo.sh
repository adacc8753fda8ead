#!/usr/bin/env bash
# The main job: builds the programs and shows them working against the reference engine.
exec bash "$(dirname "$0")/run-parts.sh" scripts/demo.d
