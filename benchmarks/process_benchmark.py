#!/usr/bin/env python3
"""The whole-process benchmark: runs the sarnith binary as a user would, on
databases that mklogdb generates, beside reference runs (cat, igzip, the
same statement another way), and prints per workload the median wall time,
the entries and megabytes of daily files per second, the peak resident set
size, and the ratio to its reference against the target.

  process_benchmark.py [--sarnith PATH] [--mklogdb PATH] [--data FOLDER]
                       [--runs N] [--scale F | --tiny] [--workloads LIST]
                       [--markdown] [--check] [--regenerate]

The databases are generated once into the data folder (default: the
folder "benchmark-data" beside the sarnith binary) under names made of
their parameters, and reused while those stay the same; mklogdb writes the
same files for the same parameters. Every command runs once to check it
(exit code 0, nothing on standard error, no output where nothing matches)
and to bring its files into the page cache, then --runs times, all
commands in turn, so that a change of load on the machine strikes each
alike. Timed runs write their standard output to /dev/null. The one-minute
load average before each command's runs is shown beside it.

The exit code is 0 when every command ran as expected (with --check: and
every target was met), 1 otherwise.
"""
import argparse
import datetime
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

MIB = 1024 * 1024

# The databases, as mklogdb generates them (from 2006-06-01, seed 1).
#   name          gateways  days  entries in all  gzip percent
DATABASES = {
    "fleet":      (512,     7,    200000,         0),
    "gzip-one":   (1,       7,    500000,         100),
    "gzip-fleet": (16,      7,    400000,         100),
    "plain-one":  (1,       7,    500000,         0),
}
FIRST_DAY = datetime.date(2006, 6, 1)
GZIP_LEVEL = 6

# A filter that no generated entry passes (their source addresses are
# 80.0.0.0-95.255.255.255 and 192.168.1.0/24).
MATCHES_NOTHING = "where srcip = 1.2.3.4"


class Database:
    """A generated database: its folder, daily files, entries and bytes."""

    def __init__(self, name, data_folder, scale, tiny):
        gateways, days, entries, gzip_percent = DATABASES[name]
        if tiny:
            gateways = min(gateways, 8)
        self.name = name
        self.gateways = gateways
        self.days = days
        self.entries = max(1, int(entries * scale))
        self.gzip_percent = gzip_percent
        self.folder = os.path.join(
            data_folder, "%s-g%d-d%d-t%d-z%d-l%d" % (name, gateways, days, self.entries, gzip_percent, GZIP_LEVEL))
        self.files = []
        self.bytes = 0

    def generate(self, mklogdb, regenerate):
        if regenerate and os.path.isdir(self.folder):
            shutil.rmtree(self.folder)
        if not os.path.isdir(self.folder):
            # Written beside its place and renamed when complete, so an
            # interrupted or concurrent run never leaves half a database.
            os.makedirs(os.path.dirname(self.folder), exist_ok=True)
            scratch = tempfile.mkdtemp(prefix=".generating-", dir=os.path.dirname(self.folder))
            command = [mklogdb, "generate", "--gateways", str(self.gateways), "--days", str(self.days),
                       "--total-entries", str(self.entries), "--gzip", str(self.gzip_percent),
                       "--gzip-level", str(GZIP_LEVEL), "--seed", "1", scratch]
            print("generating %s ..." % os.path.basename(self.folder), file=sys.stderr, flush=True)
            if subprocess.run(command).returncode != 0:
                shutil.rmtree(scratch)
                return False
            try:
                os.rename(scratch, self.folder)
            except OSError:  # another run finished the same database first
                shutil.rmtree(scratch)
        for top, folders, names in os.walk(self.folder):
            folders.sort()
            for name in sorted(names):
                if name.endswith(".osl") or name.endswith(".gz"):
                    path = os.path.join(top, name)
                    self.files.append(os.path.relpath(path, self.folder))
                    self.bytes += os.path.getsize(path)
        return True

    def times(self):
        """The TIMES statement that covers the whole database."""
        last = FIRST_DAY + datetime.timedelta(days=self.days)
        return "times %s to %s" % (FIRST_DAY.isoformat(), last.isoformat())


class Measurement:
    """One command on one database, run several times. A command that reads
    the daily files themselves (cat, igzip) gets their paths as its last
    arguments and runs in the database's folder."""

    def __init__(self, label, database, command, quiet=False, reads_files=False):
        self.label = label
        self.database = database
        self.command = command
        self.quiet = quiet      # writes nothing to standard output
        self.reads_files = reads_files
        self.sarnith = False    # set for runs of the program itself
        self.walls = []
        self.cpus = []
        self.peak_rss = 0       # bytes, the largest of all runs
        self.load = None

    def run_once(self, environment, stdout, rss_meter):
        command, cwd = self.command, None
        if self.reads_files:
            command, cwd = command + self.database.files, self.database.folder
        started = time.perf_counter()
        process = subprocess.Popen(rss_meter.wrap(command), stdin=subprocess.DEVNULL, stdout=stdout,
                                   stderr=subprocess.PIPE, cwd=cwd, env=environment)
        output_bytes = 0
        if stdout == subprocess.PIPE:
            while True:
                chunk = process.stdout.read(1 << 20)
                if not chunk:
                    break
                output_bytes += len(chunk)
        errors = process.stderr.read()
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.perf_counter() - started
        process.returncode = os.waitstatus_to_exitcode(status)
        self.peak_rss = max(self.peak_rss, rss_meter.peak(usage))
        return process.returncode, errors, output_bytes, wall, usage.ru_utime + usage.ru_stime

    def check(self, environment, rss_meter):
        code, errors, output_bytes, _, _ = self.run_once(environment, subprocess.PIPE, rss_meter)
        problems = []
        if code != 0:
            problems.append("exit code %d" % code)
        if errors:
            problems.append("standard error: " + errors.decode(errors="replace")[:300].rstrip())
        if self.quiet and output_bytes:
            problems.append("%d bytes of output where nothing matches" % output_bytes)
        if not self.quiet and not output_bytes:
            problems.append("no output")
        return problems

    def time_once(self, environment, rss_meter):
        code, errors, _, wall, cpu = self.run_once(environment, subprocess.DEVNULL, rss_meter)
        if code != 0 or errors:
            return ["exit code %d, standard error: %s" % (code, errors.decode(errors="replace")[:300].rstrip())]
        self.walls.append(wall)
        self.cpus.append(cpu)
        return []

    def median(self):
        return statistics.median(self.walls)


class RssMeter:
    """The peak resident set size of a command. A process started by this
    interpreter inherits the interpreter's own peak (Linux keeps the peak of
    the memory a process had before it ran another program), so the command
    runs under GNU time, a small process that starts it, and its %M is read
    back; without GNU time, the peak that wait4 reports is used, with the
    interpreter's size in it."""

    def __init__(self, folder):
        self.time = shutil.which("time")
        if self.time is not None:
            probe = subprocess.run([self.time, "--version"], capture_output=True, text=True)
            if "GNU" not in probe.stdout + probe.stderr:
                self.time = None
        self.report = os.path.join(folder, "peak-rss")

    def wrap(self, command):
        if self.time is None:
            return command
        return [self.time, "--quiet", "--format=%M", "--output=" + self.report] + command

    def peak(self, usage):
        """In bytes, after the command ended with the given wait4 usage."""
        if self.time is None:
            return usage.ru_maxrss * 1024
        with open(self.report) as report:
            return int(report.read().split()[-1]) * 1024


class Workload:
    """A row of the table: a run beside its reference, and the target of
    their ratio. The ratio is computed so that larger is better when the
    target is a minimum ("at least"), and smaller when it is a maximum."""

    def __init__(self, number, title, subject, reference, ratio, target, at_most=False, reference_title=""):
        self.number = number
        self.title = title
        self.subject = subject
        self.reference = reference
        self.reference_title = reference_title
        self.ratio = ratio        # function(subject, reference) -> float
        self.target = target
        self.at_most = at_most


class MemoryWorkload:
    """Row 7: the largest peak RSS of the program's runs on some databases."""

    def __init__(self, number, title, measurements, limit):
        self.number = number
        self.title = title
        self.measurements = measurements
        self.limit = limit


def time_ratio(subject, reference):
    """How many times the reference's time the subject takes."""
    return subject.median() / reference.median()


def speed_ratio(subject, reference):
    """How many times the reference's speed the subject reaches."""
    return reference.median() / subject.median()


def build_workloads(args, databases):
    """The measurements to run and the rows of the table, for the rows
    chosen with --workloads."""
    cpus = sorted(os.sched_getaffinity(0))
    measurements = {}

    def sarnith(label, database, statement, options=(), pinned=False):
        key = (label, database.name)
        if key not in measurements:
            command = [args.sarnith, "-r", database.folder] + list(options) + [statement]
            if pinned:
                if shutil.which("taskset") is None:
                    return None
                command = [shutil.which("taskset"), "-c", str(cpus[0])] + command
            measurement = Measurement(label, database, command, quiet=MATCHES_NOTHING in statement)
            measurement.sarnith = True
            measurements[key] = measurement
        return measurements[key]

    def tool(label, database, program, options):
        key = (label, database.name)
        if key not in measurements:
            if shutil.which(program) is None:
                return None
            measurements[key] = Measurement(label, database, [program] + options, reads_files=True)
        return measurements[key]

    def scan(database, pinned=False):
        return sarnith("scan, matches nothing" + (", one CPU" if pinned else ""), database,
                       "select standard from all %s %s" % (database.times(), MATCHES_NOTHING), pinned=pinned)

    def everything(fields, options=()):
        database = databases["plain-one"]
        return sarnith(" ".join(list(options) + ["select", fields]), database,
                       "select %s from all %s" % (fields, database.times()), options)

    fleet = databases["fleet"]
    gzip_one = databases["gzip-one"]
    gzip_fleet = databases["gzip-fleet"]
    plain_one = databases["plain-one"]
    rows = {
        "1": lambda: [
            Workload("1", "from all, no time statement, %d gateways" % fleet.gateways,
                     sarnith("no time statement", fleet, "select standard from all " + MATCHES_NOTHING),
                     scan(fleet), time_ratio, 1.1, at_most=True, reference_title="the same with TIMES")],
        "2": lambda: [
            Workload("2", "from all scan, %d gateways" % fleet.gateways, scan(fleet),
                     tool("cat", fleet, "cat", []), speed_ratio, 0.9, reference_title="cat of the same files")],
        "3": lambda: [
            Workload("3", "gzip scan, 1 gateway", scan(gzip_one), tool("igzip -dc", gzip_one, "igzip", ["-dc"]),
                     speed_ratio, 1.0, reference_title="igzip -dc of the same files")],
        "4": lambda: [
            Workload("4", "gzip fleet scan, %d gateways, %d CPUs" % (gzip_fleet.gateways, len(cpus)),
                     scan(gzip_fleet), scan(gzip_fleet, pinned=True), speed_ratio, 0.8 * len(cpus),
                     reference_title="taskset -c %d" % cpus[0])],
        "5": lambda: [
            Workload("5", "select binary, 1 gateway", everything("binary"), scan(plain_one), speed_ratio, 0.8,
                     reference_title="the scan that matches nothing")],
        "6": lambda: [
            Workload("6", "-d ';' select standard, 1 gateway", everything("standard", ["-d", ";"]),
                     scan(plain_one), speed_ratio, 0.3, reference_title="the scan that matches nothing"),
            Workload("6", "--json select standard, 1 gateway", everything("standard", ["--json"]),
                     everything("standard", ["-d", ";"]), speed_ratio, 0.8, reference_title="-d ';'"),
            Workload("6", "--csv select standard, 1 gateway", everything("standard", ["--csv"]),
                     everything("standard", ["-d", ";"]), speed_ratio, 0.8, reference_title="-d ';'")],
    }
    chosen = []
    for number in args.workloads:
        chosen += rows[number]() if number in rows else []
    if "7" in args.workloads:
        # Every run of the program that the chosen rows make, and at least
        # the scans of one gateway and of the fleet.
        scan(gzip_one)
        scan(plain_one)
        scan(fleet)
        runs = [m for m in measurements.values() if m.sarnith]
        chosen.append(MemoryWorkload("7", "peak RSS, 1 gateway",
                                     [m for m in runs if m.database.gateways == 1], 16 * MIB))
        chosen.append(MemoryWorkload("7", "peak RSS, %d gateways" % fleet.gateways,
                                     [m for m in runs if m.database is fleet], 96 * MIB))
    return list(measurements.values()), chosen


def si(value):
    for factor, suffix in ((1e9, " G"), (1e6, " M"), (1e3, " k")):
        if value >= factor:
            return "%.1f%s" % (value / factor, suffix)
    return "%.0f" % value


def measurement_cells(measurement):
    if measurement is None:
        return ["not installed", "", "", "", "", "", ""]
    wall = measurement.median()
    database = measurement.database
    return ["%.3f" % wall, "%.3f" % statistics.median(measurement.cpus), si(database.entries / wall),
            "%.1f" % (database.bytes / wall / 1e6), "%.1f MiB" % (measurement.peak_rss / MIB),
            "%.2f" % measurement.load, database.name]


def table_rows(rows):
    """The printed table: per workload its run (with ratio, target and
    verdict) and an indented line of its reference run."""
    header = ["workload", "wall s", "cpu s", "entries/s", "MB/s", "peak RSS", "load", "database",
              "ratio", "target", "verdict"]
    lines = [header]
    failed = 0
    for row in rows:
        if isinstance(row, MemoryWorkload):
            peak = max(m.peak_rss for m in row.measurements)
            verdict = "PASS" if peak <= row.limit else "FAIL"
            failed += verdict == "FAIL"
            lines.append(["%s %s" % (row.number, row.title), "", "", "", "", "%.1f MiB" % (peak / MIB), "", "",
                          "", "<= %d MiB" % (row.limit // MIB), verdict])
            continue
        if row.reference is None:
            ratio, verdict = "", "SKIP"
        else:
            value = row.ratio(row.subject, row.reference)
            met = value <= row.target if row.at_most else value >= row.target
            ratio, verdict = "%.2f" % value, "PASS" if met else "FAIL"
            failed += not met
        target = ("<= %.2g x" if row.at_most else ">= %.2g x") % row.target
        lines.append(["%s %s" % (row.number, row.title)] + measurement_cells(row.subject) + [ratio, target, verdict])
        lines.append(["    vs " + row.reference_title] + measurement_cells(row.reference) + ["", "", ""])
    return lines, failed


def print_table(lines, markdown):
    if markdown:
        for n, cells in enumerate(lines):
            print("| " + " | ".join(cell.strip() for cell in cells) + " |")
            if n == 0:
                print("|" + "---|" * len(cells))
        return
    widths = [max(len(cells[n]) for cells in lines) for n in range(len(lines[0]))]
    for cells in lines:
        print("  ".join(cell.ljust(width) if n == 0 else cell.rjust(width)
                        for n, (cell, width) in enumerate(zip(cells, widths))).rstrip())


def main():
    parser = argparse.ArgumentParser(description="Whole-process benchmark of sarnith (see the file's head).")
    parser.add_argument("--sarnith", default="build/sarnith", help="the program (default build/sarnith)")
    parser.add_argument("--mklogdb", default="build/testing/mklogdb",
                        help="the database writer (default build/testing/mklogdb)")
    parser.add_argument("--data", help="where the databases are kept (default: benchmark-data beside the program)")
    parser.add_argument("--runs", type=int, help="timed runs of each command (default 5; 1 with --tiny)")
    parser.add_argument("--scale", type=float, default=1.0, help="multiplies the entries of every database")
    parser.add_argument("--tiny", action="store_true",
                        help="databases of at most 8 gateways and a hundredth of the entries, one run: "
                             "proves that everything runs, measures nothing")
    parser.add_argument("--workloads", default="1,2,3,4,5,6,7", help="the rows to run (default 1,2,3,4,5,6,7)")
    parser.add_argument("--markdown", action="store_true", help="print the table as Markdown")
    parser.add_argument("--check", action="store_true", help="exit code 1 when a target is not met")
    parser.add_argument("--regenerate", action="store_true", help="write the databases anew")
    args = parser.parse_args()
    args.workloads = [number.strip() for number in args.workloads.split(",")]
    if not set(args.workloads) <= set("1234567"):
        parser.error("the workloads are numbered 1 to 7")
    if args.tiny:
        args.scale = min(args.scale, 0.01)
    runs = args.runs if args.runs is not None else 1 if args.tiny else 5
    for program in (args.sarnith, args.mklogdb):
        if not os.access(program, os.X_OK):
            parser.error("%s is not an executable program" % program)
    args.sarnith = os.path.abspath(args.sarnith)
    args.mklogdb = os.path.abspath(args.mklogdb)
    data_folder = os.path.abspath(args.data or os.path.join(os.path.dirname(args.sarnith), "benchmark-data"))

    databases = {name: Database(name, data_folder, args.scale, args.tiny) for name in DATABASES}
    measurements, rows = build_workloads(args, databases)
    for database in databases.values():
        if any(m.database is database for m in measurements) and not database.generate(args.mklogdb, args.regenerate):
            print("mklogdb could not write %s" % database.folder, file=sys.stderr)
            return 1

    environment = dict(os.environ, TZ="UTC", LC_ALL="C")
    with tempfile.TemporaryDirectory() as settings:
        # A settings folder of its own: the user's stored root folder is never read.
        environment["XDG_CONFIG_HOME"] = settings
        rss_meter = RssMeter(settings)
        problems = []
        for measurement in measurements:
            measurement.load = os.getloadavg()[0]
            problems += ["%s on %s: %s" % (measurement.label, measurement.database.name, problem)
                         for problem in measurement.check(environment, rss_meter)]
        if problems:
            print("\n".join(problems), file=sys.stderr)
            return 1
        for _ in range(runs):
            for measurement in measurements:
                problems += measurement.time_once(environment, rss_meter)
        if problems:
            print("\n".join(problems), file=sys.stderr)
            return 1

    print("%s, %d CPUs usable, %d runs each, medians; output to /dev/null; load average now %.2f" %
          (datetime.datetime.now().strftime("%Y-%m-%d %H:%M"), len(os.sched_getaffinity(0)), runs,
           os.getloadavg()[0]))
    if args.tiny:
        print("tiny databases: this run proves that every workload runs; its numbers and verdicts mean nothing")
    if rss_meter.time is None:
        print("GNU time is not installed: each peak RSS includes that of this Python interpreter")
    lines, failed = table_rows(rows)
    print_table(lines, args.markdown)
    return 1 if args.check and failed else 0


if __name__ == "__main__":
    sys.exit(main())
