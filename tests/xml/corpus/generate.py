#!/usr/bin/env python3
"""Writes the XML corpus the parser tests read: ok-*.xml are well formed,
bad-*.xml are mutations of well-formed documents that may or may not still
be well formed. Seeded, so a rerun writes the same files.

    python3 tests/xml/corpus/generate.py tests/xml/corpus
"""
import os
import random
import sys

NAMES = ["a", "item", "list", "x:node", "doc", "row", "entry", "data", "y:z", "sect_1", "Title", "n-2", "\u4e2d\u6587", "caf\u00e9"]
WORDS = ["alpha", "beta", "gamma", "&amp;", "&lt;tag&gt;", "&#x4E2D;", "&#65;", "\u00e9t\u00e9", "\u65e5\u672c",
         "\U0001F600", "tab\there", "  spaced  ", "quote \" mark", "apos ' mark", "&quot;", "&apos;"]
ATTR_VALUES = ["1", "two words", "&amp;amp", "&#x41;&#66;", "\u00fc\u00f1\u00ee", "", "a&lt;b", "x'y", "\u4e2d"]


def text(rng):
    return " ".join(rng.choice(WORDS) for _ in range(rng.randint(1, 4)))


def attributes(rng):
    names = rng.sample(["id", "name", "type", "x:lang", "v", "data-k"], rng.randint(0, 3))
    out = []
    for name in names:
        value = rng.choice(ATTR_VALUES)
        quote = '"' if "'" in value or rng.random() < 0.7 else "'"
        if quote == "'" and "'" in value:
            quote = '"'
        out.append(" %s%s=%s%s%s" % (name, rng.choice(["", " "]), quote, value.replace(quote, ""), quote))
    return "".join(out)


def element(rng, depth, newline):
    name = rng.choice(NAMES)
    head = "<" + name + attributes(rng)
    if depth == 0 or rng.random() < 0.15:
        return head + rng.choice(["/>", " />"])
    parts = []
    for _ in range(rng.randint(0, 4)):
        kind = rng.random()
        if kind < 0.45 and depth > 0:
            parts.append(element(rng, depth - 1, newline))
        elif kind < 0.75:
            parts.append(text(rng))
        elif kind < 0.85:
            parts.append("<![CDATA[" + rng.choice(["<not a tag>", "a]]b".replace("]]", "] ]"), "x & y", "\u4e2d"]) + "]]>")
        elif kind < 0.93:
            parts.append("<!-- " + rng.choice(["note", "- dash", "\u00e9", ""]) + " -->")
        else:
            parts.append("<?pi " + rng.choice(["data", "x=1", ""]) + "?>")
        if rng.random() < 0.3:
            parts.append(newline + "  " * rng.randint(0, 3))
    return head + ">" + "".join(parts) + "</" + name + ">"


def document(rng):
    newline = rng.choice(["\n", "\r\n"])
    prolog = ""
    if rng.random() < 0.6:
        prolog += '<?xml version="1.0"%s?>' % rng.choice(["", ' encoding="UTF-8"', ' encoding="utf-8" standalone="yes"']) + newline
    if rng.random() < 0.2:
        prolog += "<!-- leading comment -->" + newline
    if rng.random() < 0.15:
        prolog += '<!DOCTYPE root [<!ELEMENT root ANY>]>' + newline
    body = element(rng, rng.randint(1, 4), newline)
    tail = newline if rng.random() < 0.5 else ""
    if rng.random() < 0.1:
        tail += "<!-- trailing -->"
    bom = "\ufeff" if rng.random() < 0.1 else ""
    return bom + prolog + body + tail


def mutate(rng, doc):
    kind = rng.randrange(8)
    cut = rng.randrange(1, max(2, len(doc)))
    if kind == 0:
        return doc[:cut]  # truncated anywhere
    if kind == 1:
        end = doc.rfind("</")
        return doc[:end] if end > 0 else doc + "</extra>"  # lost end tag
    if kind == 2:
        return doc.replace("</", "</q", 1)  # mismatched end tag
    if kind == 3:
        return doc[:cut] + "<" + doc[cut:]  # stray angle bracket
    if kind == 4:
        return doc + "<second/>"  # a second root
    if kind == 5:
        return doc.replace('="', "=", 1)  # unquoted attribute
    if kind == 6:
        return doc[:cut] + "<!-- never closed" + doc[cut:]
    return doc[:cut] + "&undefined;" + doc[cut:]


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    rng = random.Random(12)
    for i in range(200):
        with open(os.path.join(out, "ok-%03d.xml" % i), "w", encoding="utf-8", newline="") as f:
            f.write(document(rng))
    for i in range(100):
        with open(os.path.join(out, "bad-%03d.xml" % i), "w", encoding="utf-8", newline="") as f:
            f.write(mutate(rng, document(rng)))


if __name__ == "__main__":
    main()
