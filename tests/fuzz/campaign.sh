#!/usr/bin/env bash
# Fuzzes one target for a while from the seeds, the shared module folder and
# the regression inputs; findings land in the corpus folder's findings/.
#   tests/fuzz/campaign.sh TARGET SECONDS [BUILD_DIR]
exec "$(dirname "$0")/replay.sh" "${3:-}" "$1" "$2"
