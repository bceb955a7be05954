#!/usr/bin/python
# -*- coding: utf-8 -*-
# SPDX-License-Identifier: LGPL-2.1-or-later

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
---
module: reader_config
short_description: Write named fields, a profile or a batch text into an RFID reader
version_added: 1.0.0
description:
  - Configures one RFID reader through C(readerctl) on the host the task runs on (usually the
    site's gateway, with C(connection=local) per reader in the inventory).
  - The configuration is given as named fields, a profile file or a batch text; C(readerctl import)
    writes only the blocks whose writable bytes differ, reads them back and restores the previous
    bytes when a write fails (unless I(rollback=false)).
  - The bytes that belong to each reader (its identity, serial number and MAC address) are never
    written.
  - In check mode the module runs C(readerctl diff), which only reads the reader, and reports
    whether a write would change anything.
options:
  reader:
    description:
      - The reader as C(readerctl) names it, C(tcp:HOST[:PORT]), C(serial:DEVICE[@RATE]) or
        C(usb[:DEVICE]).
    type: str
    required: true
  station:
    description:
      - The reader's Modbus station (1..247) on a shared bus. Without it the reader at the other
        end of a point-to-point link answers, whatever its station.
    type: int
  fields:
    description:
      - Fields to write, each key as C(readerctl show) names it and the value as it prints it
        (C(buzzer=on), C(wiegand_protocol=Wiegand 26), C(ip_address=192.168.1.11)).
      - Booleans become C(on)/C(off) and numbers their decimal text, so an unquoted YAML C(on)
        means C(on).
      - Only these fields are written. Mutually exclusive with I(profile) and I(batch_file).
    type: dict
  profile:
    description:
      - A profile file on the host the task runs on, ending in C(.json), C(.yaml) or C(.yml), that
        holds a flat mapping of field key to value. Only the named fields are written.
    type: path
  batch_file:
    description:
      - A batch text on the host the task runs on (the configuration window's 256-byte dump, 16
        lines of a block number, a colon and 32 hex digits), as C(readerctl export) writes it. Every writable byte is
        written.
    type: path
  rollback:
    description:
      - Whether C(readerctl) restores the previous bytes of the blocks it wrote when a later write
        or the read-back fails. C(false) leaves the partly written blocks as they are.
    type: bool
    default: true
  verify:
    description:
      - Whether C(readerctl) reads back every written range and compares it.
    type: bool
    default: true
  readerctl_path:
    description:
      - The C(readerctl) program, a path or a name looked up on C(PATH).
    type: path
    default: readerctl
requirements:
  - Python 3.6 or later and C(readerctl) on the host the task runs on
extends_documentation_fragment:
  - ansible.builtin.action_common_attributes
attributes:
  check_mode:
    support: full
    details: Runs C(readerctl diff), which only reads the reader.
  diff_mode:
    support: full
    details: Before and after value of every field that is or would be written.
  platform:
    platforms: posix
notes:
  - C(changed) is true only when bytes were written and kept; a rolled-back write fails the task
    with C(changed=false).
  - "A failure returns the reason C(readerctl) gave, for example
    C(cannot open the link: no connection (refused, unreachable or no such device))."
seealso:
  - module: fieldtools.rfid_reader.reader_info
  - module: fieldtools.rfid_reader.reader_scan
author:
  - ReaderConfig developers
'''

EXAMPLES = r'''
- name: Door readers beep and speak Wiegand 26
  fieldtools.rfid_reader.reader_config:
    reader: tcp:{{ ansible_host }}:4001
    fields:
      buzzer: "on"
      wiegand_protocol: Wiegand 26
      tag_refresh_interval: 120

- name: One profile for every reader on the bus of this gateway
  fieldtools.rfid_reader.reader_config:
    reader: serial:/dev/ttyUSB0@19200
    station: "{{ reader_station }}"
    profile: /etc/readers/door.yaml

- name: Clone a reference reader's memory, without restoring on failure
  fieldtools.rfid_reader.reader_config:
    reader: tcp:10.1.4.20
    batch_file: /srv/readers/reference.txt
    rollback: false
'''

RETURN = r'''
reader:
  description: The reader as given.
  returned: always
  type: str
  sample: tcp:10.1.4.20:4001
changes:
  description:
    - The fields written, or in check mode those that would be written, as C(readerctl) lists
      them. C(key) and C(label) are null for bytes outside every named field.
  returned: success
  type: list
  elements: dict
  sample:
    - key: tag_refresh_interval
      label: tag refresh interval
      address: 0x94-0x95
      before: "60"
      after: "120"
      kept: false
report:
  description:
    - The reader's entry of C(readerctl import --json), with C(result), C(changed),
      C(blocks_written), C(bytes_changed), C(verify), C(rollback), C(partly_written_blocks),
      C(fields), C(milliseconds) and C(error). Also returned on failure.
  returned: when the reader was written to (not in check mode)
  type: dict
  sample:
    reader: tcp:10.1.4.20:4001
    station: null
    result: ok
    changed: true
    blocks_written: 1
    bytes_changed: 2
    verify: passed
    rollback: not needed
    partly_written_blocks: []
    fields: []
    milliseconds: 41
    error: null
diff:
  description: Before and after value per field, in diff mode.
  returned: in diff mode
  type: dict
  sample:
    before: {tag_refresh_interval: "60"}
    after: {tag_refresh_interval: "120"}
'''

import os

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.fieldtools.rfid_reader.plugins.module_utils.readerctl import (
    COMMON_ARGUMENT_SPEC, PROFILE_SUFFIXES, ReaderctlError, changes_diff, command_line,
    diff_would_change, fields_reason, find_readerctl, import_outcome, run, run_json,
    write_profile, written_changes)


def source_file(module):
    """The file readerctl reads: the fields as a temporary profile, or the file given."""
    params = module.params
    if params['fields'] is not None:
        try:
            return write_profile(params['fields'], module.tmpdir)
        except ValueError as error:
            module.fail_json(msg=str(error))
    if params['profile'] is not None:
        path = params['profile']
        if not path.endswith(PROFILE_SUFFIXES):
            module.fail_json(msg='profile {0}: name it .json, .yaml or .yml (readerctl reads any '
                                 'other file as a batch text)'.format(path))
    else:
        path = params['batch_file']
        if path.endswith(PROFILE_SUFFIXES):
            module.fail_json(msg='batch_file {0}: a .json/.yaml/.yml file is a profile; give it '
                                 'as profile'.format(path))
    if not os.path.isfile(path):
        module.fail_json(msg='{0}: no such file on the host the task runs on'.format(path))
    return path


def main():
    argument_spec = dict(
        reader=dict(type='str', required=True),
        station=dict(type='int'),
        fields=dict(type='dict'),
        profile=dict(type='path'),
        batch_file=dict(type='path'),
        rollback=dict(type='bool', default=True),
        verify=dict(type='bool', default=True),
    )
    argument_spec.update(COMMON_ARGUMENT_SPEC)
    module = AnsibleModule(
        argument_spec=argument_spec,
        mutually_exclusive=[('fields', 'profile', 'batch_file')],
        required_one_of=[('fields', 'profile', 'batch_file')],
        supports_check_mode=True,
    )
    params = module.params
    readerctl = find_readerctl(module)
    path = source_file(module)
    result = dict(changed=False, reader=params['reader'])

    def reword(reason):
        return fields_reason(reason, path) if params['fields'] is not None else reason

    if module.check_mode:
        argv = command_line(readerctl, 'diff', params['reader'], params['station'], [path])
        rc, document = run_json(module, argv, ok_codes=(0, 1), reword=reword)
        changes = written_changes(document.get('changes'))
        result['changed'] = diff_would_change(rc, document)
        result['changes'] = changes
    else:
        arguments = [path]
        if not params['verify']:
            arguments.append('--no-verify')
        if not params['rollback']:
            arguments.append('--no-rollback')
        argv = command_line(readerctl, 'import', params['reader'], params['station'], arguments)
        rc, stdout, stderr = run(module, argv)
        try:
            entry, changed = import_outcome(rc, stdout, stderr, argv)
        except ReaderctlError as error:
            failure = error.fail_kwargs()
            failure['msg'] = reword(failure['msg'])
            readers = (error.document or {}).get('readers') or []
            if len(readers) == 1:
                failure['report'] = readers[0]
                failure['changed'] = bool(readers[0].get('changed'))
            module.fail_json(**failure)
        changes = written_changes(entry.get('fields'))
        result['changed'] = changed
        result['changes'] = changes
        result['report'] = entry

    if module._diff:
        result['diff'] = changes_diff(changes, params['reader'])
    module.exit_json(**result)


if __name__ == '__main__':
    main()
