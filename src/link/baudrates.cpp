#include "link/baudrates.h"

const int BaudRateTable[kBaudRateCount] = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                                           19200, 38400, 56000, 57600, 115200, 128000, 256000};

int BaudRateOfIndex(int index) { return index >= 0 && index < kBaudRateCount ? BaudRateTable[index] : 0; }
