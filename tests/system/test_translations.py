"""The controller's translations: every text the window's sources pass through a translator has a
finished translation in every language, and no translation loses a placeholder, the leading blanks
of a combo item or a line break of its source. The texts are taken from the sources by lupdate, so
a text added to the window without a translation fails here, naming the text and the language."""

import os
import re
import shutil
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
CONTROLLER = os.path.normpath(os.path.join(HERE, "..", "..", "controller"))
TRANSLATIONS = os.path.join(CONTROLLER, "translations")

# The window's two translation contexts (the main window with its pages, the folder browser).
# Texts of other contexts (a back-end class's own tr()) are checked the same way.
CONTEXTS = {"Dialog", "BrowseDialog"}
LANGUAGES = ["SimplifiedChinese", "TraditionalChinese", "French", "German", "Italian",
             "Portuguese", "Russian", "Spanish"]
PLACEHOLDER = re.compile(r"%L?[0-9]+")


def find_lupdate():
    candidates = [os.environ.get("LUPDATE", ""), "/usr/lib/qt6/bin/lupdate",
                  "/usr/lib/qt6/libexec/lupdate", shutil.which("lupdate6") or "",
                  shutil.which("lupdate") or ""]
    for candidate in candidates:
        if candidate and os.access(candidate, os.X_OK):
            return candidate
    return None


def messages(path):
    """{(context, source, comment): translation element or None} of a .ts file."""
    result = {}
    for context in ET.parse(path).getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            key = (name, message.findtext("source") or "", message.findtext("comment") or "")
            result[key] = message.find("translation")
    return result


def texts(translation):
    """The translated texts of a message (several for a plural form), or None if unfinished."""
    if translation is None or translation.get("type") in ("unfinished", "vanished", "obsolete"):
        return None
    forms = translation.findall("numerusform")
    return [f.text or "" for f in forms] if forms else [translation.text or ""]


def leading_blanks(text):
    return text[:len(text) - len(text.lstrip())]


class Translations(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        lupdate = find_lupdate()
        if lupdate is None:
            raise AssertionError("lupdate not found (package qt6-l10n-tools)")
        with tempfile.TemporaryDirectory() as folder:
            ts = os.path.join(folder, "sources.ts")
            run = subprocess.run(
                [lupdate, "-locations", "none", "-no-obsolete", "-extensions", "cpp,h",
                 os.path.join(CONTROLLER, "window"), os.path.join(CONTROLLER, "backend"),
                 "-ts", ts], capture_output=True, text=True)
            if run.returncode != 0:
                raise AssertionError("lupdate failed: " + run.stdout + run.stderr)
            cls.lupdate_output = run.stdout + run.stderr
            cls.sources = sorted(messages(ts))

    def test_tr_finds_the_context_lupdate_reads(self):
        # tr() in a class without Q_OBJECT looks its texts up at run time under the context of
        # the nearest base class with one, not under the class name lupdate writes: such texts
        # would never be translated.
        for line in self.lupdate_output.splitlines():
            self.assertNotRegex(line, r"lacks Q_OBJECT|Cannot invoke tr\(\)")
        contexts = {c for c, _, _ in self.sources}
        self.assertTrue(CONTEXTS & contexts, "no text of the window found")

    def test_every_text_is_translated_in_every_language(self):
        faults = []
        for language in LANGUAGES:
            table = messages(os.path.join(TRANSLATIONS, "Language_%s.ts" % language))
            for key in self.sources:
                context, source, _ = key
                where = "%s: %s %r" % (language, context, source)
                translated = texts(table.get(key))
                if not translated or any(not t.strip() for t in translated):
                    faults.append(where + " has no finished translation")
                    continue
                for text in translated:
                    if sorted(set(PLACEHOLDER.findall(text))) != \
                            sorted(set(PLACEHOLDER.findall(source))):
                        faults.append("%s: placeholders differ in %r" % (where, text))
                    if leading_blanks(text) != leading_blanks(source):
                        faults.append("%s: leading blanks differ in %r" % (where, text))
                    if text.count("\n") != source.count("\n"):
                        faults.append("%s: line breaks differ in %r" % (where, text))
        self.assertEqual(faults, [], "\n" + "\n".join(faults))

    def test_english_gives_back_every_source_text(self):
        # Switching back to English installs the English translator, which must hold every text:
        # a text missing there falls through to the translator installed at start and stays in
        # that language.
        table = messages(os.path.join(TRANSLATIONS, "Language_English.ts"))
        faults = []
        for key in self.sources:
            translation = table.get(key)
            translated = texts(translation)
            plural = translation is not None and translation.find("numerusform") is not None
            if not translated or (translated != [key[1]] and not plural) or not all(translated):
                faults.append("English: %s %r" % key[:2])
        self.assertEqual(faults, [], "\n" + "\n".join(faults))


if __name__ == "__main__":
    unittest.main()
