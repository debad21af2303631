#!/usr/bin/env python3
"""Checks the folder layers of the product code: a folder includes only
folders below it, and only app/ includes Qt. Prints each offending include;
exits 1 when there is one."""
import os
import re
import sys

# Layer of each product folder; folders of one layer do not include each other.
LAYER = {'platform': 0, 'format': 0, 'xls': 0, 'report': 1, 'reader': 2,
         'decode': 3, 'export': 4, 'app': 5, 'cli': 5}
PROJECT_INCLUDE = re.compile(r'\s*#\s*include\s*[<"]([a-z_]+)/')
QT_INCLUDE = re.compile(r'\s*#\s*include\s*<Q')


def violations(root):
    for folder in LAYER:
        for dirpath, _, files in os.walk(os.path.join(root, folder)):
            for name in sorted(files):
                if not name.endswith(('.h', '.cpp')):
                    continue
                path = os.path.join(dirpath, name)
                with open(path, errors='replace') as source:
                    for number, line in enumerate(source, 1):
                        m = PROJECT_INCLUDE.match(line)
                        if m and m.group(1) in LAYER and m.group(1) != folder \
                                and LAYER[m.group(1)] >= LAYER[folder]:
                            yield f'{path}:{number}: {folder}/ includes {m.group(1)}/'
                        if QT_INCLUDE.match(line) and folder != 'app':
                            yield f'{path}:{number}: Qt outside app/'


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..')
    found = list(violations(root))
    for line in found:
        print(line)
    return 1 if found else 0


if __name__ == '__main__':
    sys.exit(main())
