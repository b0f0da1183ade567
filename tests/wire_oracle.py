#!/usr/bin/env python3
"""Python's email.utils, an independent writer and reader of HTTP and
e-mail dates, for the text tests. Reads lines and writes one answer each:

    http SECONDS            the HTTP date of that instant
    mail SECONDS OFFSET     the e-mail date of that instant at that offset
    read TEXT               the instant and offset the text names, or
                            "refused"
"""

import sys
from datetime import datetime, timedelta, timezone
from email.utils import format_datetime, parsedate_to_datetime

EPOCH = datetime(1970, 1, 1, tzinfo=timezone.utc)


def main():
    for line in sys.stdin:
        kind, _, rest = line.rstrip("\n").partition(" ")
        if kind == "read":
            try:
                read = parsedate_to_datetime(rest.replace("\\r\\n", "\r\n"))
                offset = read.utcoffset()
                instant = read - EPOCH if offset is not None else read - EPOCH.replace(tzinfo=None)
                print(instant // timedelta(seconds=1), (offset or timedelta()) // timedelta(seconds=1))
            except (TypeError, ValueError):
                print("refused")
            continue
        numbers = [int(n) for n in rest.split()]
        at = EPOCH + timedelta(seconds=numbers[0])
        if kind == "http":
            print(format_datetime(at, usegmt=True))
        else:
            print(format_datetime(at.astimezone(timezone(timedelta(seconds=numbers[1])))))


main()
