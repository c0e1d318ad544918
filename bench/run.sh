#!/usr/bin/env bash
# Side-by-side measurements against the standard Linux tools, in one run.
# Usage: bash bench/run.sh [GROUP...], each of listing sorting dbase tools find-index fileops backup
# hexedit transforms sysinfo pictures network (all of them without one)
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh >/dev/null
work=$(mktemp -d /var/tmp/tavbench.XXXXXX)
trap 'rm -rf "$work"' EXIT
# The folder indexes of the trees measured stay with them, not in the user's cache.
export XDG_CACHE_HOME="$work/cache"

# hyperfine, fd and ripgrep are installed for the measurements only.
bench_tools_present() {
  local missing=()
  command -v hyperfine >/dev/null || missing+=(hyperfine)
  command -v fdfind >/dev/null || missing+=(fd-find)
  command -v rg >/dev/null || missing+=(ripgrep)
  [ ${#missing[@]} -eq 0 ] ||
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null 2>&1 || true
}

hf() { # best of 5 after one warm-up, in seconds (hyperfine); the command is one string
  local json="$work/hf.json"
  hyperfine -N -i --warmup 1 --runs 5 --export-json "$json" "$1" >/dev/null 2>&1 || { echo nan; return; }
  python3 -c "import json,sys; print('%.4f' % min(json.load(open(sys.argv[1]))['results'][0]['times']))" "$json"
}

hfs() { # the same through a shell, for commands that redirect their output
  local json="$work/hf.json"
  hyperfine -i --warmup 1 --runs 5 --export-json "$json" "$1" >/dev/null 2>&1 || { echo nan; return; }
  python3 -c "import json,sys; print('%.4f' % min(json.load(open(sys.argv[1]))['results'][0]['times']))" "$json"
}

ratio() { # "?" when either is unknown or the anchor took no measurable time
  if [ "$1" = nan ] || [ "$2" = nan ] || [ "$(echo "$2 == 0" | bc -l)" = 1 ]; then echo "?"; return; fi
  echo "$1 / $2" | bc -l | cut -c1-5
}

timeit() { # best of 3 wall-clock seconds of a command
  local best=999
  for _ in 1 2 3; do
    local s e
    s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N)
    best=$(echo "$e - $s" | bc -l | awk -v b="$best" '{print ($1<b)?$1:b}')
  done
  echo "$best"
}

bench_listing() {
  echo "== listing a folder of 100,000 files"
  mkdir -p "$work/list"
  (cd "$work/list" && seq -f "file%06g.txt" 1 100000 | xargs touch)
  ls_time=$(timeit ls -la "$work/list")
  out=$(./build/bench/bench_listing "$work/list" 3)
  tav_time=$(echo "$out" | sed -E 's/.*best ([0-9.]+) s.*/\1/')
  echo "ls -la:     ${ls_time} s"
  echo "readFolder:  $out"
  echo "ratio readFolder / ls -la: $(echo "$tav_time / $ls_time" | bc -l | cut -c1-5)"
}

bench_sorting() {
  echo "== ordering 100,000 listed entries by name, size, date and extension"
  mkdir -p "$work/sort"
  python3 - "$work/sort" <<'PY'
import os, random, sys
random.seed(1)
os.chdir(sys.argv[1])
exts = ["txt", "doc", "tar.gz", "jpg", "c", "", "Md", "PDF"]
for i in range(100000):
    e = random.choice(exts)
    n = "%s%06d" % (random.choice(["File", "file", "data", "Zeta"]), i) + ("." + e if e else "")
    with open(n, "wb") as f:
        f.truncate(random.randrange(0, 10**7))
    t = random.randrange(600000000, 1700000000)
    os.utime(n, (t, t))
PY
  ls_time=$(timeit ls -l --sort=size "$work/sort")
  out=$(./build/bench/bench_sorting "$work/sort" 3)
  echo "ls -l --sort=size: ${ls_time} s"
  echo "sortByName/Size/Date/Extension: $out"
  size=$(echo "$out" | sed -E 's/.* size ([0-9.]+) s.*/\1/')
  echo "ratio sortBySize / ls -l --sort=size: $(echo "$size / $ls_time" | bc -l | cut -c1-5)"
}

bench_dbase() {
  echo "== a dBase table of 1,000,000 records and 10 fields"
  if ! command -v dbview >/dev/null; then
    apt-get install -y -qq --no-install-recommends dbview >/dev/null 2>&1 || true
  fi
  ./build/bench/bench_dbase --make "$work/big.dbf" 1000000
  echo "window: $(./build/bench/bench_dbase "$work/big.dbf" | tail -1)"
  sync
  cli=$( { /usr/bin/time -f %e ./build/src/tavtools-cli dbf "$work/big.dbf" > /dev/null; } 2>&1 | tail -1)
  if command -v dbview >/dev/null; then
    dbv=$( { /usr/bin/time -f %e dbview -b -t "$work/big.dbf" > /dev/null; } 2>&1 | tail -1)
    echo "dbview -b -t: ${dbv} s   tavtools-cli dbf: ${cli} s   ratio $(echo "$cli / $dbv" | bc -l | cut -c1-5)"
  else
    echo "tavtools-cli dbf: ${cli} s (dbview not available)"
  fi
}

bench_tools() {
  echo "== search tools: 100,000 files in 1,000 folders; a 200 MiB text"
  cli=$PWD/build/src/tavtools-cli
  mkdir -p "$work/tree"
  python3 - "$work/tree" <<'PY'
import os, sys
root = sys.argv[1]
for d in range(1000):
    folder = os.path.join(root, "d%03d" % d)
    os.makedirs(folder, exist_ok=True)
    for f in range(100):
        ext = (".txt", ".tmp", ".doc", ".c")[f % 4]
        open(os.path.join(folder, "f%03d%s" % (f, ext)), "w").close()
PY
  # The same text twice: lines ending with CR LF, and with LF alone as Linux writes them.
  (head -c $((150 << 20)) /dev/urandom | base64 -w 76 | sed 's/$/\r/' | head -c $((200 << 20)) > "$work/text.txt") || true
  cp "$work/text.txt" "$work/text2.txt"
  tr -d '\r' < "$work/text.txt" > "$work/lf.txt"
  cp "$work/lf.txt" "$work/lf2.txt"
  sync
  bench_tools_present
  # hyperfine, best of 5 after a warm-up; every tool in the same run.
  a=$(hf "find $work/tree -name *.txt"); f=$(hf "fdfind -u -g *.txt $work/tree")
  b=$(hf "$cli find --no-index $work/tree *.txt")
  echo "find -name: $a s   fdfind -u -g: $f s   tavtools find --no-index: $b s   ratio to fd $(ratio "$b" "$f")   to find $(ratio "$b" "$a")"
  a=$(hf "grep -F -n ABSENT_PATTERN_! $work/text.txt"); r=$(hf "rg -F -n ABSENT_PATTERN_! $work/text.txt")
  b=$(hf "$cli grep ABSENT_PATTERN_! $work/text.txt")
  echo "grep -F -n (absent): $a s   rg -F -n: $r s   tavtools grep: $b s   ratio to rg $(ratio "$b" "$r")   to grep $(ratio "$b" "$a")"
  # Written to a file: GNU grep stops at the first match when its output is /dev/null.
  a=$(hfs "grep -F -n Ab $work/text.txt > $work/g1"); r=$(hfs "rg -F -n Ab $work/text.txt > $work/g3")
  b=$(hfs "$cli grep Ab $work/text.txt > $work/g2")
  echo "grep -F -n (frequent): $a s   rg -F -n: $r s   tavtools grep: $b s   ratio to rg $(ratio "$b" "$r")   to grep $(ratio "$b" "$a")"
  a=$(timeit cmp "$work/text.txt" "$work/text2.txt"); b=$(timeit $cli compare "$work/text.txt" "$work/text2.txt")
  echo "cmp: $a s   tavtools compare: $b s   ratio $(echo "$b / $a" | bc -l | cut -c1-5)"
  r=$(hf "rg -F -n ABSENT_PATTERN_! $work/lf.txt"); b=$(hf "$cli grep ABSENT_PATTERN_! $work/lf.txt")
  echo "LF text, absent: rg -F -n: $r s   tavtools grep: $b s   ratio to rg $(ratio "$b" "$r")"
  r=$(hfs "rg -F -n Ab $work/lf.txt > $work/g3"); b=$(hfs "$cli grep Ab $work/lf.txt > $work/g2")
  echo "LF text, frequent: rg -F -n: $r s   tavtools grep: $b s   ratio to rg $(ratio "$b" "$r")"
  a=$(timeit cmp "$work/lf.txt" "$work/lf2.txt"); b=$(timeit $cli compare "$work/lf.txt" "$work/lf2.txt")
  echo "LF text: cmp: $a s   tavtools compare: $b s   ratio $(echo "$b / $a" | bc -l | cut -c1-5)"
  a=$(hf "find $work/tree -xdev -iname *.tmp"); f=$(hf "fdfind -u -e tmp . $work/tree")
  b=$(hf "$cli clean $work/tree")
  echo "find -xdev -iname: $a s   fdfind -u -e tmp: $f s   tavtools clean: $b s   ratio to fd $(ratio "$b" "$f")   to find $(ratio "$b" "$a")"
  # The cleaner prints the bytes it would free: fd made to read every size too.
  s=$(hf "fdfind -u -e tmp -S -1k . $work/tree")
  echo "fdfind -u -e tmp -S -1k (sizes read): $s s   ratio of tavtools clean to it $(ratio "$b" "$s")"
  # What each file found costs the find (stored attributes) and the cleaner (and its size).
  ./build/bench/bench_lookups "$work/tree" .tmp
}

make_tree() { # folder, sub-folders, files per sub-folder
  mkdir -p "$1"
  for d in $(seq 1 "$2"); do
    mkdir -p "$1/d$d"
    (cd "$1/d$d" && seq -f "f%05g.txt" 1 "$3" | xargs touch)
  done
}

once() { # wall-clock seconds of one run
  local s e
  s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N)
  echo "$e - $s" | bc -l
}

bench_fileops() {
  echo "== copy of a 10,000-file tree"
  make_tree "$work/src" 10 1000
  for f in "$work"/src/d1/*; do echo "some text for the copy" > "$f"; done
  local worst=0 i cp_time tav_time r cp_total=0 tav_total=0
  # Ten rounds, each tool once per round, the worst ratio kept; who goes
  # first alternates. The copies are deleted only after the last round:
  # on a disk mounted with "discard", whoever writes right after a large
  # delete waits for its trims (seconds, for cp as for us).
  sync
  for i in $(seq 1 10); do
    # Each copy starts with nothing of the other's left to write.
    if [ $((i % 2)) -eq 1 ]; then
      sync; cp_time=$(once cp -r "$work/src" "$work/cp1.$i")
      sync; tav_time=$(./build/bench/bench_fileops copy "$work/src" "$work/cp2.$i")
    else
      sync; tav_time=$(./build/bench/bench_fileops copy "$work/src" "$work/cp2.$i")
      sync; cp_time=$(once cp -r "$work/src" "$work/cp1.$i")
    fi
    r=$(ratio "$tav_time" "$cp_time")
    echo "  round $i: cp -r ${cp_time} s   tree copy ${tav_time} s   ratio $r"
    worst=$(echo "if ($r > $worst) $r else $worst" | bc -l)
    cp_total=$(echo "$cp_total + $cp_time" | bc -l); tav_total=$(echo "$tav_total + $tav_time" | bc -l)
  done
  echo "copy: worst ratio of 10 rounds $worst   ratio of the totals $(ratio "$tav_total" "$cp_total")"
  rm -rf "$work"/cp1.* "$work"/cp2.*
  echo "== move of a 10,000-file folder to another volume"
  local other="$work/other" mounted=0
  mkdir -p "$other"
  if [ "$(id -u)" -eq 0 ] && mount -t tmpfs -o size=1g tmpfs "$other" 2>/dev/null; then
    mounted=1
  else
    other=$(mktemp -d /dev/shm/tavbench.XXXXXX)
  fi
  # Three rounds from FROM to TO, mv and then tavtools move, each from a fresh copy.
  move_rounds() {
    local from=$1 to=$2 label=$3 i mv_time tav_time
    for i in 1 2 3; do
      rm -rf "$from/mv1" "$to/mv1"; cp -r "$work/src" "$from/mv1"; sync
      mv_time=$(once mv "$from/mv1" "$to/")
      rm -rf "$from/mv1" "$to/mv1"; cp -r "$work/src" "$from/mv1"; sync
      tav_time=$(once ./build/src/tavtools-cli move "$from/mv1" "$to")
      echo "  ${label}round $i: mv ${mv_time} s   tavtools move ${tav_time} s   ratio $(ratio "$tav_time" "$mv_time")"
    done
  }
  move_rounds "$work" "$other" ""
  # The other way, to a folder on the disk: what flushing the copy before
  # the original goes costs where the target is a disk (tmpfs hides it).
  move_rounds "$other" "$work" "to the disk, "
  rm -rf "$work/mv1" "${other:?}/mv1"
  if [ $mounted -eq 1 ]; then umount "$other"; else rm -rf "$other"; fi
  # Last: a large delete leaves the disk trimming for a while.
  echo "== delete of a 100,000-file tree"
  make_tree "$work/del1" 100 1000
  make_tree "$work/del2" 100 1000
  sync
  rm_time=$(once rm -rf "$work/del1")
  tav_time=$(./build/bench/bench_fileops delete "$work/del2")
  echo "rm -rf: ${rm_time} s   tree delete: ${tav_time} s   ratio $(echo "$tav_time / $rm_time" | bc -l | cut -c1-5)"
}

# Page cache left by earlier steps is dropped (as root) before a benchmark
# that writes large files: on a virtual machine, pages the guest never
# touched before cost the first writer several times what reused ones do.
drop_caches() { sync; echo 3 > /proc/sys/vm/drop_caches 2>/dev/null || true; }

bench_backup() {
  echo "== backup and restore of a 512 MiB file of mixed compressibility"
  drop_caches
  # Half random bytes, half repetitive text, interleaved in 1 MiB runs.
  python3 - "$work/mixed.bin" <<'PY'
import os, sys
text = (b"Tav Tools sauvegarde des fichiers " * 40000)[:1 << 20]
with open(sys.argv[1], "wb") as f:
    for i in range(512):
        f.write(os.urandom(1 << 20) if i % 2 else text)
PY
  cli=./build/src/tavtools-cli
  sync
  g1=$( { /usr/bin/time -f %e gzip -1 -c "$work/mixed.bin" > "$work/mixed.gz"; } 2>&1 )
  p1=$( { /usr/bin/time -f %e pigz -1 -p 2 -c "$work/mixed.bin" > /dev/null; } 2>&1 )
  sync
  bk=$( { /usr/bin/time -f %e $cli backup "$work/mixed.bck" "$work/mixed.bin" > /dev/null; } 2>&1 )
  # The writes of the steps before are flushed first: the restore writes
  # 512 MiB and would otherwise wait for them.
  sync
  gd=$( { /usr/bin/time -f %e gzip -d -c "$work/mixed.gz" > /dev/null; } 2>&1 )
  mkdir -p "$work/restored"
  sync
  rs=$( { /usr/bin/time -f %e $cli restore --to "$work/restored" "$work/mixed.bck" > /dev/null; } 2>&1 )
  cmp "$work/mixed.bin" "$work/restored/mixed.bin" && echo "restored byte for byte"
  echo "gzip -1: ${g1} s   pigz -1 -p 2: ${p1} s   tavtools backup: ${bk} s"
  echo "gzip -d: ${gd} s   tavtools restore: ${rs} s"
  echo "backup / pigz -1 -p 2: $(echo "$bk / $p1" | bc -l | cut -c1-5)   restore / gzip -d: $(echo "$rs / $gd" | bc -l | cut -c1-5)"
  echo "archive size / gzip -1 size: $(echo "$(stat -c %s "$work/mixed.bck") / $(stat -c %s "$work/mixed.gz")" | bc -l | cut -c1-5)"
}

bench_hexedit() {
  echo "== hex editor on a 1 GiB file"
  (head -c $((800 << 20)) /dev/urandom | base64 -w 100 | head -c $((1 << 30)) > "$work/big.txt") || true
  sync
  cp_time=$( { /usr/bin/time -f %e cp "$work/big.txt" "$work/copy.txt"; } 2>&1 )
  rm -f "$work/copy.txt"
  grep_time=$( { /usr/bin/time -f %e grep -c -F "ABSENT_PATTERN_!" "$work/big.txt" > /dev/null || true; } 2>&1 | tail -1)
  grepi_time=$( { /usr/bin/time -f %e grep -c -F -i "ABSENT_PATTERN_!" "$work/big.txt" > /dev/null || true; } 2>&1 | tail -1)
  out=$(./build/bench/bench_hexedit "$work/big.txt" "ABSENT_PATTERN_!")
  echo "cp: ${cp_time} s   grep -c -F: ${grep_time} s   grep -c -F -i: ${grepi_time} s"
  echo "HexDocument: $out"
  load=$(echo "$out" | awk '{print $2}'); find=$(echo "$out" | awk '{print $4}'); fc=$(echo "$out" | awk '{print $6}')
  echo "load / cp: $(echo "$load / $cp_time" | bc -l | cut -c1-5)   find / grep -F: $(echo "$find / $grep_time" | bc -l | cut -c1-5)   case-insensitive find / grep -F -i: $(echo "$fc / $grepi_time" | bc -l | cut -c1-5)"
  echo "== hex editor: save a 5 GB sparse file after typing 2 bytes"
  rm -f "$work/big.txt"
  truncate -s 5G "$work/sparse.img"
  printf 'head' | dd of="$work/sparse.img" conv=notrunc status=none
  sync
  cp_time=$( { /usr/bin/time -f %e cp --sparse=always "$work/sparse.img" "$work/sparse.cp"; } 2>&1 )
  rm -f "$work/sparse.cp"
  save=$(./build/bench/bench_hexedit save "$work/sparse.img")
  echo "cp --sparse=always: ${cp_time} s   save: ${save} s   ratio $(ratio "$save" "$cp_time")   allocated after: $(du -k "$work/sparse.img" | cut -f1) KiB"
  rm -f "$work/sparse.img"
}

secs() { # wall-clock seconds of a command, output discarded; earlier writes flushed first
  sync
  { /usr/bin/time -f %e "$@" > /dev/null || true; } 2>&1 | tail -1
}

median() { printf '%s\n' "$@" | sort -n | sed -n "$(( ($# + 1) / 2 ))p"; }

# Encryption against a copy through user space (dd; cp copies in the kernel)
# and against the same copy put in the file's place by a rename, as the
# encryption does (the old content is freed then). Five rounds, each command
# once per round, medians: on this VM one run of the same command varies up
# to five times with the state of the page cache.
crypt_rounds() {
  local i dd=() mv=() cr=()
  cp big.bin other.bin
  for i in 1 2 3 4 5; do
    dd+=("$(secs dd if=big.bin of=dd.bin bs=1M status=none)"); rm -f dd.bin
    mv+=("$(secs sh -c 'dd if=big.bin of=other.new bs=1M status=none && mv other.new other.bin')")
    cr+=("$(secs "$cli" crypt secret big.bin)")
  done
  local d m c
  d=$(median "${dd[@]}"); m=$(median "${mv[@]}"); c=$(median "${cr[@]}")
  echo "dd bs=1M: ${dd[*]}   dd bs=1M + mv: ${mv[*]}   tavtools crypt: ${cr[*]}"
  echo "medians: dd $d s, dd + mv $m s, crypt $c s   ratio to dd $(echo "$c / $d" | bc -l | cut -c1-5)   to dd + mv $(echo "$c / $m" | bc -l | cut -c1-5)"
}

cold() { # wall-clock seconds of a command from a dropped cache, output discarded
  drop_caches
  local s=$EPOCHREALTIME
  "$@" > /dev/null || true
  echo "$EPOCHREALTIME - $s" | bc -l | cut -c1-5
}

# Split and join, each from a dropped cache, three rounds with who goes
# first alternating, compared by medians. Both joins make a new file (a
# join that replaces a file flushes it first).
split_join_rounds() {
  local i sa=() sb=() ja=() jb=()
  for i in 1 2 3; do
    rm -f gnu.* big.bin[0-9]*
    if [ $((i % 2)) -eq 1 ]; then
      sa+=("$(cold split -b 1454080 -a 3 -d big.bin gnu.)"); sb+=("$(cold "$cli" split big.bin)")
    else
      sb+=("$(cold "$cli" split big.bin)"); sa+=("$(cold split -b 1454080 -a 3 -d big.bin gnu.)")
    fi
    mv big.bin big.orig
    rm -f gnu.joined
    if [ $((i % 2)) -eq 1 ]; then
      ja+=("$(cold sh -c 'cat gnu.* > gnu.joined')"); jb+=("$(cold "$cli" join big.bin*[0-9][0-9][0-9])")
    else
      jb+=("$(cold "$cli" join big.bin*[0-9][0-9][0-9])"); ja+=("$(cold sh -c 'cat gnu.* > gnu.joined')")
    fi
    cmp -s big.bin big.orig || echo "join: the joined file differs"
    mv big.orig big.bin
  done
  rm -f gnu.* big.bin[0-9]*
  local a b
  a=$(median "${sa[@]}"); b=$(median "${sb[@]}")
  echo "split -b 1454080: ${sa[*]}   tavtools split: ${sb[*]}   medians $a / $b s   ratio $(echo "$b / $a" | bc -l | cut -c1-5)"
  a=$(median "${ja[@]}"); b=$(median "${jb[@]}")
  echo "cat: ${ja[*]}   tavtools join: ${jb[*]}   medians $a / $b s   ratio $(echo "$b / $a" | bc -l | cut -c1-5)"
}

bench_transforms() {
  echo "== file transforms on a 1 GiB file and a 200 MiB text"
  drop_caches
  cli=$PWD/build/src/tavtools-cli
  mkdir -p "$work/t" && cd "$work/t"
  head -c $((1 << 30)) /dev/urandom > big.bin
  sync
  split_join_rounds
  a=$(secs cp big.bin copy.bin); b=$(secs $cli crypt secret big.bin)
  echo "cp: $a s   tavtools crypt: $b s   ratio $(echo "$b / $a" | bc -l | cut -c1-5)"
  crypt_rounds
  cp big.bin other.bin; sync
  a=$(secs shred -n 0 -z other.bin); b=$(secs $cli erase copy.bin)
  echo "shred -n 0 -z: $a s   tavtools erase: $b s   ratio $(echo "$b / $a" | bc -l | cut -c1-5)"
  rm -f big.bin other.bin
  (head -c $((150 << 20)) /dev/urandom | base64 -w 76 | head -c $((200 << 20)) > text.txt) || true
  a=$(secs sh -c "tr -cd '\\11\\40-\\177' < text.txt > tr.txt"); b=$(secs $cli extract text.txt Extract.txt)
  echo "tr -cd: $a s   tavtools extract: $b s   ratio $(echo "$b / $a" | bc -l | cut -c1-5)"
  cp text.txt sorted.txt
  a=$(secs sort -f -o gnusorted.txt text.txt); b=$(secs $cli sort sorted.txt)
  echo "sort -f: $a s   tavtools sort: $b s   ratio $(echo "$b / $a" | bc -l | cut -c1-5)"
  cd - > /dev/null
}

bench_sysinfo() {
  echo "== exported names of the largest shared library, installed applications"
  local cli=./build/src/tavtools-cli lib
  lib=$( (ls -S /usr/lib/*/*.so* 2>/dev/null || true) | head -1)
  a=$(timeit nm -D --defined-only "$lib"); b=$(timeit $cli exports "$lib")
  echo "$lib: $($cli exports "$lib" | wc -l) names"
  echo "nm -D --defined-only: $a s   tavtools exports: $b s   ratio $(echo "$b / $a" | bc -l | cut -c1-5)"
  echo "packages: $(ls /var/lib/dpkg/info/*.list | wc -l)   applications: $($cli apps | wc -l)"
  echo "tavtools apps: $(timeit $cli apps) s"
  # A machine of 3,000 packages, 300 of them with an application.
  python3 - "$work/root" <<'PY'
import os, sys
root = sys.argv[1]
info = os.path.join(root, "var/lib/dpkg/info"); apps = os.path.join(root, "usr/share/applications")
os.makedirs(info); os.makedirs(apps)
for i in range(3000):
    lines = ["/usr/share/doc/pkg%d/file%d" % (i, k) for k in range(150)]
    if i % 10 == 0:
        lines.append("/usr/share/applications/app%d.desktop" % i)
        with open(os.path.join(apps, "app%d.desktop" % i), "w") as f:
            f.write("[Desktop Entry]\nType=Application\nName=App %d\nName[fr]=Appli %d\n" % (i, i))
    with open(os.path.join(info, "pkg%d.list" % i), "w") as f:
        f.write("\n".join(lines) + "\n")
PY
  sync; echo 3 > /proc/sys/vm/drop_caches 2>/dev/null || true
  echo "3,000 packages: $($cli apps "$work/root" | wc -l) applications in $(timeit $cli apps "$work/root") s"
}

bench_pictures() {
  echo "== thumbnails of twelve 12-megapixel JPEGs (4000 x 3000)"
  command -v vipsthumbnail >/dev/null ||
    apt-get install -y -qq --no-install-recommends libvips-tools >/dev/null 2>&1 || true
  mkdir -p "$work/pics" "$work/vips" "$work/tav"
  for i in 1 2 3 4 5 6; do
    convert -seed "$i" -size 4000x3000 "plasma:red-blue" -quality 90 "$work/pics/source$i.jpg"
  done
  for i in $(seq -w 1 24); do cp "$work/pics/source$(( (10#$i - 1) % 6 + 1 )).jpg" "$work/pics/photo$i.jpg"; done
  rm -f "$work"/pics/source*.jpg
  local twelve=("$work"/pics/photo0*.jpg "$work"/pics/photo1[0-2].jpg)
  a=$(timeit vipsthumbnail -s 158x114 -o "$work/vips/%s.jpg" "${twelve[@]}")
  b=$(timeit ./build/src/tavtools-cli thumbnails "$work/tav" "${twelve[@]}")
  echo "vipsthumbnail -s 158x114: $a s   tavtools-cli thumbnails: $b s   ratio $(echo "$b / $a" | bc -l | cut -c1-5)"
  echo "window: $(./build/bench/bench_thumbnails "$work"/pics/photo*.jpg)"
}

bench_find_index() {
  echo "== find with the folder index: 1,000,000 files in 100,000 folders, pattern *rapport*.txt"
  cli=$PWD/build/src/tavtools-cli
  local tree="$work/index-tree" cache="$work/index-cache"
  python3 - "$tree" <<'PY'
import os, sys
root = sys.argv[1]
n = 0
for a in range(100):
    for b in range(1000):
        folder = os.path.join(root, "d%02d" % a, "s%03d" % b)
        os.makedirs(folder, exist_ok=True)
        for f in range(10):
            n += 1
            name = ("rapport%d.txt" % n) if n % 1000 == 0 else ("f%d%s" % (f, (".txt", ".doc", ".c")[f % 3]))
            open(os.path.join(folder, name), "w").close()
PY
  # 1,000 changes: files made and removed across the tree, ten folders renamed.
  cat > "$work/changes.py" <<'PY'
import os, random, sys
root = sys.argv[1]
rng = random.Random()
tops = sorted(os.listdir(root))
for i in range(495):
    d = os.path.join(root, rng.choice(tops))
    s = rng.choice(os.listdir(d))
    open(os.path.join(d, s, "new%d%s.txt" % (rng.randrange(10**9), "_rapport" if i % 5 == 0 else "")), "w").close()
for i in range(495):
    d = os.path.join(root, rng.choice(tops))
    s = os.path.join(d, rng.choice(os.listdir(d)))
    files = os.listdir(s)
    if files: os.remove(os.path.join(s, rng.choice(files)))
for i in range(10):
    d = os.path.join(root, rng.choice(tops))
    s = rng.choice(os.listdir(d))
    os.rename(os.path.join(d, s), os.path.join(root, rng.choice(tops), "r%d" % rng.randrange(10**9)))
PY
  sync
  bench_tools_present
  local json="$work/hf.json" runs=3
  best() { python3 -c "import json,sys; print('%.4f' % min(json.load(open(sys.argv[1]))['results'][0]['times']))" "$json"; }
  # The first search builds the index (none in the cache before each run).
  hyperfine -N -i --runs $runs --prepare "rm -rf $cache" --export-json "$json" \
    "env XDG_CACHE_HOME=$cache $cli find $tree *rapport*.txt" >/dev/null 2>&1
  first=$(best)
  f=$(hf "fdfind -u -g *rapport*.txt $tree")
  repeated=$(hf "env XDG_CACHE_HOME=$cache $cli find $tree *rapport*.txt")
  walk=$(hf "env XDG_CACHE_HOME=$cache $cli find --no-index $tree *rapport*.txt")
  # After 1,000 changes, made afresh before each run of either tool.
  hyperfine -N -i --runs $runs --prepare "python3 $work/changes.py $tree" --export-json "$json" \
    "env XDG_CACHE_HOME=$cache $cli find $tree *rapport*.txt" >/dev/null 2>&1
  changed=$(best)
  hyperfine -N -i --runs $runs --prepare "python3 $work/changes.py $tree" --export-json "$json" \
    "fdfind -u -g *rapport*.txt $tree" >/dev/null 2>&1
  fchanged=$(best)
  echo "fdfind -u -g: $f s   first search (index made): $first s   ratio $(ratio "$first" "$f")"
  echo "repeated search: $repeated s   ratio $(ratio "$repeated" "$f")   plain walk (--no-index): $walk s   ratio $(ratio "$walk" "$f")"
  echo "after 1,000 changes: fdfind $fchanged s   tavtools find $changed s   ratio $(ratio "$changed" "$fchanged")"
  XDG_CACHE_HOME=$cache "$cli" find "$tree" '*rapport*.txt' | head -n -1 | sort > "$work/tav.list"
  fdfind -u -g '*rapport*.txt' "$tree" | sort > "$work/fd.list"
  if cmp -s "$work/tav.list" "$work/fd.list"; then echo "same $(wc -l < "$work/fd.list") paths as fd"; else echo "PATHS DIFFER from fd"; fi
  echo "index file: $(du -k "$cache"/tavtools/folders-*.idx | cut -f1) KiB for $(find "$tree" | wc -l) entries"
}

# A share of an ssh server of the run's own on 127.0.0.1, mounted by sshfs:
# copies to and from it against cp -r on the same mount, scp -r beside.
bench_network() {
  echo "== copies to and from an sshfs share of a loopback server"
  if ! command -v sshfs >/dev/null || [ ! -x /usr/sbin/sshd ] || [ ! -e /dev/fuse ]; then
    echo "  skipped: sshfs, sshd or FUSE missing"; return
  fi
  local net="$work/net" port
  mkdir -p "$net/keys" "$net/served" "$net/share" /run/sshd
  ssh-keygen -q -t ed25519 -N "" -f "$net/keys/host"
  ssh-keygen -q -t ed25519 -N "" -f "$net/keys/user"
  cp "$net/keys/user.pub" "$net/keys/authorized_keys"
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
  printf '%s\n' "Port $port" "ListenAddress 127.0.0.1" "HostKey $net/keys/host" \
    "AuthorizedKeysFile $net/keys/authorized_keys" "PasswordAuthentication no" \
    "PermitRootLogin prohibit-password" "StrictModes no" "UsePAM no" \
    "PidFile $net/sshd.pid" "Subsystem sftp internal-sftp" > "$net/sshd_config"
  /usr/sbin/sshd -f "$net/sshd_config" -E "$net/sshd.log"
  local ssh_opts=(-o "IdentityFile=$net/keys/user" -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null)
  sshfs -p "$port" -o "IdentityFile=$net/keys/user,StrictHostKeyChecking=no,UserKnownHostsFile=/dev/null" \
    "$(id -un)@127.0.0.1:$net/served" "$net/share"
  make_tree "$net/tree" 10 1000
  for f in "$net"/tree/d1/*; do echo "some text for the copy" > "$f"; done
  head -c 1G /dev/urandom > "$net/big.bin"
  mkdir -p "$net/back1" "$net/back2"
  local cp_t tav_t scp_t
  min() { echo "if ($1 < $2) $1 else $2" | bc -l; }
  # Three rounds of PREPARE, then CP and TAV (commands, as text), who goes
  # first alternating, the disk written back before each run (a copy must
  # not pay for the previous one's writing); the best of each kept in cp_t
  # and tav_t.
  best_of_three() {
    local prepare=$1 cp_cmd=$2 tav_cmd=$3 round c t
    cp_t=999999; tav_t=999999
    for round in 1 2 3; do
      eval "$prepare"; sync
      if [ $((round % 2)) = 1 ]; then
        c=$(once eval "$cp_cmd"); sync; t=$(once eval "$tav_cmd")
      else
        t=$(once eval "$tav_cmd"); sync; c=$(once eval "$cp_cmd")
      fi
      cp_t=$(min "$cp_t" "$c"); tav_t=$(min "$tav_t" "$t")
    done
  }
  local tav=./build/src/tavtools-cli
  for what in tree big.bin; do
    best_of_three "rm -rf $net/share/cp-$what $net/share/tav; mkdir -p $net/share/tav" \
      "cp -r $net/$what $net/share/cp-$what" "$tav copy $net/$what $net/share/tav"
    scp_t=$(once scp -q -r -P "$port" "${ssh_opts[@]}" "$net/$what" "$(id -un)@127.0.0.1:$net/served/scp-$what")
    echo "  $what to the share: cp -r ${cp_t} s   tavtools copy ${tav_t} s   ratio $(ratio "$tav_t" "$cp_t")   (scp -r ${scp_t} s; best of 3)"
    best_of_three "rm -rf $net/back1 $net/back2; mkdir -p $net/back1 $net/back2" \
      "cp -r $net/share/cp-$what $net/back1/" "$tav copy $net/share/tav/$what $net/back2"
    echo "  $what from the share: cp -r ${cp_t} s   tavtools copy ${tav_t} s   ratio $(ratio "$tav_t" "$cp_t")   (best of 3)"
  done
  # A tool that writes on the share: the 1 GiB file split there in parts of
  # 100 MiB (read through a copy here, parts written here and put in place
  # by the helper) against split(1) on the same mount.
  best_of_three "rm -f $net/share/cp-big.bin.* $net/share/tav/big.bin0*" \
    "split -b 100M $net/share/cp-big.bin $net/share/cp-big.bin." \
    "$tav split $net/share/tav/big.bin 102400 >/dev/null"
  echo "  1 GiB split on the share: split -b ${cp_t} s   tavtools split ${tav_t} s   ratio $(ratio "$tav_t" "$cp_t")   (best of 3)"
  fusermount -u -z "$net/share"
  kill "$(cat "$net/sshd.pid")"
  rm -rf "$net"
}

run_group() {
  case "$1" in
    listing) bench_listing ;;
    sorting) bench_sorting ;;
    dbase) bench_dbase ;;
    tools) bench_tools ;;
    fileops) bench_fileops ;;
    backup) bench_backup ;;
    hexedit) bench_hexedit ;;
    transforms) bench_transforms ;;
    sysinfo) bench_sysinfo ;;
    pictures) bench_pictures ;;
    find-index) bench_find_index ;;
    network) bench_network ;;
    all) for g in listing sorting dbase tools find-index fileops backup hexedit transforms sysinfo pictures network; do run_group "$g"; done ;;
    *) echo "unknown group: $1" >&2; exit 2 ;;
  esac
}

# Several groups in one run: bash bench/run.sh tools fileops transforms pictures
[ $# -eq 0 ] && set -- all
for group in "$@"; do run_group "$group"; done
