#include "sim/digital/digital_messages.h"

#include <cstdarg>
#include <cstdio>

#include "foundation/messages.h"
#include "foundation/string_table.h"
#include "sim/digital/digital_network.h"

namespace ob7 {

DigitalSetupError LastDigitalSetupError;

int DigitalSetupFail(int code, const std::string& part, const std::string& file, int line, ...) {
    char format[600], text[1200];
    LoadMessageText(format, code, sizeof format);
    const char* f = format;
    if (f[0] == '#' && (f[1] == 'E' || f[1] == 'W')) f += 2;
    va_list args;
    va_start(args, line);
    std::vsnprintf(text, sizeof text, f, args);
    va_end(args);
    LastDigitalSetupError = {code, part, text, file, line};
    char where[40];
    std::snprintf(where, sizeof where, "%d", line);
    if (!file.empty())
        ReportMessage("sMMMF", 'E', "Part", part.c_str(), "File", file.c_str(), "Line", where, "%s", text);
    else
        ReportMessage("sMF", 'E', "Part", part.c_str(), "%s", text);
    return kMsgDigitalSetupFailed;
}

}  // namespace ob7
