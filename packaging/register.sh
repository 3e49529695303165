#!/bin/sh
# Registers this folder's control and disc-mastering service in your own
# registry (~/.local/share/cantrel/registry, or $COMPONENT_REGISTRY), so that
# the programs beside this script find them. With -u, unregisters them.
set -e
here=$(dirname "$(readlink -f "$0")")
case "${1:-}" in
  "") flag= ;;
  -u) flag=-u ;;
  *) echo "usage: $0 [-u]" >&2; exit 2 ;;
esac
"$here/regsvr" $flag "$here/cantrel.ocx"
"$here/regsvr" $flag "$here/libimapisvc.so"
