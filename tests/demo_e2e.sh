#!/usr/bin/env bash
# The demonstration program as a real process. With the clock pinned by
# libfaketime, its whole output must be the transcript for that moment; with
# the real clock, the fixed lines must be fixed and the local time 7 hours
# after UTC. Exits 77 (skipped) where faketime is not installed.
set -uo pipefail
demo=$1
transcript=$2
status=0

fail() { echo "FAIL: $*"; status=1; }

# Real clock.
out=$("$demo") || fail "exit status $? with the real clock"
line() { sed -n "$1p" <<<"$out"; }
[[ $(line 4) == "Date(2010-Feb-30 22:59:72) = 2010-Mar-02 23:00:12" ]] || fail "line 4: $(line 4)"
[[ $(line 7) == "Date without time: 1991-Apr-07 00:00:00" ]] || fail "line 7: $(line 7)"
[[ $(line 8) == "End: 9899-Feb-24 20:00:07" ]] || fail "line 8: $(line 8)"
# "YYYY-MMM-DD hh:mm:ss" as seconds since the epoch, read by GNU date.
seconds() { IFS='- ' read -r y m d t <<<"$1"; date -u -d "$d $m $y $t" +%s; }
utc=$(seconds "$(line 2 | sed 's/^Current UTC time: //')")
local=$(seconds "$(line 3 | sed 's/^Current local time: //')")
(( local - utc == 25200 )) || fail "lines 2 and 3 are not 7 hours apart: $(line 2) / $(line 3)"

if ! command -v faketime >/dev/null; then
  echo "faketime is not installed: the pinned-clock checks are skipped"
  exit 77
fi

for moment in "2026-12-06 02:04:49" "2026-12-31 17:00:00" "2028-02-29 23:59:59" \
              "1970-01-01 00:00:00" "9999-12-31 20:00:00" "9999-12-31 23:59:59"; do
  expected=$("$transcript" "$moment")
  actual=$(TZ=UTC faketime -f "$moment" "$demo" stray --arguments -x 2>&1)
  code=$?
  (( code == 0 )) || fail "exit status $code at $moment"
  [[ "$actual" == "$expected" ]] || { fail "transcript at $moment differs:"; diff <(echo "$expected") <(echo "$actual"); }
done

# Byte for byte, trailing line end included, at the documented moment.
TZ=UTC faketime -f "2026-12-06 02:04:49" "$demo" | cmp - <("$transcript" "2026-12-06 02:04:49") \
  || fail "bytes differ at 2026-12-06 02:04:49"
(( $(TZ=UTC faketime -f "2026-12-06 02:04:49" "$demo" | wc -l) == 15 )) || fail "not 15 lines"

exit $status
