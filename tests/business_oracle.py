#!/usr/bin/env python3
"""numpy's business days and python-dateutil's recurrence sets, independent
answers for the working-day tests. Reads lines and writes one answer each:

    offset MASK HOLIDAYS DATE N ROLL   numpy.busday_offset's date, or "raise"
    count MASK HOLIDAYS FROM TO        numpy.busday_count
    set LIMIT TEXT                     the first LIMIT occurrences of the
                                       recurrence set TEXT (its line breaks
                                       written as \\n), as dateutil's
                                       rrulestr(forceset=True) gives them

MASK is seven 0s and 1s from Monday, HOLIDAYS dates joined by commas or "-".
"""

import sys
from itertools import islice

import numpy
from dateutil.rrule import rrulestr


def holidays(text):
    return [] if text == "-" else text.split(",")


def main():
    for line in sys.stdin:
        kind, *words = line.rstrip("\n").split(" ")
        if kind == "offset":
            mask, days, date, n, roll = words
            try:
                print(numpy.busday_offset(date, int(n), roll=roll, weekmask=mask,
                                          holidays=holidays(days)))
            except ValueError:
                print("raise")
        elif kind == "count":
            mask, days, start, end = words
            print(numpy.busday_count(start, end, weekmask=mask, holidays=holidays(days)))
        else:
            limit, text = int(words[0]), " ".join(words[1:]).replace("\\n", "\n")
            found = islice(rrulestr(text, forceset=True), limit)
            print(" ".join(d.strftime("%Y%m%dT%H%M%S") for d in found) or "-")


main()
