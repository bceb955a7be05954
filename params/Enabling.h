#pragma once

#include <initializer_list>

class QWidget;

// The enabling rules: dependent controls are enabled exactly while their option is on.
void enableAll(std::initializer_list<QWidget*> widgets, bool enabled);
