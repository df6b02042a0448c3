// The 15 baud rates the settings index.
#pragma once

constexpr int kBaudRateCount = 15;
extern const int BaudRateTable[kBaudRateCount];
// The rate of an index, or 0 when the index is outside the table.
int BaudRateOfIndex(int index);
