// SPDX-License-Identifier: LGPL-2.1-or-later
#include "FieldEncoding.h"

#include "widgets/ErrorReporting.h"
#include "widgets/HexPair.h"

#include "model/Codec.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>

#include <cassert>

ListValue::ListValue(QComboBox* list, ValueAt valueAt, PositionOf positionOf)
    : list_(list),
      valueAt_(std::move(valueAt)),
      positionOf_(std::move(positionOf)),
      kept_(std::make_shared<std::optional<int>>()) {}

ListValue ListValue::itemNumber(QComboBox* list) {
    return ListValue(
        list, [](const QComboBox& box, int position) { return toInteger(box.itemText(position)); },
        [](const QComboBox& box, int byte) {
            return box.findText(QString::number(static_cast<std::int8_t>(byte)));
        });
}

ListValue ListValue::itemText(QComboBox* list) {
    return ListValue(
        list, [](const QComboBox& box, int position) { return toInteger(box.itemText(position)); },
        [](const QComboBox& box, int value) { return box.findText(QString::number(value)); });
}

ListValue ListValue::items(QComboBox* list, const model::List& items) {
    // Stored values do not depend on the language or the band: only the item texts do.
    return ListValue(
        list,
        [&items](const QComboBox&, int position) { return model::storedValue(items, position); },
        [&items](const QComboBox& box, int value) {
            const int position = model::itemPosition(items, value);
            return position < box.count() ? position : -1;
        });
}

int ListValue::value() const {
    const int position = list_->currentIndex();
    if (position >= 0) {
        return valueAt_(*list_, position);
    }
    if (!kept_->has_value()) {
        throw ConversionError(list_->currentText());
    }
    return **kept_;
}

bool ListValue::hasValue() const {
    return list_->currentIndex() >= 0 || kept_->has_value();
}

void ListValue::show(int value) const {
    const int position = positionOf_(*list_, value);
    list_->setCurrentIndex(position);
    if (position >= 0) {
        kept_->reset();
    } else {
        *kept_ = value;
    }
}

namespace encoding {

FieldEncoding number(QLineEdit* edit) {
    return FieldEncoding(
        [edit](int width) {
            const QString text = edit->text();
            if (width >= 4) {
                bool ok = false;
                const uint value = text.trimmed().toUInt(&ok, 10);
                if (!ok) {
                    throw ConversionError(text);
                }
                return bigEndian(value, width);
            }
            // A sign only gets in by pasting; every field behind an edit is unsigned.
            const int value = toInteger(text);
            if (value < 0) {
                throw ConversionError(text);
            }
            return bigEndian(value, width);
        },
        [edit](const Bytes& bytes) { edit->setText(QString::number(fromBigEndian(bytes))); });
}

FieldEncoding onOffByte(QAbstractButton* on, QAbstractButton* off) {
    return FieldEncoding([on](int) { return Bytes{::onOffByte(on->isChecked())}; },
                         [on, off](const Bytes& bytes) {
                             const bool isOn = isOnByte(bytes.at(0));
                             if (off && !isOn) {
                                 off->setChecked(true);
                             } else {
                                 on->setChecked(isOn);
                             }
                         });
}

FieldEncoding flagBits(std::vector<FlagBit> bits) {
    return FieldEncoding(
        [bits](int) {
            std::uint8_t byte = 0;
            for (const FlagBit& flag : bits) {
                byte = static_cast<std::uint8_t>(byte | flagBit(flag.bit, flag.on->isChecked()));
            }
            return Bytes{byte};
        },
        [bits](const Bytes& bytes) {
            for (const FlagBit& flag : bits) {
                const bool set = hasBit(bytes.at(0), flag.bit);
                if (flag.off && !set) {
                    flag.off->setChecked(true);
                } else {
                    flag.on->setChecked(set);
                }
            }
        });
}

FieldEncoding flagBits(const model::Parameter& field, std::vector<FlagControl> controls) {
    assert(controls.size() == field.flags.size());
    std::vector<FlagBit> bits;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        bits.push_back({field.flags[i].bit, controls[i].on, controls[i].off});
    }
    return flagBits(std::move(bits));
}

FieldEncoding list(ListValue value) {
    return FieldEncoding(
        [value](int width) { return bigEndian(value.value(), width); },
        [value](const Bytes& bytes) { value.show(static_cast<int>(fromBigEndian(bytes))); });
}

FieldEncoding nibblePair(ListValue high, ListValue low) {
    return FieldEncoding(
        [high, low](int) {
            return Bytes{
                static_cast<std::uint8_t>(((high.value() & 0x0F) << 4) | (low.value() & 0x0F))};
        },
        [high, low](const Bytes& bytes) {
            high.show(bytes.at(0) >> 4);
            low.show(bytes.at(0) & 0x0F);
        });
}

FieldEncoding hexPairs(std::vector<QLineEdit*> edits) {
    return FieldEncoding(
        [edits](int) {
            Bytes bytes;
            for (const QLineEdit* edit : edits) {
                if (edit->text().isEmpty()) {
                    throw ConversionError(edit->text());
                }
                bytes.push_back(HexPairToByte(edit->text()));
            }
            return bytes;
        },
        [edits](const Bytes& bytes) {
            for (std::size_t i = 0; i < edits.size(); ++i) {
                edits[i]->setText(ByteToHexPair(bytes.at(i)));
            }
        });
}

FieldEncoding octets(std::vector<QLineEdit*> edits) {
    return FieldEncoding(
        [edits](int) {
            Bytes bytes;
            for (QLineEdit* edit : edits) {
                bytes.push_back(number(edit).encode(1).at(0));
            }
            return bytes;
        },
        [edits](const Bytes& bytes) {
            for (std::size_t i = 0; i < edits.size(); ++i) {
                edits[i]->setText(QString::number(bytes.at(i)));
            }
        });
}

FieldEncoding record(Field whole, std::vector<RecordPart> parts) {
    for ([[maybe_unused]] const RecordPart& part : parts) {
        assert(whole.contains(part.field));
    }
    return FieldEncoding(
        [whole, parts](int) {
            Bytes bytes(static_cast<std::size_t>(whole.width), 0);
            for (const RecordPart& part : parts) {
                const Bytes partBytes = part.encoding.encode(part.field.width);
                std::copy(partBytes.begin(), partBytes.end(),
                          bytes.begin() + whole.offsetOf(part.field));
            }
            return bytes;
        },
        [whole, parts](const Bytes& bytes) {
            for (const RecordPart& part : parts) {
                const auto first = bytes.begin() + whole.offsetOf(part.field);
                part.encoding.decode(Bytes(first, first + part.field.width));
            }
        });
}

}  // namespace encoding
