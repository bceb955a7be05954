# -*- coding: utf-8 -*-
# SPDX-License-Identifier: LGPL-2.1-or-later
"""How the modules read readerctl: exit codes and reasons, check mode, fields -> profile."""

from __future__ import absolute_import, division, print_function
__metaclass__ = type

import json
import os
import shutil
import tempfile
import unittest

from ansible_collections.fieldtools.rfid_reader.plugins.module_utils import readerctl

TCP = 'tcp:127.0.0.1:5001'
REFUSED = ('tcp:127.0.0.1:5009: cannot open the link: no connection '
           '(refused, unreachable or no such device)')


def change(key, before, after, kept=False, address='0x94-0x95'):
    return {'key': key, 'label': key and key.replace('_', ' '), 'address': address,
            'before': before, 'after': after, 'kept': kept}


def report(result='ok', changed=False, fields=None, error=None, rollback='not needed'):
    entry = {'reader': TCP, 'station': None, 'result': result, 'changed': changed,
             'blocks_written': 1 if changed else 0, 'bytes_changed': 2 if changed else 0,
             'verify': 'passed' if changed else 'none', 'rollback': rollback,
             'partly_written_blocks': [], 'fields': fields or [], 'milliseconds': 12,
             'error': error}
    ok = 1 if result == 'ok' else 0
    return json.dumps({'readers': [entry], 'summary': {
        'total': 1, 'ok': ok, 'failed': 1 - ok, 'changed': 1 if changed else 0}})


class CommandLineTest(unittest.TestCase):

    def test_station_is_global_and_json_last(self):
        self.assertEqual(
            readerctl.command_line('/opt/readerctl', 'import', 'serial:/dev/ttyUSB0', 3,
                                   ['/tmp/p.json', '--no-rollback']),
            ['/opt/readerctl', '--station', '3', 'import', 'serial:/dev/ttyUSB0', '/tmp/p.json',
             '--no-rollback', '--json'])
        self.assertEqual(readerctl.command_line('readerctl', 'show', TCP),
                         ['readerctl', 'show', TCP, '--json'])

    def test_lists_are_comma_separated(self):
        self.assertEqual(readerctl.list_option([1, 2, 17]), '1,2,17')
        self.assertEqual(readerctl.list_option('1-32'), '1-32')
        self.assertIsNone(readerctl.list_option(None))


class ExitCodeTest(unittest.TestCase):
    """readerctl's exit code and stderr become the module's failure reason."""

    def assertFails(self, rc, stdout, stderr, reason, ok_codes=(0,)):
        with self.assertRaises(readerctl.ReaderctlError) as caught:
            readerctl.interpret(rc, stdout, stderr, ['readerctl'], ok_codes)
        self.assertEqual(str(caught.exception), reason)
        self.assertEqual(caught.exception.rc, rc)
        self.assertEqual(caught.exception.fail_kwargs()['msg'], reason)
        return caught.exception

    def test_success_returns_the_document(self):
        document = {'reader': TCP, 'fields': []}
        self.assertEqual(readerctl.interpret(0, json.dumps(document), ''), document)
        self.assertEqual(readerctl.interpret(1, json.dumps(document), '', ok_codes=(0, 1)),
                         document)

    def test_reasons(self):
        # (exit code, stdout, stderr, expected reason)
        cases = [
            (2, '', "readerctl: 'Wiegand 27' is not an item of wiegand_protocol: Wiegand 26\n",
             "'Wiegand 27' is not an item of wiegand_protocol: Wiegand 26"),
            # The reason is the last "readerctl:" line, not a progress line after it.
            (1, '', 'readerctl: first\nreaderctl: ' + REFUSED + '\n  12 done\n', REFUSED),
            (3, '', 'something odd\n', 'something odd'),
            (3, '', '', 'readerctl exited with 3: the reader could not be read'),
            (2, '', '\n', 'readerctl exited with 2: usage error, nothing was written'),
            (7, 'not json', '', 'readerctl exited with 7: unknown exit code'),
            # A report's own error wins over stderr.
            (1, report('failed', error=REFUSED), 'readerctl: 1 reader failed\n', REFUSED),
            (0, '', '', 'readerctl printed no JSON document (is it older than this collection?)'),
            (0, '[1, 2]', '', 'readerctl printed no JSON document (is it older than this '
                              'collection?)'),
        ]
        for rc, stdout, stderr, reason in cases:
            with self.subTest(rc=rc, stderr=stderr):
                self.assertFails(rc, stdout, stderr, reason)

    def test_failure_keeps_the_report(self):
        error = self.assertFails(1, report('failed', error=REFUSED), '', REFUSED)
        self.assertEqual(error.fail_kwargs()['readerctl']['readers'][0]['result'], 'failed')
        self.assertEqual(error.fail_kwargs()['cmd'], ['readerctl'])


class ImportOutcomeTest(unittest.TestCase):

    def test_changed_only_when_bytes_were_written(self):
        written = [change('tag_refresh_interval', '60', '120')]
        entry, changed = readerctl.import_outcome(0, report(changed=True, fields=written), '')
        self.assertTrue(changed)
        self.assertEqual(entry['fields'], written)
        entry, changed = readerctl.import_outcome(0, report(changed=False), '')
        self.assertFalse(changed)
        self.assertEqual(entry['fields'], [])

    def test_failures(self):
        # (exit code, stdout, stderr, reason)
        cases = [
            (1, report('failed', error=REFUSED), '', REFUSED),
            (1, report('rolled back', error='verify failed at 0x94', rollback='done'), '',
             'verify failed at 0x94'),
            (1, report('failed'), 'readerctl: no answer within 500 ms\n',
             'no answer within 500 ms'),
            (1, report('failed'), '', 'result failed'),
            # A usage error prints no report.
            (2, '', 'readerctl: p.json:3:7: expected a value\n', 'p.json:3:7: expected a value'),
            (0, json.dumps({'readers': [], 'summary': {}}), '',
             'the import report names 0 readers, not one'),
        ]
        for rc, stdout, stderr, reason in cases:
            with self.subTest(reason=reason):
                with self.assertRaises(readerctl.ReaderctlError) as caught:
                    readerctl.import_outcome(rc, stdout, stderr)
                self.assertEqual(caught.exception.reason, reason)


class CheckModeTest(unittest.TestCase):
    """Check mode runs `readerctl diff --json`: exit 1 would change, 0 would not."""

    def decide(self, rc, changes):
        document = readerctl.interpret(rc, json.dumps({'reader': TCP, 'changes': changes}),
                                       '', ok_codes=(0, 1))
        return (readerctl.diff_would_change(rc, document),
                readerctl.written_changes(document['changes']))

    def test_decision(self):
        refresh = change('tag_refresh_interval', '60', '120')
        mac = change('mac_address', '00:11:22:33:44:55', '00:11:22:33:44:66', kept=True,
                     address='0xAC-0xB1')
        self.assertEqual(self.decide(1, [refresh, mac]), (True, [refresh]))
        # Identity bytes differ but are never written: nothing would change.
        self.assertEqual(self.decide(0, [mac]), (False, []))
        self.assertEqual(self.decide(0, []), (False, []))

    def test_unreadable_reader_fails(self):
        with self.assertRaises(readerctl.ReaderctlError) as caught:
            readerctl.interpret(3, '', 'readerctl: ' + REFUSED + '\n', ok_codes=(0, 1))
        self.assertEqual(caught.exception.reason, REFUSED)
        with self.assertRaises(ValueError):
            readerctl.diff_would_change(3, {})

    def test_diff_before_after_per_field(self):
        changes = [change('tag_refresh_interval', '60', '120'),
                   change(None, '00', '01', address='0x7E'),
                   change('mac_address', 'a', 'b', kept=True, address='0xAC-0xB1')]
        self.assertEqual(readerctl.changes_diff(changes, TCP), {
            'before': {'tag_refresh_interval': '60', '0x7E': '00'},
            'after': {'tag_refresh_interval': '120', '0x7E': '01'},
            'before_header': TCP, 'after_header': TCP})
        self.assertEqual(readerctl.changes_diff([]), {'before': {}, 'after': {}})


class ProfileTest(unittest.TestCase):

    def setUp(self):
        self.directory = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.directory)

    def test_values_as_show_prints_them(self):
        fields = {'buzzer': True, 'relay': False, 'tag_refresh_interval': 120,
                  'rssi_threshold': -60, 'frequency': 2.0, 'ratio': 0.5,
                  'wiegand_protocol': 'Wiegand 26', 'ip_address': '192.168.1.11'}
        path = readerctl.write_profile(fields, self.directory)
        self.assertEqual(os.path.dirname(path), self.directory)
        self.assertTrue(path.endswith('.json'))
        with open(path) as stream:
            self.assertEqual(json.load(stream), {
                'buzzer': 'on', 'relay': 'off', 'tag_refresh_interval': '120',
                'rssi_threshold': '-60', 'frequency': '2', 'ratio': '0.5',
                'wiegand_protocol': 'Wiegand 26', 'ip_address': '192.168.1.11'})

    def test_reasons_about_fields_name_no_temporary_file(self):
        path = '/tmp/ansible-tmp-1/reader-profile-x.json'
        cases = [
            (path + ":2:3: 'Wiegand 27' is not an item of wiegand_protocol",
             "fields: 'Wiegand 27' is not an item of wiegand_protocol"),
            (path + ': cannot read the file', 'fields: cannot read the file'),
            # Other reasons, e.g. about the reader, stay as readerctl gave them.
            (REFUSED, REFUSED),
        ]
        for reason, expected in cases:
            with self.subTest(reason=reason):
                self.assertEqual(readerctl.fields_reason(reason, path), expected)

    def test_refused_values(self):
        for fields in ({}, {'buzzer': None}, {'buzzer': ['on']}, {'buzzer': {'a': 1}}):
            with self.subTest(fields=fields):
                with self.assertRaises(ValueError):
                    readerctl.write_profile(fields, self.directory)
        self.assertEqual(os.listdir(self.directory), [])


class ReaderFactsTest(unittest.TestCase):

    def test_fields_identity_and_firmware(self):
        document = {'reader': TCP, 'firmware': '2.1.0.7', 'fields': [
            {'key': 'pcb_version', 'value': 'V1.2', 'identity': True},
            {'key': 'buzzer', 'value': 'on', 'identity': False},
            {'key': None, 'value': '00', 'identity': False}]}
        facts = readerctl.reader_facts(document)
        self.assertEqual(facts['fields'], {'pcb_version': 'V1.2', 'buzzer': 'on'})
        self.assertEqual(facts['identity'], {'pcb_version': 'V1.2'})
        self.assertEqual(facts['firmware'], '2.1.0.7')
        self.assertIsNone(readerctl.reader_facts({'fields': []})['firmware'])


if __name__ == '__main__':
    unittest.main()
