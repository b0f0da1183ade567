#!/usr/bin/env python3
"""Python's zoneinfo, an independent reading of the system's zone files,
for the zoned-time tests. Reads lines and writes one answer each:

    offset ZONE SECONDS          the zone's offset at that instant
    local ZONE Y M D h m s       the instants of that local time: as
                                 calendar software resolves it (fold 0,
                                 the offset from before a gap), the earlier
                                 and the later of its candidates
"""

import sys
from datetime import datetime, timedelta, timezone
from zoneinfo import ZoneInfo

EPOCH = datetime(1970, 1, 1, tzinfo=timezone.utc)


def seconds(delta):
    return delta.days * 86400 + delta.seconds


def main():
    zones = {}
    for line in sys.stdin:
        kind, name, *numbers = line.split()
        zone = zones.setdefault(name, ZoneInfo(name))
        if kind == "offset":
            at = EPOCH + timedelta(seconds=int(numbers[0]))
            print(seconds(at.astimezone(zone).utcoffset()))
        else:
            fields = [int(n) for n in numbers]
            local = seconds(datetime(*fields, tzinfo=timezone.utc) - EPOCH)
            offsets = [seconds(datetime(*fields, tzinfo=zone, fold=fold).utcoffset())
                       for fold in (0, 1)]
            print(local - offsets[0], local - max(offsets), local - min(offsets))


main()
