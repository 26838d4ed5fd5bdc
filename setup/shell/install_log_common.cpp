// The numbers of log lines, made alike on every platform.
#include "setup/shell/install_log.h"

LogNumber::LogNumber(long long value)
{
    char digits[24];
    int count = 0;
    bool negative = value < 0;
    unsigned long long rest = negative ? 0ull - (unsigned long long)value : (unsigned long long)value;
    do {
        digits[count++] = (char)('0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    int at = 0;
    if (negative)
        text[at++] = '-';
    while (count > 0)
        text[at++] = digits[--count];
    text[at] = '\0';
}

LogHex::LogHex(unsigned long value)
{
    static const char kDigits[] = "0123456789ABCDEF";
    text[0] = '0';
    text[1] = 'x';
    for (int i = 0; i < 8; ++i)
        text[2 + i] = kDigits[(value >> (28 - 4 * i)) & 0xF];
    text[10] = '\0';
}
