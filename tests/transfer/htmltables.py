#!/usr/bin/env python3
"""Reads an exported HTML file with Python's own HTML parser and prints what a browser would
take from it, as JSON: the declared character set, the title, the order of the end tags, the
start tags seen, and the rows of the table with each cell's text and attributes."""
import json
import sys
from html.parser import HTMLParser


class Tables(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.charset = None
        self.title = None
        self.in_title = False
        self.end_tags = []
        self.start_tags = []
        self.rows = []
        self.cell = None

    def handle_starttag(self, tag, attrs):
        self.start_tags.append(tag)
        a = {k: (v if v is not None else "") for k, v in attrs}
        if tag == "meta":
            content = a.get("content", "")
            if "charset=" in content:
                self.charset = content.split("charset=")[1].strip()
            if "charset" in a:
                self.charset = a["charset"]
        elif tag == "title":
            self.in_title = True
            self.title = ""
        elif tag == "tr":
            self.rows.append([])
        elif tag in ("td", "th"):
            self.cell = {"tag": tag, "text": "", "attrs": a}
            self.rows[-1].append(self.cell)
        elif tag == "br" and self.cell is not None:
            self.cell["text"] += "\n"

    def handle_endtag(self, tag):
        self.end_tags.append(tag)
        if tag == "title":
            self.in_title = False
        elif tag in ("td", "th"):
            self.cell = None

    def handle_data(self, data):
        if self.in_title:
            self.title += data
        elif self.cell is not None:
            self.cell["text"] += data


with open(sys.argv[1], "rb") as f:
    raw = f.read()
parser = Tables()
parser.feed(raw.decode("utf-8"))
parser.close()
json.dump({"charset": parser.charset, "title": parser.title, "endTags": parser.end_tags,
           "startTags": parser.start_tags, "rows": parser.rows}, sys.stdout)
