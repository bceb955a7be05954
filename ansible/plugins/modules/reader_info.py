#!/usr/bin/python
# -*- coding: utf-8 -*-
# SPDX-License-Identifier: LGPL-2.1-or-later

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
---
module: reader_info
short_description: Read every named field, the firmware version and the identity of an RFID reader
version_added: 1.0.0
description:
  - Reads the whole parameter memory of one reader through C(readerctl show) and returns every
    named field as a dictionary of key to value, the firmware version, and the fields that belong
    to the reader itself (serial number, PCB identity, MAC address) on their own.
  - Values are strings as C(readerctl show) prints them, the same text M(fieldtools.rfid_reader.reader_config)
    takes, so a value read here can be written back unchanged.
  - Reads only; never reports a change.
options:
  reader:
    description:
      - The reader as C(readerctl) names it, C(tcp:HOST[:PORT]), C(serial:DEVICE[@RATE]) or
        C(usb[:DEVICE]).
    type: str
    required: true
  station:
    description:
      - The reader's Modbus station (1..247) on a shared bus.
    type: int
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
    details: Reads the reader in check mode too.
  diff_mode:
    support: none
  platform:
    platforms: posix
seealso:
  - module: fieldtools.rfid_reader.reader_config
author:
  - ReaderConfig developers
'''

EXAMPLES = r'''
- name: Read the reader
  fieldtools.rfid_reader.reader_info:
    reader: tcp:10.1.4.20
  register: door

- name: Show its firmware and Wiegand protocol
  ansible.builtin.debug:
    msg: "{{ door.firmware }} {{ door.fields.wiegand_protocol }}"

- name: Keep the reader's identity as a fact for reports
  ansible.builtin.set_fact:
    reader_identity: "{{ door.identity }}"
'''

RETURN = r'''
reader:
  description: The reader as given.
  returned: always
  type: str
  sample: tcp:10.1.4.20:4001
fields:
  description: Every named field, key to value as C(readerctl show) prints it.
  returned: success
  type: dict
  sample: {buzzer: "on", tag_refresh_interval: "60", wiegand_protocol: Wiegand 26}
identity:
  description: The fields that belong to the reader itself and are never written.
  returned: success
  type: dict
  sample: {pcb_version: V1.2, mac_address: "00:11:22:33:44:55"}
firmware:
  description: The reader's firmware version; null when this C(readerctl) does not report it.
  returned: success
  type: str
  sample: 2.1.0.7
details:
  description:
    - Every field as C(readerctl show --json) lists it, with C(key), C(label), C(value),
      C(address), C(bytes), C(identity) and C(page).
  returned: success
  type: list
  elements: dict
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.fieldtools.rfid_reader.plugins.module_utils.readerctl import (
    COMMON_ARGUMENT_SPEC, command_line, find_readerctl, reader_facts, run_json)


def main():
    argument_spec = dict(
        reader=dict(type='str', required=True),
        station=dict(type='int'),
    )
    argument_spec.update(COMMON_ARGUMENT_SPEC)
    module = AnsibleModule(argument_spec=argument_spec, supports_check_mode=True)
    params = module.params
    argv = command_line(find_readerctl(module), 'show', params['reader'], params['station'])
    dummy, document = run_json(module, argv)
    result = dict(changed=False, reader=params['reader'])
    result.update(reader_facts(document))
    module.exit_json(**result)


if __name__ == '__main__':
    main()
