#!/usr/bin/env python3
"""Builds the shipped standard tables (TZJKB.csv, SGTZB.csv, ZBLBB.csv) from the transcript
data/standard-2014/published.txt. Run once after changing the transcript; the CSV files are what
ships. Only whole numbers are computed: times in seconds, BMI bounds in hundredths, so every
bound is the text a teacher would type."""

import csv
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
FOLDER = os.path.join(HERE, "..", "data", "standard-2014")

LOW, HIGH = "-999", "99999"  # open ends of the outermost rows

# Typing limits of every indicator the score window checks (code, name, category code, category
# name, lower, upper). Not part of the standard: they catch typing slips.
INDICATORS = [
    ("01", "身高", "1", "身体形态", "1.00", "2.50"),
    ("02", "体重", "1", "身体形态", "20", "200"),
    ("03", "台阶试验", "2", "身体机能", "0", "150"),
    ("04", "肺活量", "2", "身体机能", "500", "9999"),
    ("05", "50米跑", "3", "身体素质", "5.0", "20.0"),
    ("06", "立定跳远", "3", "身体素质", "50", "400"),
    ("07", "坐位体前屈", "3", "身体素质", "-30", "50"),
    ("08", "握力体重指数", "3", "身体素质", "5", "100"),
    ("10", "800米跑(女)", "3", "身体素质", "2.00", "9.59"),
    ("11", "1000米跑(男)", "3", "身体素质", "2.00", "9.59"),
    ("12", "仰卧起坐(女)", "3", "身体素质", "0", "99"),
    ("14", "引体向上(男)", "3", "身体素质", "0", "60"),
    ("15", "掷实心球", "3", "身体素质", "1.0", "30.0"),
    ("18", "跳绳", "3", "身体素质", "0", "400"),
    ("19", "篮球运球", "3", "身体素质", "3.0", "60.0"),
    ("20", "足球运球", "3", "身体素质", "3.0", "60.0"),
    ("21", "排球垫球", "3", "身体素质", "0", "200"),
]


def seconds(text):
    """3'17" -> 197"""
    minutes, rest = text.split("'")
    return int(minutes) * 60 + int(rest.rstrip('"'))


def min_sec(total):
    """197 -> "3.17" (minutes.seconds, two digits of seconds)"""
    if total <= 0:
        return "0"
    return "%d.%02d" % (total // 60, total % 60)


def hundredths(text):
    whole, _, frac = text.partition(".")
    sign = -1 if whole.startswith("-") else 1
    return sign * (abs(int(whole)) * 100 + int((frac + "00")[:2]))


def from_hundredths(n):
    return "%s%d.%02d" % ("-" if n < 0 else "", abs(n) // 100, abs(n) % 100)


def read_transcript(path):
    t = {"items": {}, "tables": [], "bonus": {}, "grades": {}, "bmi": []}
    with open(path, encoding="utf-8") as f:
        for raw in f:
            line = raw.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            words = line.split()
            kind = words[0]
            if kind == "levels":
                t["levels"] = [int(w) for w in words[1:]]
            elif kind == "grade":
                for w in words[2:]:
                    t["grades"][int(w)] = words[1]
            elif kind == "item":
                t["items"][words[1]] = {"name": words[2], "unit": words[3], "better": words[4],
                                        "weight": words[5]}
            elif kind == "bonus":
                t["bonus"][words[1]] = [int(w) for w in words[2:]]
            elif kind == "bmiweight":
                t["bmiweight"] = words[1]
            elif kind == "bmi":
                head = line.split(None, 5)
                t["bmi"].append({"sex": head[1], "low": head[2], "high": head[3],
                                 "points": head[4], "word": head[5]})
            else:
                t["tables"].append({"code": words[0], "sex": words[1], "group": words[2],
                                    "values": words[3:]})
    return t


def item_rows(t, table):
    code = table["code"]
    item = t["items"][code]
    weight = item["weight"]
    timed = item["unit"].startswith("min")
    levels = [(lv, v) for lv, v in zip(t["levels"], table["values"]) if v != "-"]
    extra = t["bonus"].get(code)
    rows = []

    def row(low, high, points, grade):
        rows.append({"NJBZ": table["group"], "XB": table["sex"], "XM": item["name"], "GL": code,
                     "XXZ": low, "SXZ": high, "FZ": points, "BZ": weight, "DJ": grade})

    # Bonus points b are worth FZ = 100 + b / weight.
    def bonus_points(b):
        per = {"0.10": 10, "0.20": 5}[weight]
        return str(100 + b * per)

    if item["better"] == "more":
        top = levels[0][1]
        if extra:
            top_n = int(top)
            for b in range(10, 0, -1):
                high = str(top_n + extra[b]) if b < 10 else HIGH
                row(str(top_n + extra[b - 1]), high, bonus_points(b), "优秀")
        for i, (level, value) in enumerate(levels):
            if i == 0:
                high = str(int(top) + extra[0]) if extra else HIGH
            else:
                high = levels[i - 1][1]
            row(value, high, str(level), t["grades"][level])
        row(LOW, levels[-1][1], "0", "不及格")
    else:
        conv = (lambda v: min_sec(seconds(v))) if timed else (lambda v: v)
        if extra:
            top = seconds(levels[0][1])
            for b in range(10, 0, -1):
                low = min_sec(top - extra[b]) if b < 10 else "0"
                row(low, min_sec(top - extra[b - 1]), bonus_points(b), "优秀")
        for i, (level, value) in enumerate(levels):
            if i == 0:
                low = min_sec(seconds(value) - extra[0]) if extra else "0"
            else:
                low = conv(levels[i - 1][1])
            row(low, conv(value), str(level), t["grades"][level])
        row(conv(levels[-1][1]), HIGH, "0", "不及格")
    return rows


def bmi_rows(t):
    rows = []
    for band in t["bmi"]:
        # A band of one-decimal values starts at x.x5: the two-decimal BMI rounded half up.
        low = "0" if band["low"] == "-" else from_hundredths(hundredths(band["low"]) - 5)
        high = "1000" if band["high"] == "-" else from_hundredths(hundredths(band["high"]) + 5)
        rows.append({"XB": band["sex"], "SGXXZ": low, "SGSXZ": high, "TZXXZ": "", "TZSXZ": "",
                     "FZ": band["points"], "BZ": t["bmiweight"], "DJ": band["word"]})
    return rows


def write(name, fields, rows, first_id):
    path = os.path.join(FOLDER, name)
    with open(path, "w", encoding="utf-8", newline="") as f:
        w = csv.writer(f, lineterminator="\n")
        w.writerow(["ID"] + fields)
        for i, r in enumerate(rows):
            w.writerow([first_id + i] + [r[k] for k in fields])
    print("%s: %d rows" % (path, len(rows)))


def main():
    t = read_transcript(os.path.join(FOLDER, "published.txt"))
    tz = []
    for table in t["tables"]:
        tz.extend(item_rows(t, table))
    write("TZJKB.csv", ["NJBZ", "XB", "XM", "GL", "XXZ", "SXZ", "FZ", "BZ", "DJ"], tz, 202001)
    write("SGTZB.csv", ["XB", "SGXXZ", "SGSXZ", "TZXXZ", "TZSXZ", "FZ", "BZ", "DJ"], bmi_rows(t),
          201001)
    zb = [{"ZBBM": c, "ZBMC": n, "ZBLBBM": cc, "ZBLBMC": cn, "XB": "全部", "XXZ": lo, "SXZ": hi}
          for c, n, cc, cn, lo, hi in INDICATORS]
    write("ZBLBB.csv", ["ZBBM", "ZBMC", "ZBLBBM", "ZBLBMC", "XB", "XXZ", "SXZ"], zb, 207001)
    return 0


if __name__ == "__main__":
    sys.exit(main())
