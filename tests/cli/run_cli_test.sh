#!/usr/bin/env bash
# Runs one golden command-line case in a fresh temporary installation and compares stdout, stderr
# and the exit status with the case's .stdout, .stderr and .exit files.
#   run_cli_test.sh <VelmarUtil> <cases folder> <case name> [<interfacetext.chump>]
# With VELMAR_CLI_UPDATE=1 the expected files are rewritten from the actual output instead.
#
# A case is <name>.args: one argument per line (an empty line is an empty argument). The word
# @BATCH stands for "@" and the absolute path of the case's <name>.batch, copied into the
# installation. An optional <name>.layout holds layout words: "no-kmxdata" leaves bin/KMXData out.
# The installation root's path is shown as <ROOT> in the compared output.
set -euo pipefail
program="$1"
cases="$2"
name="$3"
chump="${4:-}"

work="$(mktemp -d "${TMPDIR:-/tmp}/velmar-cli.XXXXXX")"
trap 'rm -rf "$work"' EXIT
root="$work/root"
mkdir -p "$root/bin" "$root/data"
cp "$program" "$root/bin/VelmarUtil"
layout=""
[ -f "$cases/$name.layout" ] && layout="$(cat "$cases/$name.layout")"
[[ " $layout " == *" no-kmxdata "* ]] || mkdir -p "$root/bin/KMXData"
if [ -n "$chump" ] && [ -f "$chump" ]; then cp "$chump" "$root/data/"; fi

args=()
if [ -s "$cases/$name.args" ]; then
  mapfile -t lines < "$cases/$name.args"
  for line in "${lines[@]}"; do
    if [ "$line" = "@BATCH" ]; then
      cp "$cases/$name.batch" "$root/commands.txt"
      args+=("@$root/commands.txt")
    else
      args+=("$line")
    fi
  done
fi

status=0
(cd "$root" && "$root/bin/VelmarUtil" "${args[@]}" >"$work/stdout" 2>"$work/stderr") || status=$?
echo "$status" >"$work/exit"
for stream in stdout stderr; do
  sed -i "s|$root|<ROOT>|g" "$work/$stream"
done

if [ "${VELMAR_CLI_UPDATE:-0}" = "1" ]; then
  for part in stdout stderr exit; do cp "$work/$part" "$cases/$name.$part"; done
  echo "updated $name"
  exit 0
fi

failed=0
for part in stdout stderr exit; do
  if ! cmp -s "$cases/$name.$part" "$work/$part"; then
    echo "--- $name.$part differs (expected, actual):"
    diff -u "$cases/$name.$part" "$work/$part" || true
    failed=1
  fi
done
if [ "$failed" = 1 ]; then
  keep="${VELMAR_CLI_ACTUAL_DIR:-$(dirname "$work")}/velmar-cli-actual-$name"
  rm -rf "$keep" && mkdir -p "$keep" && cp "$work"/stdout "$work"/stderr "$work"/exit "$keep/"
  echo "actual output kept in $keep"
fi
exit "$failed"
