#!/usr/bin/env python3
"""Every text the code marks for translation has its Bulgarian: lupdate takes the marked texts of
the source tree into a copy of translations/carvantel_bg.ts, and a text without a finished
translation there fails the check.

    check_translations.py <source tree> <lupdate>
"""
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
from pathlib import Path

FOLDERS = ["platform", "dataaccess"]


def main() -> int:
    root, lupdate = Path(sys.argv[1]), sys.argv[2]
    with tempfile.TemporaryDirectory() as scratch:
        copy = Path(scratch) / "carvantel_bg.ts"
        shutil.copy(root / "translations" / "carvantel_bg.ts", copy)
        run = subprocess.run([lupdate, "-silent", "-extensions", "cpp,h", "-locations", "none", "-no-obsolete",
                              *[str(root / f) for f in FOLDERS], "-ts", str(copy)], capture_output=True, text=True)
        if run.returncode != 0:
            print(run.stdout, run.stderr)
            return run.returncode
        missing = []
        for context in ET.parse(copy).getroot().iter("context"):
            for message in context.iter("message"):
                translation = message.find("translation")
                if translation is None or translation.get("type") == "unfinished" or not (translation.text or "").strip():
                    missing.append(f"{context.findtext('name')}: {message.findtext('source')}")
    for text in missing:
        print("no Bulgarian for", text)
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
