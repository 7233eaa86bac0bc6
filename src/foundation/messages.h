#pragma once
// The program's one message function and the pending message.
//
// ReportMessage(options, ...): each option letter takes its arguments from the list in
// the order of the letters; what follows is the argument list of the message text.
//   A            owner = the active window
//   D, P  void*  owner = that window (handle / framework window)
//   d     void*  owner = that drawing window; its file title names the "File:" line
//   p     void*  owner = that frame; likewise
//   E     int    message id (0, 15055, 15056, 15057 show nothing and return 0)
//   F     const char* printf format applied to the remaining arguments
//   s     int    severity character: 'E' Error, 'W' Warning
//   B     const char* caption (at most 29 characters)
//   S     int    message-box style, replacing the severity's style
//   N     const void* part (may be null): a "Part:" line
//   T     const void* grid text (may be null): a "Text:" line and its file
//   t     const char* a "Text:" line
//   L     int    source index: the "File:" line from the active circuit's sources
//   M     const char*, const char* one labelled line (at most 10)
//   n            the labelled lines go into the text even when the dialog is shown
//   C     int*   "Don't warn me anymore." box: becomes 0 when ticked, 1 when not
//   O     int, int box offset from the screen centre, percent of half the screen
// Returns the id of the button that closed the dialog, or 0 when nothing was shown or
// the message went to a log. Upper layers plug in through report_sink.h.

#include <cstdarg>
#include <cstddef>

namespace ob7 {

int ReportMessage(const char* options, ...);
int VReportMessage(const char* options, va_list args);

// The pending message: a low-level function leaves a whole text (or a file name for the
// next file message) here and returns 15060 (or the file code) to the caller that reports.
struct PendingMessageState {
    char* text1;  // owned text; also the file name of the next file message
    char* text2;  // owned text; second argument of two-text messages
    int id;       // the message id behind 15060, 0 when none
};
extern PendingMessageState PendingMessage;

// Formats the string-table text of id with the arguments (2000 characters at most) as
// pending text 1 and sets the pending id. The caller then returns 15060.
void SetPendingMessage(int id, ...);
// Pending id 0 and pending text 1 = a copy of text.
void SetPendingMessageText(const char* text);
void SetPendingMessageText2(const char* text);
void ClearPendingMessage();

// The text of a code into buffer (the pending text for 15060, the runtime's text for
// 16000 + errno, the string-table text otherwise; file codes take the pending texts).
// *code may change (15060 becomes the pending id). Returns "Error", "Warning" or null
// from a leading %E/#E or %W/#W, which is removed.
const char* GetMessageText(char* buffer, std::size_t size, int* code);

// The message help file ("help.ob7"), set at start-up; empty means no extended help.
void SetExtendedHelpFile(const char* path);
// With exists: *exists = 1 when the help file has an entry for id (0 otherwise) and the
// result is null. Without: the entry's text as a heap text (StrFree it) or null.
char* LoadExtendedHelp(int id, int* exists);

// The help topic of a message with a "&Syntax..." button, or 0.
int SyntaxTopicOf(int id);

}  // namespace ob7
