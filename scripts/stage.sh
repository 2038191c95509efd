# shellcheck shell=bash
# Sourced by the scripts to time their stages:
#   stage NAME   ends the stage under way and starts NAME ("== NAME");
#   stage        ends the stage under way.
# Ending a stage prints "== NAME took N s". A stage still under way when the
# script exits, as when a command fails under set -e, is ended the same way,
# with the exit status.

_stage_name=""
_stage_start=0

_stage_end() {
  if [ -n "$_stage_name" ]; then
    echo "== $_stage_name took $((SECONDS - _stage_start)) s${1:+ (exit status $1)}"
  fi
  _stage_name=""
}

stage() {
  _stage_end
  if [ $# -gt 0 ]; then
    _stage_name="$1"
    _stage_start=$SECONDS
    echo "== $1"
  fi
}

_stage_exit() {
  if [ "$1" -eq 0 ]; then _stage_end; else _stage_end "$1"; fi
}
trap '_stage_exit $?' EXIT
