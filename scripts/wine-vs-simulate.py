#!/usr/bin/env python3
"""Holds a real installation under Wine against "setupkit simulate" of the
same medium with the same answers: the uninstall log line by line, the files
added to drive C: and the registry values the simulation reports.

Usage: wine-vs-simulate.py SIMULATE_OUTPUT REAL_LOG BEFORE.files AFTER.files AFTER.reg

REAL_LOG is the uninstall log in UTF-8; the .files lists are "TYPE PATH SIZE"
lines of the prefix's drive_c; AFTER.reg is the prefix's registry export in
UTF-8. Prints every difference and exits 1 when there is one.

What the two machines name differently is made alike first: the user's
profile folder (C:\\Users\\User there, C:\\users\\<name> here), letter case,
and Wine's hashed short names in the UninstallString. The simulated machine
cannot load a COM server, so its log says "Error (OCX=...), code LoadFail"
where the real one registered it; the line is compared without the error.
"""
import re
import sys

sim_path, log_path, before_path, after_path, reg_path = sys.argv[1:]
problems = []


def norm(path):
    p = path.replace("/", "\\").lower()
    return re.sub(r"c:\\users\\[^\\]+", r"c:\\users\\<user>", p)


# --- the uninstall log ---
sim_text = open(sim_path, encoding="utf-8").read().split("\n")
sim_log, inside = [], False
for line in sim_text:
    if line.startswith("  uninstall log "):
        inside = True
        continue
    if inside:
        if not line.startswith("    "):
            break
        sim_log.append(line[4:])
if not sim_log:
    problems.append("the simulation printed no uninstall log")
sim_log = [re.sub(r"^Error \((.*)\), code LoadFail$", r"\1", l) for l in sim_log]
real_log = [l for l in open(log_path, encoding="utf-8").read().split("\n") if l]
a, b = [norm(l) for l in real_log], [norm(l) for l in sim_log]
if a != b:
    import difflib
    for d in difflib.unified_diff(b, a, "simulated log", "real log", lineterm="", n=0):
        problems.append(d)


# --- the files added to C: ---
def files(path):
    out = {}
    for line in open(path, encoding="utf-8").read().split("\n"):
        m = re.match(r"^f \./(.*) (\d+)$", line)
        if m:
            out[norm("c:\\" + m.group(1))] = int(m.group(2))
    return out


before, after = files(before_path), files(after_path)
real_added = {p: s for p, s in after.items() if p not in before}
sim_added = {}
for line in sim_text:
    m = re.match(r"^  \+ (C:\\.*) \((\d+) bytes\)$", line)
    if m:
        sim_added[norm(m.group(1))] = int(m.group(2))
for p in sorted(set(sim_added) | set(real_added)):
    if p not in real_added:
        problems.append("file only in the simulation: " + p)
    elif p not in sim_added:
        problems.append("file only in the real run: " + p)
    elif not p.endswith((".lnk", ".log")) and sim_added[p] != real_added[p]:
        # Links are the shells' own format, and the log differs by the
        # lines above; everything else is the package's bytes.
        problems.append("size of %s: simulated %d, real %d" % (p, sim_added[p], real_added[p]))

# --- the registry values the simulation reports ---
real_reg, section = {}, None
for line in open(reg_path, encoding="utf-8").read().split("\n"):
    if line.startswith("["):
        section = line[1:-1].lower()
    elif section and "=" in line:
        m = re.match(r'^(@|"(?:[^"\\]|\\.)*")=(.*)$', line)
        if m:
            real_reg[(section, m.group(1).lower())] = m.group(2)
short = re.compile(r"^\"[^ ]*\\\\uninst\.exe ", re.I)
for line in sim_text:
    m = re.match(r'^  registry \+ \[(.*)\] (@|"(?:[^"\\]|\\.)*")=(.*)$', line)
    if not m:
        continue
    key, name, value = m.group(1).lower(), m.group(2).lower(), m.group(3)
    real = real_reg.get((key, name))
    if real is None:
        problems.append("registry value only in the simulation: [%s] %s" % (m.group(1), m.group(2)))
        continue
    if name == '"uninstallstring"':
        # The program's short path is each machine's own (Wine hashes it).
        value, real = short.sub('"', value), short.sub('"', real)
    if real != value:
        problems.append("registry [%s] %s: simulated %s, real %s" % (m.group(1), m.group(2), value, real))

for p in problems:
    print(p)
print("compared %d log lines, %d files, the simulation's registry values; %d difference(s)"
      % (len(real_log), len(real_added), len(problems)))
sys.exit(1 if problems else 0)
