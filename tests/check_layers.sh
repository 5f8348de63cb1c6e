#!/usr/bin/env bash
# The developer map kept true: every library links only the libraries that the layers table of
# docs/ARCHITECTURE.md allows it. Usage: check_layers.sh LINKS ARCHITECTURE.md, where LINKS has
# a line "quorvex_<name>=quorvex_<a>;quorvex_<b>;..." per library (the build writes it).
set -euo pipefail
links=$1
map=$2

# The table's rows "| `name` | uses |": the names in backquotes before a ';' are what it may use.
declare -A allowed
while IFS= read -r row; do
  if [[ $row =~ ^\|\ \`([a-z]+)\`\ \|([^|]*)\|$ ]]; then
    uses=${BASH_REMATCH[2]%%;*}
    allowed[${BASH_REMATCH[1]}]=$(grep -o '`[a-z]*`' <<<"$uses" | tr -d '`' | tr '\n' ' ' || true)
  fi
done < <(sed -n '/^## Layers/,/^## [A-Z]/p' "$map")
allowed[ui]=core

may_use() {  # library, used library (names without quorvex_)
  local lib=$1 used=$2
  if [[ $lib == app_ui ]]; then
    [[ $used != virtual && $used != studies ]]
    return
  fi
  if [[ $lib == *_ui ]]; then
    local folder=${lib%_ui}
    [[ $used == "$folder" || $used == ui || $used == *_ui || ($lib == graph_ui && $used == report) ]] && return 0
    lib=$folder
  fi
  [[ " ${allowed[$lib]-} " == *" $used "* ]]
}

status=0
while IFS='=' read -r library used; do
  [[ -n $library ]] || continue
  name=${library#quorvex_}
  base=${name%_ui}
  if [[ -z ${allowed[$base]+set} ]]; then
    echo "check_layers: $library has no row in the layers table of $map"
    status=1
    continue
  fi
  IFS=';' read -r -a deps <<<"$used"
  for dep in "${deps[@]}"; do
    [[ -n $dep ]] || continue
    if ! may_use "$name" "${dep#quorvex_}"; then
      echo "check_layers: $library links $dep, which the layers table of $map does not allow"
      status=1
    fi
  done
done <"$links"
if ((status == 0)); then
  echo "check_layers: every library links only what the layers table allows"
fi
exit $status
