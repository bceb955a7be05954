#!/usr/bin/python3
"""A plain Modbus server made with pymodbus, for interop tests of libReader.

Serves holding registers 0x0000-0x00FF (zero-based addresses), one byte per register,
and input registers 0-4 (firmware version and station), at unit 255 and at a numbered
unit, over TCP or over RTU on a serial device. Prints "ready PORT" (TCP) or "ready" (RTU) on stdout when serving; with TCP port 0 the
system picks the port.
"""
import argparse
import asyncio
import logging
import sys

from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusServerContext,
                                ModbusSlaveContext)
from pymodbus.server import StartAsyncSerialServer, StartAsyncTcpServer
from pymodbus.transaction import ModbusRtuFramer, ModbusSocketFramer


def unit_context(station, seed):
    memory = [(seed + n) & 0xFF for n in range(0x100)]
    return ModbusSlaveContext(
        hr=ModbusSequentialDataBlock(0, memory + [2, 0, 0]),
        ir=ModbusSequentialDataBlock(0, [9, 8, 7, 6, station]),
        zero_mode=True)


async def serve(args):
    context = ModbusServerContext(
        slaves={255: unit_context(args.station, 0), args.station: unit_context(args.station, 0x80)},
        single=False)
    if args.tcp:
        host, port = args.tcp.rsplit(":", 1)
        server = await StartAsyncTcpServer(context=context, address=(host, int(port)),
                                           framer=ModbusSocketFramer, defer_start=True,
                                           allow_reuse_address=True)
        serving = asyncio.create_task(server.serve_forever())
        await server.serving
        print("ready", server.server.sockets[0].getsockname()[1], flush=True)
        await serving
    else:
        server = await StartAsyncSerialServer(context=context, port=args.serial,
                                              framer=ModbusRtuFramer, baudrate=9600,
                                              defer_start=True)
        await server.start()
        print("ready", flush=True)
        await asyncio.Event().wait()


def main():
    parser = argparse.ArgumentParser()
    link = parser.add_mutually_exclusive_group(required=True)
    link.add_argument("--tcp", help="HOST:PORT to listen on")
    link.add_argument("--serial", help="serial device for RTU")
    parser.add_argument("--station", type=int, default=7)
    args = parser.parse_args()
    logging.basicConfig(level=logging.CRITICAL)
    try:
        asyncio.run(serve(args))
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
