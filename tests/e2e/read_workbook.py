#!/usr/bin/python3
"""Reads an orte-cli workbook as an independent reader (openpyxl) and prints what the tests
compare: the sheets, how many rows hold a real date-time, input 1's values (over every values
sheet), the texts of each chart (title, axes, series), and from the run sheet the polls, the
converter's numbers as the reader typed them, and the chart's note."""
import datetime
import re
import sys
import zipfile

import openpyxl

name = sys.argv[1]
book = openpyxl.load_workbook(name)
values = book.worksheets[:-1]
rows = [r for sheet in values for r in sheet.iter_rows(min_row=2, values_only=True)]
print("sheets: " + ", ".join(book.sheetnames))
print("datetimes: %d" % sum(isinstance(r[0], datetime.datetime) for r in rows))
print("values: " + " ".join("" if r[2] is None else "%g" % r[2] for r in rows))
archive = zipfile.ZipFile(name)
charts = sorted(n for n in archive.namelist() if n.startswith("xl/charts/chart"))
for chart in charts:
    texts = re.findall(r"<a:t>([^<]*)</a:t>", archive.read(chart).decode("utf-8"))
    print("chart: " + " / ".join(texts))
run = {r[0]: r[1] for r in book.worksheets[-1].iter_rows(values_only=True)}
def row(*names):
    return next((v for k, v in run.items() if k in names), None)
print("polls: %r" % row("Polls", "Опросов"))
print("serial: %r" % row("Serial number", "Заводской номер"))
print("chart note: %s" % row("Chart", "График"))
