#pragma once
// How much the two logs hold: the newest lines, the oldest dropped in blocks once a log grows past its limit.
// Both controls spend more on every append the more they hold, and the rich edit takes about 250 bytes of memory
// for every character under Wine: a session left running would otherwise end in an exhausted address space.
#include "classlib/visual/RichEdit.h"
#include "classlib/visual/StdCtrls.h"

struct TLogLimit {
    // Characters as the control counts them (the text log counts CR LF as two, the HEX log a line break as one).
    int MaxChars = 0;
    // Lines; 0 for no limit on them.
    int MaxLines = 0;
};

// The text log: 2,000 lines and a million characters. Memory is no concern here (4 bytes a character), time is:
// Wine's edit finds a line by walking its list of lines from the first, several times for every line it paints
// and for every append, so what each costs grows with the lines it holds, and more so as a long session spreads
// that list over the heap. Measured over 20 minutes at the 115200-baud pace: at 28,000 lines (a million
// characters of modem answers) those walks took over half of what the console spent, and the cost per write
// grew 1.6 times; at 10,000 lines still 1.6 times; at 2,000 lines 1.1 to 1.3 times.
constexpr TLogLimit TextLogLimit{1000000, 2000};
// The HEX log: 2,000 lines and 500,000 characters (the HEX of some 160 KB of data, about 130 MB in the rich
// edit under Wine). Its appends and its dropping of old lines both take longer the more lines it holds.
constexpr TLogLimit HexLogLimit{500000, 2000};

// A log past its limit keeps this share of it: dropping an eighth at a time costs one drop per eighth of the
// limit appended, and it never shows more than one eighth less than the limit allows.
constexpr int LogKeptEighths = 7;

// Drops the oldest lines of a text log that holds more than Limit, down to 7/8 of it (within a single line that
// long, its oldest part), keeping what the window shows in place. Returns the number of characters dropped.
int TrimTextLog(TCustomMemo* Log, const TLogLimit& Limit);
// The same for the HEX log: the oldest whole lines go while it holds more characters or lines than Limit, the
// lines that stay keep their colours and the window keeps showing what it showed.
int TrimHexLog(TCustomRichEdit* Log, const TLogLimit& Limit);
