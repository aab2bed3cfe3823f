#!/usr/bin/env bash
# Runs the tests of files, permissions, links and special files again under
# an ordinary user's id (nobody), so that the answers an ordinary user gets
# are tested even where the suite runs as root (CI, containers). The
# superuser passes many checks that stop everyone else.
#   scripts/test-unprivileged.sh BUILD_FOLDER
# Does nothing when not run as root (the suite has then run as a user).
set -euo pipefail
build=${1:?usage: scripts/test-unprivileged.sh BUILD_FOLDER}

if [[ $(id -u) -ne 0 ]]; then
  echo "test-unprivileged: not root, the suite ran as an ordinary user already"
  exit 0
fi

user=65534
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
chown "$user:$user" "$home"

suites='SpecialFiles.*:Permissions.*:AtomicReplacement.*:LineFileOnDisk.*:SaveTargets.*'
suites+=':*FaultInjection*:WriterModules.*:Folders.*:SettingsFile.*'
suites+=':XlsxPackage.*:ModuleImage.*:PrivateFolder.*:WriteLockSharing.*:SignalLeftovers.*'
echo "test-unprivileged: $suites as uid $user"
setpriv --reuid="$user" --regid="$user" --clear-groups \
  env HOME="$home" TMPDIR="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/share" \
  "$build/verdin_tests" --gtest_filter="$suites" --gtest_brief=1
