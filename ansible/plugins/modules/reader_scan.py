#!/usr/bin/python
# -*- coding: utf-8 -*-
# SPDX-License-Identifier: LGPL-2.1-or-later

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
---
module: reader_scan
short_description: Find the RFID readers on a serial line
version_added: 1.0.0
description:
  - Probes the stations of a serial line (RS-485 bus or a point-to-point link) at one or more
    rates through C(readerctl scan) and returns the readers that answered, with station, rate,
    firmware version and serial number.
  - Reads only; never reports a change.
options:
  line:
    description:
      - The serial line, C(serial:DEVICE) or a device path (C(/dev/ttyUSB0)).
    type: str
    required: true
  stations:
    description:
      - The stations to probe, a list of numbers or a C(readerctl) list such as C(1-32); all
        stations when left out.
    type: raw
  rates:
    description:
      - The line rates to probe, for example C([9600, 19200]); C(readerctl)'s default rates when left out.
    type: list
    elements: int
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
    details: Probes the line in check mode too.
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
- name: Find the readers on the gateway's RS-485 bus
  fieldtools.rfid_reader.reader_scan:
    line: /dev/ttyUSB0
    stations: 1-32
    rates: [9600, 19200]
  register: bus

- name: Configure each reader found
  fieldtools.rfid_reader.reader_config:
    reader: "{{ item.reader }}"
    station: "{{ item.station }}"
    profile: /etc/readers/door.yaml
  loop: "{{ bus.readers }}"
'''

RETURN = r'''
line:
  description: The line as C(readerctl) names it.
  returned: success
  type: str
  sample: serial:/dev/ttyUSB0
readers:
  description:
    - The readers that answered, with C(station), C(rate), C(firmware), C(serial_number) and
      C(reader), the name to give M(fieldtools.rfid_reader.reader_config) with that station.
  returned: success
  type: list
  elements: dict
  sample:
    - station: 3
      rate: 9600
      firmware: 2.1.0.7
      serial_number: SIM-0003
      reader: serial:/dev/ttyUSB0@9600
rates:
  description: The rates probed.
  returned: success
  type: list
  elements: int
stations_probed:
  description: How many stations were probed.
  returned: success
  type: int
milliseconds:
  description: How long the scan took.
  returned: success
  type: int
stopped:
  description: Whether the scan stopped before probing every station.
  returned: success
  type: bool
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.fieldtools.rfid_reader.plugins.module_utils.readerctl import (
    COMMON_ARGUMENT_SPEC, command_line, find_readerctl, list_option, run_json)


def main():
    argument_spec = dict(
        line=dict(type='str', required=True),
        stations=dict(type='raw'),
        rates=dict(type='list', elements='int'),
    )
    argument_spec.update(COMMON_ARGUMENT_SPEC)
    module = AnsibleModule(argument_spec=argument_spec, supports_check_mode=True)
    params = module.params
    line = params['line']
    if not line.startswith('serial:'):
        line = 'serial:' + line
    arguments = []
    if params['stations'] is not None:
        arguments += ['--stations', list_option(params['stations'])]
    if params['rates']:
        arguments += ['--rates', list_option(params['rates'])]
    argv = command_line(find_readerctl(module), 'scan', line, arguments=arguments)
    dummy, document = run_json(module, argv)
    result = dict(changed=False, line=document.get('line', line),
                  readers=document.get('readers') or [])
    for key in ('rates', 'stations_probed', 'milliseconds', 'stopped'):
        if key in document:
            result[key] = document[key]
    module.exit_json(**result)


if __name__ == '__main__':
    main()
