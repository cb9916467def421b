// The printer of the list syntax: print and princ forms, the 80-column file
// pretty printer, the pp built-in's printer with its continuation blocks, and
// the header list that opens the system's files.
#pragma once

#include "kernel/Cell.h"

#include <string>

namespace kest {

// chanprintf flags.
enum PrintFlags {
    PfMeasure = 4,  // count only, write nothing
    PfTrim = 8,     // leave out the first and last character
    PfInteger = 16, // the argument points to an int32_t
    PfReal = 32,    // the argument points to a float (formatted as a double)
    PfEscaped = 64, // the argument is a string, escaped first unless PfRaw
    PfChunk = 128,  // the argument is a 256-byte binary chunk
    PfRaw = 256,
};

// Print modes of printval; add PmMeasure to count instead of writing, and
// PmLiteral to write (quote x) as a list rather than as 'x (the pretty
// printers' form).
enum PrintMode { PmPrint = 1, PmPrinc = 2, PmMeasure = 4, PmLiteral = 8 };

inline constexpr int LineWidth = 80;

// Formats one item with format and sends it to the channel (see PrintFlags; a
// null argument formats the format text alone). Returns the number of
// characters formatted (513 for a chunk).
int chanprintf(int flags, Channel* ch, const char* format, const void* argument);
// Prints value in mode (PmPrint readable, PmPrinc bare) and returns the
// characters printed. When measuring, list printing stops as soon as the
// count passes limit.
int printval(int mode, Cell* value, Channel* ch, int limit);
inline int printexpr(Cell* value, Channel* ch) {
    return printval(PmPrint, value, ch, 0);
}
// The text with ^-escapes for backspace, tab, line feed, form feed, carriage
// return, double quote and ^ itself.
std::string escapestr(const char* text);
// The file printer: lists broken over lines of at most 80 positions where
// they do not fit, continuation lines aligned. Callers pass indent 0 and
// closers 0; each value starts on a line of its own.
void prettyprint(Cell* value, Channel* ch, int indent, int closers);
// prettyprint of a list (head e1 ... en) with an atom head and n >= 2
// elements that does not fit on one line, given one element at a time, so
// that the elements need not all be made before printing starts: each
// element's cells may be released once Element returns. The text is the
// one prettyprint gives the whole list with the same indent and closers;
// the caller makes sure the list is too long for one line.
class PrettyListWriter {
  public:
    PrettyListWriter(Cell* head, size_t count, Channel* ch, int indent, int closers);
    void Element(Cell* element);
    void End();

  private:
    Channel* ch_;
    size_t remaining_;
    int closers_;
    int align_ = 0;
};
// The pp built-in's printer: one element per line once a list breaks, and
// blocks indented past 50 restarted at the left between two comment lines.
void ppcontinued(Cell* value, Channel* ch, int indent, int closers);
// Line break and indentation: a line end when the position is past indent,
// then blanks up to column indent - 1.
void ppindent(int indent, Channel* ch);
// The flat printed length of value capped at the rest of the line, plus closers.
int fitwidth(Cell* value, Channel* ch, int closers);
// Writes out a file channel's unfinished line without ending it.
void flushpending(Channel* ch);
// The printed text of a value (mode PmPrint or PmPrinc), without a channel.
std::string printstring(Cell* value, int mode = PmPrint);
// The pretty-printed text of a value as a file would hold it, from column 0.
std::string prettystring(Cell* value);

// The file header. Writing (list null): returns (Quillmark "8.0" kind), or
// (Vaultkeep "2.0" kind) for the server. Reading: checks that list's third
// element is kind ("bad file header") and that its version string does not
// compare greater than the program's ("can't open a version %s file using
// version %s software"), both through the failure check; versionOut (may be
// null) receives the file's version as a number. Returns list.
Cell* fileheader(bool forServer, Symbol* kind, Cell* list, double* versionOut);

} // namespace kest
