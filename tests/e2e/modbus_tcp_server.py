#!/usr/bin/env python3
"""A third party's Modbus TCP server holding the converter's registers (unit id 1), for
orte-cli to read as it would read a gateway: python3 modbus_tcp_server.py PORT"""
import sys

from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusServerContext,
                                ModbusSlaveContext)
from pymodbus.server import StartTcpServer

# Input registers 0..11 (both inputs: 23.450 on a thermoresistance, 500.100 on a thermocouple
# with its cold junction at 23.5) and 50..54 (the identification: model 0, firmware 2.0.0.1,
# serial 123456); coils 0..7 all off.
registers = [0] * 55
registers[0:12] = [23, 450, 500, 100, 0, 1, 0, 235, 0, 0, 0, 0]
registers[50:55] = [0, 512, 1, 1, 57920]
converter = ModbusSlaveContext(ir=ModbusSequentialDataBlock(0, registers),
                               co=ModbusSequentialDataBlock(0, [0] * 8),
                               zero_mode=True)
StartTcpServer(context=ModbusServerContext(slaves={1: converter}, single=False),
               address=("127.0.0.1", int(sys.argv[1])))
