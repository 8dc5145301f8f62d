#!/usr/bin/env bash
# Saving over a file on a disk that is really full: the batch host's output
# and the viewer's save (FullDisk.* of the test host) both fail saying so,
# the file keeps its bytes and nothing is left beside it. The disk is a
# small tmpfs mounted for the run, which takes root: elsewhere the case is
# skipped (exit 77).
#   full_disk_case.sh FOLDER DATA_DIR WINE_RUN BIN_DIR
set -u
folder=$1 data=$2 wine_run=$3 bin=$4

mkdir -p "$folder"
mountpoint -q "$folder" && umount "$folder"
if ! mount -t tmpfs -o size=1m tmpfs "$folder" 2>/dev/null; then
  echo "no tmpfs can be mounted here (it takes root): skipped"
  exit 77
fi
trap 'umount "$folder"' EXIT

cp "$data/chelsea.jpg" "$folder/photo.jpg"
printf 'ancien' >"$folder/photo-reduction.jpg"
dd if=/dev/zero of="$folder/remplissage" bs=4k 2>/dev/null
before=$(ls "$folder")
problems=0
check() {  # WHAT COMMAND...: a problem when COMMAND fails
  local what=$1
  shift
  if ! "$@"; then
    echo "FAILED: $what"
    problems=$((problems + 1))
  fi
}

output=$("$wine_run" "$bin/molvane_host.exe" --tool reduction "Z:$folder/photo.jpg" "Z:$folder/photo-reduction.jpg" 2>&1)
status=$?
echo "$output"
check "the batch host exits with 1, not $status" test "$status" -eq 1
check "the batch host says the disk is full" grep -q "Le disque est plein" <<<"$output"

output=$(MOLVANE_FULL_DISK="Z:$folder" "$wine_run" "$bin/molvane_test_host.exe" --gtest_filter=FullDisk.* \
  "--data-dir=Z:$data" 2>&1)
echo "$output"
check "the viewer's save on a full disk passes, not skipped" grep -q '^\[  PASSED  \] 1 test' <<<"$output"

check "the file keeps its bytes" test "$(cat "$folder/photo-reduction.jpg")" = ancien
check "nothing is left beside it" test "$(ls "$folder")" = "$before"
[ "$problems" -eq 0 ]
