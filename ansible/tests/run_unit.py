# -*- coding: utf-8 -*-
# SPDX-License-Identifier: LGPL-2.1-or-later
"""Runs the collection's unit tests (tests/unit/**/test_*.py) with the standard library's
unittest, from a copy of the collection under ansible_collections/ so that its
ansible_collections.* imports resolve as they do under Ansible."""

from __future__ import absolute_import, division, print_function
__metaclass__ = type

import glob
import importlib.util
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import support  # noqa: E402  pylint: disable=wrong-import-position


def main():
    with tempfile.TemporaryDirectory(prefix='rfid-reader-unit-') as root:
        tree = support.install_collection(root)
        sys.path.insert(0, root)
        suite = unittest.TestSuite()
        loader = unittest.TestLoader()
        paths = sorted(glob.glob(os.path.join(tree, 'tests', 'unit', '**', 'test_*.py'),
                                 recursive=True))
        if not paths:
            print('run_unit: no unit tests found', file=sys.stderr)
            return 1
        for path in paths:
            name = 'unit_' + os.path.splitext(os.path.basename(path))[0]
            loader_entry = importlib.util.spec_from_file_location(name, path)
            module = importlib.util.module_from_spec(loader_entry)
            loader_entry.loader.exec_module(module)
            suite.addTests(loader.loadTestsFromModule(module))
        result = unittest.TextTestRunner(verbosity=2).run(suite)
        failed = len(result.failures) + len(result.errors)
        print('{0} passed, {1} failed'.format(result.testsRun - failed, failed))
        return 0 if result.wasSuccessful() and result.testsRun else 1


if __name__ == '__main__':
    sys.exit(main())
