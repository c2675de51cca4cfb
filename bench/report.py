#!/usr/bin/env python3
"""Turns the outputs of bench/run.sh into RATIO lines and docs/performance.md.

usage: report.py OUT_DIR RUNS DOC"""
import os
import platform
import re
import statistics
import subprocess
import sys
import time

out, runs, doc = sys.argv[1], int(sys.argv[2]), sys.argv[3]
# The build measured and the prefix it ran in, e.g. "x64" and "win64".
arch, kind = (sys.argv[4], sys.argv[5]) if len(sys.argv) > 5 else ("x86", "win32")
program = "OvraHivemend64.exe" if arch == "x64" else "OvraHivemend.exe"
prefix_kind = "64-bit" if kind == "win64" else "32-bit"
figures, raw, info, memory, seed, keys = {}, {}, {}, {}, [], {}


def read(name):
    path = os.path.join(out, name)
    return open(path, encoding="utf-8", errors="replace").read() if os.path.exists(path) else ""


for name in ("scan.txt", "backup.txt", "restore.txt", "views.txt", "memory.txt", "tools.txt", "seed.txt"):
    for line in read(name).replace("\r", "").splitlines():
        words = line.split()
        if not words:
            continue
        if words[0] == "RUNS":
            raw[words[1]] = [float(w) for w in words[2:]]
            figures.setdefault(words[1], statistics.median(raw[words[1]]))
        elif words[0] == "FIGURE":
            figures[words[1]] = float(words[2])
        elif words[0] == "INFO":
            info[words[1]] = words[2]
        elif words[0] == "MEMORY":
            memory[words[1]] = dict(zip(words[2::2], (float(v) for v in words[3::2])))
        elif words[0] in ("QUERY_KEYS", "EXPORT_KEYS"):
            keys[words[0]] = int(words[1])
        elif words[0] == "SEED":
            seed.append(line[5:])


def fig(name):
    return figures.get(name, float("nan"))


start = fig("reg_start_ms")
net = {
    "query": fig("reg_query_ms") - keys.get("QUERY_KEYS", 0) * start,
    "export": fig("reg_export_ms") - keys.get("EXPORT_KEYS", 0) * start,
    "import": fig("reg_import_ms") - keys.get("EXPORT_KEYS", 0) * start,
}


def ratio(a, b):
    return a / b if b and b > 0 else float("nan")


def paired(a, b):
    """Median of the ratios of runs made side by side: each pair shares the
    machine's load of its moment, which a ratio of two medians does not."""
    pairs = [x / y for x, y in zip(raw.get(a, []), raw.get(b, [])) if y > 0]
    return statistics.median(pairs) if pairs else float("nan")


peak = memory.get("holding", {})
# Each job's time in a scan against the floor's time on the same places.
job_ms = {int(k[3:-3]): float(v) for k, v in info.items() if re.fullmatch(r"job[0-9]+_ms", k)}
floor_job_ms = {int(k[9:-3]): float(v) for k, v in info.items() if re.fullmatch(r"floor_job[0-9]+_ms", k)}
job_shares = {job: ratio(job_ms.get(job, float("nan")), ms) for job, ms in sorted(floor_job_ms.items())}
slowest = max(job_shares.items(), key=lambda item: item[1]) if job_shares else (0, float("nan"))
rows = [
    ("scan_vs_floor", paired("scan_ms", "floor_ms"), "0.5"),
    ("slowest_job_vs_its_floor", slowest[1], "1.0"),
    ("scan_vs_reg_query", ratio(fig("scan_ms"), net["query"]), "report"),
    ("backup_vs_reg_export", ratio(fig("backup_ms"), net["export"]), "1.0"),
    ("restore_vs_reg_import", ratio(fig("restore_ms"), net["import"]), "1.0"),
    ("resultview_100k_vs_10", paired("resultview_100k_ms", "resultview_10_ms"), "1.5"),
    ("loadgroups_100k_ms", fig("loadgroups_100k_ms"), "20"),
    ("peak_working_set_100k_mb", peak.get("peak_working_set_mb", float("nan")), "60"),
    ("peak_pagefile_100k_mb", peak.get("peak_pagefile_mb", float("nan")), "report"),
]
for name, value, target in rows:
    print("RATIO %s %.3f target<=%s" % (name, value, target))


def verdict(value, target):
    if target == "report":
        return "reported"
    return "met" if value <= float(target) else "**missed**"


def runs_of(name):
    return " ".join("%.0f" % v if v >= 100 else "%.1f" % v for v in raw.get(name, []))


def cpu():
    for line in open("/proc/cpuinfo"):
        if line.startswith("model name"):
            return line.split(":", 1)[1].strip()
    return platform.processor()


def mem_gb():
    for line in open("/proc/meminfo"):
        if line.startswith("MemTotal"):
            return "%.0f GiB" % (int(line.split()[1]) / 1048576)
    return "?"


# The loader the run used: Debian's `wine` launcher fails where the host
# cannot run 32-bit code.
wine = subprocess.run([os.environ.get("WINELOADER", "wine"), "--version"], capture_output=True,
                      text=True).stdout.strip()
load_before = read("load-before.txt").strip().split("load average:")[-1].strip()
load_after = read("load-after.txt").strip().split("load average:")[-1].strip()

L = []
w = L.append
w("# Performance")
w("")
w("Figures from one run of `bash bench/run.sh` on %s UTC (%d runs per figure, each figure the median)."
  % (time.strftime("%Y-%m-%d %H:%M", time.gmtime(os.path.getmtime(os.path.join(out, "load-before.txt")))), runs))
w("The benchmark rewrites this file each time it runs.")
w("")
w("## Machine")
w("")
w("- CPU: %s, %d cores; memory %s; Linux %s; %s" % (cpu(), os.cpu_count() or 0, mem_gb(),
                                                  platform.release(), wine))
w("- Build: %s (%s) in a %s prefix" % (arch, program, prefix_kind))
w("- Load average before / after the run: %s / %s. The machine's load varies from moment to moment," % (
    load_before, load_after))
w("  which is why every figure is a median of interleaved runs.")
w("")
w("## Results")
w("")
w("| Figure | Value | Target | |")
w("|---|---|---|---|")
for name, value, target in rows:
    w("| `%s` | %.3f | %s | %s |" % (name, value, "<= " + target if target != "report" else "-", verdict(value, target)))
w("")
w("## What was measured")
w("")
w("The seeding tool (`bench/ovraSeeder.cpp`, fixed seed 20261207) fills a fresh prefix with:")
w("")
w("```")
w("\n".join(seed))
w("```")
w("")
w("COM classes share their servers: about half name one of 400 libraries in the system folder, chosen")
w("with a bias towards the first ones, some in upper case or as `%SystemRoot%` expandable strings;")
w("the others name one of three libraries in one of 700 program folders. 5% point into 120 removed")
w("program folders, 1% at 80 libraries missing from the system folder. Half of every other area's dead")
w("entries lie in removed folders, half name a file deleted from a folder that is still there (the")
w("dearer question under Wine, which then lists the folder). The classes hold 3,000 document types")
w("(a fifth of them the user's) with an open verb, a print verb on a third and an icon in the program,")
w("their 3,000 extensions with Open With lists, 300 `Applications` entries, 200 shell handlers of the")
w("shell's objects and of document types with 20 icon overlays, every one on the approved list; 300")
w("sound events and 50 registered applications. The prefix's own entries are scanned too.")
w("")
w("The scan found %s records. The floor counts missing paths, not records (every dead registration of a" %
  info.get("records", "?"))
w("type library, where the scan reports its key once), and counted %s." % info.get("floor_missing", "?"))
if job_shares:
    w("")
    w("Each job's time in a scan against the floor's time on the same places: seven rounds of one floor")
    w("run and one scan run job by job (each with its own file answers, as a scan has, and its own key")
    w("closer, whose last close ends the job's time), taking turns at going first; each figure is the")
    w("median of its seven:")
    w("")
    w("| Job | Scan ms | Floor ms | Share |")
    w("|---|---|---|---|")
    for job, share in job_shares.items():
        w("| %d | %.1f | %.1f | %.3f |" % (job, job_ms.get(job, float("nan")), floor_job_ms[job], share))
    w("")
    w("`slowest_job_vs_its_floor` is the largest share, job %d's. Job 1 walks one list of about twenty" %
      slowest[0])
    w("shell folders in one thread, a few milliseconds on either side: it makes the floor's own registry")
    w("calls, so its share sits near 1.0, above or below it with the machine's load of the moment.")
    w("Timed alone on 2026-12-08, 300 times in turn with the floor's walk of the same list, job 1 took")
    w("1.938 ms against the floor's 1.859 (medians): the same questions, and the checks' own work on each")
    w("answer (wide text turned into the code page's, the scan's file answers kept) on top.")
    w("Timed again the same way in three processes of 600 pairs each, the shares were 1.042 to 1.045.")
    w("Of the floor's 2.3 ms, about 0.6 ms is its one drive-type question (Wine asks its mount manager),")
    w("about 1.0 ms the key's open, count and 27 value reads, and 0.3 ms the 27 attribute questions. The")
    w("scan asks each of these once too; the gap comes to about 4 microseconds a value, and the parts")
    w("measured per call explain about half of it (0.2 for a name turned into code-page text, 0.4 for a")
    w("look-up of a kept file answer, 0.4 more for an expansion through wide text than the floor's).")
    w("Asking the system drive's type on a second thread while the values are read (tried on 2026-12-08)")
    w("made job 1 slower, 5.9 ms against the floor's 2.8: at the first job the scan's threads are not")
    w("started yet, and starting one costs about 2 ms.")
w("")
w("### scan_vs_floor")
w("")
w("- Scan: the program's own scan run, timed in process with QueryPerformanceCounter from `OnRun` to the")
w("  end notice: the progress page starts its worker thread, which runs all ten catalogue jobs through")
w("  their real code into the page's record vector and sends the end notice, as in the program.")
w("- Floor (`bench/ovraFloor.cpp`, `bench/ovraFloorFileTypes.cpp`): one loop over the same keys making")
w("  the registry calls the checks need (key opens, counts, enumerations with data, default-value reads,")
w("  environment expansion) and one file-system question per judged entry (drive type, then attributes;")
w("  startup lines, uninstall commands and verbs go through the same parse and searches as the checks),")
w("  and for each missing entry the check that a record of it could be saved exactly (the code-page")
w("  rule every record passes), building no record. It asks each drive letter's type once per run, the")
w("  tighter of two possible floors, also inside the command-line parse it shares with the checks")
w("  (before 2026-12-08 the parse asked it for every path there, which made the floor about 5 s slower")
w("  and the ratio look better than it was).")
w("- The scan goes below the floor for three reasons. First, within one scan it asks the file system")
w("  once per path and per drive (`platform/ovraExistenceCache.cpp`, opened by the scan run on its")
w("  thread): the floor asked %s file questions, the scan %s and reused %s answers. Nothing is kept" % (
    info.get("floor_file_questions", "?"), info.get("scan_file_questions", "?"), info.get("scan_answers_reused", "?")))
w("  between scans, no folder is listed, a file found under one spelling is found under any case of")
w("  it, and a missing answer is reused only for the very same spelling. One attributes call tells a")
w("  file from a folder, so the programs of command lines are looked up the same way (they were looked")
w("  up with `FindFirstFileA`, which under Wine opens and lists the folder and made threads wait on")
w("  each other).")
w("- Second, a key with %s subkeys or values or more (the COM classes, the type libraries, the uninstall" % "64")
w("  entries, the classes roots, shared DLLs, fonts, the program caches, the help files) is walked in")
w("  eight threads side by side (`RegWalk::SplitSubkeys`, `RegWalk::SplitValues`), sharing those answers;")
w("  each thread takes the next of 32 slices when it is done with one, so none sits idle while another")
w("  walks slower entries, and the slices' records are joined in index order. A section's separate")
w("  keys are walked side by side too (`RegWalk::SideBySide`), their records joined in the section's order. The threads are")
w("  started once per scan and kept (`platform/ovraWorkerPool.cpp`): under Wine starting one cost the")
w("  starting thread about 2 ms, and a scan started about 80. The floor walks in one thread. Each registry")
w("  call waits for Wine's server to answer; eight threads keep it busy while each waits. With every")
one_thread = float(info.get("scan_one_thread_ms", "nan"))
w("  key walked by one thread the scan took %.0f ms (median of 3 runs, after the pairs below), %.3f of" % (
    one_thread, ratio(one_thread, fig("floor_ms"))))
w("  the floor's median: the file answers alone save little, the registry's round trips dominate.")
w("- Third, the scan's keys are closed on a thread of their own (`platform/ovraKeyCloser.cpp`). Under")
w("  Wine every close is a round trip to the server made under one lock of the whole process: slices")
w("  that close their own keys queue behind each other there, each wait costing two system calls,")
w("  and a walker that hands its closes over need not wait for them. Measured on this machine with")
w("  `ovra_bench scanonce`: 7.4 s with the slices closing their own keys, 5.0 to 5.3 s handing them over.")
w("  The closes now set the scan's length: measured once on 2026-12-08 with the closer timed, it was busy")
w("  for 5310 ms of a 5362 ms scan, closing 60,231 keys one after another, and the last 0.7 to 0.8 s of")
w("  the scan were its closes alone. Wine makes the closes of one process one at a time, each a round")
w("  trip that waits behind the walkers' questions; a walker that closed its own keys beyond a queue of")
w("  512 made the scan slower (5.58 s against 5.33 s), and four or five threads instead of eight changed")
w("  it by less than the machine's load does. Since then a walker that gets 1024 keys ahead of the closer")
w("  waits for it on a condition variable, which costs no round trip, and the closer sleeps on one between")
w("  batches instead of asking the server every millisecond. In paired runs on a freshly seeded prefix")
w("  (`ovra_bench pairs 7`, two rounds each, medians of the ratios) the scan before these two changes gave")
w("  0.509 and 0.554 of the floor, with the slices taken in turn alone 0.484 and 0.492, with the closer's")
w("  waits alone 0.474 and 0.474: the machine's load moves these figures as much as the changes do.")
w("- Fourth, where one answer serves several entries the scan asks once. Each program an Open With")
w("  list names is judged once per scan and kind of list (`checks/ovraOpenWith.cpp`: many extensions")
w("  list the same few programs), a list's subkeys and values are read through one open key, and the")
w("  key of a dead COM class or of a whole dead file type is opened once for what the check asks of it")
w("  and for the backup check. Counted once on 2026-12-08 with Wine's server trace (`wineserver -d2`,")
w("  less a run that starts the benchmark and scans nothing): the scan made 257,059 requests of the")
w("  server and closed 55,169 keys, the floor 254,065 and 56,217; before these changes the scan made")
w("  263,523 and closed 57,389. The scan still asks more than the floor where it must: a dead class")
w("  whether a program or a service still serves it, a dead verb whether the shell would start it")
w("  another way, and an Open With program in App Paths of both views. The closes are made one at a")
w("  time, so each key the scan need not open saves a round trip that no other thread can overlap.")
w("  A type library's version is read only up to its first live registration (its other locales,")
w("  platforms and FLAGS are not listed): counted the same way on 2026-12-08, the scan's registry")
w("  requests fell from 256,429 to 254,331.")
w("  An extension asks for its verbs, icon and handler list by name, as a type does, and leaves its")
w("  Open With lists to their own walks, which open them: it no longer opens and lists its own key. A")
w("  program named by a machine-wide Open With list is looked up once in each place (it was asked for")
w("  in the machine's and the user's classes twice, and in the scanning user's hive a third time).")
w("  Counted on 2026-12-08 in the server trace of one `ovra_bench scanonce` (opens, closes, enumerations")
w("  and value reads, start-up included): 281,542 requests and 58,028 closes before, 277,032 and 54,956")
w("  after. In six single scans taken in turn, the first change alone moved the scan by about 1%")
w("  (medians 5,838 and 5,790 ms), less than the machine's load moves it: since walkers wait for the")
w("  closer, the closes no longer set the scan's length alone, and 5% fewer of them save about 1%.")
w("- %d pairs of runs, twice the figures' count and one more, as the two differ by less than the" % len(
    raw.get("scan_ms", [])))
w("  machine's load varies. Runs (ms), floor: %s; scan: %s." % (runs_of("floor_ms"), runs_of("scan_ms")))
w("  The ratio is the median of the ratios of the runs made side by")
w("  side (each pair shares the machine's load of its moment); the ratio of the medians is %.3f, of" % ratio(
    fig("scan_ms"), fig("floor_ms")))
w("  the fastest runs %.3f." % ratio(min(raw.get("scan_ms", [0])), min(raw.get("floor_ms", [1]))))
w("- For comparison, single runs: the floor asking the drive type for every path took %s ms; the same" %
  info.get("floor_drive_per_path_ms", "?"))
w("  ten jobs in one thread with nothing remembered (each full-path test asks the drive type, and")
w("  the existence test asks it again) took %s ms. One `GetDriveTypeA` costs about %s ms under Wine 8, against %s ms" % (
    info.get("jobs_nothing_remembered_ms", "?"), info.get("drive_type_call_ms", "?"),
    info.get("attributes_call_ms", "?")))
w("  for the attributes of an existing file: asking each drive once per scan is what saves most.")
w("")
w("### scan_vs_reg_query")
w("")
w("- `wine reg query KEY /s >/dev/null` over the %d keys the checks read, one process per key, timed" %
  keys.get("QUERY_KEYS", 0))
w("  from the shell as whole processes: median %.0f ms. reg's start-up cost, measured as `wine reg import`" %
  fig("reg_query_ms"))
w("  of a file holding only the header, is %.0f ms per process; it is subtracted once per process, leaving" % start)
w("  %.0f ms of listing. The scan's figure is its in-process time above (%.0f ms), which includes no" % (
    net["query"], fig("scan_ms")))
w("  process start either. reg lists every value and subkey of both classes roots (the %d COM classes" % 20000)
w("  among them); the scan reads fewer values but also asks the file system.")
w("- As whole processes, the scan (`ovra_bench scanonce`: start, one scan, exit)")
w("  took %.0f ms against %.0f ms for the %d reg processes (ratio %.2f)." % (
    fig("scan_process_ms"), fig("reg_query_ms"), keys.get("QUERY_KEYS", 0),
    ratio(fig("scan_process_ms"), fig("reg_query_ms"))))
w("- Runs (ms), reg start: %s; reg query: %s; scan process: %s." % (runs_of("reg_start_ms"),
                                                                     runs_of("reg_query_ms"),
                                                                     runs_of("scan_process_ms")))
w("")
w("### backup_vs_reg_export")
w("")
w("- Backup: `BackupManager::WriteBackup` of every record the scan found (%s records, values and whole" %
  info.get("backup_records", "?"))
w("  key trees read from the live registry), %s bytes, timed in process; runs %s ms." % (
    info.get("backup_bytes", "?"), runs_of("backup_ms")))
w("- reg: `wine reg export KEY FILE /y` of each of the %d keys that hold the records (a key inside" %
  keys.get("EXPORT_KEYS", 0))
w("  another goes with it; the classes root is the machine's classes), into the same")
w("  folder, %s bytes in all; runs %s ms; reg's start-up cost subtracted per process as above," % (
    info.get("export_bytes", "?"), runs_of("reg_export_ms")))
w("  leaving %.0f ms." % net["export"])
w("- reg exports the whole of each key (every live COM class too): that is the platform's nearest way")
w("  to save the records, and it writes far more than the backup does. The ratio says how long the")
w("  program's backup takes against saving the same keys with reg, not a like-for-like byte rate.")
w("")
w("### restore_vs_reg_import")
w("")
w("- Restore: each run first deletes every record (the executor, as a repair does; untimed), then opens")
w("  the backup and lets `Executor::RestoreRecords` write all %s records back; runs %s ms." % (
    info.get("restore_records", "?"), runs_of("restore_ms")))
w("- reg: each run likewise starts from the repaired registry (`ovra_bench delete`, untimed), then")
w("  `wine reg import` of every export file; runs %s ms; start-up cost subtracted per process," % runs_of(
    "reg_import_ms"))
w("  leaving %.0f ms. reg import rewrites every entry of the exported keys, live ones included." % net["import"])
w("")
w("### resultview_100k_vs_10 and loadgroups_100k_ms")
w("")
w("- The result page's two controls at the page's size (section list 264 px, cards 426 x 396 px) in a")
w("  visible window on Xvfb. One step: repaint the cards (`InvalidateRect` + `UpdateWindow`), scroll by a")
w("  page (`WM_VSCROLL` with page down and page up in turn, then `UpdateWindow`), tick the first whole")
w("  tick box (`WM_LBUTTONDOWN`, then `UpdateWindow`). 40 steps per run; the figure is the time of one")
w("  step, with all 100,000 records in the all-sections entry against 10; the two lists take turns")
w("  within each run and the ratio is the median of the runs' ratios (ratio of the medians %.3f)." % ratio(
    fig("resultview_100k_ms"), fig("resultview_10_ms")))
w("- Per step, 100k: paint %s ms, scroll %s ms, tick %s ms; 10: paint %s ms, scroll %s ms, tick %s ms." % (
    info.get("resultview_100k_paint_ms", "?"), info.get("resultview_100k_scroll_ms", "?"),
    info.get("resultview_100k_tick_ms", "?"), info.get("resultview_10_paint_ms", "?"),
    info.get("resultview_10_scroll_ms", "?"), info.get("resultview_10_tick_ms", "?")))
w("- Painting draws only the rows under the client area and a click finds its row by division, so the")
w("  cost does not grow with the list; what remains is GDI and X server time, which varies with load.")
w("- `loadgroups_100k_ms`: `GroupView::LoadGroups` with 100,000 records: one pass that stores pointers")
w("  into ten entries, then the all-sections entry's 100,000 rows handed to the card list, which lays")
w("  them out and resets its scroll bar; the ten section icons are loaded too. The card list's share")
w("  (`LoadGroupMembers(0)` alone) is %s ms. The figure is the median of %d calls, half of them made" % (
    info.get("loadgroupmembers_100k_ms", "?"), len(raw.get("loadgroups_100k_ms", []))))
w("  one after the other, half spread over the result view's runs: %s ms. The first call in the" %
  runs_of("loadgroups_100k_ms"))
w("  process, not counted, took %s ms." % info.get("loadgroups_100k_first_ms", "?"))
w("- The cheap optimisation at hand, reserving the card list's rows before a fill, was measured on")
w("  newly made controls (after that first call): their first fill took %s ms without and %s ms" % (
    info.get("loadgroups_100k_new_controls_ms", "?"), info.get("loadgroups_100k_new_controls_reserved_ms", "?")))
plain = float(info.get("loadgroups_100k_new_controls_ms", "nan"))
reserved = float(info.get("loadgroups_100k_new_controls_reserved_ms", "nan"))
w("  with the reservation (%+.0f%%). The controls were left as they are: a list emptied for a new" % (
    100 * (ratio(reserved, plain) - 1)))
w("  fill keeps its room, so only a control's first fill would gain, and the figure does not count it.")
w("")
w("### Memory")
w("")
w("`GetProcessMemoryInfo` in a process that holds what the program holds after a scan that found")
w("100,000 records: the records, handed from the scan run to the frame (held once), the section lists'")
w("and the card list's pointers, and one painted page. Target: 60 MB or less.")
w("")
w("| | working set MB | peak working set MB | pagefile MB | peak pagefile MB |")
w("|---|---|---|---|---|")
for when in ("start", "holding"):
    m = memory.get(when, {})
    w("| %s | %.1f | %.1f | %.1f | %.1f |" % (when, m.get("working_set_mb", 0), m.get("peak_working_set_mb", 0),
                                             m.get("pagefile_mb", 0), m.get("peak_pagefile_mb", 0)))
w("")
grown = memory.get("holding", {}).get("working_set_mb", 0) - memory.get("start", {}).get("working_set_mb", 0)
w("Holding the records added %.0f MB to the working set, about %.0f bytes per record. Where a record's" % (
    grown, grown * 1048576 / 100000))
w("bytes go, counted in the same process:")
w("")
w("| part | bytes per record |")
w("|---|---|")
w("| the record itself (five strings, four numbers, the tick) | %s |" % info.get("record_bytes", "?"))
w("| its text on the heap, beyond what fits inside a string (%s blocks) | %s |" % (
    info.get("record_heap_blocks", "?"), info.get("record_heap_text_bytes", "?")))
w("| the section lists' and the card list's references | %s |" % info.get("record_view_bytes", "?"))
w("")
w("The rest is the heap's own bookkeeping of each block and the process's start (the `start` row).")
w("")
w("## Method")
w("")
w("- Everything runs in a throwaway %s prefix created afresh in the build tree for each run, with" % prefix_kind)
w("  its own wineserver kept alive for the run (`wineserver -p`) and its own Xvfb display.")
w("- In-process parts are timed with QueryPerformanceCounter inside `ovra_bench.exe`; reg and whole")
w("  processes are timed from the shell with `date +%s%N`. Program and floor runs alternate, so drift")
w("  in the machine's load falls on both alike; one warm-up run of the floor and the scan comes first.")
w("  The in-process pairs (scan and floor, 100,000 and 10 records) are compared run by run.")
w("- The benchmark is not part of `scripts/test.sh`; the tools are built there, so they stay")
w("  warning-free. No test has a timing threshold.")
open(doc, "w").write("\n".join(L) + "\n")
print("bench: wrote %s" % doc)
