#!/usr/bin/python3
"""quillet-dask on a real local cluster (a scheduler and two workers): one worker is killed
while shards run; every thumbnail must still be written exactly once and equal, byte for
byte, what quillet-thumb makes alone. Skipped (77) without Dask or ImageMagick."""
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
dask_driver, thumb = sys.argv[1], sys.argv[2]
try:
    import distributed
except ImportError:
    print("python3-distributed is not installed: skipped")
    sys.exit(SKIP)
for tool in ("dask-scheduler", "dask-worker", "convert"):
    if not shutil.which(tool):
        print(f"{tool} is not installed: skipped")
        sys.exit(SKIP)

work = tempfile.mkdtemp()
processes = []


def start(*command):
    process = subprocess.Popen(command, cwd=work, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    processes.append(process)
    return process


def files_under(folder):
    found = {}
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            with open(path, "rb") as f:
                found[os.path.relpath(path, folder)] = f.read()
    return found


failures = []
try:
    # A tree with one name in two folders and a name that is not UTF-8.
    photos = os.path.join(work, "photos")
    names = [f"{folder}/IMG_{i:04}.jpg" for folder in ("2024/Rome", "2024/Oslo", "2025")
             for i in range(12)] + ["2025/caf\udce9.jpg"]
    for i, name in enumerate(names):
        path = os.path.join(photos, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        if i < 3:
            subprocess.run(["convert", "-size", f"{90 + 7 * i}x{60 + 5 * i}",
                            f"plasma:fractal", "-seed", str(i), path], check=True)
        else:
            shutil.copy(os.path.join(photos, names[i % 3]), path)
    options = ["-r", "-s", "40x40", "-s", "24x30", "--update"]
    subprocess.run([thumb, "-q", *options, "-o", os.path.join(work, "alone"), photos],
                   check=True)

    # Each shard starts a little late, so that the kill finds shards running, and logs
    # every JSON line its quillet-thumb prints; exec keeps quillet-thumb the worker's child.
    log = os.path.join(work, "lines.log")
    wrapper = os.path.join(work, "slow-thumb")
    with open(wrapper, "w") as f:
        f.write(f'#!/bin/bash\n[ "$1" = --help ] || sleep 0.3\n'
                f'exec "{thumb}" "$@" > >(tee -a "{log}")\n')
    os.chmod(wrapper, 0o755)

    scheduler_file = os.path.join(work, "scheduler.json")
    start("dask-scheduler", "--host", "127.0.0.1", "--port", "0", "--no-dashboard",
          "--scheduler-file", scheduler_file)
    workers = [start("dask-worker", "--no-nanny", "--nthreads", "1", "--no-dashboard",
                     "--scheduler-file", scheduler_file) for _ in range(2)]
    deadline = time.monotonic() + 30
    while not os.path.exists(scheduler_file) and time.monotonic() < deadline:
        time.sleep(0.1)
    with open(scheduler_file) as f:
        address = json.load(f)["address"]
    with distributed.Client(address, timeout="20s") as client:
        client.wait_for_workers(2, timeout=30)

    report = os.path.join(work, "report.json")
    driver = subprocess.Popen([dask_driver, "--scheduler", address, "--shard-size", "2",
                               "--thumb", wrapper, "-q", "--report", report, *options,
                               "-o", os.path.join(work, "cluster"), photos], cwd=work)
    # Kill a worker once a few shards are done and more are running.
    while driver.poll() is None:
        done = open(log, "rb").read().count(b'"converted"') if os.path.exists(log) else 0
        if done >= 8:
            workers[0].send_signal(signal.SIGKILL)
            break
        time.sleep(0.05)
    status = driver.wait(timeout=60)
    if workers[0].poll() is None:
        failures.append("the worker was not killed during the run")

    lines = [json.loads(line) for line in open(report)]
    converted = {}
    for line in (json.loads(text) for text in open(log) if text.startswith("{")):
        if line["status"] == "converted":
            converted[line["target"]] = converted.get(line["target"], 0) + 1
    checks = [
        ("driver exit status", status, 0),
        ("photos x sizes in the report", len(lines), 2 * len(names)),
        ("statuses in the report", {line["status"] for line in lines}, {"converted"}),
        ("thumbnails written twice", [t for t, n in converted.items() if n > 1], []),
        ("the thumbnails' bytes", files_under(os.path.join(work, "cluster")),
         files_under(os.path.join(work, "alone"))),
        ("a non-UTF-8 name in the report", os.fsencode(lines[-1]["source"]),
         os.fsencode(os.path.join(photos, names[-1]))),
    ]
    for what, held, wanted in checks:
        if held != wanted:
            failures.append(f"{what}: {held!r:.300} instead of {wanted!r:.300}")

    # A rerun with --update finds everything done and converts nothing.
    again = subprocess.run([dask_driver, "--scheduler", address, "-q", "--report", report,
                            "--thumb", thumb, *options, "-o", os.path.join(work, "cluster"),
                            photos], cwd=work)
    statuses = {json.loads(line)["status"] for line in open(report)}
    if again.returncode != 0 or statuses != {"current"}:
        failures.append(f"rerun with --update: status {again.returncode}, {statuses}")
finally:
    for process in processes:
        if process.poll() is None:
            process.terminate()
            process.wait(timeout=20)
    shutil.rmtree(work, ignore_errors=True)

for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
