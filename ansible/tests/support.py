# -*- coding: utf-8 -*-
# SPDX-License-Identifier: LGPL-2.1-or-later
"""Shared by the collection's test drivers: a collection tree Ansible can load.

Ansible finds a collection only under .../ansible_collections/NAMESPACE/NAME/, so the
drivers copy this folder into such a tree in a temporary folder.
"""

from __future__ import absolute_import, division, print_function
__metaclass__ = type

import os
import shutil

import yaml

COLLECTION_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def collection_name():
    """(namespace, name) from galaxy.yml."""
    with open(os.path.join(COLLECTION_DIR, 'galaxy.yml')) as stream:
        galaxy = yaml.safe_load(stream)
    return galaxy['namespace'], galaxy['name']


def install_collection(root):
    """Copies the collection to ROOT/ansible_collections/NAMESPACE/NAME and returns that
    path; ROOT is what ANSIBLE_COLLECTIONS_PATH names."""
    namespace, name = collection_name()
    target = os.path.join(root, 'ansible_collections', namespace, name)
    shutil.copytree(COLLECTION_DIR, target, ignore=shutil.ignore_patterns(
        '__pycache__', '*.pyc', 'output', 'CMakeLists.txt', 'bench'))
    return target


def ansible_environment(root, extra=None):
    """The environment for ansible commands that load the collection from ROOT only."""
    config = os.path.join(root, 'ansible.cfg')
    if not os.path.exists(config):
        # Settings come from this environment only, never from an ansible.cfg nearby.
        with open(config, 'w') as stream:
            stream.write('[defaults]\n')
    env = dict(os.environ)
    env.update({
        'ANSIBLE_COLLECTIONS_PATH': root,
        'ANSIBLE_NOCOLOR': '1',
        'ANSIBLE_FORCE_COLOR': '0',
        'ANSIBLE_RETRY_FILES_ENABLED': '0',
        'ANSIBLE_HOST_KEY_CHECKING': '0',
        'ANSIBLE_LOCAL_TEMP': os.path.join(root, 'ansible-tmp'),
        'ANSIBLE_REMOTE_TEMP': os.path.join(root, 'ansible-tmp'),
        'ANSIBLE_CONFIG': config,
    })
    env.update(extra or {})
    return env


class Simulator(object):
    """One reader-sim process: Modbus TCP on 127.0.0.1 (a port it picks) or RTU on a new
    pseudo-terminal, its parameter memory in a file."""

    def __init__(self, program, memory_file, pty_link=None, extra=()):
        import subprocess
        self.memory_file = memory_file
        self.pty_link = pty_link
        command = [program, '--memory', memory_file]
        command += ['--pty', pty_link] if pty_link else ['--tcp', '127.0.0.1:0']
        command += list(extra)
        self.stderr = open(memory_file + '.log', 'w+')
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE,
                                        stderr=self.stderr, text=True)
        self.port = None
        self.stopped = False

    def wait_ready(self, timeout=30.0):
        """Reads the ready line: "reader-sim: listening on tcp 127.0.0.1:PORT, station 1"."""
        import select
        ready, _, _ = select.select([self.process.stdout], [], [], timeout)
        line = self.process.stdout.readline() if ready else ''
        if 'listening on' not in line:
            self.stderr.seek(0)
            raise RuntimeError('reader-sim did not start: {0!r} {1}'.format(
                line, self.stderr.read()))
        marker = 'tcp 127.0.0.1:'
        if marker in line:
            self.port = int(line.split(marker, 1)[1].split(',')[0].split()[0])

    @property
    def reader(self):
        """The reader as readerctl names it."""
        if self.pty_link:
            return 'serial:' + self.pty_link
        return 'tcp:127.0.0.1:{0}'.format(self.port)

    def memory(self):
        with open(self.memory_file, 'rb') as stream:
            return stream.read()

    def hang(self):
        """SIGSTOP: the port still accepts connections, nothing answers."""
        import signal
        self.process.send_signal(signal.SIGSTOP)
        self.stopped = True

    def stop(self):
        import signal
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            if self.stopped:
                self.process.send_signal(signal.SIGCONT)
            try:
                self.process.wait(10)
            except Exception:  # pylint: disable=broad-except
                self.process.kill()
                self.process.wait()
        self.process.stdout.close()
        self.stderr.close()


def start_simulators(program, directory, count, pty_links=()):
    """COUNT simulators on TCP and one per pty link, started together, each with a fresh
    memory file in DIRECTORY."""
    simulators = []
    try:
        for index in range(count):
            simulators.append(Simulator(program, os.path.join(
                directory, 'tcp-{0:03d}.txt'.format(index + 1))))
        for link in pty_links:
            simulators.append(Simulator(program, link + '.memory.txt', pty_link=link))
        for simulator in simulators:
            simulator.wait_ready()
    except Exception:
        for simulator in simulators:
            simulator.stop()
        raise
    return simulators
