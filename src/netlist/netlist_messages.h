#pragma once
// Message codes of the netlist front end (texts in src/resources/strings/netlist.txt).

namespace ob7 {

enum NetlistMessage : int {
    kMsgIllegalUseOf = 11852,           // "Illegal use of '%s'."
    kMsgExpecting = 11900,              // "Expecting '%s'."
    kMsgExpectingAfter = 11901,         // "Expecting '%s' to follow '%s'."
    kMsgExtraText = 11903,              // "Extra text '%s' found."
    kMsgModelTypeNotInLibrary = 30100,  // a text-valued model type has no library form
    kMsgLibraryNotConverted = 30101,    // an old library could not be rewritten
};

}  // namespace ob7
