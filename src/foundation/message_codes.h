#pragma once
// Message codes: every function that can fail returns one (int). 0 is success; a
// string-table id names its message; 16000 + errno a C runtime failure.

namespace ob7 {

enum MessageCode : int {
    kMsgOk = 0,
    kMsgBadFileFormat = 5355,        // "This File is not a recognizable format."
    kStrProgramName = 5356,          // "Ombrelic": the caption of messages without severity
    kMsgInsufficientMemory = 15002,  // "Insufficient memory."
    kMsgFloatingPoint = 15003,       // "Floating point '%s'." (pending text 1)
    kMsgLoadError = 15007,           // "Error in loading file %s."
    kMsgWriteError = 15008,          // "Error in writing file %s."
    kMsgBadFormat = 15009,           // "Bad format in loading file '%s'."
    kMsgFileNotFound = 15022,        // "File not found '%s'."
    kMsgCannotAccess = 15023,        // "Cannot access '%s'."
    kMsgNoFileName = 15038,          // "Must specify filename."
    kMsgReported = 15055,            // already reported: show nothing
    kMsgStopped = 15056,             // the user stopped the operation: show nothing
    kMsgSilent = 15057,              // show nothing
    kMsgPending = 15060,             // the whole text waits in the pending message
    kMsgErrnoBase = 16000,           // 16000 + errno
    kMsgWriteFailed = 16028,         // a failed write or close
};

// Button ids that ReportMessage returns.
enum ReportButton : int {
    kButtonOk = 1, kButtonCancel = 2, kButtonAbort = 3, kButtonRetry = 4, kButtonIgnore = 5,
    kButtonYes = 6, kButtonNo = 7, kButtonYesToAll = 32, kButtonNoToAll = 33,
};

// Message-box styles: button set in the low 4 bits, icon in bits 4 to 7.
enum ReportStyle : int {
    kStyleOk = 0, kStyleOkCancel = 1, kStyleAbortRetryIgnore = 2, kStyleYesNoCancel = 3,
    kStyleYesNo = 4, kStyleRetryCancel = 5, kStyleYesAllNoAllCancel = 6,
    kIconHand = 0x10, kIconQuestion = 0x20, kIconExclamation = 0x30, kIconAsterisk = 0x40,
    kStyleSystemModal = 0x1000,
};

inline bool IsSilentCode(int code) {
    return code == kMsgOk || code == kMsgReported || code == kMsgStopped || code == kMsgSilent;
}

}  // namespace ob7
