#!/usr/bin/env python3
"""Fails when translations/*.ts are out of step with the sources, or a Chinese text is missing.

Usage: check_translations.py CMAKE LUPDATE SOURCE_DIR

Runs the same lupdate step as the update_translations target on a copy of the .ts files and
compares the messages, so a text added to the code without updating and translating it is caught.
"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET


def messages(path):
    found = {}
    for context in ET.parse(path).getroot().iter('context'):
        name = context.findtext('name')
        for message in context.iter('message'):
            key = (name, message.findtext('source'), message.findtext('comment') or '')
            found[key] = message.find('translation')
    return found


def main():
    cmake, lupdate, source_dir = sys.argv[1:4]
    ts_dir = os.path.join(source_dir, 'translations')
    problems = []
    with tempfile.TemporaryDirectory() as tmp:
        originals = sorted(glob.glob(os.path.join(ts_dir, '*.ts')))
        for ts in originals:
            shutil.copy(ts, tmp)
        subprocess.run([cmake, '-DLUPDATE=' + lupdate, '-DSOURCE_DIR=' + source_dir, '-DTS_DIR=' + tmp,
                        '-P', os.path.join(source_dir, 'cmake', 'UpdateTranslations.cmake')], check=True)
        for ts in originals:
            name = os.path.basename(ts)
            have = messages(ts)
            want = messages(os.path.join(tmp, name))
            for key in sorted(set(want) - set(have)):
                problems.append('%s: new text %r in context %s: run update_translations' % (name, key[1], key[0]))
            for key in sorted(set(have) - set(want)):
                problems.append('%s: %r in context %s is gone from the sources: run update_translations'
                                % (name, key[1], key[0]))
            if name.endswith('_zh.ts'):
                for key, translation in sorted(have.items()):
                    if translation is None or translation.get('type') or not (
                            (translation.text or '').strip() or translation.findall('numerusform')):
                        problems.append('%s: %r in context %s has no finished translation' % (name, key[1], key[0]))
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
