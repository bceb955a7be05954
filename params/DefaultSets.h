#pragma once

#include "params/ParameterPages.h"

// The fixed values "默认参数" puts into controls, without any library call or log line.
enum class DefaultSet { None, Product, BuzzerRs485Wiegand, TcpIp, Positioning };

// The set a page selects. Each page selects the set whose controls it shows (the buzzer
// box of the buzzer, RS-485 and Wiegand set lies on page 1, the rest of it on page 2), so
// a press never resets more than that set.
DefaultSet defaultSetForPage(int page);

void applyDefaultSet(DefaultSet set, const ParameterPages& pages);
