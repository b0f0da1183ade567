#!/usr/bin/env python3
"""numpy's busday_offset and busday_count per element, on the workloads of
bench/business.cpp: a million business days of 1950 to 2100 moved by 1 to
1000 business days, and a million counts over up to ten years, with the
same weekends and holidays (the eleven yearly rules of bench/business.cpp,
expanded here by python-dateutil from 1901 to 2199). Given the path of
normdate_bench, it also runs the two normdate rows of the same workloads
and prints the ratios of their medians to numpy's.

    python3 bench/numpy_busday.py [build/bench/bench/normdate_bench]
"""

import json
import subprocess
import sys
import time
from datetime import datetime

import numpy
from dateutil.rrule import rrulestr

RULES = [
    "FREQ=YEARLY;BYMONTH=1;BYMONTHDAY=1", "FREQ=YEARLY;BYMONTH=1;BYDAY=3MO",
    "FREQ=YEARLY;BYMONTH=2;BYDAY=3MO", "FREQ=YEARLY;BYMONTH=5;BYDAY=-1MO",
    "FREQ=YEARLY;BYMONTH=6;BYMONTHDAY=19", "FREQ=YEARLY;BYMONTH=7;BYMONTHDAY=4",
    "FREQ=YEARLY;BYMONTH=9;BYDAY=1MO", "FREQ=YEARLY;BYMONTH=10;BYDAY=2MO",
    "FREQ=YEARLY;BYMONTH=11;BYMONTHDAY=11", "FREQ=YEARLY;BYMONTH=11;BYDAY=4TH",
    "FREQ=YEARLY;BYMONTH=12;BYMONTHDAY=25"]
ELEMENTS = 1_000_000
REPETITIONS = 5


def median_seconds(run):
    times = []
    for _ in range(REPETITIONS):
        start = time.perf_counter()
        run()
        times.append(time.perf_counter() - start)
    return sorted(times)[REPETITIONS // 2]


def main():
    until = datetime(2199, 12, 31)
    holidays = sorted({d.date() for rule in RULES
                       for d in rrulestr(rule, dtstart=datetime(1901, 1, 1), cache=False)
                       if d <= until})
    calendar = numpy.busdaycalendar(weekmask="1111100",
                                    holidays=numpy.array(holidays, dtype="datetime64[D]"))
    random = numpy.random.default_rng(2026)
    first = numpy.datetime64("1950-01-01")
    days = first + random.integers(0, 55000, ELEMENTS).astype("timedelta64[D]")
    starts = numpy.busday_offset(days, 0, roll="forward", busdaycal=calendar)
    moves = random.integers(1, 1001, ELEMENTS)
    ends = starts + random.integers(1, 3651, ELEMENTS).astype("timedelta64[D]")
    rows = {
        "business/advance_up_to/normdate/1000": median_seconds(
            lambda: numpy.busday_offset(starts, moves, busdaycal=calendar)),
        "business/count_up_to/normdate/10y": median_seconds(
            lambda: numpy.busday_count(starts, ends, busdaycal=calendar)),
    }
    ours = {}
    if len(sys.argv) > 1:
        report = subprocess.run(
            [sys.argv[1], "--benchmark_filter=^(" + "|".join(rows) + ")$",
             "--benchmark_repetitions=5", "--benchmark_report_aggregates_only=true",
             "--benchmark_format=json"], check=True, capture_output=True, text=True)
        for row in json.loads(report.stdout)["benchmarks"]:
            if row.get("aggregate_name") == "median":
                ours[row["run_name"]] = row["real_time"]  # nanoseconds
    for row, seconds in rows.items():
        numpy_ns = seconds / ELEMENTS * 1e9
        line = f"{row.replace('/normdate', '')}: numpy {numpy_ns:.1f} ns per element"
        if row in ours:
            line += f", normdate {ours[row]:.1f} ns, ratio {ours[row] / numpy_ns:.2f}"
        print(line)


main()
