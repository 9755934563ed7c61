#!/usr/bin/python3
"""Every relative link and picture in README.md and docs/*.md leads somewhere:
the file exists, and a #section is a heading of that file, named as GitHub
names its anchors. Links to the web are left alone.

  check_links.py <source folder>
"""

import re
import sys
from pathlib import Path

LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)\)")


def anchors(markdown):
    """GitHub's anchors: the heading lowercased, all but letters, digits,
    spaces, hyphens and underscores dropped, spaces made hyphens; a repeated
    one numbered."""
    seen, found = {}, set()
    in_code = False
    for line in markdown.splitlines():
        if line.startswith("```"):
            in_code = not in_code
        m = None if in_code else re.match(r"#{1,6} (.*)", line)
        if not m:
            continue
        slug = re.sub(r"[^\w\- ]", "", m[1].strip().lower()).replace(" ", "-")
        count = seen.get(slug, 0)
        seen[slug] = count + 1
        found.add(slug if count == 0 else f"{slug}-{count}")
    return found


def main():
    root = Path(sys.argv[1])
    files = [root / "README.md", *sorted((root / "docs").glob("*.md"))]
    broken, checked = [], 0
    for page in files:
        text = page.read_text(encoding="utf-8")
        without_code = re.sub(r"```.*?```", "", text, flags=re.S)
        for target in LINK.findall(without_code):
            if re.match(r"[a-z]+:", target):
                continue
            checked += 1
            path, _, section = target.partition("#")
            leads_to = (page.parent / path).resolve() if path else page
            if not leads_to.exists():
                broken.append(f"{page.relative_to(root)}: {target}: no such file")
            elif section and (leads_to.suffix != ".md" or
                              section not in anchors(leads_to.read_text(encoding="utf-8"))):
                broken.append(f"{page.relative_to(root)}: {target}: no such section")
    for line in broken:
        print("FAIL", line)
    print(f"{checked} links in {len(files)} files, {len(broken)} broken")
    return 1 if broken or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
