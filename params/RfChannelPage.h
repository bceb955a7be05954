// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include "model/Addresses.h"
#include "params/ParameterPage.h"

#include <QWidget>

#include <array>
#include <memory>

class OperationLog;
class ReaderSession;

// One radio module: the number in its caption "模块N" and the designer names of its lists.
struct RfModule {
    int number;
    const char* frequency;
    const char* power;
    const char* rate;
    const char* tagType;
};

// The four radio modules of one channel and the three fields that hold one byte per module,
// the first module's byte at the lowest address.
struct RfChannel {
    Field frequencies;  // channel numbers: the frequency list's position
    Field powerRates;   // rate code in the high nibble, power level in the low one
    Field tagTypes;     // tag type 1 to 20
    std::array<RfModule, 4> modules;
};

namespace rf {

inline constexpr RfChannel ChannelOne{
    addr::Frequency1to4,
    addr::PowerRate1to4,
    addr::TagTypes1to4,
    {{
        {1, "ComboBox34", "ComboBox25", "ComboBox35", "ComboBox3"},
        {2, "ComboBox40", "ComboBox43", "ComboBox41", "ComboBox42"},
        {3, "ComboBox22", "ComboBox29", "ComboBox23", "ComboBox24"},
        {4, "ComboBox30", "ComboBox33", "ComboBox31", "ComboBox32"},
    }}};

inline constexpr RfChannel ChannelTwo{
    addr::Frequency5to8,
    addr::PowerRate5to8,
    addr::TagTypes5to8,
    {{
        {5, "ComboBox36", "ComboBox39", "ComboBox37", "ComboBox38"},
        {6, "ComboBox44", "ComboBox47", "ComboBox45", "ComboBox46"},
        {7, "ComboBox48", "ComboBox51", "ComboBox49", "ComboBox50"},
        {8, "ComboBox52", "ComboBox55", "ComboBox53", "ComboBox54"},
    }}};

}  // namespace rf

// The sub-pages "通道一设置" and "通道二设置" of "射频参数": one group box per radio module of
// the channel, with its frequency, power, rate and tag-type lists from top to bottom.
class RfChannelPage : public QWidget, public ParameterPage {
    Q_OBJECT
  public:
    RfChannelPage(const RfChannel& channel, ReaderSession& session, OperationLog& log,
                  QWidget* parent = nullptr);
    ~RfChannelPage() override;

    // The channel's frequencies, powers and rates, and tag types, in this order.
    void SetRfChannelParameters();
    void QueryRfChannelParameters();

    void query() override { QueryRfChannelParameters(); }
    void set() override { SetRfChannelParameters(); }
    // Fills the frequency lists of the band variant and selects the band's start items:
    // 1 2400-2524 MHz (2450, 2460, 2470, 2480 MHz), 0 387-464 MHz (433 MHz, with tag type
    // 10); any other band leaves the frequency lists empty.
    void formShow(const WindowVariants& variants) override;

  private:
    struct Fields;

    std::unique_ptr<Fields> fields_;
    ReaderSession& session_;
    OperationLog& log_;
};
