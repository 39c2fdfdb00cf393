#!/usr/bin/python3
"""Writes the tables of the service's state texts and run outcome texts in every language of
its catalogue.

The service sends a task's state ("Not started", "Backup is running", "Restore is
running") translated into its own language, which need not be the controller's, and it logs
how each backup ended ("Backup %s is completed." and the like) in that language too. The
controller recognises these texts through the tables, made from the service's .po sources at
build time so that a new or changed translation needs no second copy here.

Usage: servicestate_texts.py STATES.inc OUTCOMES.inc FILE.po...

Each row of STATES.inc is `{"<language>", ServiceState::<state>, "<text>"},`, each row of
OUTCOMES.inc `{"<language>", RunOutcome::<outcome>, "<printf format>"},`; the English source
texts come first under the language "en". Entries that msgfmt leaves out of the catalogue
(fuzzy or untranslated ones) are left out here too: the service uses the English text for
them. A text that would stand for two different states or outcomes, or an outcome format
whose conversions differ from its source text's, stops the build.
"""

import os
import sys

# The service's state texts (its gettext message ids) and the states they stand for.
STATES = {
    "Not started": "NotStarted",
    "Backup is running": "BackupRunning",
    "Restore is running": "RestoreRunning",
}

# How a backup run ended, as the service logs it (its gettext message ids): "%s" is the task's
# name, "%ld" a count.
OUTCOMES = {
    "Backup %s is completed.": "Completed",
    "Backup %s is incomplete: %ld files or folders could not be backed up.": "Incomplete",
    "Backup %s is stopped by user.": "Stopped",
}

_ESCAPES = {"n": "\n", "t": "\t", "r": "\r", "a": "\a", "b": "\b", "f": "\f", "v": "\v",
            "\\": "\\", '"': '"', "'": "'", "?": "?"}


def unquote(token, where):
    """The text of one C string of a .po file (with its quotes)."""
    if len(token) < 2 or token[0] != '"' or token[-1] != '"':
        raise SystemExit(f"{where}: expected a quoted string, found {token!r}")
    body = token[1:-1]
    out = bytearray()
    i = 0
    while i < len(body):
        c = body[i]
        if c != "\\":
            out += c.encode("utf-8")
            i += 1
            continue
        i += 1
        if i >= len(body):
            raise SystemExit(f"{where}: a backslash ends the string")
        e = body[i]
        if e in _ESCAPES:
            out += _ESCAPES[e].encode("utf-8")
            i += 1
        elif e in "01234567":
            j = i
            while j < len(body) and j < i + 3 and body[j] in "01234567":
                j += 1
            out.append(int(body[i:j], 8) & 0xFF)
            i = j
        elif e == "x":
            j = i + 1
            while j < len(body) and body[j] in "0123456789abcdefABCDEF":
                j += 1
            if j == i + 1:
                raise SystemExit(f"{where}: \\x without digits")
            out.append(int(body[i + 1:j], 16) & 0xFF)
            i = j
        else:
            raise SystemExit(f"{where}: unknown escape \\{e}")
    return out.decode("utf-8")


def entries(path):
    """(msgctxt, msgid, msgstr, fuzzy) of every entry of a .po file; plural forms give
    their first msgstr."""
    with open(path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    result = []
    entry = {}
    flags = set()
    key = None

    def finish():
        nonlocal entry, flags, key
        if "msgid" in entry:
            result.append((entry.get("msgctxt"), entry["msgid"],
                           entry.get("msgstr", entry.get("msgstr[0]", "")), "fuzzy" in flags))
        entry, flags, key = {}, set(), None

    for number, raw in enumerate(lines, 1):
        where = f"{path}:{number}"
        line = raw.strip()
        if not line:
            finish()
            continue
        if line.startswith("#,"):
            if "msgid" in entry:
                finish()
            flags.update(flag.strip() for flag in line[2:].split(","))
            continue
        if line.startswith("#"):
            continue
        if line.startswith('"'):
            if key is None:
                raise SystemExit(f"{where}: a string continues no keyword")
            entry[key] += unquote(line, where)
            continue
        word, _, rest = line.partition(" ")
        if word in ("msgctxt", "msgid") and ("msgstr" in entry or "msgstr[0]" in entry):
            finish()
        if word not in ("msgctxt", "msgid", "msgid_plural", "msgstr") and not (
                word.startswith("msgstr[") and word.endswith("]")):
            raise SystemExit(f"{where}: unknown keyword {word}")
        key = word
        entry[key] = unquote(rest.strip(), where)
    finish()
    return result


def c_string(text):
    """A C++ string literal holding `text` as UTF-8. Control characters become three-digit
    octal escapes, which cannot run into the characters after them."""
    out = []
    for c in text:
        if c in '"\\':
            out.append("\\" + c)
        elif ord(c) < 0x20 or ord(c) == 0x7F:
            out.append(f"\\{ord(c):03o}")
        else:
            out.append(c)
    return '"' + "".join(out) + '"'


def conversions(text):
    """The printf conversions of a format, in order ("%%" is none)."""
    out = []
    i = 0
    while i < len(text):
        if text[i] == "%":
            j = i + 1
            while j < len(text) and text[j] not in "%sdluxf":
                j += 1
            if j < len(text) and text[j] == "l":
                j += 1
            conversion = text[i:j + 1]
            if conversion != "%%":
                out.append(conversion)
            i = j + 1
        else:
            i += 1
    return out


def table(sources, po_files, kind):
    """The rows (language, name, text) for the message ids of `sources` (msgid -> name)."""
    rows = [("en", name, text) for text, name in sources.items()]
    for po in po_files:
        language = os.path.splitext(os.path.basename(po))[0]
        for context, msgid, msgstr, fuzzy in entries(po):
            if context is None and msgid in sources and msgstr and not fuzzy:
                if conversions(msgstr) != conversions(msgid):
                    raise SystemExit(f"{po}: {msgstr!r} does not take the values of {msgid!r}")
                rows.append((language, sources[msgid], msgstr))
    seen = {}
    for language, name, text in rows:
        key = text.strip()
        if key in seen and seen[key][1] != name:
            raise SystemExit(f"the {kind} text {key!r} stands for {seen[key][1]} "
                             f"({seen[key][0]}) and for {name} ({language})")
        seen[key] = (language, name)
    return rows


def write_table(output, enum, rows):
    body = ["// Generated by servicestate_texts.py from the service's catalogue; do not edit."]
    body += [f'{{"{language}", {enum}::{name}, {c_string(text)}}},'
             for language, name, text in rows]
    content = "\n".join(body) + "\n"
    with open(output + ".tmp", "w", encoding="utf-8") as f:
        f.write(content)
    os.replace(output + ".tmp", output)


def main(argv):
    if len(argv) < 4:
        raise SystemExit("usage: servicestate_texts.py STATES.inc OUTCOMES.inc FILE.po...")
    states, outcomes, po_files = argv[1], argv[2], sorted(argv[3:])
    write_table(states, "ServiceState", table(STATES, po_files, "state"))
    write_table(outcomes, "RunOutcome", table(OUTCOMES, po_files, "outcome"))


if __name__ == "__main__":
    main(sys.argv)
