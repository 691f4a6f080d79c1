#!/usr/bin/env python3
"""Reads the --json and --csv exports of sarnith with Python's own json and
csv modules, for the end-to-end tests.

  export_reader.py json < EXPORT
      checks that the export is valid UTF-8 and one JSON object per line (no
      duplicate keys, no NaN or Infinity) and prints ascii() of each object
  export_reader.py csv < EXPORT
      reads the export as RFC 4180 CSV (strict quoting) and prints ascii() of
      the header and of each record, each record having as many fields as
      the header; bytes are read as Latin-1, so every byte shows as itself
  export_reader.py texts EXPECTED CSV JSON
      EXPECTED holds one line per expected value, "<record> <field> <hex>"
      with the raw bytes of the value; checks that the CSV field holds
      exactly these bytes and the JSON member the text they make, read as
      UTF-8 with every byte outside a valid sequence read as its own code
      point
  export_reader.py compare LABELLED CSV JSON
      checks that three exports of one query, in the labelled layout, CSV
      and JSON, hold the same records with the same values

Problems go to standard error with exit code 1; "N records agree" or the
printed forms go to standard output.
"""
import codecs
import csv
import io
import json
import re
import sys

# The labels of the labelled layout that differ from the header names.
LABELS = {
    "description": "params",
    "destenet": "hwdest",
    "destiface": "destif",
    "iptotallen": "iptotlen",
    "tcptotallen": "tcptotlen",
    "algmodname": "algmod",
    "algsessionid": "algsesid",
}

# Numbers that the text layouts show with their names: "6(TCP)".
NAMED_NUMBERS = {"ipproto", "icmpipproto", "enetproto"}

USAGE_PAIR = re.compile(r"^(if|tp)\d+$")
LABELLED_PAIR = re.compile(r'([a-z0-9]+)=("[^"]*"|[^ ]*)(?: |$)')


def byte_as_code_point(error):
    return chr(error.object[error.start]), error.start + 1


codecs.register_error("byte_as_code_point", byte_as_code_point)


def fail(message):
    sys.stderr.write(message + "\n")
    sys.exit(1)


def unique_keys(pairs):
    keys = [key for key, _ in pairs]
    if len(keys) != len(set(keys)):
        raise ValueError("duplicate key in %r" % keys)
    return dict(pairs)


def reject_constant(name):
    raise ValueError("not a JSON number: " + name)


def read_json(data):
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as error:
        fail("JSON export is not valid UTF-8: %s" % error)
    if text and not text.endswith("\n"):
        fail("JSON export does not end with a line end")
    objects = []
    for number, line in enumerate(text.splitlines(), 1):
        try:
            value = json.loads(line, object_pairs_hook=unique_keys, parse_constant=reject_constant)
        except ValueError as error:
            fail("line %d is no JSON: %s: %r" % (number, error, line))
        if not isinstance(value, dict):
            fail("line %d is no object: %r" % (number, line))
        objects.append(value)
    return objects


def read_csv(data):
    text = data.decode("latin-1")
    if text and not text.endswith("\n"):
        fail("CSV export does not end with a line end")
    try:
        rows = list(csv.reader(io.StringIO(text, newline=""), strict=True))
    except csv.Error as error:
        fail("CSV export cannot be read: %s" % error)
    if not rows:
        fail("CSV export has no header")
    header = rows[0]
    for number, row in enumerate(rows[1:], 2):
        if len(row) != len(header):
            fail("CSV line %d has %d fields, the header %d: %r" % (number, len(row), len(header), row))
    return header, rows[1:]


def as_text(field):
    """A CSV field (read as Latin-1) as the text its bytes make."""
    return field.encode("latin-1").decode("utf-8", "byte_as_code_point")


def read_labelled(data):
    records = []
    for number, line in enumerate(data.decode("utf-8", "byte_as_code_point").splitlines(), 1):
        pairs = []
        end = 0
        for match in LABELLED_PAIR.finditer(line):
            if match.start() != end:
                fail("labelled line %d cannot be split at %d: %r" % (number, end, line))
            value = match.group(2)
            if len(value) >= 2 and value.startswith('"') and value.endswith('"'):
                value = value[1:-1]
            pairs.append((match.group(1), value))
            end = match.end()
        if end != len(line):
            fail("labelled line %d cannot be split at %d: %r" % (number, end, line))
        usage = " ".join("%s=%s" % pair for pair in pairs if USAGE_PAIR.match(pair[0]))
        record = without_repeats([pair for pair in pairs if not USAGE_PAIR.match(pair[0])],
                                 "labelled line %d" % number)
        if usage:
            record["usage"] = usage
        records.append(record)
    return records


def usage_text(items):
    return " ".join("if%d=%s tp%d=%.2f" % (i, item.get("iface", ""), i, item["throughput"])
                    for i, item in enumerate(items))


def json_as_labelled(obj):
    """The labels and texts that the labelled layout shows for an object."""
    record = {}
    for key, value in obj.items():
        if key in ("timestamp", "gateway"):
            continue
        if key == "connusage":
            record.update({label: str(count) for label, count in value.items()})
        elif key == "usage":
            record["usage"] = usage_text(value)
        elif isinstance(value, bool):
            record[LABELS.get(key, key)] = "1" if value else "0"
        else:
            record[LABELS.get(key, key)] = str(value)
    return record


def without_repeats(pairs, where):
    """The pairs as a dict; a name that comes again must have the same value."""
    record = {}
    for name, value in pairs:
        if record.setdefault(name, value) != value:
            fail("%s: %s is %r and %r" % (where, name, record[name], value))
    return record


def csv_as_labelled(header, row, where):
    return without_repeats([(LABELS.get(name, name), as_text(field))
                            for name, field in zip(header, row) if field != ""], where)


def compare(labelled_path, csv_path, json_path):
    labelled = read_labelled(open(labelled_path, "rb").read())
    header, rows = read_csv(open(csv_path, "rb").read())
    objects = read_json(open(json_path, "rb").read())
    if not len(labelled) == len(rows) == len(objects):
        fail("record counts differ: labelled %d, CSV %d, JSON %d" % (len(labelled), len(rows), len(objects)))
    for number, (text, row, obj) in enumerate(zip(labelled, rows, objects), 1):
        from_csv = csv_as_labelled(header, row, "CSV record %d" % number)
        from_json = json_as_labelled(obj)
        for name in NAMED_NUMBERS:
            if name in text:
                text = dict(text)
                text[name] = text[name].split("(")[0]
                from_csv[name] = from_csv[name].split("(")[0]
        if from_csv != text:
            fail("record %d: CSV %r, labelled %r" % (number, from_csv, text))
        if from_json != text:
            fail("record %d: JSON %r, labelled %r" % (number, from_json, text))
        if "date" in text and not obj["timestamp"].startswith(text["date"] + "T" + text.get("time", "")):
            fail("record %d: timestamp %r, labelled %r" % (number, obj["timestamp"], text))
        if "vantgard" in text and obj.get("gateway") != text["vantgard"]:
            fail("record %d: gateway %r, labelled %r" % (number, obj.get("gateway"), text))
    print("%d records agree" % len(objects))


def check_texts(expected_path, csv_path, json_path):
    header, rows = read_csv(open(csv_path, "rb").read())
    objects = read_json(open(json_path, "rb").read())
    checked = 0
    for line in open(expected_path, encoding="ascii").read().splitlines():
        record, name, hex_bytes = (line.split(" ") + [""])[:3]
        raw = bytes.fromhex(hex_bytes)
        index = int(record)
        field = rows[index][header.index(name)]
        if field.encode("latin-1") != raw:
            fail("record %s, %s: CSV %r, expected %r" % (record, name, field.encode("latin-1"), raw))
        member = objects[index].get(name)
        if member != raw.decode("utf-8", "byte_as_code_point"):
            fail("record %s, %s: JSON %r, expected %r" % (record, name, member, raw))
        checked += 1
    print("%d texts agree" % checked)


def main(args):
    if args == ["json"]:
        for obj in read_json(sys.stdin.buffer.read()):
            print(ascii(obj))
    elif args == ["csv"]:
        header, rows = read_csv(sys.stdin.buffer.read())
        print(ascii(header))
        for row in rows:
            print(ascii(row))
    elif len(args) == 4 and args[0] == "texts":
        check_texts(*args[1:])
    elif len(args) == 4 and args[0] == "compare":
        compare(*args[1:])
    else:
        fail(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
