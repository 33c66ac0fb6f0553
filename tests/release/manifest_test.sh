#!/usr/bin/env bash
# The application manifest is embedded in this tree's saver as the loader looks for it
# (resource type 24, id 1), byte for byte as in the sources, and is well-formed XML with
# the DPI, visual-style and OS entries.
set -euo pipefail
scr="$CLACKMOOR_BUILD/clackmoor.scr"
source_manifest="$CLACKMOOR_SOURCE/resources/clackmoor.manifest"
embedded="$CLACKMOOR_BUILD/release-test/embedded.manifest"
mkdir -p "$(dirname "$embedded")"

python3 "$(dirname "$0")/pe_resource.py" "$scr" 24 1 >"$embedded"
cmp "$source_manifest" "$embedded"

python3 - "$embedded" <<'PY'
import sys
import xml.dom.minidom
doc = xml.dom.minidom.parse(sys.argv[1])
def values(tag):
    return [n.firstChild.data.strip() for n in doc.getElementsByTagName(tag) if n.firstChild]
def attrs(tag, name):
    return [n.getAttribute(name) for n in doc.getElementsByTagName(tag)]
failures = []
def need(ok, what):
    if not ok:
        failures.append(what)
need(values("dpiAware") == ["true/pm"], "dpiAware true/pm")
need(values("dpiAwareness") and values("dpiAwareness")[0].startswith("PerMonitorV2"), "dpiAwareness PerMonitorV2 first")
need("Microsoft.Windows.Common-Controls" in attrs("assemblyIdentity", "name"), "Common Controls dependency")
need("6.0.0.0" in attrs("assemblyIdentity", "version"), "Common Controls 6")
need(attrs("requestedExecutionLevel", "level") == ["asInvoker"], "asInvoker")
need(len(attrs("supportedOS", "Id")) == 5, "five supportedOS entries")
for f in failures:
    print("manifest: missing " + f, file=sys.stderr)
sys.exit(1 if failures else 0)
PY
echo "manifest embedded in $scr"
