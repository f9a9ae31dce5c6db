#!/usr/bin/env bash
# brivane-flip open on the sample: exit 0, and the PDF, the data directory and
# every asset URL in the metadata name something that really exists.
set -euo pipefail
tool=$1 sample=$2
export TMPDIR=$(mktemp -d)
trap 'rm -rf "$TMPDIR"' EXIT
out=$("$tool" open "$sample")
printf '%s\n' "$out" | sed -n '/^{/,$p' | python3 -c '
import json, os, sys, urllib.parse
config = json.load(sys.stdin)
def strings(v):
    if isinstance(v, dict): v = list(v.values())
    if isinstance(v, list): return [s for x in v for s in strings(x)]
    return [v] if isinstance(v, str) else []
urls = [config["path"], config["thumbnailPath"]] + [s for s in strings(config["metadata"]) if s.startswith("file:")]
assert len(urls) > 2, "no asset URLs in the metadata"
for url in urls:
    path = urllib.parse.unquote(urllib.parse.urlparse(url).path)
    assert os.path.exists(path), f"{url} names nothing"
print("configuration names real files")
'
