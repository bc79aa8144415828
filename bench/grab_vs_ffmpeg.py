#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Copyright (c) 2026 The Frivo developers
"""frivo-grab next to ffmpeg on the same file: wall time, CPU time and peak RSS.

Runs each case as alternating pairs (frivo-grab, then ffmpeg, in a fresh empty
folder each time) and prints the median wall time of both tools, the median of
the per-pair ratios and the peak RSS of each (from wait4's rusage of that very
process; the median ratio is that of each run to the ffmpeg run of its round).
CPU time is user plus system time of the process and its threads:
on a machine whose cores are all busy during a run, it bounds what any
reordering of the work could gain in wall time. The cases are 5 BMP and 300 JPEG frames from 55 s, and a long JPEG
run of frivo-grab alone to show that its memory does not grow with the count.

  bench/grab_vs_ffmpeg.py BUILD/src/app/frivo-grab /tmp/bench/a_h264_1080p25_gop250.mp4 \\
      [runs] [BUILD/bench/bare_pipeline] [--start=SECONDS] [--no-long]

With the bare pipeline, the 5 BMP case also runs the bare pipeline of
bench/bare_pipeline.cpp in its three forms, in the same rounds. --start moves
the start (for a shorter file, such as the 4K one, e_h264_2160p30.mp4, from 7 s);
--no-long leaves out the long JPEG runs.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def run(command, folder):
    """Wall seconds, CPU seconds and peak RSS (MiB) of one run in `folder`."""
    start = time.perf_counter()
    process = subprocess.Popen(command, cwd=folder, stdout=subprocess.DEVNULL,
                               stderr=subprocess.PIPE)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    process.returncode = os.waitstatus_to_exitcode(status)
    errors = process.stderr.read().decode(errors="replace")
    process.stderr.close()
    if process.returncode != 0:
        sys.exit(f"{command[0]} failed ({process.returncode}): {errors}")
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024.0


def fresh(parent):
    folder = tempfile.mkdtemp(dir=parent)
    return folder


def median_row(label, walls, cpus, rsss, ratios):
    ratio = f", median ratio {statistics.median(ratios):.2f}x" if ratios else ""
    return (f"  {label:<44} {statistics.median(walls):.3f} s{ratio}; "
            f"CPU {statistics.median(cpus):.3f} s; peak RSS {max(rsss):.0f} MiB")


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    options = [a for a in sys.argv[1:] if a.startswith("--")]
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    grab, video = os.path.abspath(args[0]), os.path.abspath(args[1])
    runs = int(args[2]) if len(args) > 2 else 5
    bare = os.path.abspath(args[3]) if len(args) > 3 else None
    start = "55"
    for option in options:
        if option.startswith("--start="):
            start = option.split("=", 1)[1]
    cases = [("5 BMP", "bmp", "bmp", 5), ("300 JPEG", "jpeg", "jpg", 300)]
    parent = tempfile.mkdtemp(prefix="frivo-grab-bench-")
    try:
        print(f"file {video}, from {start} s, {runs} paired runs each")
        for name, grab_format, ffmpeg_ext, count in cases:
            tools = {
                "frivo-grab": lambda folder: [grab, "--start", start, "--count", str(count),
                                              "--format", grab_format, "--output", folder,
                                              video],
                "ffmpeg": lambda folder: ["ffmpeg", "-nostdin", "-v", "error", "-ss", start,
                                          "-i", video, "-frames:v", str(count),
                                          f"f%d.{ffmpeg_ext}"],
            }
            if bare and grab_format == "bmp":
                for options in ([], ["--seek-before-preroll"],
                                ["--seek-before-preroll", "--skip-non-reference"]):
                    label = " ".join(["bare_pipeline"] + options)
                    tools[label] = (lambda options: lambda folder: [bare, video, start,
                                                                    str(count)] + options)(options)
            walls = {tool: [] for tool in tools}
            cpus = {tool: [] for tool in tools}
            rsss = {tool: [] for tool in tools}
            ratios = {tool: [] for tool in tools}
            for _ in range(runs):
                for tool, command in tools.items():
                    folder = fresh(parent)
                    wall, cpu, rss = run(command(folder), folder)
                    shutil.rmtree(folder)
                    walls[tool].append(wall)
                    cpus[tool].append(cpu)
                    rsss[tool].append(rss)
                for tool in tools:
                    if tool != "ffmpeg":
                        ratios[tool].append(walls[tool][-1] / walls["ffmpeg"][-1])
            print(f"{name}:")
            for tool in tools:
                print(median_row(tool, walls[tool], cpus[tool], rsss[tool], ratios[tool]))
        for count in () if "--no-long" in options else (300, 1500):
            folder = fresh(parent)
            wall, _, rss = run([grab, "--start", "0", "--count", str(count), "--format", "jpeg",
                                "--output", folder, video], folder)
            shutil.rmtree(folder)
            print(f"frivo-grab {count} JPEG from 0 s: {wall:.2f} s, peak RSS {rss:.0f} MiB")
    finally:
        shutil.rmtree(parent, ignore_errors=True)


if __name__ == "__main__":
    main()
