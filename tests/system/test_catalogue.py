"""The service's message catalogue: every user-visible text has a real translation in every
language of the service's language table, and the built catalogues lie beside the program."""

import glob
import os
import subprocess
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.normpath(os.path.join(HERE, "..", "..", "daemon"))
DAEMON = os.environ.get("TESSALY_DAEMON", "daemon")

# The codes of the language table (English is the source language).
LANGUAGES = ["zh_CN", "zh_TW", "ko", "ja", "fr", "de", "it", "pl", "ru", "cs", "fi", "es",
             "hu", "pt", "no", "tr", "el", "da"]


class Catalogue(unittest.TestCase):
    def setUp(self):
        self.pot = tempfile.NamedTemporaryFile(suffix=".pot", delete=False).name
        sources = sorted(glob.glob(os.path.join(SOURCE, "src", "*.cpp")))
        subprocess.run(["xgettext", "-k_", "-kN_", "--from-code=UTF-8", "--force-po",
                        "-o", self.pot, *sources], check=True)

    def tearDown(self):
        os.unlink(self.pot)

    def test_every_text_is_translated_in_every_language(self):
        for code in LANGUAGES:
            with self.subTest(language=code):
                po = os.path.join(SOURCE, "po", code + ".po")
                self.assertTrue(os.path.exists(po), po)
                result = subprocess.run(["msgcmp", po, self.pot], capture_output=True, text=True)
                self.assertEqual(result.returncode, 0, result.stderr)
                check = subprocess.run(["msgfmt", "--check", "-o", os.devnull, po],
                                       capture_output=True, text=True)
                self.assertEqual(check.returncode, 0, check.stderr)

    def test_built_catalogues_lie_beside_the_program(self):
        folder = os.path.join(os.path.dirname(DAEMON), "locale")
        for code in LANGUAGES:
            with self.subTest(language=code):
                self.assertTrue(os.path.exists(
                    os.path.join(folder, code, "LC_MESSAGES", "TessalySync.mo")))


if __name__ == "__main__":
    unittest.main()
