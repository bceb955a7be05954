// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include "model/Addresses.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace model {
struct List;
struct Parameter;
}  // namespace model

class QAbstractButton;
class QComboBox;
class QLineEdit;

// How one field's bytes map to the controls that show it, declared once: encode() reads the
// controls into the field's bytes, decode() shows bytes in the controls. encode() throws
// ConversionError when an edit holds a text that is not a number.
class FieldEncoding {
  public:
    using Encode = std::function<Bytes(int width)>;
    using Decode = std::function<void(const Bytes& bytes)>;

    FieldEncoding(Encode encode, Decode decode)
        : encode_(std::move(encode)), decode_(std::move(decode)) {}

    Bytes encode(int width) const { return encode_(width); }
    void decode(const Bytes& bytes) const { decode_(bytes); }

  private:
    Encode encode_;
    Decode decode_;
};

// An integer shown as a list selection. A value without an item leaves the list without a
// selection and is kept: while the list shows none, value() gives the kept value back, so a
// query followed by a set never changes a value the list cannot show. Once an item is
// selected, the item's value goes.
class ListValue {
  public:
    // Value of the item at a position, and the position of a value (-1: no item).
    using ValueAt = std::function<int(const QComboBox& list, int position)>;
    using PositionOf = std::function<int(const QComboBox& list, int value)>;

    ListValue(QComboBox* list, ValueAt valueAt, PositionOf positionOf);

    // The number an item's text shows, stored as a two's complement byte ("-110" is 0x92).
    static ListValue itemNumber(QComboBox* list);
    // The unsigned number an item's text shows ("6461"), for fields of any width.
    static ListValue itemText(QComboBox* list);
    // The model's list: each position stored as the model stores that item.
    static ListValue items(QComboBox* list, const model::List& items);

    // Throws ConversionError (with the list's text) when there is neither a selection nor a
    // kept value.
    int value() const;
    void show(int value) const;
    // Whether value() has something to give: a selected item or a kept value.
    bool hasValue() const;

  private:
    QComboBox* list_;
    ValueAt valueAt_;
    PositionOf positionOf_;
    std::shared_ptr<std::optional<int>> kept_;
};

// One control bit of a flag byte: `on` checked sets the bit. With `off` (the other button of
// a radio pair), a clear bit checks `off`.
struct FlagBit {
    int bit;
    QAbstractButton* on;
    QAbstractButton* off = nullptr;
};

// The controls of a flag field's bits, in the order the model names the bits.
struct FlagControl {
    QAbstractButton* on;
    QAbstractButton* off = nullptr;
};

// One field of a record moved in one call, at its own address inside the record.
struct RecordPart {
    Field field;
    FieldEncoding encoding;
};

namespace encoding {

// An unsigned decimal number in an edit, high byte first. Fields of 4 bytes take the whole
// unsigned 32-bit range, narrower ones a non-negative int whose low bytes are stored.
FieldEncoding number(QLineEdit* edit);
// 1 = ticked, 0 = not; only exactly 1 reads as ticked. With `off` (the other button of a
// radio pair), any other byte checks `off`.
FieldEncoding onOffByte(QAbstractButton* on, QAbstractButton* off = nullptr);
// Single bits of one byte; bits that no control names are written 0.
FieldEncoding flagBits(std::vector<FlagBit> bits);
// The model's flags of the field, one control (or radio pair) per flag in the model's order.
FieldEncoding flagBits(const model::Parameter& field, std::vector<FlagControl> controls);
// One list value, high byte first (a negative one as two's complement).
FieldEncoding list(ListValue value);
// Two lists in one byte: the high and the low nibble, each kept on its own.
FieldEncoding nibblePair(ListValue high, ListValue low);
// One byte per edit as a hex pair ("0A"), first edit first; an empty edit is no byte and
// stops the conversion, as an empty number does.
FieldEncoding hexPairs(std::vector<QLineEdit*> edits);
// One byte per edit as a decimal number 0-255, first edit first.
FieldEncoding octets(std::vector<QLineEdit*> edits);
// Parts at their offsets inside the record's field; bytes that no part covers are 0.
FieldEncoding record(Field whole, std::vector<RecordPart> parts);

}  // namespace encoding
