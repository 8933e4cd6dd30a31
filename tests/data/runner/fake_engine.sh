#!/bin/sh
# A stand-in for the forward engine in the runner's tests. It is started as the engine is
# ("MODEL" "CONTROL"); the first word of the control file says what it does.
mode=$(head -n 1 "$2" 2>/dev/null)
case "$mode" in
  lines) printf 'first line\r\nsecond'; sleep 0.2; printf ' half\nno line end'; exit 0 ;;
  progress) echo "data set 1 of 4"; echo "data set 4 of 4"; echo "done"; exit 0 ;;
  silent) exec sleep 30 ;;
  chatty) i=0; while [ $i -lt 300 ]; do echo tick; sleep 0.1; i=$((i+1)); done ;;
  fail) echo "cannot compute"; exit 3 ;;
  pwd) pwd; exit 0 ;;
  *) echo "unknown mode $mode"; exit 2 ;;
esac
