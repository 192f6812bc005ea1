#!/bin/bash
# Runs the README's two commands as a new user would on a fresh Debian 12: a
# throwaway minimal root made with debootstrap, a clone of REF in it, then
# `bash tools/run.sh` and `bash tools/test.sh` there with chroot, each timed.
# The root is unmounted and deleted at the end, also after a failure.
# A maintainer's check (as root; takes about 10 minutes and 3 GB of disk); it
# tests what is committed, so commit first.
# usage: tools/check-fresh-machine.sh [REF [REPOSITORY]]   (default: HEAD of this clone)
set -euo pipefail
ref=${1:-HEAD}
repository=$(realpath "${2:-$(dirname "$0")/..}")
cd "$(dirname "$0")/.."
((EUID == 0)) || { echo "$0: run it as root (debootstrap, mount and chroot need it)" >&2; exit 2; }
tools/install-deps.sh fresh-machine
source tools/require.sh
require debootstrap debootstrap
require git git

commit=$(git -C "$repository" rev-parse --verify --quiet "$ref^{commit}") ||
  { echo "$0: no commit $ref in $repository" >&2; exit 2; }
# The same Debian mirror as this machine's.
sources=/etc/apt/sources.list.d/debian.sources
mirror=$(awk '$1 == "URIs:" {print $2; exit}' "$sources" 2>/dev/null) || true
[[ -n $mirror ]] || { echo "$0: no URIs: line in $sources" >&2; exit 2; }

root=$(mktemp -d "${TMPDIR:-/var/tmp}/wadscope-fresh.XXXXXX")
chmod 755 "$root"  # as / is: apt's download user must get through it
cleanup() {
  set +e
  # Whatever still runs in the root (a test's Xvfb or wineserver) would keep its mounts busy.
  local process mount_point
  for _ in 1 2 3 4 5; do
    local running=''
    for process in /proc/[0-9]*; do
      [[ $(readlink "$process/root" 2>/dev/null) == "$root" ]] || continue
      kill -KILL "${process#/proc/}" 2>/dev/null && running=yes
    done
    [[ -n $running ]] || break
    sleep 1
  done
  # The deepest mounts first; the root is deleted only when nothing is mounted in it.
  for mount_point in $(awk -v root="$root" '$2 == root || index($2, root "/") == 1 {print $2}' /proc/self/mounts | sort -r); do
    umount "$mount_point" || umount --lazy "$mount_point"
  done
  if awk -v root="$root" 'index($2, root "/") == 1 {found = 1} END {exit !found}' /proc/self/mounts; then
    echo "fresh machine: something is still mounted in $root; left it in place" >&2
    return
  fi
  rm -rf --one-file-system "$root" "$root.log"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

echo "fresh machine: Debian 12 minbase in $root, from $mirror"
started=$SECONDS
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.log" 2>&1 ||
  { tail -n 30 "$root.log" >&2; echo "fresh machine: debootstrap failed" >&2; exit 1; }
echo "fresh machine: made in $((SECONDS - started)) s"
# This machine's package sources stand in for debootstrap's one line.
rm -f "$root/etc/apt/sources.list"
cp "$sources" "$root/etc/apt/sources.list.d/"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
# An installed Debian names localhost in /etc/hosts; debootstrap writes none, and the browser test needs it.
printf '127.0.0.1\tlocalhost\n::1\t\tlocalhost ip6-localhost ip6-loopback\n' >"$root/etc/hosts"
mount -t proc proc "$root/proc"
mount --rbind /dev "$root/dev"
mount --make-rslave "$root/dev"  # unmounting it later leaves this machine's /dev alone
mount -t sysfs sys "$root/sys"
mount -t tmpfs tmpfs "$root/tmp"

git clone --quiet --no-checkout "$repository" "$root/root/wadscope"
git -C "$root/root/wadscope" checkout --quiet --detach "$commit"
echo "fresh machine: cloned $repository at $(git -C "$repository" log -1 --format='%h %s' "$commit")"

# Runs COMMAND in the clone, with the environment of a new login and no input.
in_root() {
  chroot "$root" /usr/bin/env -i HOME=/root USER=root LOGNAME=root SHELL=/bin/bash \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    /bin/bash -c "cd /root/wadscope && $1" </dev/null
}

passed=0 failed=0 results=()
check() {  # check COMMAND [FILE]: runs the command; it passes when it succeeds and FILE then exists
  local command=$1 file=${2:-} start=$SECONDS result=passed note=''
  echo "fresh machine: \$ $command"
  in_root "$command" || result=FAILED
  if [[ -n $file ]]; then
    if [[ -s $root/root/wadscope/$file ]]; then note=" ($file written)"; else note=" (no $file)" result=FAILED; fi
  fi
  if [[ $result == passed ]]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
  results+=("$command: $result in $((SECONDS - start)) s$note")
}
check "bash tools/run.sh" build/run/E1M1.png
check "bash tools/test.sh"

for line in "${results[@]}"; do echo "fresh machine: $line"; done
echo "fresh machine: $passed passed, $failed failed"
((failed == 0))
