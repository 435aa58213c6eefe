#!/usr/bin/python3
"""Reads an orte-cli workbook as an independent reader (openpyxl) and prints what the test
compares: the sheets, how many rows hold a real date-time, input 1's values, whether a chart is
there, and the polls the run sheet counts."""
import datetime
import sys
import zipfile

import openpyxl

name = sys.argv[1]
book = openpyxl.load_workbook(name)
values = book.worksheets[0]
rows = list(values.iter_rows(min_row=2, values_only=True))
print("sheets: " + ", ".join(book.sheetnames))
print("datetimes: %d" % sum(isinstance(r[0], datetime.datetime) for r in rows))
print("values: " + " ".join("" if r[2] is None else "%g" % r[2] for r in rows))
charts = [n for n in zipfile.ZipFile(name).namelist() if n.startswith("xl/charts/chart")]
print("chart: " + ("yes" if charts else "no"))
run = {r[0]: r[1] for r in book.worksheets[-1].iter_rows(values_only=True)}
print("polls: %s" % next(v for k, v in run.items() if k in ("Polls", "Опросов")))
