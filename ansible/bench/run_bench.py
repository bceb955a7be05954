# -*- coding: utf-8 -*-
# SPDX-License-Identifier: LGPL-2.1-or-later
"""Benchmark: one profile applied to a fleet of virtual readers through Ansible.

Starts READERS reader-sim processes on loopback TCP, puts them in SITES inventory groups of
connection=local hosts and runs bench/apply.yml with FORKS forks: once on new readers (every
reader written) and once more (nothing to write). readerctl_path is a wrapper that logs each
readerctl run's wall and CPU time, so the report splits the time between readerctl and
Ansible itself (worker processes, module packaging, the module's Python, result handling).
For comparison it runs `readerctl apply` on the same readers with --jobs FORKS.

Usage: run_bench.py BINDIR [--readers 200] [--sites 4] [--forks 20]
"""

from __future__ import absolute_import, division, print_function
__metaclass__ = type

import argparse
import os
import resource
import subprocess
import sys
import tempfile
import time

import yaml

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), 'tests'))
import support  # noqa: E402  pylint: disable=wrong-import-position

PROFILE = 'tag_refresh_interval: 120\nbuzzer: off\nwiegand_protocol: Wiegand 34\n'
# Another profile, so that readerctl apply has every reader to write as well.
OTHER_PROFILE = 'tag_refresh_interval: 90\nbuzzer: on\nwiegand_protocol: Wiegand 26\n'

# Logs "START_NS END_NS EXIT USER_S SYS_S" per readerctl run. `times` gives the CPU time of
# the shell's children (readerctl alone); it runs in the shell itself, since a subshell's
# children are not the shell's.
WRAPPER = r'''#!/bin/sh
start=$(date +%s%N)
"{readerctl}" "$@"
rc=$?
end=$(date +%s%N)
times > "{log}.$$"
cpu=$(tail -n 1 "{log}.$$")
rm -f "{log}.$$"
echo "$start $end $rc $cpu" >> "{log}"
exit $rc
'''


def seconds(text):
    """`times` prints 0m0.012s."""
    minutes, rest = text.rstrip('s').split('m')
    return int(minutes) * 60 + float(rest)


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def read_log(path):
    runs = []
    if os.path.exists(path):
        with open(path) as stream:
            for line in stream:
                start, end, rc, user, system = line.split()
                runs.append(dict(wall=(int(end) - int(start)) / 1e9, rc=int(rc),
                                 cpu=seconds(user) + seconds(system)))
    return runs


def playbook_run(name, root, inventory, forks, log):
    if os.path.exists(log):
        os.remove(log)
    env = support.ansible_environment(root)
    command = ['ansible-playbook', '-i', inventory, '-f', str(forks),
               os.path.join(HERE, 'apply.yml')]
    cpu_before = children_cpu()
    started = time.monotonic()
    result = subprocess.run(command, env=env, capture_output=True, text=True, check=False)
    wall = time.monotonic() - started
    cpu = children_cpu() - cpu_before
    recap = result.stdout[result.stdout.find('PLAY RECAP'):]
    changed = sum(1 for line in recap.splitlines() if 'changed=1' in line)
    failed = sum(1 for line in recap.splitlines() if 'failed=0' not in line and ':' in line)
    return dict(name=name, wall=wall, cpu=cpu, changed=changed, failed=failed,
                runs=read_log(log), rc=result.returncode,
                tail=result.stdout[-2000:] + result.stderr[-2000:])


def report(run, readers, forks):
    runs = run['runs']
    readerctl_wall = sum(entry['wall'] for entry in runs)
    readerctl_cpu = sum(entry['cpu'] for entry in runs)
    slots = run['wall'] * forks
    print('{0}: {1} readers, {2} changed, {3} failed, ansible-playbook exit {4}'.format(
        run['name'], readers, run['changed'], run['failed'], run['rc']))
    print('  total {0:.1f} s, {1:.1f} readers/s, {2:.0f} ms per reader (total / readers), '
          '{3:.0f} ms per reader per fork slot (total x forks / readers)'.format(
              run['wall'], readers / run['wall'], 1000 * run['wall'] / readers,
              1000 * slots / readers))
    if runs:
        walls = sorted(entry['wall'] for entry in runs)
        print('  readerctl: {0} runs, {1:.0f} ms mean, {2:.0f} ms median, {3:.0f} ms max; '
              '{4:.0f}% of the fork slots\' time'.format(
                  len(runs), 1000 * readerctl_wall / len(runs), 1000 * walls[len(walls) // 2],
                  1000 * walls[-1], 100 * readerctl_wall / slots))
    if run['cpu'] > 0:
        print('  CPU: {0:.1f} s in all, readerctl {1:.1f} s ({2:.0f}%), Ansible {3:.1f} s '
              '({4:.0f}%: workers, module packaging and the module\'s Python)'.format(
                  run['cpu'], readerctl_cpu, 100 * readerctl_cpu / run['cpu'],
                  run['cpu'] - readerctl_cpu, 100 * (run['cpu'] - readerctl_cpu) / run['cpu']))
    if run['rc'] != 0:
        print(run['tail'])


def apply_baseline(readerctl, root, simulators, profile, jobs, what):
    readers_list = os.path.join(root, 'readers.txt')
    with open(readers_list, 'w') as stream:
        for simulator in simulators:
            stream.write(simulator.reader + '\n')
    started = time.monotonic()
    result = subprocess.run([readerctl, 'apply', profile, '--readers', readers_list, '--jobs',
                             str(jobs)], capture_output=True, text=True, check=False)
    wall = time.monotonic() - started
    print('readerctl apply --jobs {0} on the same readers ({1}): {2:.2f} s, '
          '{3:.1f} ms per reader, exit {4}'.format(jobs, what, wall, 1000 * wall / len(simulators),
                                                  result.returncode))
    if result.returncode != 0:
        print(result.stdout[-1000:] + result.stderr[-1000:])


def main():
    parser = argparse.ArgumentParser(description=__doc__.strip().splitlines()[0])
    parser.add_argument('bindir')
    parser.add_argument('--readers', type=int, default=200)
    parser.add_argument('--sites', type=int, default=4)
    parser.add_argument('--forks', type=int, default=20)
    options = parser.parse_args()
    bindir = os.path.abspath(options.bindir)
    readerctl = os.path.join(bindir, 'readerctl')
    with tempfile.TemporaryDirectory(prefix='rfid-reader-bench-') as root:
        support.install_collection(root)
        log = os.path.join(root, 'readerctl-times.log')
        wrapper = os.path.join(root, 'readerctl-timed')
        with open(wrapper, 'w') as stream:
            stream.write(WRAPPER.format(readerctl=readerctl, log=log))
        os.chmod(wrapper, 0o755)
        profile = os.path.join(root, 'door.yaml')
        with open(profile, 'w') as stream:
            stream.write(PROFILE)
        sims = os.path.join(root, 'sims')
        os.makedirs(sims)
        started = time.monotonic()
        simulators = support.start_simulators(os.path.join(bindir, 'reader-sim'), sims,
                                              options.readers)
        print('{0} reader-sim processes started in {1:.1f} s'.format(
            options.readers, time.monotonic() - started))
        try:
            sites = {}
            for index, simulator in enumerate(simulators):
                site = 'site{0}'.format(index % options.sites + 1)
                sites.setdefault(site, {'hosts': {}})['hosts'][
                    'reader{0:03d}'.format(index + 1)] = {'reader': simulator.reader}
            inventory = os.path.join(root, 'sites.yml')
            with open(inventory, 'w') as stream:
                yaml.safe_dump({'sites': {
                    'children': sites,
                    'vars': {'ansible_connection': 'local',
                             'ansible_python_interpreter': sys.executable,
                             'readerctl_path': wrapper, 'door_profile': profile}}}, stream)
            print('ansible-core {0}, {1} sites, forks {2}, {3} CPU cores'.format(
                subprocess.run(['ansible', '--version'], capture_output=True, text=True,
                               check=False).stdout.split('[core ')[1].split(']')[0],
                options.sites, options.forks, os.cpu_count()))
            for name in ('first run (every reader written)', 'second run (nothing to write)'):
                report(playbook_run(name, root, inventory, options.forks, log), options.readers,
                       options.forks)
            apply_baseline(readerctl, root, simulators, profile, options.forks,
                           'nothing to write')
            other = os.path.join(root, 'other.yaml')
            with open(other, 'w') as stream:
                stream.write(OTHER_PROFILE)
            apply_baseline(readerctl, root, simulators, other, options.forks,
                           'every reader written')
        finally:
            for simulator in simulators:
                simulator.stop()
    return 0


if __name__ == '__main__':
    sys.exit(main())
