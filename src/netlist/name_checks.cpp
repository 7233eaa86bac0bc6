// The rules a part or label name must follow, and their reports.

#include <cctype>

#include "circuit/attribute_ids.h"
#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/report_sink.h"
#include "netlist/name_tries.h"
#include "netlist/netlist_reader.h"
#include "netlist/netlist_report.h"

namespace ob7 {

namespace {

int Report(NetlistCircuit& c, int part, int code, const std::string& name, int style = -1) {
    if (part >= 0) {
        const std::string partName = PartAttr(c.parts[part], ATTR_PART);
        if (style >= 0)
            return ReportMessage("dMSE", c.tables.services->ReportOwner(), "Part:", partName.c_str(), style, code,
                                 name.c_str());
        return ReportMessage("dME", c.tables.services->ReportOwner(), "Part:", partName.c_str(), code, name.c_str());
    }
    return ReportMessage("dtE", c.tables.services->ReportOwner(), name.c_str(), code, name.c_str());
}

}  // namespace

int CheckPartName(NetlistCircuit& c, const std::string& name, int scope, int flags, int part, bool compiling,
                  bool* renamePending) {
    const bool report = flags & kCheckReport;
    bool duplicate = false, bad = false, reported = false;
    if (flags & kCheckDuplicate) duplicate = FindPartByName(c, name, scope) >= 0;
    if (flags & (kCheckCharacters | kCheckLabel)) {
        if (!(flags & kCheckNoReserved) && IsReservedName(name, true)) {
            if (report) Report(c, part, 10889, name);
            return 1;
        }
        const bool allowDot = flags & kCheckAllowDot;
        if (flags & kCheckLabel) {
            const bool labelStart = !name.empty() && (std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_');
            if (!labelStart || HasIllegalNameChar(name, allowDot)) {
                bad = true;
                if (report && part >= 0 && compiling) {
                    const NetlistPart& p = c.parts[part];
                    if (p.scope == 1 && p.object.page >= 0 && !ReportsGoToLog()) {
                        if (Report(c, part, 10899, name, kStyleYesNo | kIconQuestion) == kButtonYes && renamePending)
                            *renamePending = true;
                    } else {
                        Report(c, part, 10900, name);
                    }
                    reported = true;
                } else if (report) {
                    Report(c, part, 10897, name);
                    reported = true;
                }
            }
        } else if (HasIllegalNameChar(name, allowDot)) {
            bad = true;
            if (report) {
                Report(c, part, 10897, name);
                reported = true;
            }
        }
    }
    if (duplicate && report && !reported) Report(c, part, part >= 0 ? 10898 : 10896, name);
    return bad || duplicate;
}

}  // namespace ob7
