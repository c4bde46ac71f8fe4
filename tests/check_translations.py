"""The English translation is complete: no unfinished or obsolete entry, and nothing in the
code that lupdate would add. Usage: check_translations.py LUPDATE TS SOURCE..."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

LUPDATE, TS, SOURCES = sys.argv[1], sys.argv[2], sys.argv[3:]


def problems(path):
    """Messages that are not plainly translated, as (context, source, what)."""
    found = []
    for context in ElementTree.parse(path).getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            translation = message.find("translation")
            kind = translation.get("type")
            if kind or not (translation.text or "").strip():
                found.append((name, message.findtext("source"), kind or "empty"))
    return found


class Translations(unittest.TestCase):
    def test_every_entry_is_translated(self):
        self.assertEqual(problems(TS), [])

    def test_every_text_in_the_code_has_an_entry(self):
        scratch = tempfile.mkdtemp()
        try:
            copy = os.path.join(scratch, os.path.basename(TS))
            shutil.copy(TS, copy)
            subprocess.run([LUPDATE, "-silent", "-locations", "none", *SOURCES, "-ts", copy],
                           check=True, capture_output=True)
            # A text new in the code comes in unfinished, one gone from it obsolete.
            self.assertEqual(problems(copy), [])
        finally:
            shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
