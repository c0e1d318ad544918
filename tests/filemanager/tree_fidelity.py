#!/usr/bin/python3
"""Copies and moves a tree with tavtools-cli and with cp -a / mv, and prints
every difference between what each made: kinds, contents, link targets,
modes, times (files, folders, links), extended attributes and ACLs, owners
(when run as root) and which names are names of one file.
Answers 1 when there is one. FIFOs and devices are left out: no copy
takes them. Usage: tree_fidelity.py TAVTOOLS_CLI (the tree is made on the
disk, /var/tmp, and for the move on another volume, /dev/shm)"""
import atexit, os, shutil, subprocess, sys, tempfile

cli = sys.argv[1]
work = tempfile.mkdtemp(dir="/var/tmp", prefix="tavfidelity.")
other = tempfile.mkdtemp(dir="/dev/shm", prefix="tavfidelity.")
atexit.register(lambda: (shutil.rmtree(work, True), shutil.rmtree(other, True)))
differences = 0
root = os.geteuid() == 0
OLD = 1_000_000_000 * 1_500_000_000  # nanoseconds: a July 2017 date


def build(top):
    os.makedirs(top + "/.git/objects")
    os.makedirs(top + "/sub/deeper")
    os.makedirs(top + "/empty")
    def put(name, data, mode=0o644):
        with open(top + "/" + name, "wb") as f:
            f.write(data)
        os.chmod(top + "/" + name, mode)
    put(".git/objects/o", b"object")
    put("file.txt", b"text\n", 0o640)
    put("ro.txt", b"read only\n", 0o444)
    put("run.sh", b"#!/bin/sh\n", 0o755)
    put("a\nname\twith tab", b"odd name\n")
    put("hard1", b"one file, three names\n")
    os.link(top + "/hard1", top + "/hard2")
    os.link(top + "/hard1", top + "/sub/hard3")
    put("sub/deeper/f", b"deep\n", 0o600)
    os.symlink("file.txt", top + "/lnk")
    os.symlink("nowhere", top + "/dangling")
    os.setxattr(top + "/file.txt", "user.note", b"hello")
    os.setxattr(top + "/file.txt", "user.tavtools.attrib", b"2")
    os.setxattr(top + "/sub", "user.folder", b"kept")
    subprocess.run(["setfacl", "-m", "u:nobody:r", top + "/sub/deeper/f"], check=True)
    subprocess.run(["setfacl", "-d", "-m", "u:nobody:rx", top + "/sub"], check=True)
    if root:
        os.chown(top + "/run.sh", 65534, 65534)
        os.chown(top + "/sub/deeper", 65534, 65534, follow_symlinks=False)
    os.chmod(top + "/sub", 0o750)
    os.chmod(top + "/empty", 0o711)
    os.chmod(top, 0o750)
    # Times last, the deepest first: naming entries changes a folder's times.
    for folder, folders, files in sorted(os.walk(top), key=lambda w: -w[0].count("/")):
        for name in files + folders:
            os.utime(folder + "/" + name, ns=(OLD, OLD + 7), follow_symlinks=False)
    os.utime(top, ns=(OLD, OLD + 9))


def describe(top):
    entries, inodes = {}, {}
    for folder, folders, files in os.walk(top):
        for name in files + folders + [""]:
            path = os.path.join(folder, name) if name else folder
            rel = os.path.relpath(path, top)
            st = os.lstat(path)
            kind = "link" if os.path.islink(path) else "dir" if os.path.isdir(path) else "file"
            d = {"kind": kind, "mtime": st.st_mtime_ns}
            if kind != "link":
                d["mode"] = oct(st.st_mode & 0o7777)
                d["xattrs"] = {a: os.getxattr(path, a) for a in sorted(os.listxattr(path))}
            if kind == "link":
                d["target"] = os.readlink(path)
            if kind == "file":
                d["content"] = open(path, "rb").read()
                inodes.setdefault(st.st_ino, []).append(rel)
            if root:
                d["owner"] = (st.st_uid, st.st_gid)
            entries[rel] = d
    groups = sorted(sorted(g) for g in inodes.values() if len(g) > 1)
    return entries, groups


def report(line):
    global differences
    differences += 1
    print(line)


def compare(what, theirs, ours):
    te, tg = describe(theirs)
    oe, og = describe(ours)
    for rel in sorted(set(te) | set(oe)):
        if rel not in oe:
            report(f"{what}: {rel!r} missing")
        elif rel not in te:
            report(f"{what}: {rel!r} should not be there")
        else:
            for key in sorted(set(te[rel]) | set(oe[rel])):
                if te[rel].get(key) != oe[rel].get(key):
                    report(f"{what}: {rel!r} {key}: {te[rel].get(key)!r} expected, "
                           f"{oe[rel].get(key)!r}")
    if tg != og:
        report(f"{what}: names of one file {og} instead of {tg}")


for d in ("src", "cp", "tav", "mv", "tavmv"):
    os.makedirs(work + "/" + d)
build(work + "/src/top")
subprocess.run(["cp", "-a", work + "/src/top", work + "/cp/"], check=True)
r = subprocess.run([cli, "copy", work + "/src/top", work + "/tav"], capture_output=True, text=True)
if r.returncode != 0:
    report(f"copy: exit {r.returncode} {r.stderr}")
compare("copy", work + "/cp/top", work + "/tav/top")

# A move to another volume: two trees built alike, one moved by mv.
build(other + "/a/top")
build(other + "/b/top")
subprocess.run(["mv", other + "/a/top", work + "/mv/"], check=True)
r = subprocess.run([cli, "move", other + "/b/top", work + "/tavmv"], capture_output=True, text=True)
if r.returncode != 0:
    report(f"move: exit {r.returncode} {r.stderr}")
if os.path.exists(other + "/b/top"):
    report("move: the source is still there")
compare("move", work + "/mv/top", work + "/tavmv/top")
print(f"tree fidelity: {differences} differences from cp -a and mv")
sys.exit(1 if differences else 0)
