#!/usr/bin/python3
"""Renders the first page of a PDF document with pdftoppm and checks that it is a real page.

    first_page.py DOCUMENT.pdf "TEXT ON THE FIRST PAGE" MIN_PAGES

The page must render (pdftoppm exits 0 with an image), show ink (not a blank page), carry the
given text (pdftotext), and the document must have at least MIN_PAGES pages (pdfinfo).
"""

import os
import subprocess
import sys
import tempfile


def main():
    document, text, min_pages = sys.argv[1], sys.argv[2], int(sys.argv[3])
    failures = []
    with tempfile.TemporaryDirectory() as scratch:
        stem = os.path.join(scratch, "page")
        subprocess.run(["pdftoppm", "-f", "1", "-l", "1", "-r", "36", "-gray", "-singlefile",
                        document, stem], check=True, timeout=60)
        with open(stem + ".pgm", "rb") as image:
            data = image.read()
        # A binary PGM: "P5", width, height, maximum, then one byte a pixel.
        fields = data.split(maxsplit=4)
        if fields[0] != b"P5":
            failures.append("pdftoppm wrote no grey image")
        else:
            width, height = int(fields[1]), int(fields[2])
            pixels = fields[4][: width * height]
            ink = sum(1 for p in pixels if p < 128)
            print("first page %dx%d, %d dark pixels" % (width, height, ink))
            if ink < width * height // 500:
                failures.append("the first page is blank")
        first = subprocess.run(["pdftotext", "-f", "1", "-l", "1", document, "-"], check=True,
                               capture_output=True, text=True, timeout=60).stdout
        if text not in " ".join(first.split()):
            failures.append("the first page does not read %r" % text)
        info = subprocess.run(["pdfinfo", document], check=True, capture_output=True, text=True,
                              timeout=60).stdout
        pages = [int(l.split()[1]) for l in info.splitlines() if l.startswith("Pages:")]
        print("pages: %s" % pages)
        if not pages or pages[0] < min_pages:
            failures.append("fewer than %d pages" % min_pages)
    for f in failures:
        print("FAILED: " + f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
