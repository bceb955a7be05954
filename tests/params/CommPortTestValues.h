// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

// A reader whose every field of the page "通信口参数" differs from the page's start values
// and from reader-sim's factory values: the stored bytes, and what the page's controls show
// for them (in the form of controlValue: edit text, "1"/"0", a list's item text).

#include <QList>
#include <QString>

#include <cstdint>
#include <utility>
#include <vector>

inline const QList<std::pair<int, std::vector<std::uint8_t>>> kChangedCommPortBytes{
    // Client mode, automatic IP, reserved, MAC, IP, subnet mask, gateway, port 5000,
    // target IP, target port 6000.
    {0xA9, {0x03, 0x01, 0x00, 0x02, 0x11, 0x22, 0x33, 0x44, 0x55, 10, 1, 2, 3,    255, 255,
            0,    0,    10,   1,    2,    254,  0x13, 0x88, 10,   9,  8, 7, 0x17, 0x70}},
    {0xEC, {0x1B, 0x58}},  // 7000
    {0x50, {0x02, 0x58}},  // 600
    {0x83, {4}},
    {0x85, {1}},
    {0x87, {2, 20, 30}},  // protocol, pulse width, pulse period
    {0x8B, {5}},
    {0x8F, {3}},
};

inline const QList<std::pair<QString, QString>> kChangedCommPortControls{
    {"CheckBox11", "1"},
    {"CheckBox12", "1"},
    {"Edit8", "02"},
    {"Edit9", "11"},
    {"Edit10", "22"},
    {"Edit11", "33"},
    {"Edit12", "44"},
    {"Edit13", "55"},
    {"Edit22", "10"},
    {"Edit23", "1"},
    {"Edit24", "2"},
    {"Edit25", "3"},
    {"Edit26", "255"},
    {"Edit27", "255"},
    {"Edit28", "0"},
    {"Edit29", "0"},
    {"Edit30", "10"},
    {"Edit31", "1"},
    {"Edit32", "2"},
    {"Edit33", "254"},
    {"Edit21", "5000"},
    {"Edit20", "10"},
    {"Edit19", "9"},
    {"Edit16", "8"},
    {"Edit35", "7"},
    {"Edit36", "6000"},
    {"Edit39", "7000"},
    {"Edit40", "600"},
    {"ComboBox12", "38400bps"},
    {"CheckBox6", "1"},
    {"ComboBox11", "Wiegand 34"},
    {"ComboBox9", "04--500ms"},
    {"Edit1", "20"},
    {"Edit2", "30"},
    {"ComboBox27", "3"},
};
