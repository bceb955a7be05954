# -*- coding: utf-8 -*-
# SPDX-License-Identifier: LGPL-2.1-or-later
"""The collection's sanity checks that run offline.

1. `ansible-test sanity --local` with every test that needs no download. The others
   (OFFLINE_REPLACED) install their tools with pip from the network into a virtual
   environment, which this machine cannot reach.
2. Offline stand-ins for those: ansible-doc on each module; each module imports; the
   documentation blocks parse and DOCUMENTATION's options match the module's argument_spec
   (names, types, defaults, required, elements), its attributes match supports_check_mode;
   every YAML file parses; pyflakes when it is installed.
"""

from __future__ import absolute_import, division, print_function
__metaclass__ = type

import glob
import importlib
import json
import os
import subprocess
import sys
import tempfile

import yaml

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import support  # noqa: E402  pylint: disable=wrong-import-position

# ansible-test sanity tests that need pip and the network, and what stands in for them here.
OFFLINE_REPLACED = {
    'ansible-doc': 'ansible-doc on each module',
    'import': 'importing each module and module_utils file',
    'validate-modules': 'documentation against argument_spec',
    'runtime-metadata': 'meta/runtime.yml parsed',
    'yamllint': 'every YAML file parsed',
    'pep8': 'pyflakes when installed',
    'pylint': 'pyflakes when installed',
}

FAILURES = []


def fail(where, message):
    FAILURES.append('{0}: {1}'.format(where, message))


def run_ansible_test(tree):
    command = ['ansible-test', 'sanity', '--local', '--color', 'no',
               '--python', '{0}.{1}'.format(*sys.version_info[:2])]
    for test in sorted(OFFLINE_REPLACED):
        command += ['--skip-test', test]
    print('$ ' + ' '.join(command), flush=True)
    if subprocess.call(command, cwd=tree) != 0:
        fail('ansible-test sanity', 'failed (see above)')


class Captured(Exception):
    pass


def module_arguments(module):
    """The keyword arguments main() gives AnsibleModule, without running the module."""
    def capture(**kwargs):
        raise Captured(kwargs)
    original = module.AnsibleModule
    module.AnsibleModule = capture
    try:
        module.main()
    except Captured as captured:
        return captured.args[0]
    finally:
        module.AnsibleModule = original
    raise AssertionError('main() never built its AnsibleModule')


def compare_option(where, name, documented, declared):
    if declared.get('type', 'str') != documented.get('type', 'str'):
        fail(where, 'option {0}: type {1} in the code, {2} in DOCUMENTATION'.format(
            name, declared.get('type', 'str'), documented.get('type', 'str')))
    for key, fallback in (('required', False), ('default', None), ('elements', None),
                          ('choices', None)):
        if declared.get(key, fallback) != documented.get(key, fallback):
            fail(where, 'option {0}: {1} {2!r} in the code, {3!r} in DOCUMENTATION'.format(
                name, key, declared.get(key, fallback), documented.get(key, fallback)))
    if not documented.get('description'):
        fail(where, 'option {0} has no description'.format(name))


def check_module(namespace, name, path):
    module_name = os.path.splitext(os.path.basename(path))[0]
    where = 'plugins/modules/' + os.path.basename(path)
    try:
        module = importlib.import_module('ansible_collections.{0}.{1}.plugins.modules.{2}'.format(
            namespace, name, module_name))
    except Exception as error:  # pylint: disable=broad-except
        fail(where, 'does not import: {0!r}'.format(error))
        return
    try:
        documentation = yaml.safe_load(module.DOCUMENTATION)
        examples = yaml.safe_load(module.EXAMPLES)
        returns = yaml.safe_load(module.RETURN)
    except yaml.YAMLError as error:
        fail(where, 'a documentation block is no YAML: {0}'.format(error))
        return None
    if documentation.get('module') != module_name:
        fail(where, 'DOCUMENTATION names module {0}'.format(documentation.get('module')))
    for key in ('short_description', 'description', 'author', 'options', 'attributes'):
        if not documentation.get(key):
            fail(where, 'DOCUMENTATION has no {0}'.format(key))

    arguments = module_arguments(module)
    declared_options = arguments['argument_spec']
    options = documentation.get('options') or {}
    for option in sorted(set(declared_options) | set(options)):
        if option not in options:
            fail(where, 'option {0} is not documented'.format(option))
        elif option not in declared_options:
            fail(where, 'documented option {0} is not in the argument_spec'.format(option))
        else:
            compare_option(where, option, options[option], declared_options[option])

    attributes = documentation.get('attributes') or {}
    for attribute in ('check_mode', 'diff_mode'):
        if attributes.get(attribute, {}).get('support') not in ('full', 'partial', 'none'):
            fail(where, 'attribute {0} does not say its support'.format(attribute))
    check_support = attributes.get('check_mode', {}).get('support') != 'none'
    if check_support != bool(arguments.get('supports_check_mode')):
        fail(where, 'check_mode support {0} but supports_check_mode={1}'.format(
            attributes.get('check_mode', {}).get('support'), arguments.get('supports_check_mode')))

    full_name = '{0}.{1}.{2}'.format(namespace, name, module_name)
    if not any(full_name in task for task in examples or []):
        fail(where, 'no example calls {0}'.format(full_name))
    for key, value in (returns or {}).items():
        for field in ('description', 'returned', 'type'):
            if field not in value:
                fail(where, 'return value {0} has no {1}'.format(key, field))
    return full_name


def check_ansible_doc(root, full_name):
    result = subprocess.run(['ansible-doc', '--json', '-t', 'module', full_name],
                            env=support.ansible_environment(root), capture_output=True,
                            text=True, check=False)
    if result.returncode != 0:
        fail('ansible-doc ' + full_name, result.stderr.strip() or 'failed')
        return
    doc = json.loads(result.stdout)[full_name]['doc']
    # The attributes' descriptions come from the shared fragment: it resolved.
    if not doc.get('attributes', {}).get('check_mode', {}).get('description'):
        fail('ansible-doc ' + full_name, 'attributes lack the fragment descriptions')
    print('ansible-doc {0}: ok ({1} options)'.format(full_name, len(doc.get('options', {}))))


def check_yaml(tree):
    for path in sorted(glob.glob(os.path.join(tree, '**', '*.y*ml'), recursive=True)):
        if '/tests/output/' in path:
            continue
        try:
            with open(path) as stream:
                list(yaml.safe_load_all(stream))
        except yaml.YAMLError as error:
            fail(os.path.relpath(path, tree), str(error))
    with open(os.path.join(tree, 'meta', 'runtime.yml')) as stream:
        runtime = yaml.safe_load(stream)
    if not str(runtime.get('requires_ansible', '')).startswith('>='):
        fail('meta/runtime.yml', 'requires_ansible is not a minimum version')


def check_pyflakes(tree):
    try:
        importlib.import_module('pyflakes')
    except ImportError:
        print('pyflakes: not installed, skipped')
        return
    files = sorted(glob.glob(os.path.join(tree, '**', '*.py'), recursive=True))
    result = subprocess.run([sys.executable, '-m', 'pyflakes'] + files, capture_output=True,
                            text=True, check=False)
    if result.returncode != 0:
        fail('pyflakes', result.stdout + result.stderr)
    else:
        print('pyflakes: {0} files clean'.format(len(files)))


def main():
    namespace, name = support.collection_name()
    with tempfile.TemporaryDirectory(prefix='rfid-reader-sanity-') as root:
        tree = support.install_collection(root)
        run_ansible_test(tree)
        print('Offline stand-ins for: ' + ', '.join(
            '{0} ({1})'.format(test, how) for test, how in sorted(OFFLINE_REPLACED.items())))
        sys.path.insert(0, root)
        for path in sorted(glob.glob(os.path.join(tree, 'plugins', 'modules', '*.py'))):
            full_name = check_module(namespace, name, path)
            if full_name:
                check_ansible_doc(root, full_name)
        for path in sorted(glob.glob(os.path.join(tree, 'plugins', 'module_utils', '*.py'))):
            importlib.import_module('ansible_collections.{0}.{1}.plugins.module_utils.{2}'.format(
                namespace, name, os.path.splitext(os.path.basename(path))[0]))
        check_yaml(tree)
        check_pyflakes(tree)
    for failure in FAILURES:
        print('FAILED ' + failure)
    print('sanity: {0}'.format('{0} problem(s)'.format(len(FAILURES)) if FAILURES else 'ok'))
    return 1 if FAILURES else 0


if __name__ == '__main__':
    sys.exit(main())
