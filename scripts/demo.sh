#!/usr/bin/env bash
# Builds the program (through setup.sh), lays out a sample installation under <build>/demo and
# runs a short series of commands in it.
#   scripts/demo.sh            uses build/
#   VELMAR_BUILD_DIR=dir scripts/demo.sh
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${VELMAR_BUILD_DIR:-$ROOT/build}"

bash "$ROOT/scripts/setup.sh" "$BUILD_DIR"

# The installation: the program lives in bin/, the installation root is its parent.
DEMO="$BUILD_DIR/demo"
rm -rf "$DEMO"
mkdir -p "$DEMO/bin/KMXData" "$DEMO/data"
cp "$BUILD_DIR/app/VelmarUtil" "$DEMO/bin/VelmarUtil"
if [ -d "$ROOT/data/KMXData" ]; then cp -R "$ROOT/data/KMXData/." "$DEMO/bin/KMXData/"; fi
if [ -f "$BUILD_DIR/data/interfacetext.chump" ]; then cp "$BUILD_DIR/data/interfacetext.chump" "$DEMO/data/"; fi
cp -R "$ROOT/examples/." "$DEMO/"

cd "$DEMO"
run() {
  echo
  echo "\$ VelmarUtil $*"
  local status=0
  "$DEMO/bin/VelmarUtil" "$@" || status=$?
  echo "(exit status $status)"
}

echo "Sample installation: $DEMO"
echo
echo "\$ VelmarUtil help   (first lines)"
"$DEMO/bin/VelmarUtil" help | head -n 6
run version
run echo "Hello from" "the demo"
run edit
run setlanguage xx
run setlanguage de
run generatekuid
echo
echo "The sample assets under local/ are indexed when the database first opens:"
run authors
run searchbycategory
run searchbycategory FRT
run searchbycategory "TR;-FRT"
run status "<kuid:456:1001>"
run status "<kuid2:456:1003:2>"
run status "<kuid:456:9999>"
echo
echo "A batch file runs one command per line, each followed by a blank line:"
sed 's/^/    /' "$DEMO/demo-commands.txt"
run "@$DEMO/demo-commands.txt"
