#!/usr/bin/env bash
# The README's set-up against a package registry with one index mid-sync:
# apt-get, in a sandbox of its own (APT_CONFIG), reads a file: repository
# whose Packages no longer matches its Release. The set-up tries three
# times, names the index and goes on; an install that cannot be had at all
# is tried once more preferring the release's suite, then fails clearly.
# Nothing on this machine is installed or changed.
source "$(dirname "$0")/../../scripts/common.sh"
[ "$(id -u)" -eq 0 ] || { echo "needs root, as the set-up does"; exit 77; }

sandbox=$(mktemp -d)
trap 'rm -rf "$sandbox"' EXIT
mkdir -p "$sandbox"/repo "$sandbox"/state/lists/partial "$sandbox"/cache/archives/partial "$sandbox"/parts
printf 'Package: kovir-test-index\nVersion: 1\nArchitecture: all\nDescription: test\n\n' \
    > "$sandbox/repo/Packages"
release() {
    printf 'Origin: kovir\nLabel: kovir\nSuite: kovir\nCodename: kovir\n'
    printf 'Date: %s\nArchitectures: all amd64\nSHA256:\n' "$(date -uR)"
    printf ' %s %s Packages\n' "$(sha256sum < "$sandbox/repo/Packages" | cut -d' ' -f1)" \
        "$(stat -c%s "$sandbox/repo/Packages")"
}
release > "$sandbox/repo/Release"
echo "deb [trusted=yes] file:$sandbox/repo ./" > "$sandbox/sources.list"
cat > "$sandbox/apt.conf" <<CONF
Dir::Etc::SourceList "$sandbox/sources.list";
Dir::Etc::SourceParts "$sandbox/parts";
Dir::State "$sandbox/state";
Dir::State::status "/var/lib/dpkg/status";
Dir::Cache "$sandbox/cache";
APT::Sandbox::User "root";
CONF
export APT_CONFIG=$sandbox/apt.conf APT_RETRY_PAUSE=0
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A sound index: updated at once, nothing said.
said=$(update_package_lists 2>&1) || fail "update_package_lists failed on a sound index"
[ -z "$said" ] || fail "a sound index was reported: $said"

# Mid-sync: the index cut short under its Release.
truncate -s 20 "$sandbox/repo/Packages"
rm -rf "$sandbox/state/lists"/*Packages*
said=$(update_package_lists 2>&1) || fail "update_package_lists stopped the set-up"
grep -q "apt-get update failed 3 times; going on" <<<"$said" || fail "no word of the three tries: $said"
grep -q "file:$sandbox/repo/./Packages .*Hash Sum mismatch" <<<"$said" ||
    fail "the failing index was not named: $said"

# A package that cannot be had at all.
if said=$(install_missing kovir-test-not-in-any-index 2>&1); then
    fail "an install that cannot be had succeeded"
fi
grep -q "trying once more preferring" <<<"$said" || fail "no second try: $said"
grep -q "These packages cannot be installed: kovir-test-not-in-any-index" <<<"$said" ||
    fail "the failure does not name the package: $said"

[ "$failures" -eq 0 ] && echo "ok: three tries, the index named, the set-up went on; the missing package named"
exit $((failures != 0))
