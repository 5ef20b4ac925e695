# Sourced by the comparison scripts (not a benchmark itself, hence not ".sh").
# best_of COMMAND...: seconds of the fastest of $rounds runs of a command, its output
# thrown away.
best_of() {
  local best=""
  for _ in $(seq "$rounds"); do
    local start end
    start=$(date +%s.%N)
    "$@" > /dev/null
    end=$(date +%s.%N)
    best=$(awk -v a="$best" -v s="$start" -v e="$end" 'BEGIN { t = e - s; print (a == "" || t < a) ? t : a }')
  done
  echo "$best"
}
