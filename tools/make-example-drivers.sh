#!/usr/bin/env bash
# Makes the modelled driver files of the examples (examples/Drivers/*.frd, *.zma)
# with pelmo-cli driver-model. The parameter sets are invented, plausible
# values for the driver sizes named; no real driver is described.
# Usage: tools/make-example-drivers.sh [path/to/pelmo-cli]
set -euo pipefail
cd "$(dirname "$0")/.."
cli="${1:-build/src/cli/pelmo-cli}"
out=examples/Drivers
mkdir -p "$out"

model() { "$cli" driver-model "$@" > /dev/null; }

# 6.5-inch woofer (paper cone), on the 20 cm baffle of the two-way.
model --re 5.6 --le 0.55 --le-exp 0.72 --fs 38 --qms 3.4 --qes 0.42 --vas 24 --sd 133 \
      --breakup 5200,2.5 --baffle 0.2 --delay 18 --out "$out/Woofer165"
# 1-inch soft dome tweeter (ferrofluid damped), same baffle.
model --re 4.7 --le 0.05 --fs 800 --qms 1.8 --qes 1.3 --vas 0.01 --sd 7 \
      --breakup 26000,3 --baffle 0.2 --out "$out/Tweeter25"
# The same tweeter as a published curve without phase (for the derived-phase example).
model --re 4.7 --le 0.05 --fs 800 --qms 1.8 --qes 1.3 --vas 0.01 --sd 7 \
      --breakup 26000,3 --baffle 0.2 --magnitude-only --out "$out/Tweeter25mag"

# Three-way on a 26 cm baffle: 8-inch woofer, 4-inch midrange, the 1-inch dome.
model --re 5.8 --le 0.9 --le-exp 0.7 --fs 30 --qms 4.0 --qes 0.38 --vas 55 --sd 220 \
      --breakup 3200,2 --baffle 0.26 --delay 25 --out "$out/Woofer200"
model --re 6.0 --le 0.25 --le-exp 0.75 --fs 80 --qms 2.6 --qes 0.55 --vas 2.8 --sd 53 \
      --breakup 7500,2.2 --baffle 0.26 --delay 10 --out "$out/Mid100"
model --re 4.7 --le 0.05 --fs 800 --qms 1.8 --qes 1.3 --vas 0.01 --sd 7 \
      --breakup 26000,3 --baffle 0.26 --out "$out/Tweeter25wide"
