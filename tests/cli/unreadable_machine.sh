#!/bin/sh
# The real binary on a machine whose devices cannot be read: standard output shows what the platform
# answered, standard error says why in one line, and the exit code is 1. A machine with few devices is read
# well. The descriptor limit needs nothing special; the empty and the unreadable /sys are mounted in a
# private mount namespace (root), and the unreadable one is read by an unprivileged user.
# unreadable_machine.sh <path to devlist> <project version> [1 when built with the sanitizers]
set -u
devlist=$1
version=$2
sanitized=${3:-0}
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
status=0

# expect <name> <exit code> <standard error> <standard output> -- <command...>
expect() {
  name=$1 rc=$2 err=$3 out=$4
  shift 5
  "$@" >"$work/out" 2>"$work/err"
  got=$?
  printf '%s' "$out" >"$work/want"
  if [ "$got" != "$rc" ] || [ "$(cat "$work/err")" != "$err" ] || ! cmp -s "$work/out" "$work/want"; then
    echo "$name: exit code $got (expected $rc), standard error [$(cat "$work/err")] (expected [$err])," \
         "standard output [$(head -c 300 "$work/out")] (expected [$out])" >&2
    status=1
  fi
}

head='{"devlist":"'"$version"'","schema":1,"platform":"linux"'
json_interface="$head"',"listing":"interface","presentOnly":true,"groups":[]}
'
json_setup="$head"',"listing":"setup","presentOnly":true,"classes":[]}
'

# Too few descriptors: every class fails to open, as the platform answers. The sanitizers' runtime needs
# descriptors of its own, so a sanitized build cannot be run under so low a limit.
if [ "$sanitized" = 1 ]; then
  echo "the descriptor limit is not tried: the sanitizers need descriptors of their own"
else
  limited() { sh -c 'ulimit -n 6 && exec "$@"' sh "$@"; }
  reason='devlist: cannot read the devices: Too many open files'
  expect "ulimit -n 6: interface" 1 "$reason" "" -- limited "$devlist" interface
  expect "ulimit -n 6: json interface" 1 "$reason" "$json_interface" -- limited "$devlist" json interface
  limited "$devlist" >"$work/sweep" 2>"$work/err"
  rc=$?
  headings=$(grep -c '^\*\*\* ' "$work/sweep")
  failures=$(grep -c '^Unable to retrieve device info\.$' "$work/sweep")
  others=$(grep -v -c -e '^\*\*\* ' -e '^Unable to retrieve device info\.$' -e '^$' "$work/sweep")
  if [ "$rc" != 1 ] || [ "$(cat "$work/err")" != "$reason" ] || [ "$headings" != 48 ] || [ "$failures" != 48 ] ||
     [ "$others" != 0 ]; then
    echo "ulimit -n 6: setup sweep: exit code $rc, $headings headings, $failures failures, $others other lines," \
         "standard error [$(cat "$work/err")]" >&2
    status=1
  fi
  # The version and the usage line read no devices, so they cannot fail for want of them.
  expect "ulimit -n 6: --version" 0 "" "devlist $version
" -- limited "$devlist" --version
fi

if [ "$(id -u)" != 0 ] || ! unshare -m true 2>/dev/null; then
  [ $status = 0 ] && echo "SKIPPED: the empty and the unreadable /sys need root and unshare -m"
  exit $status
fi
# An empty /sys (a container without sysfs): no devices directory.
on_empty_sys() { unshare -m sh -c 'mount -t tmpfs tmpfs /sys && exec "$@"' sh "$@"; }
reason='devlist: cannot read the devices: No such file or directory'
for arguments in "" "interface" "not-present"; do
  # shellcheck disable=SC2086 # the arguments are split on purpose
  expect "empty /sys: $arguments" 1 "$reason" "" -- on_empty_sys "$devlist" $arguments
done
net='{4d36e972-e325-11ce-bfc1-08002be10318}'
expect "empty /sys: setup $net" 1 "$reason" "*** setup $net

" -- on_empty_sys "$devlist" setup "$net"
expect "empty /sys: json" 1 "$reason" "$json_setup" -- on_empty_sys "$devlist" json
expect "empty /sys: json interface" 1 "$reason" "$json_interface" -- on_empty_sys "$devlist" json interface
expect "empty /sys: bogus" 0 "" "
devlist setup|interface|present|not-present|{guid}
" -- on_empty_sys "$devlist" bogus

# A /sys that its reader may not open: root reads anything, so the run is an unprivileged user's.
on_closed_sys() {
  unshare -m sh -c 'mount -t tmpfs -o mode=000 tmpfs /sys &&
                   exec setpriv --reuid=65534 --regid=65534 --clear-groups "$@"' sh "$@"
}
reason='devlist: cannot read the devices: Permission denied'
expect "unreadable /sys: interface" 1 "$reason" "" -- on_closed_sys "$devlist" interface
expect "unreadable /sys: setup" 1 "$reason" "" -- on_closed_sys "$devlist" setup
expect "unreadable /sys: json interface" 1 "$reason" "$json_interface" -- on_closed_sys "$devlist" json interface

# A tree with few devices is no failure: one PCI device bound over /sys lists it, with nothing on standard
# error.
mkdir -p "$work/sys/devices/pci0000:00/0000:00:01.0" "$work/sys/bus/pci/devices"
printf '0x8086\n' >"$work/sys/devices/pci0000:00/0000:00:01.0/vendor"
printf '0x1533\n' >"$work/sys/devices/pci0000:00/0000:00:01.0/device"
printf '0x020000\n' >"$work/sys/devices/pci0000:00/0000:00:01.0/class"
ln -s "../../../devices/pci0000:00/0000:00:01.0" "$work/sys/bus/pci/devices/0000:00:01.0"
unshare -m sh -c 'mount --bind "$0" /sys && exec "$@"' "$work/sys" "$devlist" setup >"$work/out" 2>"$work/err"
rc=$?
if [ "$rc" != 0 ] || [ -s "$work/err" ] || ! grep -q '^Device_InstanceId : PCI\\VEN_8086&DEV_1533' "$work/out"; then
  echo "one PCI device: exit code $rc, standard error [$(cat "$work/err")]," \
       "standard output [$(head -c 300 "$work/out")]" >&2
  status=1
fi
exit $status
