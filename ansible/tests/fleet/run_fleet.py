# -*- coding: utf-8 -*-
# SPDX-License-Identifier: LGPL-2.1-or-later
"""The collection against a fleet of virtual readers, through ansible-playbook.

21 readers: 20 reader-sim processes on loopback TCP and one on a pseudo-terminal; one of the
TCP ones hangs (SIGSTOP: its port accepts, nothing answers). Each reader is an inventory
host with connection=local, as on a site gateway. The door configuration reaches the hosts
as named fields, as a profile file, or as a batch text exported from a reference reader.

  1. --check --diff on new readers: every live reader would change, with before/after of
     each door field; no memory file changes; the hung reader fails with readerctl's reason.
  2. a real run with --diff: every live reader changed, the hung one failed, the others
     finished; the diff shows each field's before and after.
  3. the same run again: nothing changed, memory files as after run 2.
  4. --check again: nothing would change.
  5. reader_info reads every live reader back (the playbook asserts the door values).
  6. reader_scan finds station 1 on the pseudo-terminal line.

Usage: run_fleet.py BINDIR   (BINDIR holds readerctl and reader-sim)
"""

from __future__ import absolute_import, division, print_function
__metaclass__ = type

import json
import os
import re
import subprocess
import sys
import tempfile

import yaml

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.dirname(HERE))
import support  # noqa: E402  pylint: disable=wrong-import-position

TCP_READERS = 20
HUNG = 'reader07'
FORKS = 8

# The door configuration as the inventory gives it (YAML: a bare off is a boolean) and as
# readerctl show prints it afterwards.
DOOR_FIELDS = {'tag_refresh_interval': 120, 'buzzer': False, 'wiegand_protocol': 'Wiegand 34'}
DOOR_VALUES = {'tag_refresh_interval': '120', 'buzzer': 'off', 'wiegand_protocol': 'Wiegand 34'}
DOOR_PROFILE = 'tag_refresh_interval: 120\nbuzzer: off\nwiegand_protocol: Wiegand 34\n'

RECAP = re.compile(r'^(\S+)\s*:\s*ok=(\d+)\s+changed=(\d+)\s+unreachable=(\d+)\s+failed=(\d+)',
                   re.M)


class Fleet(object):

    def __init__(self, bindir, root):
        self.bindir = bindir
        self.root = root
        self.readerctl = os.path.join(bindir, 'readerctl')
        self.problems = []
        self.runs = 0

    def check(self, condition, message):
        if not condition:
            self.problems.append(message)
            print('FAILED: ' + message, flush=True)
        return condition

    def playbook(self, name, inventory, *options):
        """Runs a playbook; returns (exit code, stdout, {host: last result}, {host: recap})."""
        self.runs += 1
        tree = os.path.join(self.root, 'tree-{0}'.format(self.runs))
        env = support.ansible_environment(self.root, {
            'ANSIBLE_CALLBACKS_ENABLED': 'ansible.builtin.tree',
            'ANSIBLE_CALLBACK_TREE_DIR': tree,
        })
        command = ['ansible-playbook', '-i', inventory, '-f', str(FORKS),
                   os.path.join(HERE, name)] + list(options)
        print('$ ' + ' '.join(command), flush=True)
        result = subprocess.run(command, env=env, capture_output=True, text=True, check=False)
        output = result.stdout
        print(output[output.find('PLAY RECAP'):] if 'PLAY RECAP' in output else output)
        if result.stderr.strip():
            print(result.stderr)
        results = {}
        if os.path.isdir(tree):
            for host in os.listdir(tree):
                with open(os.path.join(tree, host)) as stream:
                    results[host] = json.load(stream)
        recap = dict((match[0], dict(ok=int(match[1]), changed=int(match[2]),
                                     unreachable=int(match[3]), failed=int(match[4])))
                     for match in RECAP.findall(output[output.find('PLAY RECAP'):]))
        return result.returncode, output, results, recap


def diff_blocks(output):
    """{reader: diff text} from the default callback's "--- before: READER" blocks."""
    blocks = {}
    for block in output.split('--- before: ')[1:]:
        reader = block.split('\n', 1)[0].strip()
        blocks[reader] = block
    return blocks


def write_inventory(path, simulators, batch_file, profile_file, python, readerctl):
    """One host per reader, all with connection=local; returns {host: reader}."""
    hosts = {}
    for index, simulator in enumerate(simulators):
        host = 'reader{0:02d}'.format(index + 1)
        variables = {'reader': simulator.reader}
        # Three ways in: named fields, a profile file, a batch text.
        if index == len(simulators) - 2:
            variables['door_batch'] = batch_file
        elif index % 2:
            variables['door_profile'] = profile_file
        else:
            variables['door_fields'] = DOOR_FIELDS
        hosts[host] = variables
    inventory = {'readers': {
        'hosts': hosts,
        'vars': {'ansible_connection': 'local', 'ansible_python_interpreter': python,
                 'readerctl_path': readerctl, 'door_values': DOOR_VALUES}}}
    with open(path, 'w') as stream:
        yaml.safe_dump(inventory, stream, default_flow_style=False)
    return dict((host, variables['reader']) for host, variables in hosts.items())


def reference_batch(fleet, program, directory):
    """A batch text exported from a reader that holds the door values."""
    reference = support.Simulator(program, os.path.join(directory, 'reference.txt'))
    try:
        reference.wait_ready()
        words = ['{0}={1}'.format(key, value) for key, value in sorted(DOOR_VALUES.items())]
        subprocess.run([fleet.readerctl, 'set', reference.reader] + words, check=True,
                       capture_output=True)
        batch = os.path.join(directory, 'door.txt')
        subprocess.run([fleet.readerctl, 'export', reference.reader, '-o', batch], check=True,
                       capture_output=True)
        return batch
    finally:
        reference.stop()


def memories(simulators):
    return [simulator.memory() for simulator in simulators]


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    bindir = os.path.abspath(argv[1])
    program = os.path.join(bindir, 'reader-sim')
    with tempfile.TemporaryDirectory(prefix='rfid-reader-fleet-') as root:
        fleet = Fleet(bindir, root)
        support.install_collection(root)
        sims_dir = os.path.join(root, 'sims')
        os.makedirs(sims_dir)
        batch = reference_batch(fleet, program, sims_dir)
        profile = os.path.join(root, 'door.yaml')
        with open(profile, 'w') as stream:
            stream.write(DOOR_PROFILE)
        simulators = support.start_simulators(program, sims_dir, TCP_READERS,
                                              [os.path.join(sims_dir, 'ttyDOOR')])
        try:
            return run(fleet, simulators, batch, profile)
        finally:
            for simulator in simulators:
                simulator.stop()


def run(fleet, simulators, batch, profile):
    inventory = os.path.join(fleet.root, 'fleet.yml')
    # readerctl_path names the build under test, never a PATH lookup.
    readers = write_inventory(inventory, simulators, batch, profile, sys.executable,
                              fleet.readerctl)
    hung = HUNG
    hosts = sorted(readers)
    live = [host for host in hosts if host != hung]
    simulator_of = dict(zip(hosts, simulators))
    simulator_of[hung].hang()
    check = fleet.check

    def assert_recap(recap, what, ok, changed):
        for host in live:
            check(recap.get(host) == dict(ok=ok, changed=changed, unreachable=0, failed=0),
                  '{0}: {1}: recap {2}'.format(what, host, recap.get(host)))
        check(recap.get(hung, {}).get('failed') == 1,
              '{0}: {1} (hung) did not fail: {2}'.format(what, hung, recap.get(hung)))

    def assert_hung_reason(results, what):
        message = results.get(hung, {}).get('msg', '')
        # readerctl's own reason text, naming the reader, not a bare exit code.
        check(readers[hung].split(':', 1)[1] in message and 'exited with' not in message,
              '{0}: {1} failed without readerctl\'s reason: {2!r}'.format(what, hung, message))
        print('{0}: {1} failed: {2}'.format(what, hung, message))

    def assert_diffs(output, what):
        blocks = diff_blocks(output)
        for host in live:
            block = blocks.get(readers[host], '')
            for key, value in DOOR_VALUES.items():
                check(re.search(r'^-\s+"{0}": "[^"]*"'.format(key), block, re.M) and
                      re.search(r'^\+\s+"{0}": "{1}"'.format(key, re.escape(value)), block, re.M),
                      '{0}: {1}: no before/after of {2} in the diff'.format(what, host, key))

    # 1. Check mode on new readers: would change, writes nothing.
    before = memories(simulators)
    rc, output, results, recap = fleet.playbook('configure.yml', inventory, '--check', '--diff')
    check(rc == 2, 'check run: ansible-playbook exited with {0}, not 2'.format(rc))
    assert_recap(recap, 'check run', ok=1, changed=1)
    assert_hung_reason(results, 'check run')
    assert_diffs(output, 'check run')
    for host in live:
        keys = sorted(change['key'] for change in results.get(host, {}).get('changes', []))
        check(keys == sorted(DOOR_VALUES), 'check run: {0} would change {1}'.format(host, keys))
    check(memories(simulators) == before, 'check run: a memory file changed')

    # 2. The real run: the live readers change, the hung one fails, the others finish.
    rc, output, results, recap = fleet.playbook('configure.yml', inventory, '--diff')
    check(rc == 2, 'first run: ansible-playbook exited with {0}, not 2'.format(rc))
    assert_recap(recap, 'first run', ok=1, changed=1)
    assert_hung_reason(results, 'first run')
    assert_diffs(output, 'first run')
    print('first run, the diff of {0}:\n--- before: {1}'.format(
        live[0], diff_blocks(output).get(readers[live[0]], '').split('\n\n')[0]))
    for host in live:
        result = results.get(host, {})
        report = result.get('report') or {}
        check(report.get('result') == 'ok' and report.get('changed') is True,
              'first run: {0}: report {1}'.format(host, report))
        written = dict((change['key'], change['after']) for change in result.get('changes', []))
        check(written == DOOR_VALUES, 'first run: {0} wrote {1}'.format(host, written))
    after_first = memories(simulators)
    for host, old, new in zip(hosts, before, after_first):
        check((old != new) == (host != hung), 'first run: {0} memory {1}'.format(
            host, 'changed' if old != new else 'unchanged'))

    # 3. Again: idempotent.
    rc, output, results, recap = fleet.playbook('configure.yml', inventory, '--diff')
    check(rc == 2, 'second run: ansible-playbook exited with {0}, not 2'.format(rc))
    assert_recap(recap, 'second run', ok=1, changed=0)
    for host in live:
        check(results.get(host, {}).get('changes') == [],
              'second run: {0} wrote {1}'.format(host, results.get(host, {}).get('changes')))
    check(memories(simulators) == after_first, 'second run: a memory file changed')

    # 4. Check mode on configured readers: nothing would change.
    rc, output, results, recap = fleet.playbook('configure.yml', inventory, '--check')
    assert_recap(recap, 'second check run', ok=1, changed=0)
    check(memories(simulators) == after_first, 'second check run: a memory file changed')

    # 5. reader_info: the playbook asserts the door values, identity and firmware.
    rc, output, results, recap = fleet.playbook('info.yml', inventory)
    assert_recap(recap, 'info run', ok=2, changed=0)
    sample = results.get(live[0], {})
    check(sample.get('failed') is not True, 'info run: {0}: {1}'.format(live[0], sample))

    # 6. reader_scan on the pseudo-terminal line (hosts: localhost).
    scan_line = readers[hosts[-1]]
    rc, output, results, recap = fleet.playbook(
        'scan.yml', 'localhost,', '-c', 'local', '-e',
        json.dumps({'scan_line': scan_line, 'readerctl_path': fleet.readerctl,
                    'ansible_python_interpreter': sys.executable}))
    check(rc == 0 and recap.get('localhost', {}).get('ok') == 2,
          'scan run: exit {0}, recap {1}: {2}'.format(rc, recap.get('localhost'),
                                                      results.get('localhost')))

    for problem in fleet.problems:
        print('FAILED: ' + problem)
    print('fleet: {0} live readers and 1 hung, {1} playbook runs, {2}'.format(
        len(live), fleet.runs, '{0} problem(s)'.format(len(fleet.problems))
        if fleet.problems else 'all as expected'))
    return 1 if fleet.problems else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
