# -*- coding: utf-8 -*-
# SPDX-License-Identifier: LGPL-2.1-or-later
"""Runs readerctl for the modules of this collection and reads its JSON.

Every module goes through run_json(): an argument list (never a shell), readerctl's --json
document on stdout, and its exit code and "readerctl: <reason>" stderr line turned into a
ReaderctlError whose message is readerctl's own reason text. The helpers that decide
(check mode, profiles, diffs) take plain data so they are tested without a module.
"""

from __future__ import absolute_import, division, print_function
__metaclass__ = type

import json
import os
import tempfile

# readerctl's exit codes.
EXIT_OK = 0            # success; diff: nothing would change
EXIT_FAILED = 1        # a reader failed; diff: something would change
EXIT_USAGE = 2         # bad name, key, value or file: nothing was written
EXIT_UNREADABLE = 3    # diff could not read the reader

EXIT_MEANINGS = {
    EXIT_FAILED: 'the reader failed',
    EXIT_USAGE: 'usage error, nothing was written',
    EXIT_UNREADABLE: 'the reader could not be read',
}

PROFILE_SUFFIXES = ('.json', '.yaml', '.yml')

# Options every module takes.
COMMON_ARGUMENT_SPEC = dict(
    readerctl_path=dict(type='path', default='readerctl'),
)


class ReaderctlError(Exception):
    """readerctl failed; str() is its reason text."""

    def __init__(self, reason, rc=None, command=None, stdout='', stderr='', document=None):
        super(ReaderctlError, self).__init__(reason)
        self.reason = reason
        self.rc = rc
        self.command = command
        self.stdout = stdout
        self.stderr = stderr
        self.document = document

    def fail_kwargs(self):
        """Keyword arguments for module.fail_json()."""
        result = dict(msg=self.reason, rc=self.rc, cmd=self.command,
                      stdout=self.stdout, stderr=self.stderr)
        if self.document is not None:
            result['readerctl'] = self.document
        return result


def command_line(readerctl, command, reader=None, station=None, arguments=(), json_output=True):
    """readerctl's argument list; the station is a global option, given before the command."""
    argv = [readerctl]
    if station is not None:
        argv += ['--station', str(station)]
    argv.append(command)
    if reader is not None:
        argv.append(reader)
    argv += [str(argument) for argument in arguments]
    if json_output:
        argv.append('--json')
    return argv


def stderr_reason(stderr):
    """The reason readerctl gave: its last "readerctl: ..." line, else the last line."""
    lines = [line.strip() for line in (stderr or '').splitlines() if line.strip()]
    for line in reversed(lines):
        if line.startswith('readerctl: '):
            return line[len('readerctl: '):]
    return lines[-1] if lines else None


def parse_document(stdout):
    """readerctl's JSON document, or None when stdout holds none."""
    text = (stdout or '').strip()
    if not text:
        return None
    try:
        document = json.loads(text)
    except ValueError:
        return None
    return document if isinstance(document, dict) else None


def document_error(document):
    """The first "error" a report document carries (import and apply)."""
    if not document:
        return None
    if document.get('error'):
        return document['error']
    for entry in document.get('readers') or []:
        if isinstance(entry, dict) and entry.get('error'):
            return entry['error']
    return None


def interpret(rc, stdout, stderr, command=None, ok_codes=(EXIT_OK,)):
    """readerctl's document when rc is one of ok_codes; otherwise a ReaderctlError whose
    reason is the report's "error", else readerctl's stderr line, else the exit code's
    meaning."""
    document = parse_document(stdout)
    if rc in ok_codes:
        if document is None:
            raise ReaderctlError(
                'readerctl printed no JSON document (is it older than this collection?)',
                rc, command, stdout, stderr)
        return document
    reason = document_error(document) or stderr_reason(stderr)
    if not reason:
        reason = 'readerctl exited with {0}: {1}'.format(
            rc, EXIT_MEANINGS.get(rc, 'unknown exit code'))
    raise ReaderctlError(reason, rc, command, stdout, stderr, document)


def diff_would_change(rc, document):
    """Check mode's answer from `readerctl diff --json`: exit 1 means a write would change
    bytes, exit 0 nothing. Kept (identity) bytes are listed but never written."""
    if rc == EXIT_FAILED:
        return True
    if rc == EXIT_OK:
        return False
    raise ValueError('diff exit code {0} is no answer'.format(rc))


def profile_value(key, value):
    """One profile value as readerctl's show prints it: booleans "on"/"off" (YAML turns a
    bare on/off into a boolean), numbers their decimal text, strings as they are."""
    if isinstance(value, bool):
        return 'on' if value else 'off'
    if isinstance(value, int):
        return str(value)
    if isinstance(value, float):
        if value.is_integer():
            return str(int(value))
        return repr(value)
    if isinstance(value, str):
        return value
    raise ValueError('field {0}: a value must be a string, number or boolean, not {1}'.format(
        key, type(value).__name__))


def fields_profile(fields):
    """The profile mapping for `fields` (key -> value as show prints it)."""
    if not fields:
        raise ValueError('fields is empty: name at least one field')
    return dict((str(key), profile_value(key, value)) for key, value in fields.items())


def write_profile(fields, directory=None):
    """Writes `fields` as a JSON profile in directory; returns its path."""
    profile = fields_profile(fields)
    handle, path = tempfile.mkstemp(prefix='reader-profile-', suffix='.json', dir=directory)
    with os.fdopen(handle, 'w') as stream:
        json.dump(profile, stream, indent=2, sort_keys=True)
        stream.write('\n')
    return path


def fields_reason(reason, profile_path):
    """A reason about the temporary profile written for `fields`, told about `fields`: the
    file's name and line:column mean nothing to the user."""
    prefix = profile_path + ':'
    if not reason.startswith(prefix):
        return reason
    rest = reason[len(prefix):]
    # Drop "LINE:COLUMN: " when readerctl gives them.
    parts = rest.split(':', 2)
    if len(parts) == 3 and parts[0].isdigit() and parts[1].isdigit():
        rest = parts[2]
    return 'fields: ' + rest.strip()


def change_name(change):
    """A change's name in a diff: its key, or its address for bytes outside named fields."""
    return change.get('key') or change.get('address') or '?'


def changes_diff(changes, reader=None):
    """Ansible's diff result (before/after dicts) for readerctl changes; kept identity bytes
    are left out, since nothing writes them."""
    before = {}
    after = {}
    for change in changes or []:
        if change.get('kept'):
            continue
        name = change_name(change)
        before[name] = change.get('before')
        after[name] = change.get('after')
    diff = dict(before=before, after=after)
    if reader:
        diff['before_header'] = reader
        diff['after_header'] = reader
    return diff


def written_changes(changes):
    """The changes that are written: identity bytes (kept) are not."""
    return [change for change in changes or [] if not change.get('kept')]


def import_entry(document):
    """The single reader of an import report."""
    readers = (document or {}).get('readers') or []
    if len(readers) != 1 or not isinstance(readers[0], dict):
        raise ValueError('the import report names {0} readers, not one'.format(len(readers)))
    return readers[0]


def import_outcome(rc, stdout, stderr, command=None):
    """The reader entry of `readerctl import --json` and whether bytes were written and kept.
    A reader whose result is not "ok" raises ReaderctlError with its reason; the entry's
    "changed" says whether a write was kept, so a rolled-back reader is not changed."""
    document = interpret(rc, stdout, stderr, command, ok_codes=(EXIT_OK, EXIT_FAILED))
    try:
        entry = import_entry(document)
    except ValueError as error:
        raise ReaderctlError(str(error), rc, command, stdout, stderr, document)
    if rc != EXIT_OK or entry.get('result') != 'ok':
        reason = entry.get('error') or stderr_reason(stderr) or 'result {0}'.format(
            entry.get('result'))
        raise ReaderctlError(reason, rc, command, stdout, stderr, document)
    return entry, bool(entry.get('changed'))


def reader_facts(document):
    """reader_info's return from `readerctl show --json`: every field key -> value, the
    identity fields again on their own, and the firmware version."""
    fields = {}
    identity = {}
    for field in document.get('fields') or []:
        key = field.get('key')
        if not key:
            continue
        fields[key] = field.get('value')
        if field.get('identity'):
            identity[key] = field.get('value')
    return dict(fields=fields, identity=identity, firmware=document.get('firmware'),
                details=document.get('fields') or [])


def list_option(values):
    """A LIST option of readerctl (stations, rates): comma-separated."""
    if values is None:
        return None
    if isinstance(values, (list, tuple)):
        return ','.join(str(value) for value in values)
    return str(values)


def find_readerctl(module):
    """readerctl_path as given when it names a file, else found on PATH."""
    path = module.params.get('readerctl_path') or 'readerctl'
    if os.sep in path:
        if not os.access(path, os.X_OK):
            module.fail_json(msg='readerctl_path {0} is not an executable file'.format(path))
        return path
    return module.get_bin_path(path, required=True)


def run(module, argv):
    """Runs readerctl without a shell; returns (rc, stdout, stderr)."""
    return module.run_command(argv, check_rc=False, use_unsafe_shell=False)


def run_json(module, argv, ok_codes=(EXIT_OK,), reword=None):
    """Runs readerctl and returns (rc, document); fails the module with readerctl's reason,
    passed through reword when given."""
    rc, stdout, stderr = run(module, argv)
    try:
        return rc, interpret(rc, stdout, stderr, argv, ok_codes)
    except ReaderctlError as error:
        failure = error.fail_kwargs()
        if reword:
            failure['msg'] = reword(failure['msg'])
        module.fail_json(**failure)
