#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Copyright (c) 2026 The Frivo developers
"""frivo-grab next to ffmpeg on the same file: wall time and peak RSS.

Runs each case as alternating pairs (frivo-grab, then ffmpeg, in a fresh empty
folder each time) and prints the median wall time of both tools, the median of
the per-pair ratios and the peak RSS of each (from wait4's rusage of that very
process). The cases are 5 BMP and 300 JPEG frames from 55 s, and a long JPEG
run of frivo-grab alone to show that its memory does not grow with the count.

  bench/grab_vs_ffmpeg.py BUILD/src/app/frivo-grab /tmp/bench/a_h264_1080p25_gop250.mp4 [runs]
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def run(command, folder):
    """Wall seconds and peak RSS (MiB) of one run in `folder`."""
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
    return wall, usage.ru_maxrss / 1024.0


def fresh(parent):
    folder = tempfile.mkdtemp(dir=parent)
    return folder


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    grab, video = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    start = "55"
    cases = [("5 BMP", "bmp", "bmp", 5), ("300 JPEG", "jpeg", "jpg", 300)]
    parent = tempfile.mkdtemp(prefix="frivo-grab-bench-")
    try:
        print(f"file {video}, from {start} s, {runs} paired runs each")
        for name, grab_format, ffmpeg_ext, count in cases:
            ours, theirs, ratios, our_rss, their_rss = [], [], [], [], []
            for _ in range(runs):
                folder = fresh(parent)
                wall, rss = run([grab, "--start", start, "--count", str(count), "--format",
                                 grab_format, "--output", folder, video], folder)
                shutil.rmtree(folder)
                folder = fresh(parent)
                ff_wall, ff_rss = run(["ffmpeg", "-nostdin", "-v", "error", "-ss", start, "-i",
                                       video, "-frames:v", str(count), f"f%d.{ffmpeg_ext}"],
                                      folder)
                shutil.rmtree(folder)
                ours.append(wall)
                theirs.append(ff_wall)
                ratios.append(wall / ff_wall)
                our_rss.append(rss)
                their_rss.append(ff_rss)
            print(f"{name:>9}: frivo-grab {statistics.median(ours):.3f} s, "
                  f"ffmpeg {statistics.median(theirs):.3f} s, "
                  f"median ratio {statistics.median(ratios):.2f}x; peak RSS frivo-grab "
                  f"{max(our_rss):.0f} MiB, ffmpeg {max(their_rss):.0f} MiB")
        for count in (300, 1500):
            folder = fresh(parent)
            wall, rss = run([grab, "--start", "0", "--count", str(count), "--format", "jpeg",
                             "--output", folder, video], folder)
            shutil.rmtree(folder)
            print(f"frivo-grab {count} JPEG from 0 s: {wall:.2f} s, peak RSS {rss:.0f} MiB")
    finally:
        shutil.rmtree(parent, ignore_errors=True)


if __name__ == "__main__":
    main()
