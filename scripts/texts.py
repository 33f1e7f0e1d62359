#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The program's user-visible texts and their catalogues.

  texts.py pot             rewrite res/i18n/ohmrada.pot from the sources
  texts.py update LANG.po  bring a catalogue in line with the template:
                           new texts added untranslated, old ones dropped
  texts.py check           the template is up to date, every catalogue
                           complete, and no user-visible literal outside
                           res/ bypasses the table (run by .ci/run)

The texts are the string literals of the headers in res/ (and the few
others listed in SOURCES), German, as the program shows them; each is the
msgid of a gettext entry. A literal that is not a text (a file pattern, a
help page's name, a font, a shortcut) is left out by NOT_TEXT.
"""
import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
I18N = ROOT / "res" / "i18n"
POT = I18N / "ohmrada.pot"

# Where the texts are defined.
SOURCES = sorted((ROOT / "res").glob("*.h")) + [ROOT / "model" / "PowerSupply.h"]
# Headers of res/ that hold no text.
NO_TEXT_FILES = {"ControlIds.h", "ResourceTypes.h", "TextTables.h", "Language.h",
                 "PoCatalog.h", "FormTexts.h"}

NOT_TEXT = re.compile(
    r"^(|[*][.].*|[*][.]\w+( [*][.]\w+)*|[\w-]+[.]html"
    r"|MS Sans Serif|Ctrl[+].|Spin\d|[a-z0-9]*_[a-z0-9_]*|cir|odr|%1|[A-Z]{1,2}|\d+ Hz)$")

LITERAL = re.compile(r'(?:u8)?"((?:[^"\\\n]|\\.)*)"')
ESCAPE = re.compile(rb'\\(x[0-9A-Fa-f]+|[0-7]{1,3}|.)')


def decode(body: str) -> bytes:
    """The bytes of a C++ string literal's body."""
    raw = body.encode("utf-8")

    def one(match):
        e = match.group(1)
        if e.startswith(b"x"):
            return bytes([int(e[1:], 16) & 0xFF])
        if e[:1].isdigit():
            return bytes([int(e, 8)])
        return {b"n": b"\n", b"t": b"\t", b"r": b"\r", b'"': b'"', b"\\": b"\\",
                b"'": b"'", b"?": b"?"}.get(e, e)
    return ESCAPE.sub(one, raw)


def strip_comments(code: str) -> str:
    """The code with its comments blanked, literals kept."""
    out, k, n = [], 0, len(code)
    while k < n:
        c = code[k]
        if c == '"':
            m = LITERAL.match(code, k)
            if m:
                out.append(m.group(0))
                k = m.end()
                continue
        if code.startswith("//", k):
            end = code.find("\n", k)
            k = n if end < 0 else end
            continue
        if code.startswith("/*", k):
            end = code.find("*/", k + 2)
            k = n if end < 0 else end + 2
            continue
        if c == "'":
            m = re.compile(r"'(?:[^'\\\n]|\\.)*'").match(code, k)
            if m:
                out.append(m.group(0))
                k = m.end()
                continue
        out.append(c)
        k += 1
    return "".join(out)


def literals(code: str):
    """The string literals of the code, adjacent ones joined, with their lines."""
    code = re.sub(r"(?m)^[ \t]*#.*$", "", strip_comments(code))
    code = re.sub(r"static_assert\([^;]*;", "", code)
    found = []
    pos = 0
    while True:
        m = LITERAL.search(code, pos)
        if not m:
            return found
        line = code.count("\n", 0, m.start()) + 1
        value = decode(m.group(1))
        pos = m.end()
        while True:
            nxt = re.compile(r'\s*(?:u8)?"((?:[^"\\\n]|\\.)*)"').match(code, pos)
            if not nxt:
                break
            value += decode(nxt.group(1))
            pos = nxt.end()
        found.append((line, value.decode("utf-8")))


def texts():
    """Every text in order of first appearance, with where it stands."""
    seen = {}
    for path in SOURCES:
        if path.name in NO_TEXT_FILES:
            continue
        for line, text in literals(path.read_text(encoding="utf-8")):
            if NOT_TEXT.match(text):
                continue
            seen.setdefault(text, f"{path.relative_to(ROOT)}:{line}")
    return seen


def po_quote(text: str) -> str:
    escaped = text.replace("\\", "\\\\").replace('"', '\\"').replace("\t", "\\t")
    parts = escaped.split("\n")
    if len(parts) == 1:
        return f'"{escaped}"'
    chunks = [p + "\\n" for p in parts[:-1]] + ([parts[-1]] if parts[-1] else [])
    return '""\n' + "\n".join(f'"{c}"' for c in chunks)


def pot_text() -> str:
    out = ['# The texts of Ohmrada, German as the program shows them.',
           '# SPDX-License-Identifier: GPL-3.0-or-later',
           '# Written by scripts/texts.py pot; translate in a copy named LANG.po.',
           'msgid ""', 'msgstr ""',
           '"Project-Id-Version: Ohmrada 3.0\\n"',
           '"Language: \\n"',
           '"MIME-Version: 1.0\\n"',
           '"Content-Type: text/plain; charset=UTF-8\\n"',
           '"Content-Transfer-Encoding: 8bit\\n"', '']
    for text, where in texts().items():
        out += [f"#: {where}", f"msgid {po_quote(text)}", 'msgstr ""', ""]
    return "\n".join(out)


def read_po(path: Path):
    """msgid -> msgstr of a catalogue (fuzzy entries as untranslated)."""
    entries, current, field, fuzzy = {}, {}, None, False

    def flush():
        nonlocal current, fuzzy
        if "msgid" in current and current["msgid"]:
            entries[current["msgid"]] = "" if fuzzy else current.get("msgstr", "")
        current, fuzzy = {}, False
    for raw in path.read_text(encoding="utf-8").splitlines():
        line = raw.strip()
        if not line:
            flush()
            field = None
            continue
        if line.startswith("#"):
            if line.startswith("#,") and "fuzzy" in line:
                fuzzy = True
            continue
        m = re.match(r'^(msgctxt|msgid|msgstr)\s+"(.*)"$', line)
        if m:
            if m.group(1) == "msgid" and "msgstr" in current:
                flush()
            field = m.group(1)
            current[field] = decode(m.group(2)).decode("utf-8")
        elif line.startswith('"') and field:
            current[field] += decode(line[1:-1]).decode("utf-8")
    flush()
    return entries


# Outside res/: literals that would reach the user without the table. A
# literal is suspect when it holds a German letter or one of these words.
CHECKED = ["platform/qt", "cli", "ui", "analysis", "design", "simulation"]
GERMAN_WORD = re.compile(
    r"[äöüÄÖÜß]|\b(der|die|das|und|nicht|ist|wird|Datei|Fehler|Eingabe|Spannung|Strom"
    r"|Leistung|Abbrechen|Nein|Ja|Hilfe|Fenster|Seite|bei|mit|oder)\b")
# Literals that may stay where they are: file keys, names of things.
ALLOWED = [
    # A design file's optional lines, read and written as they stand.
    ("config/", None),
    # Keys of the command line's --set and the radio buttons' names.
    ("cli/", re.compile(r"^(einweg|bruecke|mittelpunkt|Mitte|GR_Sg|NennU|LeerU|NennI|DiffU"
                        r"|BahnR|KondC|Ubger|Ib|Rja|Tu|DeltU|ReglR|NetzF|Netz|Trafo|Diode"
                        r"|Elko|Regl|Kuehl)$")),
]


def bypassing():
    problems = []
    for folder in CHECKED:
        for path in sorted((ROOT / folder).rglob("*")):
            if path.suffix not in (".cpp", ".h"):
                continue
            rel = str(path.relative_to(ROOT))
            code = path.read_text(encoding="utf-8")
            for line, text in literals(code):
                if not GERMAN_WORD.search(text):
                    continue
                if any(rel.startswith(prefix) and (pattern is None or pattern.match(text))
                       for prefix, pattern in ALLOWED):
                    continue
                if any(text.startswith(prefix) for prefix in EXCEPTIONS.get(rel, ())):
                    continue
                problems.append(f"{rel}:{line}: a text outside the table: {text!r}")
    return problems


# The few literals outside res/ that are allowed (by their beginning), each
# with why.
EXCEPTIONS = {
    # ohmrada-calc's help is English in every language; it names the
    # searches by their German menu entries beside their keys.
    "cli/LimitsCommand.cpp": ("Runs the five searches on each design",),
}


def check() -> int:
    failures = []
    def without_places(text):
        return [line for line in text.strip().splitlines() if not line.startswith("#:")]
    if without_places(POT.read_text(encoding="utf-8")) != without_places(pot_text()):
        failures.append(f"{POT.relative_to(ROOT)} is out of date: run scripts/texts.py pot")
    wanted = texts()
    for po in sorted(I18N.glob("*.po")):
        have = read_po(po)
        for text, where in wanted.items():
            if not have.get(text):
                failures.append(f"{po.relative_to(ROOT)}: no translation of {text!r} ({where})")
        for text in have:
            if text not in wanted:
                failures.append(f"{po.relative_to(ROOT)}: {text!r} is no longer a text")
    failures += bypassing()
    for failure in failures:
        print(failure)
    return 1 if failures else 0


def write_po(path: Path, translations: dict, header: str) -> None:
    out = [header.rstrip("\n"), ""]
    for text, where in texts().items():
        out += [f"#: {where}", f"msgid {po_quote(text)}",
                f"msgstr {po_quote(translations.get(text, ''))}", ""]
    path.write_text("\n".join(out), encoding="utf-8")


def po_header(path: Path) -> str:
    """The comments and header entry of a catalogue, up to its first blank line."""
    text = path.read_text(encoding="utf-8")
    return text.split("\n\n", 1)[0]


def main() -> int:
    if len(sys.argv) == 3 and sys.argv[1] == "update":
        path = Path(sys.argv[2])
        write_po(path, read_po(path), po_header(path))
        return 0
    if sys.argv[1:] == ["pot"]:
        POT.write_text(pot_text() + "\n", encoding="utf-8")
        return 0
    if sys.argv[1:] == ["check"]:
        return check()
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main())
